// Linquo: a serverless chat for one local network.

#include "CLinquoApp.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    CLinquoApp theApp;
    theApp.SetUpApplication(app);
    theApp.InitInstance();
    theApp.ExitInstance();
    // theProfile saves Setup.ini when the process ends.
    return 0;
}
