#pragma once
// What a network session needs from the main window: replaying the peer's game start, glide and
// drop; the chat frame (lines, caption, lamp, transfer bars, record label, Close button), the
// network menus and the ping timer; sounds, message boxes and waits. The main window implements
// it; tests and the fuzzer fake it. The session itself holds no widget.
//
// Colours are &HBBGGRR values; widths are twips.
#include <QDateTime>
#include <QString>

#include <chrono>
#include <cstdint>

namespace gamenet {

class NetUi {
public:
    virtual ~NetUi() = default;

    // The peer's moves, replayed through the procedures of local input (FromPeer is set).
    virtual void ReplayStart() = 0;                 // menStartgame_Click
    virtual void ReplayGlide(int16_t Column) = 0;   // GoToTube(Column, ByComputer = True)
    virtual void ReplayDrop() = 0;                  // ChipReleased

    // The chat display: appends Line in Color after the lines shown, with its trailing blank.
    virtual void ShowChatLine(const QString &Line, int32_t Color) = 0;
    // The chat display goes back to its one blank (a new connection).
    virtual void ResetChatDisplay() = 0;
    virtual void SetChatCaption(const QString &Caption) = 0;
    virtual void SetLampColor(int32_t Color) = 0;
    // Transfer bar 0 or 1: its width; with ShowBar also its white background and visibility.
    virtual void SetBarWidth(int16_t Index, float WidthTwips) = 0;
    virtual void ShowBar(int16_t Index, float WidthTwips, bool Visible) = 0;
    // The full width of a transfer bar, read when the window loads.
    virtual int16_t TransferBarWidth() const = 0;
    // The record label: enabled or not (repainted at once).
    virtual void SetRecordLabelEnabled(bool Enabled) = 0;
    virtual void RepaintRecordLabel() = 0;
    // An empty recording: the recorder is stopped and closed, the label gets its colour back and
    // is enabled.
    virtual void RestoreRecordLabel() = 0;
    virtual void EnableCloseButton(bool Enabled) = 0;
    // The network game command (menIP), and the check mark of the two-player mode.
    virtual void EnableNetworkMenu(bool Enabled) = 0;
    virtual void CheckTwoPlayersMenu() = 0;
    // The ping timer: an interval in milliseconds, 0 = stopped.
    virtual void SetPingTimer(int Milliseconds) = 0;

    virtual void Playsound(const QString &Name, bool Wait) = 0;
    // A modal box with the application title; returns the answer (platform::vbOK ...).
    virtual int MsgBox(const QString &Prompt, int Style) = 0;
    // A wait of whole seconds that yields to the message loop.
    virtual void Delay(int16_t Seconds) = 0;
    // One pass of the message loop.
    virtual void DoEvents() = 0;
    // The clock that names archive copies: their name changes only with the second; a second
    // copy within one second gets a counter.
    virtual QDateTime Now() const = 0;
    // A clock in milliseconds that only moves forward; it paces repeated warnings.
    virtual qint64 Uptime() const
    {
        return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }

    // The work folder of the voice files and the dialogue log; whether lines are logged.
    virtual QString WorkDir() const = 0;
    virtual bool LogDialogue() const = 0;
};

} // namespace gamenet
