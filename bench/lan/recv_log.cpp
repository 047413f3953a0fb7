// Preloaded into Linquo by the fifty-instance benchmark: every datagram its endpoint reads
// from the kernel is appended, with the time, to the file named by $LQ_RECV_LOG, so that
// what each instance lists, and since when, can be worked out afterwards by the user
// list's own rules.

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

using RecvMmsg = int (*)(int, mmsghdr*, unsigned, int, timespec*);

int LogFd()
{
    static const int fd = [] {
        const char* path = std::getenv("LQ_RECV_LOG");
        return path ? ::open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644) : -1;
    }();
    return fd;
}

} // namespace

extern "C" int recvmmsg(int fd, mmsghdr* msgs, unsigned count, int flags, timespec* timeout)
{
    static const auto real = reinterpret_cast<RecvMmsg>(dlsym(RTLD_NEXT, "recvmmsg"));
    const int got = real(fd, msgs, count, flags, timeout);
    if (got <= 0 || LogFd() < 0)
        return got;
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    std::string lines;
    for (int i = 0; i < got; ++i) {
        char head[48];
        std::snprintf(head, sizeof head, "%lld.%06ld ", static_cast<long long>(now.tv_sec),
                      now.tv_nsec / 1000);
        lines += head;
        const auto* bytes = static_cast<const unsigned char*>(msgs[i].msg_hdr.msg_iov[0].iov_base);
        for (unsigned j = 0; j < msgs[i].msg_len; ++j) {
            char hex[3];
            std::snprintf(hex, sizeof hex, "%02x", bytes[j]);
            lines += hex;
        }
        lines += '\n';
    }
    // One write, so that lines never interleave.
    if (::write(LogFd(), lines.data(), lines.size()) < 0)
        return got;
    return got;
}
