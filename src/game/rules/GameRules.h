#pragma once
// The game rules of one main window: the board model and its line strings, four-in-a-row
// detection, the computer opponent and the points of a series. They work on the window's
// GameState, reach the window through GameUi and draw random numbers from the window's generator.
//
// The line strings stay the model of record (a win is "1111" or "2222" inside a line string,
// threats are patterns found in them); the hot paths only avoid re-parsing the cell lists and
// allocating, with results identical to walking every slot and item.
#include "game/rules/GameState.h"
#include "game/rules/GameUi.h"
#include "platform/Random.h"

#include <QString>

#include <array>
#include <cstdint>

namespace rules {

// Weight of threat kind 1..4.
constexpr int32_t patternWeight(int kind) { return kind / 2 + 5; }
// Cells around the middle of the board that earn a chip a bonus of 2.
bool isCentreCell(int cell);
// A whole number written with the pattern "###,###,##0": thousands grouped with the group
// separator of the current locale's number settings, 0 written as "0".
QString formatPoints(long long value);

class GameRules {
public:
    GameRules(GameState &state, GameUi &ui, platform::RandomSource &random);

    // Board model.
    void FillCalculateMatrix();
    void AdjustPlayMatrix(int16_t Cell, int16_t Value);
    void SetChip(int16_t Column, int16_t Player);
    void ResetChip(int16_t Column);
    void ChangeColor();
    // In a network game: the player to move plays the own colour (red when LocalIsRed).
    bool OwnTurn(bool LocalIsRed) const;

    // Four in a row. TestOnly: only answer; otherwise fill WinCells and end the game on a win.
    bool CheckForWin(int16_t Player, bool TestOnly);

    // Computer opponent.
    void CalculateNextMove();
    void FindDecision(int16_t Player);
    void JudgeMove(int16_t Column, int16_t Player);
    int16_t TakeHighestTube();

    // Points series.
    void RaiseLevel();
    void CheckWinners(int16_t Winner);

    GameState &state() { return m_state; }

private:
    struct SlotPosition {
        uint8_t group;
        uint8_t line;
        uint8_t position; // 1-based position in the line
    };
    struct CellSlots {
        uint8_t count = 0;
        std::array<SlotPosition, 4> at{};
    };

    void indexCells();
    bool lineTestWin(int16_t Player) const;
    int16_t &tube(int16_t column);
    int32_t &score(int16_t column);

    GameState &m_state;
    GameUi &m_ui;
    platform::RandomSource &m_random;
    // Where each cell 0..42 stands in the line lists, in the order of the slot walk. Cell 0
    // stands in the three empty slots, which count one item of value 0.
    std::array<CellSlots, 43> m_cellSlots{};
};

} // namespace rules
