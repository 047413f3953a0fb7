#pragma once
// The bytes that travel between the two ends of a window message: one request frame
// (magic, message, wParam, lParam, little-endian) and a short reply once it is handled.

#include <QByteArray>
#include <QtGlobal>

#include <optional>

namespace WindowMessageFrame {

constexpr int REQUEST_SIZE = 24;
constexpr int REPLY_SIZE = 4;

struct Message {
    quint32 msg = 0;
    quint64 wParam = 0;
    qint64 lParam = 0;
};

QByteArray EncodeRequest(const Message &m);
// Empty when the bytes are not a request frame.
std::optional<Message> DecodeRequest(const QByteArray &bytes);
QByteArray Reply();

} // namespace WindowMessageFrame
