// The won-games tally of a network link. Each side judges every game itself and counts it once,
// however often the status line shows the win.
#include "game/net/NetSession.h"

namespace gamenet {

void NetSession::NotifyResults(const int16_t &ActPlayer)
{
    LinkState &s = m_link;
    if (s.ResultNotified != 0)
        return;
    const int index = s.LocalIsRed ? (ActPlayer == 1 ? 0 : 1) : (ActPlayer == 1 ? 1 : 0);
    s.GamesWon[index] += 1;
    act_ChatCaption();
    s.ResultNotified = ActPlayer;
}

void NetSession::act_ChatCaption()
{
    const LinkState &s = m_link;
    // The counts are whole numbers; their shortest decimal text has no decimals.
    const auto count = [](float value) { return QString::number(double(value), 'g', 9); };
    m_ui.SetChatCaption((m_game.English ? QStringLiteral("    Won games ->  ") : QStringLiteral("    Gewonnene Spiele ->  "))
                        + s.Nick[0] + QStringLiteral(" : ") + count(s.GamesWon[0]) + QStringLiteral("    ") + s.Nick[1]
                        + QStringLiteral(" : ") + count(s.GamesWon[1]) + QStringLiteral(" "));
}

} // namespace gamenet
