#pragma once
// Key numbers and shift states as the runtime hands them to key handlers: 13 Enter, 37..40 the
// arrows, 112.. F1 and up, letters and digits as their capital character; 255 for any other key.
// Shift state: 1 Shift, 2 Ctrl, 4 Alt.
#include <QInputEvent>
#include <QKeyEvent>

namespace platform {

inline int virtualKey(const QKeyEvent *event)
{
    const int key = event->key();
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter: return 13;
    case Qt::Key_Left: return 37;
    case Qt::Key_Up: return 38;
    case Qt::Key_Right: return 39;
    case Qt::Key_Down: return 40;
    case Qt::Key_Escape: return 27;
    case Qt::Key_Space: return 32;
    case Qt::Key_Tab: return 9;
    case Qt::Key_Backspace: return 8;
    case Qt::Key_Shift: return 16;
    case Qt::Key_Control: return 17;
    case Qt::Key_Alt: return 18;
    default: break;
    }
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return 112 + (key - Qt::Key_F1);
    if ((key >= Qt::Key_0 && key <= Qt::Key_9) || (key >= Qt::Key_A && key <= Qt::Key_Z))
        return key;
    return 255;
}

inline int shiftState(const QInputEvent *event)
{
    int shift = 0;
    if (event->modifiers() & Qt::ShiftModifier)
        shift |= 1;
    if (event->modifiers() & Qt::ControlModifier)
        shift |= 2;
    if (event->modifiers() & Qt::AltModifier)
        shift |= 4;
    return shift;
}

} // namespace platform
