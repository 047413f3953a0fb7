#include "CDatagramReceiver.h"

#include "CDatagramQueue.h"

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <memory>

#include <poll.h>
#include <pthread.h>
#include <sched.h>
#include <sys/eventfd.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

// Batches read in a row before the reader waits or returns: more than a stock receive
// buffer holds, and a bound should a sender be faster than the reader.
constexpr int kDrainCalls = 32;

// How long the thread lets datagrams gather in the socket once a burst has begun.
constexpr timespec kGatherPause = {0, 200 * 1000};

// The kernel's sched_attr, which the C library does not declare.
struct SchedAttr {
    uint32_t size;
    uint32_t policy;
    uint64_t flags;
    int32_t nice;
    uint32_t priority;
    uint64_t runtime;
    uint64_t deadline;
    uint64_t period;
};

// Asks for a short time slice at normal priority. A scheduler that honours it (EEVDF)
// lets the thread run as soon as a datagram wakes it rather than after the busy thread's
// slice, which on a small machine is longer than the receive buffer lasts. Needs no
// privilege; older kernels ignore it, and a refusal changes nothing. The thread keeps
// the niceness it was started with.
void AskForShortSlice()
{
    errno = 0;
    const int nice = ::getpriority(PRIO_PROCESS, 0);
    if (errno != 0)
        return;
    SchedAttr attr = {};
    attr.size = sizeof attr;
    attr.policy = SCHED_OTHER;
    attr.nice = nice;
    attr.runtime = 100 * 1000; // ns, the shortest slice such schedulers accept
    ::syscall(SYS_sched_setattr, 0, &attr, 0u);
}

} // namespace

CDatagramReceiver::CDatagramReceiver(CDatagramQueue& queue, std::function<void()> onArrival)
    : m_queue(queue), m_onArrival(std::move(onArrival)),
      m_batch(std::make_unique<ReceivedDatagram[]>(BATCH))
{
    for (unsigned i = 0; i < BATCH; ++i) {
        m_iov[i] = {m_batch[i].bytes, PACKET_SIZE};
        m_msgs[i].msg_hdr.msg_iov = &m_iov[i];
        m_msgs[i].msg_hdr.msg_iovlen = 1;
    }
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
    m_fd = fd;
    try {
        m_thread = std::thread([this] { Run(); });
    } catch (...) {
    }
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
    if (!m_thread.joinable()) {
        ::close(m_wakeFd);
        m_wakeFd = -1;
        m_fd = -1;
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
    m_fd = -1;
}

int CDatagramReceiver::ReadBatch()
{
    // A longer datagram is cut to the datagram size; an error (or nothing) reads none.
    const int got = ::recvmmsg(m_fd, m_msgs, BATCH, MSG_DONTWAIT, nullptr);
    if (got <= 0)
        return 0;
    for (int i = 0; i < got; ++i)
        m_batch[i].len = uint16_t(m_msgs[i].msg_len);
    m_queue.Push(m_batch.get(), size_t(got));
    return got;
}

size_t CDatagramReceiver::Drain() { return Running() ? ReadWhileFull() : 0; }

size_t CDatagramReceiver::ReadWhileFull()
{
    // Waits for batches the other reader is reading: should the receiving thread have lost
    // its processor in the middle of one, the other thread's wait lets the scheduler give
    // it one.
    const std::lock_guard<std::mutex> lock(m_reading);
    size_t moved = 0;
    for (int got = BATCH, calls = 0; got == int(BATCH) && calls < kDrainCalls; ++calls) {
        got = ReadBatch();
        moved += size_t(got);
    }
    return moved;
}

void CDatagramReceiver::Run()
{
    AskForShortSlice();
    pollfd waits[2] = {{m_fd, POLLIN, 0}, {m_wakeFd, POLLIN, 0}};
    for (;;) {
        if (::poll(waits, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (waits[1].revents != 0 || (waits[0].revents & POLLNVAL))
            return;
        // While datagrams keep coming, read them a moment apart rather than waking for
        // each one: a burst then costs a wake-up per few dozen datagrams instead of one
        // per datagram, and the processor time that saves goes to the window's thread.
        // The pause is far shorter than the time a stock receive buffer lasts.
        for (size_t got = ReadWhileFull(); got > 0; got = ReadWhileFull()) {
            m_onArrival();
            if (::ppoll(&waits[1], 1, &kGatherPause, nullptr) != 0)
                break;
        }
    }
}
