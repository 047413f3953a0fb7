#include "WindowMessageServer.h"

#include "WindowMessageFrame.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QTimer>

namespace {
// A connection that has not sent its whole request by then is dropped.
constexpr int kRequestTimeoutMs = 10000;
} // namespace

CWindowMessageServer::CWindowMessageServer(QObject *parent)
    : QObject(parent), m_pServer(new QLocalServer(this)) {
    m_pServer->setSocketOptions(QLocalServer::AbstractNamespaceOption);
    connect(m_pServer, &QLocalServer::newConnection, this, &CWindowMessageServer::OnNewConnection);
}

CWindowMessageServer::~CWindowMessageServer() = default;

bool CWindowMessageServer::Listen(const QString &caption) {
    if (m_pServer->isListening())
        m_pServer->close();
    return m_pServer->listen(caption);
}

void CWindowMessageServer::SetHandler(Handler handler) {
    m_handler = std::move(handler);
}

void CWindowMessageServer::OnNewConnection() {
    while (QLocalSocket *socket = m_pServer->nextPendingConnection()) {
        // Never buffer more than one request, whatever a client sends.
        socket->setReadBufferSize(WindowMessageFrame::REQUEST_SIZE);
        auto *timeout = new QTimer(socket);
        timeout->setObjectName(QStringLiteral("requestTimeout"));
        timeout->setSingleShot(true);
        connect(timeout, &QTimer::timeout, socket, &QLocalSocket::abort);
        timeout->start(kRequestTimeoutMs);
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { OnReadyRead(socket); });
        if (socket->bytesAvailable() > 0)
            OnReadyRead(socket);
    }
}

void CWindowMessageServer::OnReadyRead(QLocalSocket *socket) {
    if (socket->bytesAvailable() < WindowMessageFrame::REQUEST_SIZE)
        return;
    // One request per connection: whatever follows it is ignored.
    disconnect(socket, &QLocalSocket::readyRead, this, nullptr);
    if (auto *timeout = socket->findChild<QTimer *>(QStringLiteral("requestTimeout")))
        timeout->stop();
    std::optional<WindowMessageFrame::Message> m =
        WindowMessageFrame::DecodeRequest(socket->read(WindowMessageFrame::REQUEST_SIZE));
    if (!m) {
        socket->abort();
        return;
    }
    // The handler may run a nested event loop (a message box) in which this server, or
    // the connection, goes away.
    QPointer<QLocalSocket> alive(socket);
    if (m_handler) {
        Handler handler = m_handler;
        handler(m->msg, quintptr(m->wParam), qintptr(m->lParam));
    }
    if (!alive || alive->state() != QLocalSocket::ConnectedState)
        return;
    alive->write(WindowMessageFrame::Reply());
    alive->flush();
    alive->disconnectFromServer();
}
