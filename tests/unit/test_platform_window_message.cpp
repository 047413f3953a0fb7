// Both ends of the window message: lookup by exact caption and a send that returns only
// after the receiving handler has returned.

#include "WindowMessageClient.h"
#include "WindowMessageFrame.h"
#include "WindowMessageServer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLocalSocket>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <unistd.h>

namespace {

QCoreApplication &App() {
    static int argc = 1;
    static char name[] = "test_platform_window_message";
    static char *argv[] = {name, nullptr};
    static QCoreApplication *app = new QCoreApplication(argc, argv);
    return *app;
}

// A caption no other test program of this host uses.
QString UniqueCaption(const char *base) {
    static int n = 0;
    return QStringLiteral("%1 %2 %3").arg(QString::fromUtf8(base)).arg(getpid()).arg(++n);
}

// Spins the event loop until done() or the limit; false on time-out.
template <class F> bool SpinUntil(F done, int limitMs = 10000) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > limitMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

struct Received {
    unsigned msg = 0;
    quintptr wParam = 0;
    qintptr lParam = 0;
    int count = 0;
};

class WindowMessage : public ::testing::Test {
protected:
    void SetUp() override { App(); }
};

TEST_F(WindowMessage, SendReturnsOnlyAfterTheHandlerHasReturned) {
    const QString caption = UniqueCaption("Linquo");
    CWindowMessageServer server;
    ASSERT_TRUE(server.Listen(caption));

    std::atomic<bool> clientReturned{false};
    std::atomic<bool> result{false};
    bool returnedWhileHandlerRan = false;
    Received got;
    server.SetHandler([&](unsigned msg, quintptr w, qintptr l) {
        got = {msg, w, l, got.count + 1};
        // Stand in for a message box: a nested event loop that runs for a while.
        QEventLoop wait;
        QTimer::singleShot(400, &wait, &QEventLoop::quit);
        wait.exec();
        returnedWhileHandlerRan = clientReturned.load();
    });

    QThread *client = QThread::create([&] {
        result = SendWindowMessage(caption, WM_LOGIN_SENT, 0, 0);
        clientReturned = true;
    });
    client->start();
    ASSERT_TRUE(SpinUntil([&] { return clientReturned.load(); }));
    client->wait();
    delete client;

    EXPECT_TRUE(result.load());
    EXPECT_FALSE(returnedWhileHandlerRan);
    EXPECT_EQ(got.count, 1);
    EXPECT_EQ(got.msg, 1124u);
    EXPECT_EQ(got.wParam, 0u);
    EXPECT_EQ(got.lParam, 0);
}

TEST_F(WindowMessage, ParametersArriveUnchanged) {
    const QString caption = UniqueCaption("params");
    CWindowMessageServer server;
    ASSERT_TRUE(server.Listen(caption));
    Received got;
    server.SetHandler([&](unsigned msg, quintptr w, qintptr l) {
        got = {msg, w, l, got.count + 1};
    });

    std::atomic<bool> done{false};
    QThread *client = QThread::create([&] {
        SendWindowMessage(caption, 0xFFFFFFFFu, ~quintptr(0), qintptr(-5));
        done = true;
    });
    client->start();
    ASSERT_TRUE(SpinUntil([&] { return done.load(); }));
    client->wait();
    delete client;
    EXPECT_EQ(got.count, 1);
    EXPECT_EQ(got.msg, 0xFFFFFFFFu);
    EXPECT_EQ(got.wParam, ~quintptr(0));
    EXPECT_EQ(got.lParam, qintptr(-5));
}

TEST_F(WindowMessage, MissingWindowIsNotFoundAndTheSendFails) {
    const QString caption = UniqueCaption("nobody");
    EXPECT_FALSE(FindWindowByCaption(caption));
    EXPECT_FALSE(SendWindowMessage(caption, WM_LOGIN_SENT, 0, 0));
}

TEST_F(WindowMessage, LookupNeedsTheExactCaptionAndDoesNotRunTheHandler) {
    const QString base = UniqueCaption("Linquo");
    const QString caption = base + QString(16, QLatin1Char(' '));
    CWindowMessageServer server;
    ASSERT_TRUE(server.Listen(caption));
    int calls = 0;
    server.SetHandler([&](unsigned, quintptr, qintptr) { ++calls; });

    EXPECT_TRUE(FindWindowByCaption(caption));
    EXPECT_FALSE(FindWindowByCaption(base));
    EXPECT_FALSE(FindWindowByCaption(base + QString(15, QLatin1Char(' '))));
    EXPECT_FALSE(FindWindowByCaption(caption + QLatin1Char(' ')));
    SpinUntil([] { return false; }, 200);
    EXPECT_EQ(calls, 0);
}

TEST_F(WindowMessage, OneWindowPerCaption) {
    const QString caption = UniqueCaption("twice");
    CWindowMessageServer first;
    CWindowMessageServer second;
    EXPECT_TRUE(first.Listen(caption));
    EXPECT_FALSE(second.Listen(caption));
}

TEST_F(WindowMessage, MalformedRequestsAreDroppedAndLaterOnesStillWork) {
    const QString caption = UniqueCaption("garbage");
    CWindowMessageServer server;
    ASSERT_TRUE(server.Listen(caption));
    int calls = 0;
    server.SetHandler([&](unsigned, quintptr, qintptr) { ++calls; });

    // A full-size frame with the wrong magic: the connection is closed unanswered.
    QLocalSocket bad;
    bad.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
    bad.connectToServer(caption);
    ASSERT_TRUE(bad.waitForConnected(2000));
    QByteArray junk = WindowMessageFrame::EncodeRequest({WM_LOGIN_SENT, 0, 0});
    junk[0] = 'X';
    bad.write(junk + QByteArray(1000, 'z'));
    bad.flush();
    EXPECT_TRUE(SpinUntil([&] { return bad.state() == QLocalSocket::UnconnectedState; }));
    EXPECT_EQ(bad.readAll().size(), 0);

    // A short frame, then the client goes away.
    {
        QLocalSocket shortOne;
        shortOne.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
        shortOne.connectToServer(caption);
        ASSERT_TRUE(shortOne.waitForConnected(2000));
        shortOne.write(WindowMessageFrame::EncodeRequest({WM_LOGIN_SENT, 0, 0}).left(10));
        shortOne.flush();
        SpinUntil([] { return false; }, 100);
    }
    SpinUntil([] { return false; }, 100);
    EXPECT_EQ(calls, 0);

    std::atomic<bool> done{false};
    std::atomic<bool> ok{false};
    QThread *client = QThread::create([&] {
        ok = SendWindowMessage(caption, WM_LOGIN_SENT, 0, 0);
        done = true;
    });
    client->start();
    ASSERT_TRUE(SpinUntil([&] { return done.load(); }));
    client->wait();
    delete client;
    EXPECT_TRUE(ok.load());
    EXPECT_EQ(calls, 1);
}

TEST_F(WindowMessage, FrameDecoderRefusesWrongSizesAndMagic) {
    using namespace WindowMessageFrame;
    QByteArray good = EncodeRequest({7, 8, -9});
    ASSERT_TRUE(DecodeRequest(good).has_value());
    EXPECT_EQ(DecodeRequest(good)->lParam, -9);
    EXPECT_FALSE(DecodeRequest(good.left(23)).has_value());
    EXPECT_FALSE(DecodeRequest(good + 'x').has_value());
    EXPECT_FALSE(DecodeRequest(QByteArray()).has_value());
    QByteArray bad = good;
    bad[3] = 'X';
    EXPECT_FALSE(DecodeRequest(bad).has_value());
}

} // namespace
