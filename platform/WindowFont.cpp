#include "WindowFont.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

QFont WindowFont()
{
    QFont font(QStringLiteral("宋体"));
    font.setPointSize(9);
    return font;
}

void SetUpApplicationText(QTranslator& qtTranslator)
{
    if (qtTranslator.load(QStringLiteral("qtbase_zh_CN"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qtTranslator);
    QFont::insertSubstitutions(QStringLiteral("宋体"),
                               {QStringLiteral("SimSun"), QStringLiteral("WenQuanYi Micro Hei"),
                                QStringLiteral("Noto Sans CJK SC"),
                                QStringLiteral("Droid Sans Fallback")});
    QApplication::setFont(WindowFont());
}
