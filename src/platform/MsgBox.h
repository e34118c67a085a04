#pragma once
// Modal message boxes of the form runtime: a prompt, a button set with an icon and a default
// button, a title (the application title when empty), and the answer as the runtime's number.
// Tests answer boxes without a person by installing a hook (see ScriptedMsgBoxes in tests).
#include <QString>
#include <functional>

namespace platform {

enum MsgBoxStyle : int {
    vbOKOnly = 0,
    vbOKCancel = 1,
    vbAbortRetryIgnore = 2,
    vbYesNoCancel = 3,
    vbYesNo = 4,
    vbRetryCancel = 5,
    vbCritical = 16,
    vbQuestion = 32,
    vbExclamation = 48,
    vbInformation = 64,
    vbDefaultButton1 = 0,
    vbDefaultButton2 = 256,
    vbDefaultButton3 = 512,
};

enum MsgBoxResult : int { vbOK = 1, vbCancel = 2, vbAbort = 3, vbRetry = 4, vbIgnore = 5, vbYes = 6, vbNo = 7 };

struct MsgBoxRequest {
    QString prompt;
    int style = vbOKOnly;
    QString title; // already resolved: never empty unless the application title is
};

// Shows the box modally and returns the answer (vbOK ... vbNo).
int MsgBox(const QString &prompt, int style = vbOKOnly, const QString &title = QString());

// The buttons of a style in order, and the answer of its default button.
QList<int> msgBoxButtons(int style);
int msgBoxDefaultAnswer(int style);

// While a hook is installed, every box goes to it instead of the screen.
using MsgBoxHook = std::function<int(const MsgBoxRequest &)>;
void setMsgBoxHook(MsgBoxHook hook);
bool hasMsgBoxHook();

} // namespace platform
