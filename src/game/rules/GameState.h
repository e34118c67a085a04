#pragma once
// The state one main window shares between the game rules and the window: board model, series
// points, play timer mode, game flags and the high-score table; the state of a network link is
// the network session's. Member names are the names the rest of the program uses for them. There
// is one GameState per main window and no global copy, so two windows (two players of a network
// game) can live in one process.
//
// Integers are 16-bit where the game counts in 16 bits (overflow checks rely on it), 32-bit for
// points. Arrays keep the original index ranges: element 0 of Tube and Score and row/column 0
// of the line tables are never used.
#include <QString>

#include <array>
#include <cstdint>

namespace rules {

// Slot (group 0..4, line 0..7); groups 1..4 and lines 1..7 are used.
using LineTable = std::array<std::array<QString, 8>, 5>;
// Slot (kind 0..4, player 0..2); kinds 1..4 and players 1..2 are used.
using PatternTable = std::array<std::array<QString, 3>, 5>;

struct GameState {
    // Board model.
    int16_t CurrentPlayer = 0;        // 1 red, 2 yellow; after a win the winner; 0 before the first game
    std::array<int16_t, 8> Tube{};    // chips in columns 1..7, 0..6
    LineTable CalcMatrix;             // the 25 lines as comma lists of cell numbers
    LineTable PlayMatrix;             // the same lines as digit strings: "9" empty, "1" red, "2" yellow
    PatternTable Patterns;            // threat patterns of the computer opponent
    std::array<int32_t, 8> Score{};   // rating of columns 1..7 for the move being chosen
    QString WinCells;                 // cells of every winning run, each followed by ","; "" = no win
    int16_t SelColumn = 0;            // column under the floating chip, 0 until placed
    int16_t MoveCount = 0;            // chips dropped in this game
    int16_t LastColumn = 0;           // column of the last drop
    int16_t StartPlayer = 0;          // who moved first in this game
    int16_t ComputerColor = 0;        // colour the computer plays; 0 = no computer

    // Points series.
    int16_t Level = 0;
    int32_t TotalPoints = 0;
    double TimeLeft = 0.0;            // human's thinking time left, percent

    // Play timer and game flags.
    QString TimerMode;                // "THINKING", "TIMECONTROL", "SHOWWINNER", "SHOWDRAWN" or ""
    bool ComputerThinking = false;
    bool GameRunning = false;
    bool KeyHeld = false;
    bool FormLoading = false;
    bool TimeLimitActive = false;
    bool PointsMode = false;
    bool English = false;
    bool SoundBusy = false;
    bool ResultShown = false;

    // High-score table, index 0 = first place, 0 points = empty place.
    std::array<QString, 5> HighNames;
    std::array<int32_t, 5> HighPoints{};
};

} // namespace rules
