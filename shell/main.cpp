// Linquo: a serverless chat for one local network.

#include "CCommandLine.h"
#include "CLinquoApp.h"

#include <QApplication>
#include <QTextStream>

#include <cstdio>
#include <cstdlib>

namespace {
QStringList Arguments(int argc, char** argv)
{
    QStringList list;
    for (int i = 0; i < argc; ++i)
        list << QString::fromLocal8Bit(argv[i]);
    return list;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc > 1) {
        QTextStream out(stdout);
        QTextStream err(stderr);
        if (const std::optional<int> code = CCommandLine::Handle(Arguments(argc, argv), out, err)) {
            std::fflush(nullptr);
            // Ends without the profile's save at process end: asking for the version must
            // not write (or create) Setup.ini.
            std::_Exit(*code);
        }
    }
    QApplication app(argc, argv);
    CLinquoApp theApp;
    theApp.SetUpApplication(app);
    theApp.InitInstance();
    theApp.ExitInstance();
    // theProfile saves Setup.ini when the process ends.
    return 0;
}
