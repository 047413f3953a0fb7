#pragma once
// The fixed texts that the lobby and the settings dialog show, in one place so that the
// windows and their tests agree on every character.

#include <QString>

namespace LobbyText {
// The announcer finds the lobby by this exact caption: the title and 16 spaces.
inline QString Caption() { return QStringLiteral("Linquo") + QString(16, QLatin1Char(' ')); }
inline QString Waiting()
{
    return QStringLiteral("程序正在将您的登陆信息发送到局域网中的所有机器，请耐心等待");
}
inline QString Ready() { return QStringLiteral("登陆信息已经发送完毕，你现在可以进行正常操作了"); }
inline QString PortFailed()
{
    return QStringLiteral(
        "UDP端口初始化失败,你可能已经打开了一个该程序或有其他程序已经在使用该端口");
}
inline QString SenderMissing()
{
    return QStringLiteral("Sender.exe这个程序不存在，程序将无法将您的登陆信息发送出去");
}
inline QString ConfirmExit() { return QStringLiteral("是否真的要退出程序?"); }
inline QString OneRoomOnly() { return QStringLiteral("你不能同时建立或加入一个以上的房间!"); }
inline QString WindowFailed() { return QStringLiteral("建立窗口时发生错误"); }
inline QString RoomClosed(const QString& name)
{
    return QStringLiteral("房间:[ %1 ] 已经关闭").arg(name);
}
inline QString ChatWindowFailed() { return QStringLiteral("消息窗口创建失败"); }

inline QString SettingsCaption() { return QStringLiteral("设置"); }
inline QString FirstRun()
{
    return QStringLiteral("因为你是第一次使用本程序,所以请设置你在局域上的昵称和性别");
}
inline QString BadName() { return QStringLiteral("姓名不能为空或为'所有人'"); }
inline QString RestartQuestion()
{
    return QStringLiteral("更改姓名需要退出程序,再重新打开,是否要关闭程序?");
}
inline QString Everybody() { return QStringLiteral("所有人"); }
} // namespace LobbyText
