#include "game/net/NetSession.h"

namespace gamenet {

NetSession::NetSession(NetUi &ui, rules::GameState &game, rules::GameRules &rules)
    : m_ui(ui), m_game(game), m_rules(rules)
{
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
