#include "BenchLan.h"

#include "LocalAddress.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#ifndef LQ_LANCTL
#error "LQ_LANCTL must name lanctl.py"
#endif

namespace {

BenchHost HostOf(const QJsonObject &o) {
    return {o.value(QStringLiteral("ns")).toString().toStdString(),
            o.value(QStringLiteral("ip")).toString().toStdString()};
}

} // namespace

BenchLan::BenchLan(const char *topology, int peers, const char *rate) {
    if (geteuid() != 0) {
        m_error = "needs root and ip netns";
        return;
    }
    int in[2], out[2];
    if (pipe(in) != 0 || pipe(out) != 0) {
        m_error = "pipe failed";
        return;
    }
    const std::string peerCount = std::to_string(peers);
    m_pid = fork();
    if (m_pid == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        close(in[1]);
        close(out[0]);
        execlp("python3", "python3", LQ_LANCTL, topology, "--peers", peerCount.c_str(), "--rate",
               rate, static_cast<char *>(nullptr));
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    m_stdin = in[1];
    QByteArray line;
    char c;
    while (read(out[0], &c, 1) == 1 && c != '\n')
        line += c;
    close(out[0]);
    QJsonObject o = QJsonDocument::fromJson(line).object();
    if (o.isEmpty() || o.contains(QStringLiteral("error"))) {
        m_error = o.isEmpty() ? "lanctl.py did not start"
                              : o.value(QStringLiteral("error")).toString().toStdString();
        return;
    }
    m_announcer = HostOf(o.value(QStringLiteral("announcer")).toObject());
    for (const QJsonValue &v : o.value(QStringLiteral("peers")).toArray())
        m_peers.push_back(HostOf(v.toObject()));
    m_ok = true;
}

BenchLan::~BenchLan() {
    if (m_stdin >= 0)
        close(m_stdin); // lanctl.py removes the LAN when its input closes
    if (m_pid > 0) {
        int status = 0;
        waitpid(m_pid, &status, 0);
    }
}

NetnsScope::NetnsScope(const std::string &ns) {
    m_previous = open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
    int fd = open(("/run/netns/" + ns).c_str(), O_RDONLY | O_CLOEXEC);
    m_ok = m_previous >= 0 && fd >= 0 && setns(fd, CLONE_NEWNET) == 0;
    if (fd >= 0)
        close(fd);
}

NetnsScope::~NetnsScope() {
    if (m_previous >= 0) {
        setns(m_previous, CLONE_NEWNET);
        close(m_previous);
    }
}

bool LoopbackOnlyHere() {
    for (const InterfaceAddress &ia : ListInterfaceAddresses())
        if (ia.up && !ia.loopback)
            return false;
    return true;
}
