#pragma once
// Linquo's one UDP endpoint: bound to port 8800 on every local address, it sends every
// datagram the program sends and hands every arriving datagram to its owner, one at a
// time, in arrival order, on the thread that created it.

#include "CDatagramQueue.h"
#include "CDatagramReceiver.h"
#include "IChatEndpoint.h"

#include <QObject>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

// Receives each arriving datagram, whatever its length (the lobby implements it).
class IDatagramSink {
public:
    virtual ~IDatagramSink() = default;
    virtual void OnDatagram(const char* data, size_t len) = 0;
};

class CChatSocket : public QObject, public IChatEndpoint {
    Q_OBJECT
public:
    explicit CChatSocket(IDatagramSink* owner, QObject* parent = nullptr);
    ~CChatSocket() override;

    // Binds 0.0.0.0:port without address sharing, so that a second instance cannot take
    // the same port. False when the port is taken or the socket is already created.
    // Port 0 lets the kernel choose one (tests).
    bool Create(quint16 port = CHAT_PORT);
    // Sends the 281 bytes to port 8800 of the dotted address. A text that is not a
    // dotted IPv4 address, a broadcast address, or a socket that is not created, sends
    // nothing.
    void SendTo(const Packet& packet, const char* ip) override;
    // Releases the port; datagrams read but not yet handed over are dropped.
    void Close();

    bool IsCreated() const;
    // The bound port, or 0.
    quint16 LocalPort() const;
    // The socket, or -1: benchmarks and tests set options on it (e.g. a stock buffer).
    int Descriptor() const { return m_fd; }
    // Read from the socket and not yet handed over.
    size_t Waiting() const { return m_queue.Size() + (m_handling.size() - m_next); }
    // Arrivals dropped because that many were already waiting.
    uint64_t Dropped() const { return m_queue.Dropped(); }

private:
    void PostDelivery();
    void DeliverQueued();
    bool TakeNext(ReceivedDatagram& item);

    IDatagramSink* m_pOwner;
    int m_fd = -1;
    CDatagramQueue m_queue;
    // Taken from the queue many at a time, handed over one at a time from here.
    std::vector<ReceivedDatagram> m_handling;
    size_t m_next = 0;
    CDatagramReceiver m_receiver;
    // A delivery is waiting in the event loop; set from either thread.
    std::atomic<bool> m_bDeliveryPosted{false};
};
