#include "CCommandLine.h"

#include "Profile.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QTextStream>

namespace {
// The options QGuiApplication and QApplication take themselves: with a value, then without.
const char* const kQtValueOptions[] = {"platform", "platformpluginpath", "platformtheme",
                                       "plugin", "qwindowgeometry", "qwindowicon",
                                       "qwindowtitle", "session", "display", "geometry",
                                       "style", "stylesheet", "qmljsdebugger"};
const char* const kQtFlagOptions[] = {"reverse", "widgetcount", "nograb", "dograb", "sync"};

QString HelpText()
{
    const QString profile = QString::fromLocal8Bit(g_szSetupPath);
    return QStringLiteral(
        "用法 Usage: linquo [选项 options]\n"
        "Linquo " LINQUO_VERSION ": 局域网聊天, 不需要服务器\n"
        "               a serverless chat for the local network\n"
        "\n"
        "选项 Options:\n"
        "  -h, --help      显示本帮助后退出\n"
        "                  show this help and exit\n"
        "  -v, --version   显示版本后退出\n"
        "                  show the version and exit\n"
        "\n"
        "不带选项时启动程序. 昵称和性别保存在:\n"
        "Without options the program starts. The nickname and sex are kept in:\n"
        "  %1\n")
        .arg(profile);
}

QString VersionText()
{
    return QStringLiteral("Linquo " LINQUO_VERSION "\n"
                          "版本 version " LINQUO_VERSION "\n");
}

// The unknown option as the user wrote it ("-x", "--xyz=1"), not as the parser names it.
QString AsWritten(const QStringList& arguments, const QString& name)
{
    for (const QString& a : arguments.mid(1)) {
        QString bare = a;
        while (bare.startsWith(QLatin1Char('-')))
            bare.remove(0, 1);
        if (bare.section(QLatin1Char('='), 0, 0) == name)
            return a;
    }
    return name;
}

void Refuse(QTextStream& err, const QString& what)
{
    err << QStringLiteral("linquo: %1\n").arg(what)
        << QStringLiteral("请用 linquo --help 查看可用的选项.\n"
                          "Try 'linquo --help' for the options it takes.\n");
    err.flush();
}
} // namespace

std::optional<int> CCommandLine::Handle(const QStringList& arguments, QTextStream& out,
                                        QTextStream& err)
{
    QCommandLineParser parser;
    // Qt's own options are written with one dash (-platform xcb).
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringList{QStringLiteral("v"), QStringLiteral("version")});
    parser.addOption(help);
    parser.addOption(version);
    for (const char* name : kQtValueOptions)
        parser.addOption(QCommandLineOption(QString::fromLatin1(name), QString(),
                                            QStringLiteral("value")));
    for (const char* name : kQtFlagOptions)
        parser.addOption(QCommandLineOption(QString::fromLatin1(name)));

    if (!parser.parse(arguments)) {
        const QStringList unknown = parser.unknownOptionNames();
        if (!unknown.isEmpty())
            Refuse(err, QStringLiteral("未知的选项 unknown option: %1")
                            .arg(AsWritten(arguments, unknown.first())));
        else
            Refuse(err, parser.errorText());
        return kUsageError;
    }
    if (parser.isSet(help)) {
        out << HelpText();
        out.flush();
        return 0;
    }
    if (parser.isSet(version)) {
        out << VersionText();
        out.flush();
        return 0;
    }
    if (!parser.positionalArguments().isEmpty()) {
        Refuse(err, QStringLiteral("多余的参数 unexpected argument: %1")
                        .arg(parser.positionalArguments().first()));
        return kUsageError;
    }
    return std::nullopt;
}
