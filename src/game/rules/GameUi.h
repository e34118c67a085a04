#pragma once
// What the game rules need from the main window: the chip's glide and drop, the play timer's
// tick (the thinking animation), sounds, the status and result label colours, the play timer's
// interval, the result panel, the high-score check, the floating chip and the rules' own message
// boxes. The main window implements it; tests fake it. The mouse pointer is not part of it: the
// rules call platform::setMousePointer themselves.
//
// Colours are &HBBGGRR values as the window's labels take them.
#include <QString>

#include <cstdint>

namespace rules {

class GameUi {
public:
    virtual ~GameUi() = default;

    // Moves the floating chip over Column (wrapping 0 and 8); ByComputer for the computer's move.
    virtual void GoToTube(int16_t Column, bool ByComputer) = 0;
    // Drops the chip of the player to move into the column under the floating chip.
    virtual void ChipReleased() = 0;
    // One tick of the play timer, called directly to advance the thinking animation.
    virtual void timPlayTimer_Timer() = 0;
    // Plays a sound by name; Wait = return only when it has ended.
    virtual void Playsound(const QString &Name, bool Wait) = 0;
    // Text colour of the status line (lblStatus).
    virtual void SetStatusColor(int32_t Color) = 0;
    // Interval of the play timer in milliseconds, 0 = stopped. The mode is GameState::TimerMode,
    // which the caller has already set.
    virtual void SetPlayTimerInterval(int Milliseconds) = 0;
    // Text colour of the result panel's label (lblResult).
    virtual void SetResultColor(int32_t Color) = 0;
    // Rolls open the result panel with Text.
    virtual void ShowResultGame(const QString &Text) = 0;
    // Offers GameState::TotalPoints to the high-score list (may open a modal window).
    virtual void CheckHighScore() = 0;
    // The floating chip takes the chip picture of Player (1 red, 2 yellow), is repainted and shown.
    virtual void ShowFloatingChip(int16_t Player) = 0;
    // A modal box with the application title; returns the answer (platform::vbOK ...).
    virtual int MsgBox(const QString &Prompt, int Style) = 0;
};

} // namespace rules
