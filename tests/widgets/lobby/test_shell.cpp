// The application's own windows and steps: the first start, the splash screen, the
// about box, and termination requests that must never wait on a person.

#include "CAboutDlg.h"
#include "CCommandLine.h"
#include "CLinquoApp.h"
#include "CSettingsDlg.h"
#include "CSplashDlg.h"
#include "CTerminationWatcher.h"
#include "GbkText.h"
#include "LobbyTestUtil.h"
#include "LobbyTexts.h"
#include "Profile.h"
#include "ScriptedBoxes.h"
#include "TempAppDir.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTextStream>
#include <QTimer>

#include <gtest/gtest.h>

#include <csignal>

using namespace lobbytest;

namespace {

class FirstStartTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        theProfile.m_self = UserEntry();
        theProfile.m_myRoom = RoomInfo();
    }
    TempAppDir m_dir;
    ScriptedBoxes m_boxes;
};

TEST_F(FirstStartTest, CancelStillCreatesSetupIniWithTheDefaults)
{
    CLinquoApp app;
    m_boxes.Expect(); // the first-start notice
    QTimer::singleShot(0, [] {
        auto* dlg = qobject_cast<CSettingsDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(dlg, nullptr);
        dlg->CancelButton()->click();
    });
    app.RunFirstStartIfNeeded();
    EXPECT_EQ(m_boxes.LastText(), LobbyText::FirstRun());
    const std::string ini = m_dir.Read("Setup.ini");
    EXPECT_NE(ini.find("zoly"), std::string::npos) << ini;
    EXPECT_NE(ini.find("BOY"), std::string::npos);
    EXPECT_NE(ini.find(GbkFromUtf8("天论")), std::string::npos);
    EXPECT_NE(ini.find(GbkFromUtf8("欢迎大家来讨论!")), std::string::npos);

    app.RunFirstStartIfNeeded(); // no longer a first start: no dialog, no box
    EXPECT_EQ(m_boxes.Shown().size(), 1u);
}

TEST_F(FirstStartTest, TerminationDuringTheFirstStartEndsTheDialogAndSaves)
{
    CLinquoApp app;
    m_boxes.Expect();
    QTimer::singleShot(0, [&] { app.RequestShutdown(); });
    app.RunFirstStartIfNeeded();
    EXPECT_TRUE(app.ShutdownRequested());
    EXPECT_NE(m_dir.Read("Setup.ini").find("zoly"), std::string::npos);
}

TEST(TerminationWatcherTest, SignalsArriveOnTheEventLoop)
{
    CTerminationWatcher watcher;
    std::vector<int> seen;
    QObject::connect(&watcher, &CTerminationWatcher::TerminationRequested,
                     [&](int s) { seen.push_back(s); });
    std::raise(SIGHUP);
    std::raise(SIGTERM);
    for (int i = 0; i < 50 && seen.size() < 2; ++i)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_EQ(seen, (std::vector<int>{SIGHUP, SIGTERM}));
}

TEST(SplashTest, ClosesItselfOnTheSecondTickAndIgnoresEscapeAndEnter)
{
    CSplashDlg splash;
    EXPECT_EQ(splash.size(), QSize(401, 172));
    EXPECT_TRUE(splash.windowFlags() & Qt::FramelessWindowHint);
    QTimer::singleShot(100, [&] {
        Key(&splash, Qt::Key_Escape);
        Key(&splash, Qt::Key_Return);
        EXPECT_TRUE(splash.isVisible());
    });
    QTimer::singleShot(1500, [&] {
        EXPECT_TRUE(splash.isVisible());
        EXPECT_EQ(splash.Countdown(), 1);
    });
    splash.exec();
    EXPECT_EQ(splash.Countdown(), 0);
}

TEST(AboutTest, CaptionTextAndEscapeCloses)
{
    CAboutDlg about;
    EXPECT_EQ(about.windowTitle(), QStringLiteral("关于 Linquo"));
    EXPECT_TRUE(about.Text().contains(QStringLiteral("Linquo")));
    EXPECT_TRUE(about.Text().contains(QStringLiteral("version 1.1")));
    EXPECT_EQ(about.OkButton()->text(), QStringLiteral("确定"));
    QTimer::singleShot(0, [&] { Key(&about, Qt::Key_Escape); });
    about.exec();
    EXPECT_FALSE(about.isVisible());
    QTimer::singleShot(0, [&] { about.OkButton()->click(); });
    EXPECT_EQ(about.exec(), QDialog::Accepted);
}

// The options are read before the application object exists; Qt's own pass through.
TEST(CommandLineTest, HelpVersionAndRefusals)
{
    TempAppDir dir;
    const auto run = [](QStringList args, QString* out, QString* err) {
        args.prepend(QStringLiteral("linquo"));
        QTextStream o(out), e(err);
        return CCommandLine::Handle(args, o, e);
    };
    QString out, err;
    EXPECT_EQ(run({}, &out, &err), std::nullopt);
    EXPECT_EQ(run({QStringLiteral("-platform"), QStringLiteral("offscreen"),
                   QStringLiteral("-reverse")}, &out, &err), std::nullopt);
    EXPECT_TRUE(out.isEmpty() && err.isEmpty());

    EXPECT_EQ(run({QStringLiteral("--version")}, &out, &err), 0);
    EXPECT_TRUE(out.startsWith(QStringLiteral("Linquo 1.1\n"))) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("版本")));
    out.clear();
    EXPECT_EQ(run({QStringLiteral("-h")}, &out, &err), 0);
    for (const char* word : {"用法", "Usage", "--help", "--version", "显示版本", "Setup.ini"})
        EXPECT_TRUE(out.contains(QString::fromUtf8(word))) << word;
    EXPECT_TRUE(out.contains(QString::fromStdString(dir.File("Setup.ini"))));
    EXPECT_TRUE(err.isEmpty());

    struct Case {
        QStringList args;
        const char* named;
    } wrong[] = {{{QStringLiteral("--bogus=1")}, "--bogus=1"},
                 {{QStringLiteral("-x"), QStringLiteral("--help")}, "-x"},
                 {{QStringLiteral("room")}, "room"},
                 {{QStringLiteral("-platform")}, "-platform"}};
    for (const Case& c : wrong) {
        out.clear();
        err.clear();
        EXPECT_EQ(run(c.args, &out, &err), CCommandLine::kUsageError) << c.named;
        EXPECT_TRUE(out.isEmpty()) << c.named;
        EXPECT_TRUE(err.contains(QString::fromUtf8(c.named))) << err.toStdString();
        EXPECT_TRUE(err.contains(QStringLiteral("linquo --help"))) << c.named;
    }
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
