// A stand-in for Linquo's lobby window in system tests: it is findable by the lobby's
// caption, prints each window message it receives, and holds its handler (as the lobby's
// ready box does) until the file named by its first argument exists. It ends once the
// first message has been handled.

#include "WindowMessageServer.h"

#include <QCoreApplication>
#include <QFile>
#include <QThread>
#include <QTimer>

#include <cstdio>

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    const QString holdFile = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    const QString caption = QStringLiteral("Linquo") + QString(16, QLatin1Char(' '));
    CWindowMessageServer server;
    if (!server.Listen(caption)) {
        std::printf("cannot listen\n");
        return 2;
    }
    server.SetHandler([&](unsigned msg, quintptr w, qintptr l) {
        std::printf("message %u %llu %lld\n", msg, static_cast<unsigned long long>(w),
                    static_cast<long long>(l));
        std::fflush(stdout);
        while (!holdFile.isEmpty() && !QFile::exists(holdFile)) {
            QCoreApplication::processEvents();
            QThread::msleep(10);
        }
        std::printf("returned\n");
        std::fflush(stdout);
        QTimer::singleShot(500, &app, &QCoreApplication::quit);
    });
    std::printf("listening\n");
    std::fflush(stdout);
    return app.exec();
}
