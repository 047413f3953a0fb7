// Sender: announces the user to the local network once, then ends.

#include "CSender.h"
#include "WindowFont.h"

#include <QApplication>
#include <QTranslator>

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Sender"));
    // Its failure boxes speak Chinese, OK button included, like Linquo's.
    QTranslator qtTranslator;
    SetUpApplicationText(qtTranslator);
    QApplication::setQuitOnLastWindowClosed(false);

    CSender sender;
    return sender.Run();
}
