#pragma once
// The program's start: the title window loads the main window without showing it, waits three
// seconds and shows it; the main window's first activation closes the title. main() runs this
// with the real windows; tests run the same sequence offscreen with a fast clock.
#include "game/window/Ostrel.h"
#include "game/window/QorTitle.h"

#include <QPointer>

#include <functional>
#include <memory>

namespace gamewindow {

struct ProgramStart {
    std::unique_ptr<Ostrel> mainWindow;
    QPointer<QorTitle> title;
};

// Starts the title window with `hooks` (program folder, clock, language window as given; the
// load and show hooks are filled here) and returns at once; the rest runs in the event loop.
// `makeWindow` creates the main window before its load (tests hand in a prepared one); null makes
// an Ostrel whose program folder is the title's.
void startProgram(ProgramStart &run, TitleHooks hooks, std::function<std::unique_ptr<Ostrel>()> makeWindow = nullptr);

} // namespace gamewindow
