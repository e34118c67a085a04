#pragma once
// What tests read of the main window that no control shows exactly: the measures the procedures
// compute with (twips), the thinking animation's frame and direction, the mouse position of the
// last press on the window, the program folder and why the control could not be created.
#include "game/window/Ostrel.h"

namespace gamewindow {

class OstrelProbe {
public:
    static int resultHeightTwips(const Ostrel &w) { return w.m_resultHeight; }
    static int ResultPanelHeight(const Ostrel &w) { return w.m_resultPanelHeight; }
    static float timeBarWidthTwips(const Ostrel &w) { return w.m_timeBarWidth; }
    static int MouseX(const Ostrel &w) { return w.m_mouseX; }
    static int16_t AnimFrame(const Ostrel &w) { return w.m_animFrame; }
    static int16_t AnimStep(const Ostrel &w) { return w.m_animStep; }
    static QString programFolder(const Ostrel &w) { return w.m_programFolder; }
    // Empty when the control was created.
    static QString pelkinProblem(const Ostrel &w) { return w.m_pelkinProblem; }
};

} // namespace gamewindow
