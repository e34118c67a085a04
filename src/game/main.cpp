// Ostrel: four in a row against the computer, at one machine or over the network.
// The title window starts the program: it loads the main window without showing it, stays on
// screen for three seconds and then shows the main window, whose first activation closes it.
#include "game/window/Ostrel.h"
#include "game/window/QorTitle.h"
#include "platform/AppTitle.h"

#include <QApplication>

#include <memory>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    platform::setAppTitle(QStringLiteral("Ostrel"));
    // The language window of the first start closes while no other window is visible yet; that
    // must not end the program. From the main window's show on, closing it ends the program.
    app.setQuitOnLastWindowClosed(false);

    std::unique_ptr<gamewindow::Ostrel> mainWindow;
    gamewindow::QorTitle *title = nullptr;
    gamewindow::TitleHooks hooks;
    hooks.programFolder = QCoreApplication::applicationDirPath();
    hooks.loadMainWindow = [&] {
        mainWindow = std::make_unique<gamewindow::Ostrel>();
        mainWindow->setTitleWindow(title);
        mainWindow->Load();
    };
    hooks.showMainWindow = [&] {
        if (!mainWindow)
            return;
        mainWindow->show();
        QApplication::setQuitOnLastWindowClosed(true);
        mainWindow->raise();
        mainWindow->activateWindow();
    };
    title = new gamewindow::QorTitle(std::move(hooks));
    title->start();
    return app.exec();
}
