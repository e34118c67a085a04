// The dispatcher of received frames: takes whole frames off the front of the client's stream
// one at a time and acts on each by its tag. The peer's moves and game starts are replayed
// through the procedures that local input uses, with FromPeer set so that nothing is sent back.
// It is set for the replay alone: what the local player does while another frame waits (the
// handshake's pause, a voice message playing) is the player's own and goes to the peer.
// A frame cut by the transport waits in the stream for the rest of its bytes.
#include "game/net/NetSession.h"

#include "game/net/NetFraming.h"
#include "game/net/PelkinCalls.h"
#include "game/net/ShellVersion.h"
#include "platform/Ansi.h"
#include "platform/ErrorGuard.h"
#include "support/NumberText.h"
#include "support/Zeptools.h"

#include <QScopedValueRollback>

namespace gamenet {

using platform::Step;

namespace {
using framing::HeaderSize;
using framing::Tag;
// Waits inside the handling of a frame (the handshake's pause, a send waiting for the socket, a
// waited sound, a message box) let further arrivals run nested in it. A linked peer needs two or
// three levels; beyond this depth an arrival is only kept, and the runs below it take its frames
// once their waits are over.
constexpr int MaxArrivalDepth = 16;
} // namespace

void NetSession::warnUnidentified()
{
    if (!aSecondSince(m_lastWarning))
        return;
    AddChatLine(QStringLiteral("!!! Warnung!!! Nicht identifizierte Daten über Port erhalten!!!"));
}

void NetSession::Pelkin_DataArrival(int16_t &ClientNumber, int32_t bytesTotal, QByteArray &SendedBytes)
{
    Q_UNUSED(bytesTotal);
    const int16_t client = ClientNumber;
    bool accepted = true;
    const quint64 stream = m_arrivals.append(client, SendedBytes, accepted);
    // Junk costs at most one line per arrival, not one per frame, and none from a connection that
    // has not said hello: it is not heard at all.
    bool warned = false;
    const auto warn = [&] {
        if (warned || !m_admission.actsOn(client))
            return;
        warned = true;
        warnUnidentified();
    };
    if (!accepted)
        warn();
    if (m_arrivalDepth >= MaxArrivalDepth)
        return;
    const QScopedValueRollback depth(m_arrivalDepth, m_arrivalDepth + 1);
    LinkState &s = m_link;
    platform::guardedSub(QStringLiteral("Pelkin_DataArrival"), [&](Step &step) {
        for (;;) {
            // The frame leaves the stream before it is acted on: a run nested in its handling
            // goes on with the next one. The stream is looked up afresh every time, since the
            // connection may end while a frame is handled.
            QByteArrayView taken;
            qsizetype dropped = 0;
            switch (m_arrivals.take(client, stream, taken, dropped)) {
            case ArrivalBuffer::Take::Incomplete: return;
            case ArrivalBuffer::Take::Unknown: warn(); continue;
            case ArrivalBuffer::Take::Dropped:
                // A single stray byte is no message worth a line.
                if (dropped > 1)
                    warn();
                continue;
            case ArrivalBuffer::Take::Frame: break;
            }
            const Tag tag = framing::tagOf(taken);
            // Until its hello, a connection's frames are dropped unseen: it is no peer yet.
            if (tag != Tag::Hello && !m_admission.actsOn(client))
                continue;
            // Our own copy: the handling may wait, and arrivals nested in it change the stream.
            const QByteArray bytes = taken.toByteArray();
            const QByteArrayView frame(bytes);
            const qsizetype length = frame.size() - HeaderSize;
            QString text; // the whole frame as text, when the control converts it
            QString payload;
            // Voice blocks and their end stay bytes; the other frames are text, but for a start and
            // a ready answer, whose payload nothing reads.
            if (tag != Tag::Block && tag != Tag::AllSent && tag != Tag::Start && tag != Tag::Ready) {
                if (m_pelkin) {
                    text = pelkin::GetDataText(*m_pelkin, bytes);
                    payload = text.mid(int(HeaderSize));
                } else {
                    payload = platform::fromAnsi(frame.data() + HeaderSize, length);
                }
            }

            step([&] {
                switch (tag) {
                case Tag::Announce:
                    ReceiveVoiceAnnounce(payload);
                    SendPacket(framing::packet(Tag::Ready));
                    break;
                case Tag::Block:
                    GetSB(frame);
                    SendPacket(framing::packet(Tag::Ready));
                    break;
                case Tag::AllSent: ReceiveVoiceComplete(); break;
                case Tag::Start:
                    // A start arriving while one is replayed (its message box or glide still
                    // running) cannot be a peer's real start; it would only stack boxes.
                    if (!m_replayingStart) {
                        const QScopedValueRollback replaying(m_replayingStart, true);
                        // FromPeer gets its former value back: a replay may run nested in the wait of another.
                        const QScopedValueRollback fromPeer(s.FromPeer, true);
                        m_ui.ReplayStart();
                    }
                    break;
                case Tag::Glide:
                case Tag::Drop: {
                    // Replayed whoever is to move: a peer's double click on its floating chip drops
                    // a chip out of turn and sends "<D>", and a game start it made glides on our
                    // turn; refusing either would leave the two boards apart for good. A move
                    // counts only while a game runs (the floating chip is hidden otherwise) and
                    // with a column that fits, so nothing is added to a finished board.
                    const std::optional<int16_t> column = support::roundedValue<int16_t>(support::numberValue(payload));
                    if (column && m_game.GameRunning) {
                        const QScopedValueRollback fromPeer(s.FromPeer, true);
                        m_ui.ReplayGlide(*column);
                        if (tag == Tag::Drop)
                            m_ui.ReplayDrop();
                    }
                    break;
                }
                case Tag::Hello:
                    switch (m_admission.hello(client)) {
                    case PeerAdmission::Hello::Refused: break;
                    case PeerAdmission::Hello::First:
                        m_helloTimer.stop();
                        Connected();
                        handshake(payload, true);
                        break;
                    case PeerAdmission::Hello::Again: handshake(payload, false); break;
                    }
                    break;
                case Tag::Text: {
                    const QString newName =
                        GetNick(1, m_pelkin ? text.mid(framing::TagSize)
                                         : platform::fromAnsi(frame.data() + framing::TagSize, framing::FieldSize) + payload);
                    if (newName.isEmpty() && peerLineShown()) {
                        AddChatLine(payload, 2);
                        m_ui.Playsound(QStringLiteral("msgarriv"), false);
                    }
                    break;
                }
                case Tag::Ready: SendSB(); break;
                case Tag::Unknown: break;
                }
            });
        }
    });
}

void NetSession::forgetArrivals(std::optional<int16_t> ClientNumber)
{
    if (ClientNumber)
        m_arrivals.forget(*ClientNumber);
    else
        m_arrivals.forgetAll();
}

void NetSession::handshake(const QString &Payload, bool first)
{
    LinkState &s = m_link;
    s.NetworkGame = true;
    // Only the peer's first hello pauses: a later one has nothing to wait for, and a flood of
    // them would otherwise hold the dispatcher for a second each.
    if (first) {
        const quint64 peer = m_admission.ticket();
        m_ui.Delay(1);
        // The peer went during the pause: its handshake ends here, with nothing shown, sent or
        // set.
        if (!m_admission.linkedWith(peer))
            return;
    }
    if (s.HandshakeDone)
        return;
    const QString bar = QStringLiteral("|");
    s.Nick[1] = zeptools::GetItem(Payload, bar, 1);
    const QString peerVersion = zeptools::GetItem(Payload, bar, 2);
    AddChatLine(m_game.English ? QStringLiteral("  --- Connected with ") + s.Nick[1] + QStringLiteral("! ---")
                          : QStringLiteral("  --- Verbunden mit ") + s.Nick[1] + QStringLiteral("! ---"));
    s.PeerNameAtConnect = s.Nick[1];
    s.HandshakeDone = true;
    SendPacket(framing::packet(Tag::Hello, s.Nick[0] + bar + versionText()));
    m_ui.SetLampColor(s.KeepVoice ? 0xFFFF : 0xFF);
    if (peerVersion != versionText())
        AddChatLine(m_game.English ? QStringLiteral("--- Attention! - ") + s.Nick[1] + QStringLiteral(" is using version: ")
                                    + peerVersion + QStringLiteral(". You are using: ") + versionText()
                                    + QStringLiteral(" ---")
                              : QStringLiteral("--- Achtung! - ") + s.Nick[1] + QStringLiteral(" spielt mit: ") + peerVersion
                                    + QStringLiteral(". Das hier laufende Programm ist: ") + versionText()
                                    + QStringLiteral(" ---"));
    m_ui.Playsound(QStringLiteral("p2pstart"), false);
}

} // namespace gamenet
