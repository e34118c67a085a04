#pragma once
// Clicks a button of the next real modal message box, as a person would. Works for boxes shown
// by any module of the process (the control library has its own copy of the box hook).
#include <QString>

// Starts watching; when a QMessageBox is modal, records its title and text and clicks the
// button with the given standard role (a QMessageBox::StandardButton value).
class ModalAnswerer {
public:
    explicit ModalAnswerer(int standardButton);
    ~ModalAnswerer();
    bool answered() const;
    QString title() const;
    QString text() const;

private:
    struct State;
    State *m_state;
};
