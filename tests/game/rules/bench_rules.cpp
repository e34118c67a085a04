// Speed of one computer decision (CalculateNextMove) on random mid-game positions, with a window
// that does nothing. Prints the median and quartiles in microseconds, for all positions and for
// those that need the full rating (no immediate win or threat).
//   bench_rules [positions] [seed]
#include "game/rules/GameRules.h"
#include "platform/MsgBox.h"
#include "platform/Random.h"
#include "support/Zeptools.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

class SilentUi : public rules::GameUi {
public:
    void GoToTube(int16_t Column, bool) override { chosen = Column; }
    void ChipReleased() override {}
    void timPlayTimer_Timer() override { ++ticks; }
    void Playsound(const QString &, bool) override {}
    void SetStatusColor(int32_t) override {}
    void SetPlayTimerInterval(int) override {}
    void SetResultColor(int32_t) override {}
    void ShowResultGame(const QString &) override {}
    void CheckHighScore() override {}
    void ShowFloatingChip(int16_t) override {}
    int MsgBox(const QString &, int) override { return platform::vbOK; }
    int16_t chosen = 0;
    int ticks = 0;
};

double percentile(std::vector<double> v, double q)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[static_cast<size_t>(q * (v.size() - 1))];
}

} // namespace

int main(int argc, char **argv)
{
    const int positions = argc > 1 ? std::atoi(argv[1]) : 20000;
    const uint64_t seed = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 12345;

    rules::GameState st;
    SilentUi ui;
    platform::SystemRandom random(seed);
    rules::GameRules game(st, ui, random);
    game.FillCalculateMatrix();

    std::vector<double> all, rated;
    all.reserve(positions);
    int made = 0;
    while (made < positions) {
        for (int g = 0; g <= 4; ++g)
            for (int n = 0; n <= 7; ++n) {
                const int count = zeptools::CountItems(st.CalcMatrix[g][n], QStringLiteral(","));
                st.PlayMatrix[g][n] = g && n && count > 1 ? QString(count, QLatin1Char('9')) : QString();
            }
        st.Tube = {};
        // 8 to 24 random chips, no line of four yet.
        const int chips = 8 + static_cast<int>(random.next() * 17);
        int16_t player = 1;
        bool won = false;
        for (int i = 0; i < chips && !won; ++i) {
            int16_t c;
            do
                c = static_cast<int16_t>(1 + random.next() * 7);
            while (st.Tube[c] >= 6);
            game.SetChip(c, player);
            won = game.CheckForWin(player, true);
            player = player == 1 ? 2 : 1;
        }
        if (won)
            continue;
        st.GameRunning = true;
        st.ComputerColor = 1;
        st.StartPlayer = 1;
        st.CurrentPlayer = 1;
        st.MoveCount = static_cast<int16_t>(chips);
        ui.ticks = 0;

        const auto start = std::chrono::steady_clock::now();
        game.CalculateNextMove();
        const auto end = std::chrono::steady_clock::now();
        const double us = std::chrono::duration<double, std::micro>(end - start).count();
        all.push_back(us);
        if (ui.ticks == 9) // both scans found nothing, seven ratings followed
            rated.push_back(us);
        ++made;
    }

    std::printf("one computer decision, %d random mid-game positions (seed %llu)\n", positions,
                static_cast<unsigned long long>(seed));
    std::printf("  all positions:        median %.2f us  (25%% %.2f, 75%% %.2f, 99%% %.2f)\n", percentile(all, 0.5),
                percentile(all, 0.25), percentile(all, 0.75), percentile(all, 0.99));
    std::printf("  full rating (%5zu):   median %.2f us  (25%% %.2f, 75%% %.2f, 99%% %.2f)\n", rated.size(),
                percentile(rated, 0.5), percentile(rated, 0.25), percentile(rated, 0.75), percentile(rated, 0.99));
    return 0;
}
