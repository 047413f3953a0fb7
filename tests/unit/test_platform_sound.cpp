// The message sound: handed to the first audio player on PATH, never more than one for a
// burst of messages, and silent without a file or a player.
#include "Sound.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct SoundTest : ::testing::Test {
    QTemporaryDir bin;  // the only folder on PATH
    QTemporaryDir data; // where the sound lives
    QByteArray savedPath = qgetenv("PATH");
    std::string wav;

    void SetUp() override
    {
        ASSERT_TRUE(bin.isValid() && data.isValid());
        qputenv("PATH", QFile::encodeName(bin.path()));
        QFile f(data.filePath(QStringLiteral("msg.wav")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("RIFF");
        wav = QFile::encodeName(f.fileName()).toStdString();
        ResetSoundThrottleForTesting();
    }
    void TearDown() override { qputenv("PATH", savedPath); }

    // A stand-in player that logs its name and arguments.
    void AddPlayer(const char* name)
    {
        QFile f(bin.filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("#!/bin/sh\necho \"${0##*/} $*\" >> '" +
                QFile::encodeName(data.filePath(QStringLiteral("played"))) + "'\n");
        f.close();
        f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    // The log once it has at least `count` lines, after the players had time to finish.
    std::vector<std::string> Played(int count)
    {
        QFile f(data.filePath(QStringLiteral("played")));
        QElapsedTimer t;
        t.start();
        QStringList lines;
        while (t.elapsed() < 10000) {
            if (f.open(QIODevice::ReadOnly)) {
                lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
                f.close();
                if (lines.size() >= count)
                    break;
            }
            QThread::msleep(5);
        }
        QThread::msleep(200); // let any extra player show up
        if (f.open(QIODevice::ReadOnly))
            lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        std::vector<std::string> result;
        for (const QString& line : lines)
            result.push_back(line.toStdString());
        return result;
    }

    std::string Line(const char* player) const { return std::string(player) + " " + wav; }
};

} // namespace

TEST_F(SoundTest, UsesTheFirstPlayerFoundInOrderOfPreference)
{
    AddPlayer("aplay");
    PlaySoundAsync(wav);
    EXPECT_EQ(Played(1), std::vector<std::string>{Line("aplay -q")});

    AddPlayer("paplay");
    ResetSoundThrottleForTesting();
    PlaySoundAsync(wav);
    EXPECT_EQ(Played(2), (std::vector<std::string>{Line("aplay -q"), Line("paplay")}));

    AddPlayer("pw-play");
    ResetSoundThrottleForTesting();
    PlaySoundAsync(wav);
    EXPECT_EQ(Played(3),
              (std::vector<std::string>{Line("aplay -q"), Line("paplay"), Line("pw-play")}));
}

TEST_F(SoundTest, SilentWithoutTheFileOrAnyPlayer)
{
    PlaySoundAsync(wav); // no player at all: returns, nothing happens
    AddPlayer("paplay");
    PlaySoundAsync(QFile::encodeName(data.filePath(QStringLiteral("none.wav"))).toStdString());
    PlaySoundAsync(QFile::encodeName(data.path()).toStdString()); // a folder
    PlaySoundAsync("");
    PlaySoundAsync(wav);
    EXPECT_EQ(Played(1), std::vector<std::string>{Line("paplay")});
}

TEST_F(SoundTest, ABurstOfMessagesStartsOnePlayer)
{
    AddPlayer("paplay");
    for (int i = 0; i < 50; ++i)
        PlaySoundAsync(wav);
    EXPECT_EQ(Played(1).size(), 1);
}
