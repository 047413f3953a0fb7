#pragma once
// The endpoint's receiving thread. It does nothing but move datagrams from the socket into
// the queue, many per system call, so that the kernel's small receive buffer is emptied
// even while the user-interface thread is busy. It never touches a handler, a record or a
// widget: after each batch it only calls the arrival callback, on its own thread.

#include <atomic>
#include <functional>
#include <thread>

class CDatagramQueue;

class CDatagramReceiver {
public:
    CDatagramReceiver(CDatagramQueue& queue, std::function<void()> onArrival);
    ~CDatagramReceiver();

    // Starts reading the socket; false when the thread cannot be set up.
    bool Start(int fd);
    // Returns once the thread has ended; the socket is then the caller's alone.
    void Stop();
    bool Running() const { return m_thread.joinable(); }

private:
    void Run(int fd);

    CDatagramQueue& m_queue;
    std::function<void()> m_onArrival;
    std::thread m_thread;
    // Written once by Stop to wake the thread out of its wait.
    int m_wakeFd = -1;
};
