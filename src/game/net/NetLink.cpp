// The link between the two game programs: what changes when the connection comes up, the
// control's events, socket errors, and the end of the link from either side.
#include "game/net/NetSession.h"

#include "game/net/NetFraming.h"
#include "game/net/PelkinCalls.h"
#include "game/net/ShellVersion.h"
#include "platform/MsgBox.h"
#include "platform/RuntimeError.h"

#include <QScopedValueRollback>

#include <algorithm>
#include <limits>

namespace gamenet {

namespace {
constexpr int32_t LampNoLink = 0xE0E0E0;
} // namespace

void NetSession::Connected()
{
    LinkState &s = m_link;
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

// A connection comes up. It is greeted at once, as a joining peer expects; the window goes into
// the linked state only with the answer (the dispatcher's "<E>"), so a connection that never
// says hello changes nothing here.
void NetSession::Pelkin_ClientConnected(int16_t &ClientNumber)
{
    if (!m_admission.admit(ClientNumber)) {
        turnAway(ClientNumber);
        return;
    }
    m_link.PeerClientNo = ClientNumber;
    watchHello();
    SendPacket(framing::packet(framing::Tag::Hello, m_link.Nick[0] + QStringLiteral("|") + versionText()));
}

void NetSession::Pelkin_Connect()
{
    if (!m_admission.admit(0)) {
        turnAway(0);
        return;
    }
    watchHello();
}

// Closed at once and unseen: nothing is sent, shown or changed, and its end is nobody's. The
// control goes on listening.
void NetSession::turnAway(int16_t ClientNumber)
{
    if (m_pelkin) {
        try {
            pelkin::Disconnect(*m_pelkin, ClientNumber);
        } catch (const platform::RuntimeError &) {
            // Already gone: nothing to close.
        }
    }
    forgetArrivals(ClientNumber);
}

void NetSession::watchHello()
{
    m_helloTimer.start(int(std::clamp<qint64>(m_admission.helloDueIn(), 0, std::numeric_limits<int>::max())));
}

// A connection that never says hello would hold the only place for a peer.
void NetSession::helloOverdue()
{
    if (m_admission.state() != PeerAdmission::State::Greeting)
        return;
    if (!m_admission.helloOverdue()) {
        watchHello();
        return;
    }
    turnAway(m_admission.client());
}

void NetSession::Pelkin_ClientDied(int16_t &ClientNumber) { connectionEnded(ClientNumber, false); }

void NetSession::Pelkin_ServerClose() { connectionEnded(0, true); }

void NetSession::connectionEnded(int16_t ClientNumber, bool joining)
{
    forgetArrivals(ClientNumber);
    switch (m_admission.end(ClientNumber)) {
    case PeerAdmission::Ended::Stranger: return;
    case PeerAdmission::Ended::BeforeHello:
        // It was never a peer: nothing to show. A host that closes the joining side's
        // connection before its hello does not take it, as a host that refuses it.
        m_helloTimer.stop();
        if (joining) {
            m_admission.stopAwaiting();
            refusedByPeer();
        }
        return;
    case PeerAdmission::Ended::Link:
        if (m_link.HandshakeDone) {
            ConnectionClosed();
        } else {
            // Gone inside the handshake's pause: no dialogue began, nothing is logged or played.
            closeLink(false);
        }
        return;
    }
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
    if (Number == 10061) {
        refusedByPeer();
    } else if (Number == 11004) {
        errorBox(m_game.English ? QStringLiteral("Can't connect to Your opponent! Please check IP-Adress!")
                                : QStringLiteral("Konnte Gegenspieler nicht erreichen! Bitte IP-Adresse überprüfen!"));
    } else {
        errorBox(QStringLiteral("Fehler-Nr: ") + QString::number(Number) + QStringLiteral("!\r\n") + Description);
    }
}

void NetSession::refusedByPeer()
{
    errorBox(m_game.English ? QStringLiteral("Connect to other side possible. But Your opponent isn't ready at "
                                             "this time! Please retry in a few seconds.")
                            : QStringLiteral("Die andere Seite wurde erreicht. Der Spieler ist jedoch noch nicht "
                                             "bereit! Versuche es in ein paar Sekunden nochmal."));
    m_link.CancelConnect = true;
}

// The box waits for the user while socket events go on; errors meanwhile open no box inside it,
// or peers that come and go would pile boxes up until the stack overflows.
void NetSession::errorBox(const QString &Prompt)
{
    if (m_errorBoxOpen)
        return;
    const QScopedValueRollback open(m_errorBoxOpen, true);
    m_ui.MsgBox(Prompt, platform::vbOKOnly);
}

void NetSession::ConnectionClosed()
{
    const LinkState &s = m_link;
    m_peerLines.flush();
    m_peerVoices.flush();
    AddChatLine(m_game.English ? QStringLiteral("--- Connection to ") + s.Nick[1] + QStringLiteral(" closed! ---")
                               : QStringLiteral("--- Verbindung zu ") + s.Nick[1] + QStringLiteral(" getrennt! ---"));
    CloseConnection();
    m_ui.Playsound(QStringLiteral("p2pend"), false);
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
    m_helloTimer.stop();
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
    // Ended here or by the peer: the next peer comes with the next Connect.
    m_admission.reset();
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
