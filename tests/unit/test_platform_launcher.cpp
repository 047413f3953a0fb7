// Starting the announcer: detached, in its own folder, without arguments, and false
// whenever it cannot run.
#include "Launcher.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <string>

namespace {

struct LauncherTest : ::testing::Test {
    QTemporaryDir temp;
    QString folder; // a name with a blank and Chinese, as a program folder may have

    void SetUp() override
    {
        ASSERT_TRUE(temp.isValid());
        folder = temp.filePath(QStringLiteral("程序 dir"));
        ASSERT_TRUE(QDir().mkpath(folder));
    }

    std::string Write(const QString& name, const QByteArray& text, bool executable)
    {
        QFile f(folder + QLatin1Char('/') + name);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
        f.close();
        QFile::Permissions p = QFile::ReadOwner | QFile::WriteOwner;
        if (executable)
            p |= QFile::ExeOwner;
        f.setPermissions(p);
        return QFile::encodeName(f.fileName()).toStdString();
    }

    // Lines the started program wrote, once it has written them.
    QStringList Report(const QString& name)
    {
        QFile f(folder + QLatin1Char('/') + name);
        QElapsedTimer t;
        t.start();
        while (!f.exists() && t.elapsed() < 10000)
            QThread::msleep(5);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
};

} // namespace

TEST_F(LauncherTest, StartsTheProgramInItsOwnFolderWithoutArgumentsOrConsole)
{
    // Records where it runs, its argument count and where its input and output go.
    const std::string program = Write(QStringLiteral("Sender"),
                                      "#!/bin/sh\n"
                                      "in=$(readlink /proc/$$/fd/0)\n"
                                      "out=$(readlink /proc/$$/fd/1)\n"
                                      "printf '%s\\n%s\\n%s\\n%s\\n' \"$(pwd -P)\" \"$#\" \"$in\" "
                                      "\"$out\" > report.tmp\n"
                                      "mv report.tmp report\n",
                                      true);
    ASSERT_TRUE(StartHidden(program));
    const QStringList report = Report(QStringLiteral("report"));
    ASSERT_EQ(report.size(), 4) << report.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(report[0], QFileInfo(folder).canonicalFilePath());
    EXPECT_EQ(report[1], QStringLiteral("0"));
    EXPECT_EQ(report[2], QStringLiteral("/dev/null"));
    EXPECT_EQ(report[3], QStringLiteral("/dev/null"));
}

TEST_F(LauncherTest, FalseWhenTheProgramCannotRun)
{
    EXPECT_FALSE(StartHidden(""));
    EXPECT_FALSE(StartHidden(QFile::encodeName(folder + QStringLiteral("/Sender")).toStdString()));
    EXPECT_FALSE(StartHidden(QFile::encodeName(folder).toStdString())); // a folder
    EXPECT_FALSE(StartHidden(Write(QStringLiteral("plain"), "#!/bin/sh\n", false)));
    // Executable, but its interpreter does not exist: the start itself fails.
    EXPECT_FALSE(StartHidden(Write(QStringLiteral("broken"), "#!/no/such/shell\n", true)));
}
