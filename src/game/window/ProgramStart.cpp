#include "game/window/ProgramStart.h"

namespace gamewindow {

void startProgram(ProgramStart &run, TitleHooks hooks, std::function<std::unique_ptr<Ostrel>()> makeWindow)
{
    const QString folder = hooks.programFolder;
    hooks.loadMainWindow = [&run, folder, makeWindow] {
        if (makeWindow) {
            run.mainWindow = makeWindow();
        } else {
            run.mainWindow = std::make_unique<Ostrel>();
            run.mainWindow->setProgramFolder(folder);
        }
        run.mainWindow->setTitleWindow(run.title);
        run.mainWindow->Load();
    };
    hooks.showMainWindow = [&run] {
        if (!run.mainWindow)
            return;
        run.mainWindow->show();
        run.mainWindow->raise();
        run.mainWindow->activateWindow();
    };
    run.title = new QorTitle(std::move(hooks));
    run.title->start();
}

} // namespace gamewindow
