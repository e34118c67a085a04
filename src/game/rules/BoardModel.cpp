// The board model: the 25 lines as cell lists and as digit strings, trial moves and turns.
#include "game/rules/GameRules.h"

#include "platform/ErrorGuard.h"
#include "platform/MsgBox.h"
#include "platform/RuntimeError.h"
#include "support/Zeptools.h"

namespace rules {

using platform::Step;

namespace {
// Cell lists of the lines, slot (group, line). Group 1: diagonals down to the right (step 8),
// group 2: down to the left (step 6), group 3: rows, group 4: columns; each from its top cell.
struct LineList {
    int group;
    int line;
    const char *cells;
};
constexpr LineList kLines[] = {
    {1, 1, "15,23,31,39"},          {1, 2, "8,16,24,32,40"},         {1, 3, "1,9,17,25,33,41"},
    {1, 4, "2,10,18,26,34,42"},     {1, 5, "3,11,19,27,35"},         {1, 6, "4,12,20,28"},
    {2, 1, "4,10,16,22"},           {2, 2, "5,11,17,23,29"},         {2, 3, "6,12,18,24,30,36"},
    {2, 4, "7,13,19,25,31,37"},     {2, 5, "14,20,26,32,38"},        {2, 6, "21,27,33,39"},
    {3, 1, "1,2,3,4,5,6,7"},        {3, 2, "8,9,10,11,12,13,14"},    {3, 3, "15,16,17,18,19,20,21"},
    {3, 4, "22,23,24,25,26,27,28"}, {3, 5, "29,30,31,32,33,34,35"},  {3, 6, "36,37,38,39,40,41,42"},
    {4, 1, "1,8,15,22,29,36"},      {4, 2, "2,9,16,23,30,37"},       {4, 3, "3,10,17,24,31,38"},
    {4, 4, "4,11,18,25,32,39"},     {4, 5, "5,12,19,26,33,40"},      {4, 6, "6,13,20,27,34,41"},
    {4, 7, "7,14,21,28,35,42"},
};
} // namespace

GameRules::GameRules(GameState &state, GameUi &ui, platform::RandomSource &random)
    : m_state(state), m_ui(ui), m_random(random)
{
    indexCells();
}

int16_t &GameRules::tube(int16_t column)
{
    platform::checkSubscript(column, 0, 7);
    return m_state.Tube[column];
}

int32_t &GameRules::score(int16_t column)
{
    platform::checkSubscript(column, 0, 7);
    return m_state.Score[column];
}

void GameRules::FillCalculateMatrix()
{
    platform::guardedSub(QStringLiteral("FillCalculateMatrix"), [&](Step &step) {
        step([&] {
            m_state.CalcMatrix = LineTable{};
            for (const LineList &l : kLines)
                m_state.CalcMatrix[l.group][l.line] = QString::fromLatin1(l.cells);
        });
        step([&] {
            m_state.Patterns = PatternTable{};
            for (int p = 1; p <= 2; ++p) {
                const QString d = QString::number(p);
                m_state.Patterns[1][p] = QStringLiteral("99") + d + d;
                m_state.Patterns[2][p] = d + d + QStringLiteral("99");
                m_state.Patterns[3][p] = d + d + d + QStringLiteral("9");
                m_state.Patterns[4][p] = QStringLiteral("9") + d + d + d;
            }
        });
    });
    indexCells();
}

// Walks every slot and item of CalcMatrix once, as AdjustPlayMatrix would for each cell, and
// remembers where each cell was found, so that AdjustPlayMatrix touches the same positions in
// the same order without parsing the lists again.
void GameRules::indexCells()
{
    m_cellSlots = {};
    const QString comma = QStringLiteral(",");
    for (int g = 1; g <= 4; ++g) {
        for (int n = 1; n <= 7; ++n) {
            const QString &list = m_state.CalcMatrix[g][n];
            const int16_t count = zeptools::CountItems(list, comma);
            for (int16_t k = 1; k <= count; ++k) {
                const int cell = zeptools::GetItem(list, comma, k).toInt();
                if (cell < 0 || cell > 42)
                    continue;
                CellSlots &where = m_cellSlots[cell];
                if (where.count < where.at.size())
                    where.at[where.count++] = {uint8_t(g), uint8_t(n), uint8_t(k)};
            }
        }
    }
}

void GameRules::AdjustPlayMatrix(int16_t Cell, int16_t Value)
{
    platform::guardedSub(QStringLiteral("AdjustPlayMatrix"), [&](Step &step) {
        step([&] {
            if (Cell < 0 || Cell > 42)
                return; // no line holds such a cell
            const CellSlots &where = m_cellSlots[Cell];
            const bool oneDigit = Value >= 0 && Value <= 9;
            for (uint8_t i = 0; i < where.count; ++i) {
                const SlotPosition &at = where.at[i];
                QString &line = m_state.PlayMatrix[at.group][at.line];
                if (oneDigit && at.position <= line.size())
                    line[at.position - 1] = QChar(u'0' + Value);
                else
                    line = zeptools::ReplaceAt(line, at.position, QString::number(Value));
            }
        });
    });
}

void GameRules::SetChip(int16_t Column, int16_t Player)
{
    platform::guardedSub(QStringLiteral("SetChip"), [&](Step &step) {
        bool full = false;
        step([&] {
            full = tube(Column) >= 6;
            if (full)
                m_ui.MsgBox(QStringLiteral("FEHLER !!! Fillheight > 6 !"), platform::vbOKOnly);
        });
        if (full)
            return;
        int16_t cell = 0;
        step([&] { cell = platform::toInt16((5 - tube(Column)) * 7 + Column); });
        step([&] { AdjustPlayMatrix(cell, Player); });
        step([&] { tube(Column) = platform::toInt16(tube(Column) + 1); });
    });
}

void GameRules::ResetChip(int16_t Column)
{
    platform::guardedSub(QStringLiteral("ResetChip"), [&](Step &step) {
        step([&] { tube(Column) = platform::toInt16(tube(Column) - 1); });
        bool empty = false;
        step([&] {
            empty = tube(Column) < 0;
            if (empty) {
                tube(Column) = platform::toInt16(tube(Column) + 1);
                m_ui.MsgBox(QStringLiteral("Fehler!!! - Fillheight < 0 !)"), platform::vbOKOnly);
            }
        });
        if (empty)
            return;
        int16_t cell = 0;
        step([&] { cell = platform::toInt16((5 - tube(Column)) * 7 + Column); });
        step([&] { AdjustPlayMatrix(cell, 9); });
    });
}

void GameRules::ChangeColor()
{
    m_state.CurrentPlayer = m_state.CurrentPlayer == 1 ? 2 : 1;
    m_ui.ShowFloatingChip(m_state.CurrentPlayer);
}

bool GameRules::OwnTurn(bool LocalIsRed) const
{
    return LocalIsRed ? m_state.CurrentPlayer == 1 : m_state.CurrentPlayer == 2;
}

} // namespace rules
