// The main window as its session's NetUi: what concerns the chat frame is handed on to it, the
// rest reaches the menus, the ping timer, message boxes and waits. While the chat frame shows, a
// click that gives the window the focus hands it on to the chat line.
#include "game/window/Ostrel.h"

#include "game/window/ChatFrame.h"
#include "platform/MsgBox.h"
#include "platform/Yield.h"

namespace gamewindow {

void Ostrel::NotifyResults(int16_t &ActPlayer) { m_net->NotifyResults(ActPlayer); }

void Ostrel::ShowChatLine(const QString &Line, int32_t Color) { m_chat->ShowChatLine(Line, Color); }

void Ostrel::ResetChatDisplay() { m_chat->ResetChatDisplay(); }

void Ostrel::SetChatCaption(const QString &Caption) { m_chat->SetChatCaption(Caption); }

void Ostrel::SetLampColor(int32_t Color) { m_chat->SetLampColor(Color); }

void Ostrel::SetBarWidth(int16_t Index, float WidthTwips) { m_chat->SetBarWidth(Index, WidthTwips); }

void Ostrel::ShowBar(int16_t Index, float WidthTwips, bool Visible) { m_chat->ShowBar(Index, WidthTwips, Visible); }

int16_t Ostrel::TransferBarWidth() const { return m_chat->TransferBarWidth(); }

void Ostrel::SetRecordLabelEnabled(bool Enabled) { m_chat->SetRecordLabelEnabled(Enabled); }

void Ostrel::RepaintRecordLabel() { m_chat->RepaintRecordLabel(); }

void Ostrel::RestoreRecordLabel() { m_chat->RestoreRecordLabel(); }

void Ostrel::EnableCloseButton(bool Enabled) { m_chat->EnableCloseButton(Enabled); }

void Ostrel::EnableNetworkMenu(bool Enabled) { m_menIP->setEnabled(Enabled); }

void Ostrel::CheckTwoPlayersMenu() { m_menTwoPlayers->setChecked(true); }

void Ostrel::SetPingTimer(int Milliseconds)
{
    if (Milliseconds > 0)
        m_timPing.start(Milliseconds);
    else
        m_timPing.stop();
}

int Ostrel::MsgBox(const QString &Prompt, int Style) { return platform::MsgBox(Prompt, Style); }

void Ostrel::Delay(int16_t Seconds) { m_delay(Seconds); }

void Ostrel::DoEvents() { platform::doEvents(); }

void Ostrel::focusInEvent(QFocusEvent *event)
{
    // A click on the menu bar or the board gives the focus to the window itself, the nearest
    // control that takes it; the chat line keeps it instead, so typing goes on where it was.
    QMainWindow::focusInEvent(event);
    if (m_chat)
        m_chat->giveChatLineTheKeys();
}

void Ostrel::prepareForConnect()
{
    ClearModeMenus();
    m_menTimeLimit->setEnabled(false);
    AdjustTimebar();
}

} // namespace gamewindow
