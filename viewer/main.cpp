#include "CStretchApp.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    int result = 0;
    {
        CStretchApp app;
        if (!app.InitInstance(QApplication::arguments()))
            return 0;
        result = QApplication::exec();
        app.ExitInstance();
    }
    return result;
}
