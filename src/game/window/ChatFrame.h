#pragma once
// The chat frame of the main window: the chat display and line, the Close button, the record and
// repeat labels, the online lamp and the two voice transfer bars, with the recorder behind the
// record label (VoiceRecord.cpp). Hidden until a link stands.
//
// The frame carries out what the session asks of it through the window's NetUi, and reaches
// back through the references it is given: the window's session, the window as NetUi for sounds,
// waits and the work folder, and the window's key handlers, which see the chat line's keys first
// so that the game's keys still work while the line has the focus.
#include "platform/WaveRecorder.h"

#include <QGroupBox>
#include <QTimer>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>

class QLabel;
class QLineEdit;
class QPushButton;
namespace platform {
class RichTextBox;
class Step;
}
namespace gamenet {
class NetSession;
class NetUi;
}

namespace gamewindow {

class OnlineLamp;
class PictureBox;

class ChatFrame : public QGroupBox {
    Q_OBJECT
public:
    struct Window {
        gamenet::NetUi &ui;
        // The session is asked for at each use: tests may put their own in place before the load.
        std::function<gamenet::NetSession &()> session;
        // Form_KeyDown (may set KeyCode to 0 so the key goes no further) and Form_KeyUp.
        std::function<void(int &KeyCode, int Shift)> keyDown;
        std::function<void(int KeyCode, int Shift)> keyUp;
    };
    ChatFrame(Window window, QWidget *parent);
    ~ChatFrame() override;

    // What the session shows here (the window's NetUi hands it on).
    void ShowChatLine(const QString &Line, int32_t Color);
    void ResetChatDisplay();
    void SetChatCaption(const QString &Caption);
    void SetLampColor(int32_t Color);
    void SetBarWidth(int16_t Index, float WidthTwips);
    void ShowBar(int16_t Index, float WidthTwips, bool Visible);
    int16_t TransferBarWidth() const { return m_transferBarWidth; }
    void setTransferBarWidth(int16_t twips) { m_transferBarWidth = twips; }
    void SetRecordLabelEnabled(bool Enabled);
    void RepaintRecordLabel();
    void RestoreRecordLabel();
    void EnableCloseButton(bool Enabled);

    // The chat line's Enter sends the line.
    void txtSendmessage_KeyPress(int16_t &KeyAscii);
    QString chatLineText() const;
    void focusChatLine();
    // While the frame shows, the chat line has the keyboard: after every menu command, and
    // whenever a click (on the menu bar, on the board) would hand it to the bare window.
    void giveChatLineTheKeys();
    // The captions of the Close button and the two labels, each a step of ChangeLanguage.
    void ChangeLanguage(bool English, platform::Step &step);

    // Voice recording and playback (VoiceRecord.cpp).
    void OpenMCI();
    void lblRecord_MouseDown(int Button, int Shift, double X, double Y);
    void lblRecord_MouseUp(int Button, int Shift, double X, double Y);
    void lblRepeat_Click();
    void txtSendmessage_KeyUp(int KeyCode, int Shift);

    platform::WaveRecorder &MCI() { return *m_mci; }
    // Text colour of the record label, &HBBGGRR; &H80000012 is the system's button-text colour.
    int32_t lblRecordColor() const { return m_lblRecordColor; }
    // Width of a transfer bar in twips, as last set.
    float picSendWidthTwips(int index) const { return m_picSendWidth.at(index); }

private:
    class Events;
    void setRecordColor(int32_t color);
    void applyBarWidth(int Index);

    Window m_window;
    platform::RichTextBox *m_txtInMessage = nullptr;
    QLineEdit *m_txtSendmessage = nullptr;
    // The transfer bars.
    std::array<PictureBox *, 2> m_picSend{};
    std::array<float, 2> m_picSendWidth{};
    int16_t m_transferBarWidth = 0;
    QTimer m_barFollow; // the bars' widths reach the screen at its rate
    // The buttons, the lamp and the recorder.
    QPushButton *m_cmdP2PClose = nullptr;
    QLabel *m_lblRecord = nullptr;
    QLabel *m_lblRepeat = nullptr;
    OnlineLamp *m_shpOnlineLamp = nullptr;
    std::unique_ptr<platform::WaveRecorder> m_mci;
    int32_t m_lblRecordColor = int32_t(0x80000012);
};

} // namespace gamewindow
