// Ostrel: four in a row against the computer, at one machine or over the network.
#include "game/window/ProgramStart.h"
#include "platform/AppTitle.h"
#include "platform/DesignFonts.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    platform::setAppTitle(QStringLiteral("Ostrel"));
    platform::useDesignFonts();
    // The language window of the first start closes while no other window is visible yet; that
    // must not end the program. Once the main window is shown, closing it ends the program.
    QApplication::setQuitOnLastWindowClosed(false);

    gamewindow::ProgramStart run;
    gamewindow::TitleHooks hooks;
    hooks.programFolder = QCoreApplication::applicationDirPath();
    gamewindow::startProgram(run, std::move(hooks));
    QObject::connect(run.title, &QObject::destroyed, &app, [] { QApplication::setQuitOnLastWindowClosed(true); });
    return app.exec();
}
