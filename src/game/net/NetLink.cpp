// The link between the two game programs: what changes when the connection comes up, the
// control's events, socket errors, and the end of the link from either side.
#include "game/net/NetSession.h"

#include "game/net/NetFraming.h"
#include "game/net/PelkinCalls.h"
#include "game/net/ShellVersion.h"
#include "platform/MsgBox.h"
#include "platform/RuntimeError.h"

#include <QScopedValueRollback>

namespace gamenet {

namespace {
constexpr int32_t LampNoLink = 0xE0E0E0;
} // namespace

void NetSession::Connected()
{
    LinkState &s = m_link;
    ++m_linkSerial;
    s.NetworkGame = true;
    m_ui.SetPingTimer(2000);
    m_ui.EnableNetworkMenu(false);
    m_ui.CheckTwoPlayersMenu();
    m_ui.EnableCloseButton(true);
    m_game.GameRunning = false;
    m_ui.SetChatCaption(QStringLiteral("    Chat "));
    m_ui.SetRecordLabelEnabled(true);
    s.TotalIn = 0;
    s.TotalOut = 0;
    s.ReceivedIn = 0;
    s.SentOut = 0;
}

void NetSession::Pelkin_ClientConnected(int16_t &ClientNumber)
{
    // One peer at a time, and only one the user hosts for: while a link is up or being set up,
    // and while nobody waits for a peer (never hosted, or the wait cancelled or timed out), a
    // connection is closed at once and unseen, so it can neither take over the link nor end
    // it when it leaves. The control goes on listening.
    if (m_link.NetworkGame || !m_acceptsPeer) {
        if (m_pelkin) {
            const QScopedValueRollback turningAway(m_turningAway, ClientNumber);
            try {
                pelkin::Disconnect(*m_pelkin, ClientNumber);
            } catch (const platform::RuntimeError &) {
                // Already gone: nothing to close.
            }
        }
        forgetArrivals(ClientNumber);
        return;
    }
    Connected();
    m_link.PeerClientNo = ClientNumber;
    // A connection that never says hello would hold the only place for a peer.
    m_helloLink = m_linkSerial;
    m_helloDeadline.start();
    SendPacket(framing::packet(framing::Tag::Hello, m_link.Nick[0] + QStringLiteral("|") + versionText()));
}

void NetSession::helloOverdue()
{
    const LinkState &s = m_link;
    if (m_helloLink != m_linkSerial || !s.NetworkGame || s.HandshakeDone || !m_pelkin)
        return;
    try {
        pelkin::Disconnect(*m_pelkin, s.PeerClientNo);
    } catch (const platform::RuntimeError &) {
        // Gone meanwhile: its end has been reported.
    }
}

void NetSession::Pelkin_Connect() { Connected(); }

void NetSession::Pelkin_ClientDied(int16_t &ClientNumber)
{
    forgetArrivals(ClientNumber);
    // Only the peer's leaving ends the link; a connection turned away was never part of it,
    // even when it got a number that an earlier peer had.
    if (ClientNumber != m_link.PeerClientNo || ClientNumber == m_turningAway)
        return;
    ConnectionClosed();
}

void NetSession::Pelkin_ServerClose()
{
    forgetArrivals(0);
    ConnectionClosed();
}

void NetSession::Pelkin_Error(int16_t &ClientNumber, int16_t Number, QString &Description, int32_t Scode,
                          const QString &Source, const QString &HelpFile, int32_t HelpContext, bool &CancelDisplay)
{
    Q_UNUSED(Scode);
    Q_UNUSED(Source);
    Q_UNUSED(HelpFile);
    Q_UNUSED(HelpContext);
    LinkState &s = m_link;
    CancelDisplay = true;
    // A connection turned away (or any client that is not the peer) has nothing to report.
    if (ClientNumber != 0 && ClientNumber != s.PeerClientNo)
        return;
    // The box waits for the user while socket events go on; errors meanwhile open no box
    // inside it, or peers that come and go would pile boxes up until the stack overflows.
    const auto box = [&](const QString &prompt) {
        if (m_errorBoxOpen)
            return;
        const QScopedValueRollback open(m_errorBoxOpen, true);
        m_ui.MsgBox(prompt, platform::vbOKOnly);
    };
    if (Number == 10061) {
        box(m_game.English ? QStringLiteral("Connect to other side possible. But Your opponent isn't ready at "
                                                    "this time! Please retry in a few seconds.")
                                   : QStringLiteral("Die andere Seite wurde erreicht. Der Spieler ist jedoch noch nicht "
                                                    "bereit! Versuche es in ein paar Sekunden nochmal."));
        s.CancelConnect = true;
    } else if (Number == 11004) {
        box(m_game.English ? QStringLiteral("Can't connect to Your opponent! Please check IP-Adress!")
                           : QStringLiteral("Konnte Gegenspieler nicht erreichen! Bitte IP-Adresse überprüfen!"));
    } else {
        box(QStringLiteral("Fehler-Nr: ") + QString::number(Number) + QStringLiteral("!\r\n") + Description);
    }
}

void NetSession::ConnectionClosed()
{
    const LinkState &s = m_link;
    const QString line = m_game.English ? QStringLiteral("--- Connection to ") + s.Nick[1] + QStringLiteral(" closed! ---")
                                        : QStringLiteral("--- Verbindung zu ") + s.Nick[1] + QStringLiteral(" getrennt! ---");
    m_peerLines.flush();
    m_peerVoices.flush();
    if (s.HandshakeDone) {
        AddChatLine(line);
        CloseConnection();
        m_ui.Playsound(QStringLiteral("p2pend"), false);
        return;
    }
    // A connection that ends before it linked is no dialogue: nothing goes into the log and
    // nothing sounds, and connections that come and go show at most a line a second.
    if (aSecondSince(m_lastEarlyClose))
        showChatLine(line, std::nullopt);
    closeLink(false);
}

void NetSession::cmdP2PClose_Click()
{
    const LinkState &s = m_link;
    if (s.NetworkGame) {
        m_peerLines.flush();
        m_peerVoices.flush();
        AddChatLine(m_game.English ? QStringLiteral("--- Connection closed by ") + s.Nick[0] + QStringLiteral("! ---")
                              : QStringLiteral("--- Verbindung wurde von ") + s.Nick[0] + QStringLiteral(" beendet! ---"));
        CloseConnection();
        m_ui.Playsound(QStringLiteral("p2pend"), false);
    } else {
        m_ui.MsgBox(m_game.English ? QStringLiteral("Connection already closed!")
                                   : QStringLiteral("Verbindung wurde bereits getrennt!"),
                         platform::vbOKOnly);
    }
}

void NetSession::CloseConnection() { closeLink(true); }

void NetSession::closeLink(bool writeFooter)
{
    LinkState &s = m_link;
    ++m_linkSerial;
    m_helloDeadline.stop();
    // The counts of lines not shown and messages not played belong to the dialogue, above the
    // footer.
    if (writeFooter) {
        m_peerLines.flush();
        m_peerVoices.flush();
    }
    // The control raises ClientDied or ServerClose for every connection still open before it
    // returns, so this procedure runs once more inside itself; every step below can be repeated.
    if (m_pelkin) {
        try {
            pelkin::Disconnect(*m_pelkin, 0);
        } catch (const platform::RuntimeError &) {
            // The link state is reset whatever the control says.
        }
    }
    // Nothing of the ended link is completed by the next one.
    forgetArrivals();
    m_ui.SetLampColor(LampNoLink);
    m_ui.SetPingTimer(0);
    s.NetworkGame = false;
    m_ui.EnableNetworkMenu(true);
    m_ui.EnableCloseButton(false);
    ShowTransferBar(false, QStringLiteral("Send"));
    ShowTransferBar(false, QStringLiteral("Get"));
    m_ui.SetRecordLabelEnabled(false);
    s.TotalIn = 0;
    s.TotalOut = 0;
    s.ReceivedIn = 0;
    s.SentOut = 0;
    s.KeepVoice = false;
    s.HandshakeDone = false;
    if (writeFooter)
        WriteLogFooter();
}

} // namespace gamenet
