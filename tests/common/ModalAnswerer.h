#pragma once
// Clicks a button of the next real modal message box, as a person would. Works for boxes shown
// by any module of the process (the control library has its own copy of the box hook).
#include <QString>
#include <QStringList>

// Starts watching; when a QMessageBox is modal, records its title, text and button captions and
// clicks the button with the given standard role (a QMessageBox::StandardButton value).
class ModalAnswerer {
public:
    explicit ModalAnswerer(int standardButton);
    ~ModalAnswerer();
    bool answered() const;
    QString title() const;
    QString text() const;
    // The captions of the box's buttons, in the order of their standard roles (Yes before No
    // before Cancel, Abort before Retry before Ignore).
    QStringList buttonTexts() const;

private:
    struct State;
    State *m_state;
};
