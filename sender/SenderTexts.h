#pragma once
// The announcer's fixed texts and the caption by which it finds Linquo's lobby.

#include <QString>

namespace SenderText {

// The lobby's window caption: the product title followed by exactly 16 spaces.
inline QString LobbyCaption() {
    return QStringLiteral("Linquo") + QString(16, QLatin1Char(' '));
}

inline QString SocketSupportFailed() {
    return QStringLiteral("AFXSOCKET初始化失败");
}
inline QString LobbyNotOpen() {
    return QStringLiteral("Linquo的程序未打开，无法进行消息发送");
}
inline QString ProfileNotRead() {
    return QStringLiteral("个人信息文件未读取，无法向局域网发送信息");
}
inline QString SocketNotCreated() {
    return QStringLiteral("SOCKET创建失败，无法向局域网发送信息");
}

} // namespace SenderText
