// Ostrel: four in a row against the computer, at one machine or over the network.
#include "game/window/Ostrel.h"
#include "platform/AppTitle.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    platform::setAppTitle(QStringLiteral("Ostrel"));
    gamewindow::Ostrel window;
    window.show();
    return app.exec();
}
