// Stand-ins for procedures that other branches of the network play provide. Delete this file
// (and the declarations marked "Stand-ins" in Ostrel.h and GameState.h) when they land.
#include "game/window/Ostrel.h"

#include <QGroupBox>

namespace gamewindow {

// Stand-in: the tally caption of the chat frame with the current names and no wins counted.
void Ostrel::act_ChatCaption()
{
    const rules::GameState &s = m_state;
    m_frmChat->setTitle((s.English ? QStringLiteral("    Won games ->  ") : QStringLiteral("    Gewonnene Spiele ->  "))
                        + s.Nick[0] + QStringLiteral(" : 0    ") + s.Nick[1] + QStringLiteral(" : 0 "));
}

} // namespace gamewindow
