#include "CDatagramReceiver.h"

#include "CDatagramQueue.h"

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <memory>

#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Datagrams read by one system call: enough that a burst costs few calls, few enough that
// the batch sits on the thread's stack.
constexpr unsigned kBatch = 64;

} // namespace

CDatagramReceiver::CDatagramReceiver(CDatagramQueue& queue, std::function<void()> onArrival)
    : m_queue(queue), m_onArrival(std::move(onArrival))
{
}

CDatagramReceiver::~CDatagramReceiver() { Stop(); }

bool CDatagramReceiver::Start(int fd)
{
    if (Running() || fd < 0)
        return false;
    m_wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_wakeFd < 0)
        return false;
    // Signals stay with the program's main thread, as before there was a second one.
    sigset_t all, old;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &old);
    try {
        m_thread = std::thread([this, fd] { Run(fd); });
    } catch (...) {
    }
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
    if (!m_thread.joinable()) {
        ::close(m_wakeFd);
        m_wakeFd = -1;
        return false;
    }
    return true;
}

void CDatagramReceiver::Stop()
{
    if (!Running())
        return;
    const uint64_t one = 1;
    while (::write(m_wakeFd, &one, sizeof one) < 0 && errno == EINTR) {
    }
    m_thread.join();
    ::close(m_wakeFd);
    m_wakeFd = -1;
}

void CDatagramReceiver::Run(int fd)
{
    auto batch = std::make_unique<ReceivedDatagram[]>(kBatch);
    mmsghdr msgs[kBatch];
    iovec iov[kBatch];
    for (unsigned i = 0; i < kBatch; ++i) {
        iov[i] = {batch[i].bytes, PACKET_SIZE};
        msgs[i] = {};
        msgs[i].msg_hdr.msg_iov = &iov[i];
        msgs[i].msg_hdr.msg_iovlen = 1;
    }
    pollfd waits[2] = {{fd, POLLIN, 0}, {m_wakeFd, POLLIN, 0}};
    for (;;) {
        if (::poll(waits, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (waits[1].revents != 0 || (waits[0].revents & POLLNVAL))
            return;
        // A longer datagram is cut to the datagram size; an error (or nothing) reads none.
        const int got = ::recvmmsg(fd, msgs, kBatch, MSG_DONTWAIT, nullptr);
        if (got <= 0)
            continue;
        for (int i = 0; i < got; ++i)
            batch[i].len = uint16_t(msgs[i].msg_len);
        m_queue.Push(batch.get(), size_t(got));
        m_onArrival();
    }
}
