// ovctrl: the controller. It lives in the background from log-in to
// log-out, reminds the user to stretch and starts the viewer.
#include "COvCtrlApp.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("Stretch"));
    app.setQuitOnLastWindowClosed(false); // dialogs come and go; the controller stays
    COvCtrlApp controller;
    if (!controller.InitInstance(app.arguments()))
        return 0;
    return app.exec();
}
