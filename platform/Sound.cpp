#include "Sound.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

namespace {

// A message sound is short; a burst of messages within this time plays one sound.
constexpr qint64 kMinIntervalMs = 300;

QElapsedTimer& LastStart()
{
    static QElapsedTimer timer;
    return timer;
}

struct Player {
    const char* name;
    const char* option;
};

const Player kPlayers[] = {{"pw-play", nullptr}, {"paplay", nullptr}, {"aplay", "-q"}};

} // namespace

void PlaySoundAsync(const std::string& path)
{
    if (path.empty())
        return;
    const QFileInfo file(QFile::decodeName(path.c_str()));
    if (!file.isFile() || !file.isReadable())
        return;
    QElapsedTimer& last = LastStart();
    if (last.isValid() && last.elapsed() < kMinIntervalMs)
        return;
    for (const Player& player : kPlayers) {
        const QString program = QStandardPaths::findExecutable(QString::fromLatin1(player.name));
        if (program.isEmpty())
            continue;
        QStringList arguments;
        if (player.option != nullptr)
            arguments << QString::fromLatin1(player.option);
        // An absolute path never reads as an option.
        arguments << file.absoluteFilePath();
        QProcess process;
        process.setProgram(program);
        process.setArguments(arguments);
        process.setStandardInputFile(QProcess::nullDevice());
        process.setStandardOutputFile(QProcess::nullDevice());
        process.setStandardErrorFile(QProcess::nullDevice());
        if (process.startDetached()) {
            last.start();
            return;
        }
    }
}

void ResetSoundThrottleForTesting() { LastStart().invalidate(); }
