// Keyboard and mouse control of the floating chip.
#include "game/window/Ostrel.h"

#include "game/window/ChatFrame.h"
#include "platform/ErrorGuard.h"
#include "platform/Twips.h"

#include <cmath>

namespace gamewindow {

using platform::Step;

void Ostrel::Form_KeyDown(int &KeyCode, int Shift)
{
    Q_UNUSED(Shift);
    platform::guardedSub(QStringLiteral("Form_KeyDown"), [&](Step &step) {
        rules::GameState &s = m_state;
        step([&] {
            if (KeyCode == 112) {
                KeyCode = 0;
                menHelp_Click();
            }
        });
        if (s.KeyHeld || !s.GameRunning || s.ComputerColor == s.CurrentPlayer)
            return;
        if (!m_net->localMoveReachesPeer())
            return;
        s.KeyHeld = true;
        step([&] {
            switch (KeyCode) {
            case 13:
                // In a network game Enter with text in the chat line belongs to the chat.
                if (!m_net->link().NetworkGame || m_chat->chatLineText().isEmpty())
                    ChipReleased();
                break;
            case 37: GoToTube(platform::toInt16(s.SelColumn - 1), false); break;
            case 39: GoToTube(platform::toInt16(s.SelColumn + 1), false); break;
            case 40: ChipReleased(); break;
            default: break;
            }
        });
    });
}

void Ostrel::Form_KeyUp(int KeyCode, int Shift)
{
    Q_UNUSED(KeyCode);
    Q_UNUSED(Shift);
    m_state.KeyHeld = false;
}

void Ostrel::Form_MouseDown(int Button, int Shift, double X, double Y)
{
    Q_UNUSED(Button);
    Q_UNUSED(Shift);
    Q_UNUSED(Y);
    m_mouseX = static_cast<int>(std::lround(X));
}

void Ostrel::Form_Click()
{
    if (m_mouseX < 0)
        return;
    for (int16_t i = 1; i <= 7; ++i) {
        const int left = m_playgrid.at(i)->leftTwips();
        const int width = static_cast<int>(platform::pixelsToTwips(m_playgrid.at(i)->width()));
        if (left <= m_mouseX && m_mouseX <= left + width)
            picPlaygrid_Click(i);
    }
    m_mouseX = -1;
}

void Ostrel::picPlaygrid_Click(int16_t Index)
{
    platform::guardedSub(QStringLiteral("picPlaygrid_Click"), [&](Step &step) {
        rules::GameState &s = m_state;
        if (s.KeyHeld || !s.GameRunning || s.ComputerColor == s.CurrentPlayer)
            return;
        const int16_t column = Index % 7;
        step([&] {
            if (m_net->localMoveReachesPeer())
                GoToTube(column, false);
        });
    });
}

void Ostrel::picPlaygrid_DblClick(int16_t Index)
{
    Q_UNUSED(Index);
    rules::GameState &s = m_state;
    if (s.ComputerColor != s.CurrentPlayer && s.GameRunning && m_net->localMoveReachesPeer())
        ChipReleased();
}

void Ostrel::picPlayBorder_Click(int16_t Index)
{
    if (Index >= 23 && Index <= 29)
        picPlaygrid_Click(platform::toInt16(Index - 22));
}

void Ostrel::picChip_DblClick(int16_t Index)
{
    // Without a game the floating chip may still show (a local game that a link ended); in a
    // network game it drops only as every other input does, where the peer replays the move.
    if (Index == 0 && m_state.ComputerColor != m_state.CurrentPlayer && m_net->localMoveReachesPeer())
        ChipReleased();
}

} // namespace gamewindow
