#pragma once
// Answers message boxes without a person: records every box and answers from a script,
// or with the box's default button when the script is used up.
#include "platform/MsgBox.h"

#include <QList>

class ScriptedMsgBoxes {
public:
    ScriptedMsgBoxes();
    ~ScriptedMsgBoxes();
    ScriptedMsgBoxes(const ScriptedMsgBoxes &) = delete;
    ScriptedMsgBoxes &operator=(const ScriptedMsgBoxes &) = delete;

    void answer(int vbAnswer) { m_script.append(vbAnswer); }
    const QList<platform::MsgBoxRequest> &shown() const { return m_shown; }
    int count() const { return static_cast<int>(m_shown.size()); }
    void clear() { m_shown.clear(); }

private:
    QList<int> m_script;
    QList<platform::MsgBoxRequest> m_shown;
};
