#include "game/net/NetSession.h"

namespace gamenet {

namespace {
// A person types a few chat lines a second at most.
constexpr int PeerLinesPerSecond = 10;
// A voice message is recorded by holding a key down and releasing it: about one a second.
constexpr int PeerVoicesPerSecond = 1;
} // namespace

NetSession::NetSession(NetUi &ui, rules::GameState &game, rules::GameRules &rules)
    : m_ui(ui), m_game(game), m_rules(rules), m_admission([this] { return m_ui.Uptime(); }),
      m_peerLines(PeerLinesPerSecond, [this] { return m_ui.Uptime(); }, [this](qint64 held) { sayHeldLines(held); }),
      m_peerVoices(PeerVoicesPerSecond, [this] { return m_ui.Uptime(); }, [this](qint64 held) { sayHeldVoices(held); })
{
    m_helloTimer.setSingleShot(true);
    QObject::connect(&m_helloTimer, &QTimer::timeout, &m_helloTimer, [this] { helloOverdue(); });
}

bool NetSession::aSecondSince(std::optional<qint64> &last)
{
    const qint64 now = m_ui.Uptime();
    if (last && now - *last < 1000)
        return false;
    last = now;
    return true;
}

// The control goes first: it must raise no event into a session that is half gone.
NetSession::~NetSession() { m_pelkin.reset(); }

// The peer replays a "<G>" or "<D>" only while its game runs, which a running game here implies;
// the turn keeps the two sides from moving at once.
bool NetSession::localMoveReachesPeer() const
{
    if (!m_link.NetworkGame)
        return true;
    return m_game.GameRunning && m_rules.OwnTurn(m_link.LocalIsRed) && !m_link.FromPeer;
}

} // namespace gamenet
