#include "WindowMessageFrame.h"

#include <QtEndian>

namespace WindowMessageFrame {

namespace {
const char kRequestMagic[4] = {'L', 'Q', 'W', 'M'};
const char kReplyMagic[4] = {'L', 'Q', 'O', 'K'};
} // namespace

QByteArray EncodeRequest(const Message &m) {
    QByteArray out(REQUEST_SIZE, '\0');
    uchar *p = reinterpret_cast<uchar *>(out.data());
    std::copy(kRequestMagic, kRequestMagic + 4, out.data());
    qToLittleEndian<quint32>(m.msg, p + 4);
    qToLittleEndian<quint64>(m.wParam, p + 8);
    qToLittleEndian<qint64>(m.lParam, p + 16);
    return out;
}

std::optional<Message> DecodeRequest(const QByteArray &bytes) {
    if (bytes.size() != REQUEST_SIZE || !bytes.startsWith(QByteArrayView(kRequestMagic, 4)))
        return std::nullopt;
    const uchar *p = reinterpret_cast<const uchar *>(bytes.constData());
    Message m;
    m.msg = qFromLittleEndian<quint32>(p + 4);
    m.wParam = qFromLittleEndian<quint64>(p + 8);
    m.lParam = qFromLittleEndian<qint64>(p + 16);
    return m;
}

QByteArray Reply() {
    return QByteArray(kReplyMagic, REPLY_SIZE);
}

} // namespace WindowMessageFrame
