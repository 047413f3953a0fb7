#include "Skin.h"

#include <QApplication>
#include <QFile>

namespace {

QApplication* Application() { return qobject_cast<QApplication*>(QCoreApplication::instance()); }

} // namespace

void LoadSkin(const std::string& path)
{
    QApplication* app = Application();
    if (app == nullptr || path.empty())
        return;
    QFile file(QFile::decodeName(path.c_str()));
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QByteArray sheet = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return;
    app->setStyleSheet(QString::fromUtf8(sheet));
}

void ReleaseSkin()
{
    if (QApplication* app = Application())
        app->setStyleSheet(QString());
}
