#include "CChatSocket.h"

#include <QHostAddress>
#include <QPointer>
#include <QUdpSocket>
#include <QVariant>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <cstring>

namespace {

// A newcomer's hello is answered by every instance on the subnet at once; the kernel's
// default buffer holds only a few hundred datagrams. The kernel may cap the request.
constexpr int kSocketBufferBytes = 4 * 1024 * 1024;
// A drain reads at most this many datagrams before handing them over, so that a flood
// cannot starve the window; the rest are read on the next pass of the event loop.
constexpr int kMaxDrain = 65536;
// How long a send waits for room in a full send buffer, as a blocking send would.
constexpr int kSendWaitMs = 50;

// Only the plain dotted form: no host names (so no lookups), no shorthand forms.
bool ParseIPv4(const char* ip, quint32& address)
{
    if (ip == nullptr)
        return false;
    const size_t len = strnlen(ip, 16);
    if (len == 0 || len > 15)
        return false;
    char text[16];
    std::memcpy(text, ip, len);
    text[len] = '\0';
    in_addr parsed{};
    if (inet_pton(AF_INET, text, &parsed) != 1)
        return false;
    address = ntohl(parsed.s_addr);
    return true;
}

void SetIntOption(qintptr fd, int name, int value)
{
    ::setsockopt(int(fd), SOL_SOCKET, name, &value, sizeof value);
}

} // namespace

CChatSocket::CChatSocket(IDatagramSink* owner, QObject* parent) : QObject(parent), m_pOwner(owner)
{
}

CChatSocket::~CChatSocket() { Close(); }

bool CChatSocket::Create(quint16 port)
{
    if (m_pSocket != nullptr)
        return false;
    auto* socket = new QUdpSocket(this);
    if (!socket->bind(QHostAddress(QHostAddress::AnyIPv4), port,
                      QAbstractSocket::DontShareAddress)) {
        delete socket;
        return false;
    }
    const qintptr fd = socket->socketDescriptor();
    if (fd >= 0) {
        // Nobody may share the port with us, whoever starts second.
        SetIntOption(fd, SO_REUSEADDR, 0);
#ifdef SO_REUSEPORT
        SetIntOption(fd, SO_REUSEPORT, 0);
#endif
        SetIntOption(fd, SO_BROADCAST, 1);
    }
    const QVariant bufferBytes(kSocketBufferBytes);
    socket->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, bufferBytes);
    socket->setSocketOption(QAbstractSocket::SendBufferSizeSocketOption, bufferBytes);
    connect(socket, &QUdpSocket::readyRead, this, &CChatSocket::OnReadyRead);
    m_pSocket = socket;
    return true;
}

void CChatSocket::SendTo(const Packet& packet, const char* ip)
{
    quint32 address = 0;
    if (m_pSocket == nullptr || !ParseIPv4(ip, address))
        return;
    const QHostAddress to(address);
    if (m_pSocket->writeDatagram(packet.Data(), PACKET_SIZE, to, CHAT_PORT) >= 0)
        return;
    // A full send buffer: wait briefly for room, as a blocking send would, then give up.
    pollfd p{};
    p.fd = int(m_pSocket->socketDescriptor());
    p.events = POLLOUT;
    if (p.fd >= 0 && ::poll(&p, 1, kSendWaitMs) == 1 && (p.revents & POLLOUT))
        m_pSocket->writeDatagram(packet.Data(), PACKET_SIZE, to, CHAT_PORT);
}

void CChatSocket::Close()
{
    m_queue.clear();
    if (m_pSocket == nullptr)
        return;
    QUdpSocket* socket = m_pSocket;
    m_pSocket = nullptr;
    // Handlers never run inside the socket's own signal (see OnReadyRead), so it can go now.
    socket->disconnect(this);
    socket->close();
    delete socket;
}

bool CChatSocket::IsCreated() const { return m_pSocket != nullptr; }

quint16 CChatSocket::LocalPort() const { return m_pSocket ? m_pSocket->localPort() : 0; }

// Reads every waiting datagram before any handler runs, so that a burst of answers is
// taken out of the kernel buffer before it overflows. The owner is called later, from
// the event loop, never from inside the socket's signal: a handler may then delete us,
// and a nested event loop (a modal box) keeps receiving.
void CChatSocket::OnReadyRead()
{
    if (m_pSocket == nullptr)
        return;
    int drained = 0;
    while (drained < kMaxDrain && m_pSocket->hasPendingDatagrams()) {
        Received item;
        // A longer datagram is cut to the datagram size; the rest is never read.
        const qint64 got = m_pSocket->readDatagram(item.bytes, PACKET_SIZE);
        if (got < 0)
            break;
        item.len = uint16_t(got);
        m_queue.push_back(item);
        ++drained;
    }
    if (!m_queue.empty() && !m_bDeliveryPosted) {
        m_bDeliveryPosted = true;
        QMetaObject::invokeMethod(this, &CChatSocket::DeliverQueued, Qt::QueuedConnection);
    }
}

// One queue for every level of nesting: a handler's modal box may run this again for
// later arrivals, which then continues with the oldest waiting datagram, so the owner
// sees every datagram once and in arrival order.
void CChatSocket::DeliverQueued()
{
    m_bDeliveryPosted = false;
    const QPointer<CChatSocket> alive(this);
    while (!m_queue.empty()) {
        const Received item = m_queue.front();
        m_queue.pop_front();
        // Should this handler open a modal box, its nested loop goes on with the rest.
        if (!m_queue.empty() && !m_bDeliveryPosted) {
            m_bDeliveryPosted = true;
            QMetaObject::invokeMethod(this, &CChatSocket::DeliverQueued, Qt::QueuedConnection);
        }
        if (m_pOwner != nullptr)
            m_pOwner->OnDatagram(item.bytes, item.len);
        if (!alive)
            return;
    }
}
