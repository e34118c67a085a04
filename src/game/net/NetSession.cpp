#include "game/net/NetSession.h"

namespace gamenet {

NetSession::NetSession(NetUi &ui, rules::GameState &game, rules::GameRules &rules)
    : m_ui(ui), m_game(game), m_rules(rules)
{
}

// The control goes first: it must raise no event into a session that is half gone.
NetSession::~NetSession() { m_pelkin.reset(); }

} // namespace gamenet
