// Preloaded into a program under test (LD_PRELOAD) to give its sockets what a stock
// Debian 12 kernel grants: a buffer request above net.core.rmem_max / wmem_max
// (212,992 bytes) is cut to it, silently, as that kernel does. Our test machines allow
// far more, and a figure that holds only there is not one users get.

#include <dlfcn.h>
#include <sys/socket.h>

namespace {

constexpr int kStockLimit = 212992;

using SetSockOpt = int (*)(int, int, int, const void*, socklen_t);

} // namespace

extern "C" int setsockopt(int fd, int level, int name, const void* value, socklen_t len)
{
    static const auto real = reinterpret_cast<SetSockOpt>(dlsym(RTLD_NEXT, "setsockopt"));
    const bool receive = name == SO_RCVBUF || name == SO_RCVBUFFORCE;
    const bool send = name == SO_SNDBUF || name == SO_SNDBUFFORCE;
    if (level == SOL_SOCKET && (receive || send) && value != nullptr && len == sizeof(int) &&
        *static_cast<const int*>(value) > kStockLimit) {
        // The forcing variants need a privilege an ordinary user lacks.
        const int capped = kStockLimit;
        return real(fd, level, receive ? SO_RCVBUF : SO_SNDBUF, &capped, sizeof capped);
    }
    return real(fd, level, name, value, len);
}
