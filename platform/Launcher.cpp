#include "Launcher.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>

bool StartHidden(const std::string& path)
{
    if (path.empty())
        return false;
    const QFileInfo program(QFile::decodeName(path.c_str()));
    if (!program.isFile() || !program.isExecutable())
        return false;
    QProcess process;
    process.setProgram(program.absoluteFilePath());
    process.setArguments({});
    process.setWorkingDirectory(program.absolutePath());
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    return process.startDetached();
}
