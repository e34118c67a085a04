// The won-games tally of a network link. Each side judges every game itself and counts it once,
// however often the status line shows the win.
#include "game/window/Ostrel.h"

namespace gamewindow {

void Ostrel::NotifyResults(int16_t &ActPlayer)
{
    rules::GameState &s = m_state;
    if (s.ResultNotified != 0)
        return;
    const int index = s.LocalIsRed ? (ActPlayer == 1 ? 0 : 1) : (ActPlayer == 1 ? 1 : 0);
    s.GamesWon[index] += 1;
    act_ChatCaption();
    s.ResultNotified = ActPlayer;
}

void Ostrel::act_ChatCaption()
{
    const rules::GameState &s = m_state;
    // The counts are whole numbers; their shortest decimal text has no decimals.
    const auto count = [](float value) { return QString::number(double(value), 'g', 9); };
    m_frmChat->setTitle((s.English ? QStringLiteral("    Won games ->  ") : QStringLiteral("    Gewonnene Spiele ->  "))
                        + s.Nick[0] + QStringLiteral(" : ") + count(s.GamesWon[0]) + QStringLiteral("    ") + s.Nick[1]
                        + QStringLiteral(" : ") + count(s.GamesWon[1]) + QStringLiteral(" "));
}

} // namespace gamewindow
