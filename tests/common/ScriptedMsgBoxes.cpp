#include "common/ScriptedMsgBoxes.h"

ScriptedMsgBoxes::ScriptedMsgBoxes()
{
    platform::setMsgBoxHook([this](const platform::MsgBoxRequest &request) {
        m_shown.append(request);
        if (!m_script.isEmpty())
            return m_script.takeFirst();
        return platform::msgBoxDefaultAnswer(request.style);
    });
}

ScriptedMsgBoxes::~ScriptedMsgBoxes() { platform::setMsgBoxHook(nullptr); }
