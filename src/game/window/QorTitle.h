#pragma once
// The title window: the program's first window. Its load fixes the settings file, asks for the
// language on the first start, and loads the main window without showing it; then the title
// stays on screen for about three seconds and hands over to the main window, whose first
// activation closes the title (Unload).
//
// Use:
//     TitleHooks hooks;
//     hooks.programFolder = QCoreApplication::applicationDirPath();
//     hooks.loadMainWindow = [&] { main = new Ostrel(...); };   // runs the main window's load, no show
//     hooks.showMainWindow = [&] { main->show(); };
//     auto *title = new QorTitle(std::move(hooks));              // deletes itself when unloaded
//     title->start();                                            // then app.exec()
//     ... in the main window's activation: if (title) title->Unload();   (keep a QPointer)
#include "support/Delay.h"

#include <QLabel>
#include <QWidget>
#include <functional>

namespace gamewindow {

class ChooseLanguage;

struct TitleHooks {
    // The program folder; the settings file Ostrel.ini lies there when it can be written and
    // `portable` is set, else in the user's config folder (IniHandler::settingsPathFor).
    QString programFolder;
    bool portable = true;
    // Loads the main window without showing it (its whole load runs inside).
    std::function<void()> loadMainWindow;
    // Shows the main window, modeless.
    std::function<void()> showMainWindow;
    // Clock of the three-second wait; tests pass a fast one. Null: the real clock.
    support::DelayClock *delayClock = nullptr;
    // Runs the modal language window; null shows it with exec(). Tests may answer it here.
    std::function<void(ChooseLanguage &)> runLanguageWindow;
};

class QorTitle : public QWidget {
    Q_OBJECT
public:
    explicit QorTitle(TitleHooks hooks, QWidget *parent = nullptr);

    // The whole start-up: the load, showing the title, then the activation from the event loop.
    void start();

    void Form_Load();
    void Form_Activate();
    // Closes the window and frees it; does nothing once it is gone.
    void Unload();

    QLabel *picTitle() const { return m_picTitle; }
    QLabel *lblVersion() const { return m_lblVersion; }
    QLabel *picEnglishTitle() const { return m_picEnglishTitle; }
    bool languageWindowShown() const { return m_languageWindowShown; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    TitleHooks m_hooks;
    QLabel *m_picTitle = nullptr;
    QLabel *m_picEnglishTitle = nullptr;
    QLabel *m_label1 = nullptr;
    QLabel *m_lblVersion = nullptr;
    bool m_languageWindowShown = false;
    bool m_unloaded = false;
};

} // namespace gamewindow
