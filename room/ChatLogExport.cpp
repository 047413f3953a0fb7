#include "ChatLogExport.h"

#include <QFileDialog>
#include <QSaveFile>

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
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // Qt's own dialog: it completes the suffix and asks before overwriting on every desktop.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setNameFilter(QStringLiteral("文本文件(*.txt)"));
    dialog.setDefaultSuffix(QStringLiteral("txt"));
    dialog.selectFile(QStringLiteral("Chat_log"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

void SetChatLogPathChooser(std::function<QString(QWidget*)> chooser)
{
    Chooser() = std::move(chooser);
}

bool WriteChatLog(const QString& path, const std::string& bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(bytes.data(), static_cast<qint64>(bytes.size()));
    return file.commit();
}
