// The link between the two game programs: what changes when the connection comes up, the
// control's events, socket errors, and the end of the link from either side.
#include "game/window/Ostrel.h"

#include "game/net/PelkinCalls.h"
#include "game/window/ShellVersion.h"
#include "platform/MsgBox.h"
#include "platform/RuntimeError.h"

#include <QGridLayout>

namespace gamewindow {

namespace {
constexpr int32_t LampNoLink = 0xE0E0E0;
} // namespace

void Ostrel::buildLinkControls()
{
    // The Close button and the lamp of the chat frame; the button works only while a link stands.
    m_cmdP2PClose->setFocusPolicy(Qt::NoFocus);
    connect(m_cmdP2PClose, &QPushButton::clicked, this, [this] { cmdP2PClose_Click(); });
    m_shpOnlineLamp->setFillColor(LampNoLink);
}

void Ostrel::Connected()
{
    rules::GameState &s = m_state;
    s.NetworkGame = true;
    m_timPing.start(2000);
    m_menIP->setEnabled(false);
    m_menTwoPlayers->setChecked(true);
    m_cmdP2PClose->setEnabled(true);
    s.GameRunning = false;
    m_frmChat->setTitle(QStringLiteral("    Chat "));
    m_lblRecord->setEnabled(true);
    s.TotalIn = 0;
    s.TotalOut = 0;
    s.ReceivedIn = 0;
    s.SentOut = 0;
}

void Ostrel::Pelkin_ClientConnected(int16_t &ClientNumber)
{
    Connected();
    m_state.PeerClientNo = ClientNumber;
    SendPacket(QStringLiteral("<E>") + m_state.Nick[0] + QStringLiteral("|") + versionText());
}

void Ostrel::Pelkin_Connect() { Connected(); }

void Ostrel::Pelkin_ClientDied(int16_t &ClientNumber)
{
    Q_UNUSED(ClientNumber);
    ConnectionClosed();
}

void Ostrel::Pelkin_ServerClose() { ConnectionClosed(); }

void Ostrel::Pelkin_Error(int16_t &ClientNumber, int16_t Number, QString &Description, int32_t Scode,
                          const QString &Source, const QString &HelpFile, int32_t HelpContext, bool &CancelDisplay)
{
    Q_UNUSED(ClientNumber);
    Q_UNUSED(Scode);
    Q_UNUSED(Source);
    Q_UNUSED(HelpFile);
    Q_UNUSED(HelpContext);
    rules::GameState &s = m_state;
    CancelDisplay = true;
    if (Number == 10061) {
        platform::MsgBox(s.English ? QStringLiteral("Connect to other side possible. But Your opponent isn't ready at "
                                                    "this time! Please retry in a few seconds.")
                                   : QStringLiteral("Die andere Seite wurde erreicht. Der Spieler ist jedoch noch nicht "
                                                    "bereit! Versuche es in ein paar Sekunden nochmal."),
                         platform::vbOKOnly);
        s.CancelConnect = true;
    } else if (Number == 11004) {
        platform::MsgBox(s.English ? QStringLiteral("Can't connect to Your opponent! Please check IP-Adress!")
                                   : QStringLiteral("Konnte Gegenspieler nicht erreichen! Bitte IP-Adresse überprüfen!"),
                         platform::vbOKOnly);
    } else {
        platform::MsgBox(QStringLiteral("Fehler-Nr: ") + QString::number(Number) + QStringLiteral("!\r\n") + Description,
                         platform::vbOKOnly);
    }
}

void Ostrel::ConnectionClosed()
{
    const rules::GameState &s = m_state;
    AddChatLine(s.English ? QStringLiteral("--- Connection to ") + s.Nick[1] + QStringLiteral(" closed! ---")
                          : QStringLiteral("--- Verbindung zu ") + s.Nick[1] + QStringLiteral(" getrennt! ---"));
    CloseConnection();
    Playsound(QStringLiteral("p2pend"), false);
}

void Ostrel::cmdP2PClose_Click()
{
    const rules::GameState &s = m_state;
    if (s.NetworkGame) {
        AddChatLine(s.English ? QStringLiteral("--- Connection closed by ") + s.Nick[0] + QStringLiteral("! ---")
                              : QStringLiteral("--- Verbindung wurde von ") + s.Nick[0] + QStringLiteral(" beendet! ---"));
        CloseConnection();
        Playsound(QStringLiteral("p2pend"), false);
    } else {
        platform::MsgBox(s.English ? QStringLiteral("Connection already closed!")
                                   : QStringLiteral("Verbindung wurde bereits getrennt!"),
                         platform::vbOKOnly);
    }
}

void Ostrel::CloseConnection()
{
    rules::GameState &s = m_state;
    // The control raises ClientDied or ServerClose for every connection still open before it
    // returns, so this procedure runs once more inside itself; every step below can be repeated.
    if (m_pelkin) {
        try {
            pelkin::Disconnect(*m_pelkin, 0);
        } catch (const platform::RuntimeError &) {
            // The link state is reset whatever the control says.
        }
    }
    m_shpOnlineLamp->setFillColor(LampNoLink);
    m_timPing.stop();
    s.NetworkGame = false;
    m_menIP->setEnabled(true);
    m_cmdP2PClose->setEnabled(false);
    ShowTransferBar(false, QStringLiteral("Send"));
    ShowTransferBar(false, QStringLiteral("Get"));
    m_lblRecord->setEnabled(false);
    s.TotalIn = 0;
    s.TotalOut = 0;
    s.ReceivedIn = 0;
    s.SentOut = 0;
    s.KeepVoice = false;
    s.HandshakeDone = false;
    WriteLogFooter();
}

} // namespace gamewindow
