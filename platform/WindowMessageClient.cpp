#include "WindowMessageClient.h"

#include "WindowMessageFrame.h"

#include <QLocalSocket>

namespace {
constexpr int kConnectTimeoutMs = 5000;

bool Connect(QLocalSocket &socket, const QString &caption) {
    socket.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
    socket.connectToServer(caption);
    return socket.waitForConnected(kConnectTimeoutMs);
}
} // namespace

bool FindWindowByCaption(const QString &caption) {
    QLocalSocket socket;
    if (!Connect(socket, caption))
        return false;
    socket.abort();
    return true;
}

bool SendWindowMessage(const QString &caption, unsigned msg, quintptr wParam, qintptr lParam) {
    QLocalSocket socket;
    if (!Connect(socket, caption))
        return false;
    WindowMessageFrame::Message m;
    m.msg = msg;
    m.wParam = wParam;
    m.lParam = lParam;
    socket.write(WindowMessageFrame::EncodeRequest(m));
    while (socket.bytesToWrite() > 0)
        if (!socket.waitForBytesWritten(kConnectTimeoutMs))
            return false;
    // The handler may wait on a person (a message box), so there is no time limit here:
    // like a synchronous window message, this returns when the handler has returned.
    QByteArray reply;
    while (reply.size() < WindowMessageFrame::REPLY_SIZE) {
        if (socket.bytesAvailable() == 0 && !socket.waitForReadyRead(-1))
            break;
        reply += socket.read(WindowMessageFrame::REPLY_SIZE - reply.size());
    }
    return reply == WindowMessageFrame::Reply();
}
