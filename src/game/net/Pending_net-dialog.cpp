// STAND-INS for procedures and controls owned by other parts of network play (the link life
// cycle, the chat frame, the voice transfer bars). Delete this file when the real ones land.
#include "game/net/DialogPelkin.h"
#include "game/window/Ostrel.h"

namespace gamewindow {

// Stand-in: ends the link through the control and resets the link flags.
void Ostrel::CloseConnection()
{
    dialogpelkin::callI2(Pelkin(), HX_DISPID_Disconnect, 0);
    m_state.NetworkGame = false;
    m_state.HandshakeDone = false;
}

// Stand-in: there are no transfer bars yet.
void Ostrel::ShowTransferBar(bool Visible, const QString &Direction)
{
    Q_UNUSED(Visible);
    Q_UNUSED(Direction);
}

// Stand-ins: there is no chat frame yet.
QWidget *Ostrel::frmChat() const { return nullptr; }
QWidget *Ostrel::txtSendmessage() const { return nullptr; }
platform::RichTextBox *Ostrel::txtInMessage() const { return nullptr; }

} // namespace gamewindow
