#include "ChatLogExport.h"

#include "AppPath.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QPointer>
#include <QSaveFile>
#include <QStandardPaths>

#include <unistd.h>

namespace {
std::function<QString(QWidget*)>& Chooser()
{
    static std::function<QString(QWidget*)> chooser;
    return chooser;
}
} // namespace

QString AskChatLogPath(QWidget* parent)
{
    if (Chooser())
        return Chooser()(parent);
    // On the heap: the room may be destroyed while the dialog runs, taking it along.
    QPointer<QFileDialog> dialog = new QFileDialog(parent);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    // Qt's own dialog: it completes the suffix and asks before overwriting on every desktop.
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setNameFilter(QStringLiteral("文本文件(*.txt)"));
    dialog->setDefaultSuffix(QStringLiteral("txt"));
    dialog->setDirectory(ChatLogStartFolder());
    dialog->selectFile(QStringLiteral("Chat_log"));
    const bool accepted = dialog->exec() == QDialog::Accepted;
    if (!dialog)
        return QString();
    const QStringList files = dialog->selectedFiles();
    delete dialog;
    return accepted && !files.isEmpty() ? files.constFirst() : QString();
}

void SetChatLogPathChooser(std::function<QString(QWidget*)> chooser)
{
    Chooser() = std::move(chooser);
}

QString ChatLogStartFolder()
{
    const std::string program = AppDirectory();
    if (::access(program.c_str(), W_OK) == 0)
        return QString::fromLocal8Bit(program.c_str());
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return !documents.isEmpty() && QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

bool WriteChatLog(const QString& path, const std::string& bytes)
{
    QSaveFile file(path);
    // A writable file in a folder that takes no new files is written in place.
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(bytes.data(), static_cast<qint64>(bytes.size()));
    return file.commit();
}
