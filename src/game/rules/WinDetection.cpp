// Four in a row: the player's digit four times in succession inside one line string.
#include "game/rules/GameRules.h"
#include "game/rules/LineText.h"

#include "platform/ErrorGuard.h"
#include "support/Zeptools.h"

#include <cmath>

namespace rules {

using platform::Step;

bool GameRules::CheckForWin(int16_t Player, bool TestOnly)
{
    bool result = false;
    platform::guardedSub(QStringLiteral("CheckForWin"), [&](Step &step) {
        static const QString redFour = QStringLiteral("1111");
        static const QString yellowFour = QStringLiteral("2222");
        QString four;
        step([&] {
            four = Player == 1 ? redFour : Player == 2 ? yellowFour : QString::number(Player).repeated(4);
        });
        step([&] {
            if (!m_state.WinCells.isEmpty())
                m_state.WinCells.clear();
        });
        bool found = false;
        step([&] {
            const QString digit = TestOnly ? QString() : QString::number(Player);
            const QString comma = QStringLiteral(",");
            for (int g = 1; g <= 4; ++g) {
                for (int n = 1; n <= 7; ++n) {
                    const QString &line = m_state.PlayMatrix[g][n];
                    if (!detail::lineContains(line, four))
                        continue;
                    if (TestOnly) {
                        found = true;
                        return;
                    }
                    // Collect the one run of four or more in this line, in the order of its cells.
                    QString run;
                    int count = 0;
                    for (qsizetype k = 1; k <= line.size(); ++k) {
                        if (line.mid(k - 1, 1) == digit) {
                            run += zeptools::GetItem(m_state.CalcMatrix[g][n], comma, platform::toInt16(k)) + comma;
                            ++count;
                        } else {
                            if (count >= 4)
                                break;
                            run.clear();
                            count = 0;
                        }
                    }
                    m_state.WinCells += run;
                }
            }
        });
        if (TestOnly) {
            result = found;
            return;
        }
        if (m_state.WinCells.isEmpty())
            return;
        step([&] { m_state.GameRunning = false; });
        step([&] {
            const int digit = static_cast<int>(std::floor(m_random.next() * 3)) + 1;
            m_ui.Playsound(QStringLiteral("PLWIN") + QString::number(digit), false);
        });
        step([&] { m_ui.SetStatusColor(m_state.CurrentPlayer == 1 ? 0xFF : 0xFFFF); });
        step([&] {
            m_state.TimerMode = QStringLiteral("SHOWWINNER");
            m_ui.SetPlayTimerInterval(400);
        });
        step([&] { CheckWinners(m_state.CurrentPlayer); });
    });
    return result;
}

} // namespace rules
