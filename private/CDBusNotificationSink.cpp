#include "CDBusNotificationSink.h"

#include <QGuiApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QFileInfo>
#include <QStringList>
#include <QVariantMap>

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");

// Only a bus that is already there: with no address libdbus may start one through X11
// autolaunch, and the user-interface thread would wait for it.
bool SessionBusConfigured()
{
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return true;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo::exists(runtime + QStringLiteral("/bus"));
}

QDBusMessage Call(const QString& method)
{
    return QDBusMessage::createMethodCall(kService, kPath, kInterface, method);
}

} // namespace

CDBusNotificationSink::CDBusNotificationSink(QObject* parent) : QObject(parent)
{
    if (!SessionBusConfigured())
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    m_bConnected = true;
    // An empty service name: naming the service would make Qt look up its owner with a
    // blocking call. Only the notification service emits these on this path. D-Bus
    // signals connect only in the string form.
    bus.connect(QString(), kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                SLOT(OnActionInvoked(uint, QString)));
    bus.connect(QString(), kPath, kInterface, QStringLiteral("NotificationClosed"), this,
                SLOT(OnNotificationClosed(uint, uint)));
    AskCapabilities();
}

CDBusNotificationSink::~CDBusNotificationSink() = default;

void CDBusNotificationSink::AskCapabilities()
{
    auto* watcher = new QDBusPendingCallWatcher(
        QDBusConnection::sessionBus().asyncCall(Call(QStringLiteral("GetCapabilities"))), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* w) {
                const QDBusPendingReply<QStringList> reply = *w;
                if (reply.isValid())
                    m_bMarkup = reply.value().contains(QStringLiteral("body-markup"));
                w->deleteLater();
            });
}

void CDBusNotificationSink::Notify(quint32 replacesId, const QString& summary,
                                   const QString& body, IdHandler shown)
{
    if (!m_bConnected) {
        if (shown)
            shown(0);
        return;
    }
    QDBusMessage message = Call(QStringLiteral("Notify"));
    QVariantMap hints;
    hints.insert(QStringLiteral("category"), QStringLiteral("im.received"));
    // The server shows the menu entry's name and icon, and its settings for this program.
    const QString entry = QGuiApplication::desktopFileName();
    if (!entry.isEmpty())
        hints.insert(QStringLiteral("desktop-entry"), entry);
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue(uchar(1)));
    // "default" is the click on the notification itself.
    const QStringList actions{QStringLiteral("default"), QStringLiteral("查看")};
    message << QStringLiteral("Linquo") << replacesId << QString() << summary << body << actions
            << hints << qint32(-1);
    auto* watcher =
        new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(message), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [shown = std::move(shown)](QDBusPendingCallWatcher* w) {
                const QDBusPendingReply<uint> reply = *w;
                w->deleteLater();
                if (shown)
                    shown(reply.isValid() ? reply.value() : 0);
            });
}

void CDBusNotificationSink::Close(quint32 id)
{
    if (!m_bConnected || id == 0)
        return;
    QDBusMessage message = Call(QStringLiteral("CloseNotification"));
    message << id;
    // Nobody waits for the answer.
    QDBusConnection::sessionBus().asyncCall(message);
}

void CDBusNotificationSink::SetHandlers(IdHandler activated, IdHandler closed)
{
    m_activated = std::move(activated);
    m_closed = std::move(closed);
}

void CDBusNotificationSink::OnActionInvoked(uint id, const QString& action)
{
    if (action == QLatin1String("default") && m_activated)
        m_activated(id);
}

void CDBusNotificationSink::OnNotificationClosed(uint id, uint)
{
    if (m_closed)
        m_closed(id);
}
