// The computer opponent: opening reply, win now, block, then a one-move-deep rating by threat
// patterns and centre cells, a random choice among equals and a veto against a column on which
// the opponent could win by playing on top.
#include "game/rules/GameRules.h"
#include "game/rules/LineText.h"

#include "platform/ErrorGuard.h"
#include "platform/MousePointer.h"
#include "platform/RuntimeError.h"

#include <cmath>

namespace rules {

using platform::Step;

namespace {
constexpr int32_t kStartRating = -10000000;
constexpr int32_t kVetoPenalty = 100000;
constexpr int32_t kCentreBonus = 2;

constexpr std::array<bool, 43> centreCells()
{
    std::array<bool, 43> centre{};
    for (int cell : {4, 10, 11, 12, 16, 17, 18, 19, 20, 23, 24, 25, 26, 27, 31, 32, 33, 39})
        centre[cell] = true;
    return centre;
}
constexpr std::array<bool, 43> kCentre = centreCells();

int16_t opponentOf(int16_t colour) { return colour == 1 ? 2 : 1; }
} // namespace

bool isCentreCell(int cell) { return cell >= 0 && cell <= 42 && kCentre[cell]; }

void GameRules::CalculateNextMove()
{
    platform::guardedSub(QStringLiteral("CalculateNextMove"), [&](Step &step) {
        step([&] { platform::setMousePointer(platform::vbHourglass); });
        bool running = true;
        step([&] {
            running = m_state.GameRunning;
            if (!running) {
                platform::setMousePointer(platform::vbDefault);
                m_state.ComputerThinking = false;
            }
        });
        if (!running)
            return;

        int16_t column = 0;
        bool chosen = false;
        const int16_t computer = m_state.ComputerColor;
        const int16_t opponent = opponentOf(computer);

        // The opponent began: answer next to the middle, or in the middle.
        step([&] {
            if (m_state.StartPlayer != computer && m_state.MoveCount == 1) {
                m_ui.timPlayTimer_Timer();
                column = 4;
                if (m_state.LastColumn == 4)
                    column = static_cast<int>(std::floor(m_random.next() * 2)) == 0 ? 3 : 5;
                chosen = true;
            }
        });

        // Win at once if possible, else stop the opponent's immediate win.
        if (!chosen) {
            step([&] {
                for (int16_t p : {computer, opponent}) {
                    for (int16_t c = 1; c <= 7; ++c) {
                        if (tube(c) >= 6)
                            continue;
                        SetChip(c, p);
                        const bool wins = CheckForWin(p, true);
                        ResetChip(c);
                        if (wins) {
                            column = c;
                            chosen = true;
                            return;
                        }
                    }
                    m_ui.timPlayTimer_Timer();
                }
            });
        }

        if (!chosen) {
            step([&] {
                m_state.Score = {};
                for (int c = 1; c <= 7; ++c)
                    m_state.Score[c] = kStartRating;
            });
            step([&] { FindDecision(m_state.CurrentPlayer); });
            step([&] { column = TakeHighestTube(); });
            // At most two tests; a column with room for one chip only is never tested.
            step([&] {
                for (int test = 0; test < 2; ++test) {
                    if (tube(column) > 4)
                        return;
                    SetChip(column, computer);
                    SetChip(column, opponent);
                    const bool vetoed = CheckForWin(opponent, true);
                    ResetChip(column);
                    ResetChip(column);
                    if (!vetoed)
                        return;
                    score(column) = platform::toInt32(static_cast<long long>(score(column)) - kVetoPenalty);
                    column = TakeHighestTube();
                }
            });
        }

        step([&] { m_ui.GoToTube(column, true); });
        step([&] { m_ui.ChipReleased(); });
        step([&] {
            m_state.ComputerThinking = false;
            platform::setMousePointer(platform::vbDefault);
        });
    });
}

void GameRules::FindDecision(int16_t Player)
{
    platform::guarded(platform::ProcKind::Function, QStringLiteral("FindDecision"), [&](Step &step) {
        for (int16_t c = 1; c <= 7; ++c) {
            step([&] { m_ui.timPlayTimer_Timer(); });
            step([&] {
                if (tube(c) < 6) {
                    SetChip(c, Player);
                    JudgeMove(c, Player);
                    ResetChip(c);
                }
            });
        }
    });
}

void GameRules::JudgeMove(int16_t Column, int16_t Player)
{
    platform::guardedSub(QStringLiteral("JudgeMove"), [&](Step &step) {
        int16_t cell = 0;
        step([&] { cell = platform::toInt16((6 - tube(Column)) * 7 + Column); });
        step([&] {
            platform::checkSubscript(Player, 0, 2);
            int32_t &rating = score(Column);
            for (int k = 1; k <= 4; ++k) {
                const QString &pattern = m_state.Patterns[k][Player];
                const int32_t weight = patternWeight(k);
                for (int g = 1; g <= 4; ++g)
                    for (int n = 1; n <= 7; ++n)
                        if (detail::lineContains(m_state.PlayMatrix[g][n], pattern))
                            rating = platform::toInt32(static_cast<long long>(rating) + weight);
            }
        });
        step([&] {
            if (isCentreCell(cell))
                score(Column) = platform::toInt32(static_cast<long long>(score(Column)) + kCentreBonus);
        });
    });
}

int16_t GameRules::TakeHighestTube()
{
    return platform::guardedFunction(QStringLiteral("TakeHighestTube"), int16_t(0), [&](Step &step, int16_t &result) {
        long long best = 0;
        int16_t chosen = 0;
        std::array<int16_t, 7> ties{};
        int tieCount = 0;
        step([&] { best = static_cast<long long>(score(1)) - 1; });
        step([&] {
            for (int16_t c = 1; c <= 7; ++c) {
                if (tube(c) >= 6)
                    continue;
                if (chosen == 0)
                    chosen = c; // the first open column is the fallback
                const long long rating = score(c);
                if (rating == best) {
                    ties[tieCount++] = c;
                    chosen = c;
                }
                if (rating > best) {
                    tieCount = 0;
                    ties[tieCount++] = c;
                    best = rating;
                    chosen = c;
                }
            }
        });
        step([&] {
            if (tieCount > 1) {
                // Item Int(r * count + 1) of the tie list; a position past its end names no column.
                const double pick = std::floor(m_random.next() * tieCount + 1);
                chosen = pick >= 1 && pick <= tieCount ? ties[static_cast<int>(pick) - 1] : 0;
            }
        });
        step([&] { result = chosen; });
    });
}

} // namespace rules
