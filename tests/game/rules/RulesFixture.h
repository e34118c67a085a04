#pragma once
// Test stand-ins for the game rules: a window fake that logs what the rules ask of it (and can
// play a drop on the model like the real window does), scripted random numbers, and a plain
// 7 x 6 grid to check the line strings against.
#include "game/rules/GameRules.h"
#include "platform/MousePointer.h"
#include "platform/MsgBox.h"
#include "platform/Random.h"
#include "platform/RuntimeError.h"
#include "support/Zeptools.h"

#include <QStringList>

#include <array>
#include <deque>

// Numbers from a script first, then from a seeded generator.
class ScriptedRandom : public platform::RandomSource {
public:
    explicit ScriptedRandom(uint64_t seed = 1) : m_fallback(seed) {}
    void push(double r) { m_script.push_back(r); }
    double next() override
    {
        ++drawn;
        if (fail)
            platform::raiseError(5);
        if (m_script.empty())
            return m_fallback.next();
        const double r = m_script.front();
        m_script.pop_front();
        return r;
    }
    int drawn = 0;
    bool fail = false; // every draw raises error 5

private:
    std::deque<double> m_script;
    platform::SystemRandom m_fallback;
};

class FakeUi : public rules::GameUi {
public:
    explicit FakeUi(rules::GameState &state) : st(state) {}

    // A call whose log entry starts with failOn raises error 5 after it is logged.
    void maybeFail()
    {
        if (!failOn.isEmpty() && log.last().startsWith(failOn))
            platform::raiseError(5);
    }

    void GoToTube(int16_t Column, bool ByComputer) override
    {
        log << QStringLiteral("GoToTube %1 %2").arg(Column).arg(ByComputer);
        pointerDuringMove = platform::mousePointer();
        st.SelColumn = Column > 7 ? 1 : Column < 1 ? 7 : Column;
        ++goToTubeCalls;
        lastColumn = Column;
        maybeFail();
    }
    void ChipReleased() override
    {
        log << QStringLiteral("ChipReleased");
        if (playDrops && rules)
            drop();
    }
    void timPlayTimer_Timer() override
    {
        log << QStringLiteral("tick");
        ++ticks;
        maybeFail();
    }
    void Playsound(const QString &Name, bool Wait) override
    {
        log << QStringLiteral("Playsound %1 %2").arg(Name).arg(Wait);
        maybeFail();
    }
    void SetStatusColor(int32_t Color) override { log << QStringLiteral("StatusColor %1").arg(Color, 0, 16); }
    void SetPlayTimerInterval(int Milliseconds) override
    {
        log << QStringLiteral("Interval %1 %2").arg(st.TimerMode).arg(Milliseconds);
    }
    void SetResultColor(int32_t Color) override { log << QStringLiteral("ResultColor %1").arg(Color, 0, 16); }
    void ShowResultGame(const QString &Text) override
    {
        log << QStringLiteral("ShowResultGame");
        resultText = Text;
        maybeFail();
    }
    void CheckHighScore() override
    {
        log << QStringLiteral("CheckHighScore %1 %2").arg(st.Level).arg(st.TotalPoints);
    }
    void ShowFloatingChip(int16_t Player) override { log << QStringLiteral("ShowFloatingChip %1").arg(Player); }
    // The real box, which the tests answer with ScriptedMsgBoxes.
    int MsgBox(const QString &Prompt, int Style) override { return platform::MsgBox(Prompt, Style); }

    // The model part of a real drop into SelColumn: count, line strings, win and draw, turn.
    void drop()
    {
        const int16_t c = st.SelColumn;
        if (st.Tube[c] == 6)
            return;
        st.Tube[c] = int16_t(st.Tube[c] + 1);
        rules->AdjustPlayMatrix(int16_t((6 - st.Tube[c]) * 7 + c), st.CurrentPlayer);
        ++st.MoveCount;
        st.LastColumn = c;
        rules->CheckForWin(st.CurrentPlayer, false);
        if (st.MoveCount >= 42 && st.WinCells.trimmed().isEmpty()) {
            st.GameRunning = false;
            st.TimerMode = QStringLiteral("SHOWDRAWN");
            rules->CheckWinners(0);
        }
        if (st.GameRunning)
            rules->ChangeColor();
    }

    rules::GameState &st;
    rules::GameRules *rules = nullptr;
    bool playDrops = false;
    QString failOn;
    QStringList log;
    QString resultText;
    int ticks = 0;
    int goToTubeCalls = 0;
    int16_t lastColumn = -1;
    int pointerDuringMove = -1;
};

// A game window's rules with their fake window and generator.
struct RulesRig {
    explicit RulesRig(uint64_t seed = 1) : random(seed), ui(st), rules(st, ui, random)
    {
        ui.rules = &rules;
        rules.FillCalculateMatrix();
        newGame();
    }
    // The board part of a game start: empty columns, one "9" per cell of every line.
    void newGame()
    {
        for (int g = 0; g <= 4; ++g)
            for (int n = 0; n <= 7; ++n) {
                const int count = zeptools::CountItems(st.CalcMatrix[g][n], QStringLiteral(","));
                st.PlayMatrix[g][n] = g >= 1 && n >= 1 && count > 1 ? QString(count, QLatin1Char('9')) : QString();
            }
        st.Tube = {};
        st.WinCells.clear();
        st.MoveCount = 0;
        st.GameRunning = true;
    }
    // Chips dropped on the model only, alternating from `first`.
    void drops(std::initializer_list<int> columns, int16_t first)
    {
        int16_t p = first;
        for (int c : columns) {
            rules.SetChip(int16_t(c), p);
            p = p == 1 ? 2 : 1;
        }
    }
    rules::GameState st;
    ScriptedRandom random;
    FakeUi ui;
    rules::GameRules rules;
};

// The board as a plain grid: grid[row][column-1], row 0 at the top, 0 empty, 1 red, 2 yellow.
struct Grid {
    std::array<std::array<int, 7>, 6> cell{};
    std::array<int, 8> height{};

    int drop(int column, int player)
    {
        const int row = 5 - height[column];
        cell[row][column - 1] = player;
        ++height[column];
        return row * 7 + column;
    }
    int at(int number) const { return cell[(number - 1) / 7][(number - 1) % 7]; }
    bool fourInARow(int player) const
    {
        static const int dirs[4][2] = {{0, 1}, {1, 0}, {1, 1}, {1, -1}};
        for (int r = 0; r < 6; ++r)
            for (int c = 0; c < 7; ++c)
                for (const auto &d : dirs) {
                    int k = 0;
                    while (k < 4) {
                        const int rr = r + d[0] * k, cc = c + d[1] * k;
                        if (rr < 0 || rr >= 6 || cc < 0 || cc >= 7 || cell[rr][cc] != player)
                            break;
                        ++k;
                    }
                    if (k == 4)
                        return true;
                }
        return false;
    }
};

// Expected winning cells from the grid: in line order, the run of four or more of each line.
inline QString expectedWinCells(const rules::GameState &st, const Grid &grid, int player)
{
    QString cells;
    for (int g = 1; g <= 4; ++g)
        for (int n = 1; n <= 7; ++n) {
            if (st.CalcMatrix[g][n].isEmpty())
                continue;
            const QStringList items = st.CalcMatrix[g][n].split(QLatin1Char(','));
            QStringList run;
            QStringList best;
            for (const QString &item : items) {
                if (grid.at(item.toInt()) == player) {
                    run << item;
                    if (run.size() >= 4)
                        best = run;
                } else {
                    run.clear();
                }
            }
            for (const QString &item : best)
                cells += item + QLatin1Char(',');
        }
    return cells;
}
