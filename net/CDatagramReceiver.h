#pragma once
// The endpoint's receiving thread. It does nothing but move datagrams from the socket into
// the queue, many per system call, so that the kernel's small receive buffer is emptied
// even while the user-interface thread is busy. It never touches a handler, a record or a
// widget: after each batch it only calls the arrival callback, on its own thread.
// The user-interface thread may empty the socket as well, between handlers, for when the
// scheduler keeps the receiving thread waiting behind busy threads on a small machine.

#include "CDatagramQueue.h"

#include <sys/socket.h>

#include <functional>
#include <mutex>
#include <thread>

class CDatagramReceiver {
public:
    CDatagramReceiver(CDatagramQueue& queue, std::function<void()> onArrival);
    ~CDatagramReceiver();

    // Starts reading the socket; false when the thread cannot be set up.
    bool Start(int fd);
    // Returns once the thread has ended; the socket is then the caller's alone.
    void Stop();
    bool Running() const { return m_thread.joinable(); }
    // Moves what the socket holds into the queue now, after any batch the thread is
    // reading. Called on the thread that starts and stops it. Returns how many it moved.
    size_t Drain();

private:
    // Datagrams read by one system call: enough that a burst costs few calls.
    static constexpr unsigned BATCH = 64;

    void Run();
    // With the reading lock held: one system call's worth, in arrival order.
    int ReadBatch();
    // Takes the reading lock and reads batch after batch while they come back full (the
    // reader has fallen behind, and every system call counts), up to a bound.
    size_t ReadWhileFull();

    CDatagramQueue& m_queue;
    std::function<void()> m_onArrival;
    std::thread m_thread;
    int m_fd = -1;
    // Written once by Stop to wake the thread out of its wait.
    int m_wakeFd = -1;
    // Whoever holds it reads the socket and queues what it read, so that two readers
    // cannot put their batches in the queue out of order. It guards the batch buffers.
    std::mutex m_reading;
    std::unique_ptr<ReceivedDatagram[]> m_batch;
    mmsghdr m_msgs[BATCH] = {};
    iovec m_iov[BATCH] = {};
};
