// The desktop notification sink against a notification service of our own on a private
// bus: nothing waits while the service is missing; then what a Notify carries, the
// answers, the click and the close.

#include "CDBusNotificationSink.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QEventLoop>
#include <QProcess>
#include <QTemporaryFile>
#include <QTimer>
#include <QVariantMap>

#include <gtest/gtest.h>

namespace {

const QString kName = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
QString g_busAddress;

class FakeService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public slots:
    uint Notify(const QString& app, uint replacesId, const QString&, const QString& summary,
                const QString& body, const QStringList& actions, const QVariantMap& hints, int)
    {
        calls.append({app, QString::number(replacesId), summary, body, actions.join('|'),
                      hints.value(QStringLiteral("category")).toString(),
                      hints.value(QStringLiteral("desktop-entry")).toString()});
        return replacesId ? replacesId : 42;
    }
    void CloseNotification(uint id) { closed.append(id); }
    QStringList GetCapabilities() { return {QStringLiteral("actions")}; }

public:
    QList<QStringList> calls;
    QList<uint> closed;
};

// Runs the event loop until the condition holds; the bound only stops a broken run.
template <typename F> bool Spin(F done)
{
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    check.start(5);
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    if (!done())
        loop.exec();
    return done();
}

void Emit(QDBusConnection& bus, const QString& name, uint id, const QVariant& second)
{
    QDBusMessage signal = QDBusMessage::createSignal(kPath, kName, name);
    signal << id << second;
    bus.send(signal);
}

TEST(DBusNotificationSinkTest, MissingServiceThenNotifyReplaceClickAndClose)
{
    CDBusNotificationSink sink;
    ASSERT_TRUE(sink.IsConnected());
    std::vector<quint32> shown, activated, closed;
    const auto record = [&](quint32 id) { shown.push_back(id); };
    sink.SetHandlers([&](quint32 id) { activated.push_back(id); },
                     [&](quint32 id) { closed.push_back(id); });
    sink.Notify(0, QStringLiteral("peer"), QStringLiteral("lost"), record);
    EXPECT_TRUE(shown.empty()); // not answered inside the call
    ASSERT_TRUE(Spin([&] { return shown.size() == 1; }));
    EXPECT_EQ(shown[0], 0u);

    QDBusConnection service = QDBusConnection::connectToBus(g_busAddress, QStringLiteral("svc"));
    FakeService fake;
    ASSERT_TRUE(service.registerObject(kPath, &fake, QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(service.registerService(kName));
    CDBusNotificationSink late; // asks the service what it reads: plain text here
    EXPECT_TRUE(Spin([&] { return !late.BodyIsMarkup(); }));
    sink.Notify(0, QStringLiteral("<peer>"), QStringLiteral("a &amp; b"), record);
    sink.Notify(42, QStringLiteral("<peer>"), QStringLiteral("more"), record);
    ASSERT_TRUE(Spin([&] { return shown.size() == 3; }));
    EXPECT_EQ(shown, (std::vector<quint32>{0, 42, 42}));
    ASSERT_EQ(fake.calls.size(), 2);
    EXPECT_EQ(fake.calls[0], (QStringList{"Linquo", "0", "<peer>", "a &amp; b",
                                          QStringLiteral("default|查看"), "im.received",
                                          "org.linquo.Linquo"}));
    EXPECT_EQ(fake.calls[1][1], QStringLiteral("42"));

    Emit(service, QStringLiteral("ActionInvoked"), 42, QStringLiteral("other"));
    Emit(service, QStringLiteral("ActionInvoked"), 42, QStringLiteral("default"));
    Emit(service, QStringLiteral("NotificationClosed"), 42, 2u);
    ASSERT_TRUE(Spin([&] { return !closed.empty(); }));
    EXPECT_EQ(activated, std::vector<quint32>{42}); // only the click on the notification
    EXPECT_EQ(closed, std::vector<quint32>{42});
    sink.Close(42);
    EXPECT_TRUE(Spin([&] { return !fake.closed.isEmpty(); }));
}

} // namespace

int main(int argc, char** argv)
{
    // A bus of our own, never the desktop's, and one that starts no service by itself:
    // nothing reaches the user's notifications.
    QTemporaryFile config;
    if (!config.open())
        return 1;
    config.write("<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen>"
                 "<policy context='default'><allow send_destination='*' eavesdrop='true'/>"
                 "<allow eavesdrop='true'/><allow own='*'/>"
                 "</policy></busconfig>");
    config.flush();
    QProcess daemon;
    daemon.start(QStringLiteral("dbus-daemon"),
                 {"--nofork", "--print-address=1", "--config-file=" + config.fileName()});
    if (!daemon.waitForReadyRead(10000))
        return 1;
    g_busAddress = QString::fromLocal8Bit(daemon.readLine().trimmed());
    qputenv("DBUS_SESSION_BUS_ADDRESS", g_busAddress.toLocal8Bit());
    QApplication app(argc, argv);
    QGuiApplication::setDesktopFileName(QStringLiteral("org.linquo.Linquo"));
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    daemon.terminate();
    daemon.waitForFinished(5000);
    return result;
}

#include "test_dbus_notifications.moc"
