#include "CSender.h"

#include "MessageBox.h"
#include "Packet.h"
#include "SenderTexts.h"
#include "SweepPlan.h"
#include "WindowMessageClient.h"

#include <QCoreApplication>

#include <cerrno>
#include <sys/socket.h>
#include <unistd.h>

bool SocketSupportAvailable() {
    int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd >= 0) {
        close(fd);
        return true;
    }
    // Only a missing protocol family means no socket support; running out of descriptors
    // is the later "socket could not be created".
    return errno != EAFNOSUPPORT && errno != EPROTONOSUPPORT;
}

SenderHooks::SenderHooks()
    : socketSupport(SocketSupportAvailable), openSocket(OpenAnnouncerSocket),
      interfaces(ListInterfaceAddresses) {}

CSender::CSender(SenderHooks hooks) : m_hooks(std::move(hooks)) {}

int CSender::Fail(const QString &text) {
    // An application's own box with no icon named carries the exclamation mark.
    ShowMessage(nullptr, text, BoxIcon::Exclamation);
    return 1;
}

int CSender::Run() {
    if (QCoreApplication::instance())
        QCoreApplication::setApplicationName(QStringLiteral("Sender"));
    if (!m_hooks.socketSupport())
        return Fail(SenderText::SocketSupportFailed());
    const QString lobby = SenderText::LobbyCaption();
    if (!FindWindowByCaption(lobby))
        return Fail(SenderText::LobbyNotOpen());
    if (!m_profile.Load())
        return Fail(SenderText::ProfileNotRead());
    const int fd = m_hooks.openSocket();
    if (fd < 0)
        return Fail(SenderText::SocketNotCreated());

    const SweepPlan plan =
        PlanSweep(m_profile.Addresses(), LAN_ADDRESS_COUNT, m_hooks.interfaces());
    const CLanSweep sweep(plan);
    const Packet hello = EncodeUser(PT_HELLO, m_profile.Self());
    m_stats = sweep.Run(fd, hello);

    // Returns when the lobby's handler has returned, that is when its user has read the
    // "login sent" box.
    SendWindowMessage(lobby, WM_LOGIN_SENT, 0, 0);
    close(fd);
    return 0;
}
