// Ostrel: four in a row against the computer, at one machine or over the network.
#include "game/window/ProgramStart.h"
#include "platform/AppTitle.h"
#include "platform/DesignFonts.h"
#include "platform/ProgramFolder.h"

#include <QApplication>
#include <QDir>
#include <QIcon>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    platform::setAppTitle(QStringLiteral("Ostrel"));
    platform::useDesignFonts();
    // The language window of the first start closes while no other window is visible yet; that
    // must not end the program. Once the main window is shown, closing it ends the program.
    QApplication::setQuitOnLastWindowClosed(false);

    const QString programFolder = platform::programFolder();
    // Every window without an icon of its own shows the program's; the desktop entry names it too.
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addFile(QDir(programFolder).filePath(QStringLiteral("icons/ostrel-%1.png").arg(size)), QSize(size, size));
    QApplication::setWindowIcon(icon);
    QGuiApplication::setDesktopFileName(QStringLiteral("ostrel"));

    gamewindow::ProgramStart run;
    gamewindow::TitleHooks hooks;
    hooks.programFolder = programFolder;
    // Installed, the program folder is not the executable's: settings go to the user's folder.
    hooks.portable = QDir(programFolder) == QDir(QCoreApplication::applicationDirPath());
    gamewindow::startProgram(run, std::move(hooks));
    QObject::connect(run.title, &QObject::destroyed, &app, [] { QApplication::setQuitOnLastWindowClosed(true); });
    return app.exec();
}
