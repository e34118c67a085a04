// The computer opponent: opening replies, winning and blocking, the rating with its random
// choice among equals, the veto, the pointer and the animation calls, and whole games.
#include "RulesFixture.h"
#include "common/ScriptedMsgBoxes.h"
#include "platform/AppTitle.h"

#include <QTest>

#include <algorithm>
#include <cmath>
#include <map>
#include <vector>

using namespace rules;

namespace {
constexpr int32_t kStart = -10000000;

// The computer (red) to move after `columns`, dropped alternately from `first`, on the model
// and on a grid.
struct ComputerRig : RulesRig {
    explicit ComputerRig(std::initializer_list<int> columns = {}, int16_t first = 1, uint64_t seed = 1)
        : RulesRig(seed)
    {
        int16_t p = first;
        for (int c : columns) {
            rules.SetChip(int16_t(c), p);
            grid.drop(c, p);
            p = p == 1 ? 2 : 1;
        }
        st.ComputerColor = 1;
        st.CurrentPlayer = 1;
        st.StartPlayer = 1;
        st.MoveCount = int16_t(columns.size());
        st.ComputerThinking = true;
    }
    // Red, then yellow on top in column c, gives yellow four in a row.
    bool opponentWinsOnTop(int c) const
    {
        if (grid.height[c] > 4)
            return false;
        Grid g = grid;
        g.drop(c, 1);
        g.drop(c, 2);
        return g.fourInARow(2);
    }
    bool winsAt(int c, int player) const
    {
        if (grid.height[c] >= 6)
            return false;
        Grid g = grid;
        g.drop(c, player);
        return g.fourInARow(player);
    }
    // Ratings before any veto, from a search on a copy of the board.
    std::array<int32_t, 8> ratings()
    {
        GameState copy = st;
        FakeUi quiet(copy);
        GameRules other(copy, quiet, random);
        other.FillCalculateMatrix();
        copy.Score = {};
        for (int c = 1; c <= 7; ++c)
            copy.Score[c] = kStart;
        other.FindDecision(1);
        return copy.Score;
    }
    Grid grid;
};

// The computer's rated choice worked out literally on a plain grid: every open column is tried,
// all 25 line strings are written out from the grid and searched for the mover's four patterns,
// the centre cells add 2, ties are drawn from the same generator, at most two vetoes.
struct LiteralSearch {
    explicit LiteralSearch(const GameState &st, uint64_t seed) : random(seed)
    {
        for (int g = 1; g <= 4; ++g)
            for (int n = 1; n <= 7; ++n)
                if (!st.CalcMatrix[g][n].isEmpty()) {
                    lines.emplace_back();
                    for (const QString &item : st.CalcMatrix[g][n].split(QLatin1Char(',')))
                        lines.back().push_back(item.toInt());
                }
    }
    std::vector<std::vector<int>> lines;
    platform::SystemRandom random;
    int drawn = 0;
    int vetoes = 0;
    std::array<int32_t, 8> score{};

    int32_t rate(const Grid &grid, int column, int player) const
    {
        Grid trial = grid;
        const int cell = trial.drop(column, player);
        const QChar p = QChar(u'0' + player);
        const QString patterns[4] = {QStringLiteral("99") + p + p, QString(p) + p + QStringLiteral("99"),
                                     QString(p) + p + p + QLatin1Char('9'), QStringLiteral("9") + p + p + p};
        const int32_t weights[4] = {5, 6, 6, 7};
        int32_t rating = kStart;
        for (int k = 0; k < 4; ++k)
            for (const std::vector<int> &line : lines) {
                QString text;
                for (int c : line)
                    text += trial.at(c) ? QChar(u'0' + trial.at(c)) : QLatin1Char('9');
                if (text.contains(patterns[k]))
                    rating += weights[k];
            }
        static const std::vector<int> centre = {4, 10, 11, 12, 16, 17, 18, 19, 20, 23, 24, 25, 26, 27, 31, 32, 33, 39};
        if (std::find(centre.begin(), centre.end(), cell) != centre.end())
            rating += 2;
        return rating;
    }
    int highest(const Grid &grid)
    {
        long long best = score[1] - 1LL;
        int chosen = 0;
        std::vector<int> ties;
        for (int c = 1; c <= 7; ++c) {
            if (grid.height[c] >= 6)
                continue;
            if (chosen == 0)
                chosen = c;
            if (score[c] == best) {
                ties.push_back(c);
                chosen = c;
            } else if (score[c] > best) {
                ties = {c};
                best = score[c];
                chosen = c;
            }
        }
        if (ties.size() > 1) {
            ++drawn;
            chosen = ties[size_t(std::floor(random.next() * double(ties.size()) + 1)) - 1];
        }
        return chosen;
    }
    // Red to move, no win and no block on the board.
    int choose(const Grid &grid)
    {
        score = {};
        for (int c = 1; c <= 7; ++c)
            score[c] = grid.height[c] < 6 ? rate(grid, c, 1) : kStart;
        int column = highest(grid);
        for (int test = 0; test < 2 && grid.height[column] <= 4; ++test) {
            Grid trial = grid;
            trial.drop(column, 1);
            trial.drop(column, 2);
            if (!trial.fourInARow(2))
                break;
            ++vetoes;
            score[column] -= 100000;
            column = highest(grid);
        }
        return column;
    }
};

} // namespace

class TestOpponent : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { platform::setAppTitle(QStringLiteral("Ostrel")); }
    void emptyBoardIsAnsweredInTheMiddleAfterNineAnimationSteps();
    void openingInTheMiddleIsAnsweredBesideItAtRandom();
    void openingElsewhereIsAnsweredInTheMiddle();
    void lowestWinningColumnIsTaken();
    void lowestThreatIsBlocked();
    void randomPositionsWinBlockAndNeverChooseAFullColumn();
    void ratingCountsOwnPatternsOnTheWholeBoardAndTheCentre();
    void equalRatingsAreChosenEquallyOften();
    void tiedColumnIsItemIntOfRTimesCountPlusOne();
    void ratedChoicesAgreeWithALiteralSearchOnAPlainGrid();
    void openingReplyOnlyAnswersTheOpponentsFirstChip();
    void highestTubeSkipsFullColumnsAndFallsBack();
    void vetoedColumnGivesWayToTheNextBest();
    void twoVetoesPlayTheThirdChoiceUntested();
    void vetoedThenAcceptedThirdChoice();
    void columnWithFourChipsIsTestedAndVetoed();
    void columnWithFiveChipsIsNeverTested();
    void noGameRunningPlaysNothing();
    void ratingAnimatesSevenTimesAndLeavesFullColumnsAtTheStart();
    void errorsInTheSearchNameTheirProcedure();
    void wholeGamesAgainstScriptedOpponentsEndWithTheRightCells();
    void scriptedDrawEndsAsADraw();
};

void TestOpponent::emptyBoardIsAnsweredInTheMiddleAfterNineAnimationSteps()
{
    ComputerRig rig;
    rig.rules.CalculateNextMove();
    QStringList expected;
    for (int i = 0; i < 9; ++i)
        expected << QStringLiteral("tick");
    expected << QStringLiteral("GoToTube 4 1") << QStringLiteral("ChipReleased");
    QCOMPARE(rig.ui.log, expected);
    QCOMPARE(rig.st.Score[4], kStart + 2);
    for (int c : {1, 2, 3, 5, 6, 7})
        QCOMPARE(rig.st.Score[c], kStart);
    QCOMPARE(rig.st.Score[0], 0);
    QCOMPARE(rig.random.drawn, 0);
    QCOMPARE(rig.ui.pointerDuringMove, int(platform::vbHourglass));
    QCOMPARE(platform::mousePointer(), int(platform::vbDefault));
    QCOMPARE(rig.st.ComputerThinking, false);
    // The search leaves the model as it found it.
    QCOMPARE(rig.st.Tube, (std::array<int16_t, 8>{}));
    QCOMPARE(rig.st.PlayMatrix[3][6], QStringLiteral("9999999"));
}

void TestOpponent::openingInTheMiddleIsAnsweredBesideItAtRandom()
{
    for (const auto &[r, column] : {std::pair{0.0, 3}, std::pair{0.4999, 3}, std::pair{0.5, 5}, std::pair{0.99, 5}}) {
        ComputerRig rig({4}, 2);
        rig.st.StartPlayer = 2;
        rig.st.LastColumn = 4;
        rig.random.push(r);
        rig.rules.CalculateNextMove();
        QCOMPARE(rig.ui.log, (QStringList{QStringLiteral("tick"), QStringLiteral("GoToTube %1 1").arg(column),
                                          QStringLiteral("ChipReleased")}));
    }
    // With a seeded generator each side is taken about half of the time.
    ScriptedRandom seeded(20240601);
    std::map<int, int> taken;
    for (int i = 0; i < 4000; ++i) {
        ComputerRig rig({4}, 2);
        rig.st.StartPlayer = 2;
        rig.st.LastColumn = 4;
        rig.random.push(seeded.next());
        rig.rules.CalculateNextMove();
        ++taken[rig.ui.lastColumn];
    }
    QCOMPARE(taken.size(), size_t(2));
    QVERIFY2(taken[3] > 1800 && taken[5] > 1800, qPrintable(QStringLiteral("%1 / %2").arg(taken[3]).arg(taken[5])));
}

void TestOpponent::openingElsewhereIsAnsweredInTheMiddle()
{
    for (int first = 1; first <= 7; ++first) {
        if (first == 4)
            continue;
        ComputerRig rig({first}, 2);
        rig.st.StartPlayer = 2;
        rig.st.LastColumn = int16_t(first);
        rig.rules.CalculateNextMove();
        QCOMPARE(rig.ui.lastColumn, int16_t(4));
        QCOMPARE(rig.random.drawn, 0);
        QCOMPARE(rig.ui.ticks, 1);
    }
}

void TestOpponent::lowestWinningColumnIsTaken()
{
    // Red three high in columns 2 and 6; yellow scattered on the bottom row.
    ComputerRig rig({2, 1, 6, 7, 2, 4, 6, 1, 2, 7, 6}, 1);
    QVERIFY(rig.winsAt(2, 1) && rig.winsAt(6, 1));
    rig.rules.CalculateNextMove();
    QCOMPARE(rig.ui.log, (QStringList{QStringLiteral("GoToTube 2 1"), QStringLiteral("ChipReleased")}));
}

void TestOpponent::lowestThreatIsBlocked()
{
    // Yellow three high in columns 5 and 7; red cannot win.
    ComputerRig rig({1, 5, 3, 7, 1, 5, 6, 7, 3, 5, 6, 7}, 1);
    for (int c = 1; c <= 7; ++c)
        QVERIFY(!rig.winsAt(c, 1));
    QVERIFY(rig.winsAt(5, 2) && rig.winsAt(7, 2));
    rig.rules.CalculateNextMove();
    QCOMPARE(rig.ui.log,
             (QStringList{QStringLiteral("tick"), QStringLiteral("GoToTube 5 1"), QStringLiteral("ChipReleased")}));
}

void TestOpponent::randomPositionsWinBlockAndNeverChooseAFullColumn()
{
    platform::SystemRandom gen(99);
    int wins = 0, blocks = 0, rated = 0;
    for (int game = 0; game < 3000; ++game) {
        ComputerRig rig({}, 1, uint64_t(game) + 1);
        const int chips = 2 + int(gen.next() * 36);
        int16_t p = 1;
        bool over = false;
        for (int i = 0; i < chips && !over; ++i) {
            int c;
            do
                c = 1 + int(gen.next() * 7);
            while (rig.grid.height[c] >= 6);
            rig.rules.SetChip(int16_t(c), p);
            rig.grid.drop(c, p);
            over = rig.grid.fourInARow(p);
            p = p == 1 ? 2 : 1;
        }
        if (over)
            continue;
        rig.st.MoveCount = int16_t(chips);
        const GameState before = rig.st;
        rig.rules.CalculateNextMove();
        const int chosen = rig.ui.lastColumn;
        QVERIFY(chosen >= 1 && chosen <= 7);
        QVERIFY2(rig.grid.height[chosen] < 6, "a full column was chosen");
        int expected = 0;
        for (int player : {1, 2}) {
            for (int c = 1; c <= 7 && !expected; ++c)
                if (rig.winsAt(c, player))
                    expected = c;
            if (expected) {
                (player == 1 ? wins : blocks)++;
                break;
            }
        }
        if (expected)
            QCOMPARE(chosen, expected);
        else
            ++rated;
        QCOMPARE(rig.st.Tube, before.Tube);
        QVERIFY(rig.st.PlayMatrix == before.PlayMatrix);
    }
    QVERIFY(wins > 100 && blocks > 100 && rated > 100);
}

void TestOpponent::ratingCountsOwnPatternsOnTheWholeBoardAndTheCentre()
{
    // Red at 36 and 37, trial at 38: the bottom row reads 1119999, which holds 1119 and 1199.
    ComputerRig rig({1, 7, 2}, 1);
    rig.st.Score[3] = kStart;
    rig.rules.SetChip(3, 1);
    rig.rules.JudgeMove(3, 1);
    rig.rules.ResetChip(3);
    QCOMPARE(rig.st.Score[3], kStart + 6 + 6);
    // Yellow's own patterns only: its lone chip at 42 gives nothing, the centre cell 39 gives 2.
    rig.st.Score[4] = kStart;
    rig.rules.SetChip(4, 2);
    rig.rules.JudgeMove(4, 2);
    rig.rules.ResetChip(4);
    QCOMPARE(rig.st.Score[4], kStart + 2);
    // A pattern elsewhere on the board counts for every trial: red's 9911 in the row 39..42.
    ComputerRig far({6, 1, 7}, 1); // red 41, 42; yellow 36
    far.st.Score[1] = kStart;
    far.rules.SetChip(1, 1); // red at 29, no pattern of its own
    far.rules.JudgeMove(1, 1);
    far.rules.ResetChip(1);
    QCOMPARE(far.st.PlayMatrix[3][6], QStringLiteral("2999911"));
    QCOMPARE(far.st.Score[1], kStart + 5);
    QCOMPARE(patternWeight(1), 5);
    QCOMPARE(patternWeight(2), 6);
    QCOMPARE(patternWeight(3), 6);
    QCOMPARE(patternWeight(4), 7);
    int centre = 0;
    for (int cell = 0; cell <= 43; ++cell)
        centre += isCentreCell(cell);
    QCOMPARE(centre, 18);
    QVERIFY(isCentreCell(4) && isCentreCell(39) && isCentreCell(24) && !isCentreCell(22) && !isCentreCell(38));
}

void TestOpponent::equalRatingsAreChosenEquallyOften()
{
    // Three columns share the best rating.
    ComputerRig rig({}, 1, 777);
    rig.st.Score = {0, 5, 9, 5, 9, 1, 2, 9};
    std::map<int, int> chosen;
    for (int i = 0; i < 30000; ++i)
        ++chosen[rig.rules.TakeHighestTube()];
    QCOMPARE(chosen.size(), size_t(3));
    for (int c : {2, 4, 7})
        QVERIFY2(chosen[c] > 9400 && chosen[c] < 10600, qPrintable(QString::number(chosen[c])));

    // Exactly one best column is always that one, without a random number.
    rig.st.Score = {0, 5, 9, 5, 8, 1, 2, 9};
    rig.st.Score[7] = 7;
    const int drawn = rig.random.drawn;
    for (int i = 0; i < 100; ++i)
        QCOMPARE(rig.rules.TakeHighestTube(), int16_t(2));
    QCOMPARE(rig.random.drawn, drawn);

    // The whole search on a mirror-symmetric board picks mirrored columns equally often.
    std::map<int, int> mirrored;
    for (int i = 0; i < 6000; ++i) {
        ComputerRig sym({4, 4}, 1, uint64_t(i) + 5);
        sym.rules.CalculateNextMove();
        ++mirrored[sym.ui.lastColumn];
    }
    QVERIFY(mirrored.size() >= 2);
    for (const auto &[c, n] : mirrored) {
        QVERIFY(c != 4);
        const int other = mirrored[8 - c];
        QVERIFY2(std::abs(n - other) < 400, qPrintable(QStringLiteral("%1: %2 / %3").arg(c).arg(n).arg(other)));
    }
}

void TestOpponent::tiedColumnIsItemIntOfRTimesCountPlusOne()
{
    // Columns 2, 4 and 7 tie: r below 1/3 takes the first, below 2/3 the second, else the third.
    const std::pair<double, int> cases[] = {{0.0, 2}, {0.3333, 2}, {0.3334, 4}, {0.6666, 4}, {0.6667, 7}, {0.999999, 7}};
    for (const auto &[r, column] : cases) {
        ComputerRig rig;
        rig.st.Score = {0, 5, 9, 5, 9, 1, 2, 9};
        rig.random.push(r);
        QCOMPARE(rig.rules.TakeHighestTube(), int16_t(column));
        QCOMPARE(rig.random.drawn, 1);
    }
}

void TestOpponent::ratedChoicesAgreeWithALiteralSearchOnAPlainGrid()
{
    ScriptedMsgBoxes boxes;
    platform::SystemRandom gen(31337);
    int rated = 0, tied = 0, vetoed = 0;
    for (int i = 0; i < 10000; ++i) {
        const uint64_t seed = uint64_t(i) + 100;
        ComputerRig rig({}, 1, seed);
        const int chips = 1 + int(gen.next() * 38);
        int16_t p = 1;
        bool over = false;
        for (int k = 0; k < chips && !over; ++k) {
            int c;
            do
                c = 1 + int(gen.next() * 7);
            while (rig.grid.height[c] >= 6);
            rig.rules.SetChip(int16_t(c), p);
            rig.grid.drop(c, p);
            over = rig.grid.fourInARow(p);
            p = p == 1 ? 2 : 1;
        }
        bool immediate = false;
        for (int c = 1; c <= 7; ++c)
            immediate = immediate || rig.winsAt(c, 1) || rig.winsAt(c, 2);
        if (over || immediate)
            continue;
        rig.st.MoveCount = int16_t(chips);
        LiteralSearch literal(rig.st, seed); // the same numbers as the rig's generator
        const int expected = literal.choose(rig.grid);
        rig.rules.CalculateNextMove();
        QVERIFY2(rig.ui.lastColumn == expected,
                 qPrintable(QStringLiteral("position %1: column %2 instead of %3").arg(i).arg(rig.ui.lastColumn).arg(expected)));
        QCOMPARE(rig.random.drawn, literal.drawn);
        for (int c = 0; c <= 7; ++c)
            QCOMPARE(rig.st.Score[c], literal.score[c]);
        ++rated;
        tied += literal.drawn > 0;
        vetoed += literal.vetoes > 0;
    }
    QCOMPARE(boxes.count(), 0);
    QVERIFY2(rated > 2500 && tied > 300 && vetoed > 20,
             qPrintable(QStringLiteral("%1 rated, %2 tied, %3 vetoed").arg(rated).arg(tied).arg(vetoed)));
}

void TestOpponent::openingReplyOnlyAnswersTheOpponentsFirstChip()
{
    // Three chips in, the opponent having begun in the middle: the full search decides.
    ComputerRig later({4, 3, 4}, 2);
    later.st.StartPlayer = 2;
    later.st.LastColumn = 4;
    later.rules.CalculateNextMove();
    QCOMPARE(later.ui.ticks, 9);
    QVERIFY(later.st.Score[1] != 0);
    // One chip in, but the computer began: no opening reply either.
    ComputerRig own({4}, 1);
    own.st.LastColumn = 4;
    own.rules.CalculateNextMove();
    QCOMPARE(own.ui.ticks, 9);
}

void TestOpponent::highestTubeSkipsFullColumnsAndFallsBack()
{
    ComputerRig rig;
    rig.st.Tube = {0, 0, 6, 0, 0, 0, 0, 0};
    rig.st.Score = {0, 1, 50, 3, 3, 2, 1, 0};
    rig.random.push(0.99);
    QCOMPARE(rig.rules.TakeHighestTube(), int16_t(4)); // full column 2 is never chosen; 3 and 4 tie
    // Column 1 full and every open column vetoed below the start rating: the first open column.
    rig.st.Tube = {0, 6, 0, 6, 0, 0, 0, 0};
    rig.st.Score = {0, kStart, kStart - 100000, kStart, kStart - 100000, kStart - 100000, kStart - 200000,
                    kStart - 100000};
    QCOMPARE(rig.rules.TakeHighestTube(), int16_t(2));
    // Every column full: 0.
    rig.st.Tube = {0, 6, 6, 6, 6, 6, 6, 6};
    QCOMPARE(rig.rules.TakeHighestTube(), int16_t(0));
}

void TestOpponent::vetoedColumnGivesWayToTheNextBest()
{
    ComputerRig rig({5, 6, 2, 1, 4, 1, 5, 5, 7, 6, 2, 4, 5, 3, 7, 7}, 1);
    const auto before = rig.ratings();
    // Best 6, then 4; red in 6 lets yellow win on top, 4 does not.
    QVERIFY(before[6] > before[4]);
    for (int c : {1, 2, 3, 5, 7})
        QVERIFY(before[c] < before[4]);
    QVERIFY(rig.opponentWinsOnTop(6));
    QVERIFY(!rig.opponentWinsOnTop(4));
    rig.rules.CalculateNextMove();
    QCOMPARE(rig.ui.lastColumn, int16_t(4));
    QCOMPARE(rig.st.Score[6], before[6] - 100000);
    QCOMPARE(rig.st.Score[4], before[4]);
}

void TestOpponent::twoVetoesPlayTheThirdChoiceUntested()
{
    ScriptedMsgBoxes boxes;
    ComputerRig rig({7, 2, 7, 2, 3, 1, 3, 3, 3, 5, 6, 7, 6, 4, 6, 6, 7, 7, 3, 4}, 1);
    const auto before = rig.ratings();
    // Best 4, then 2, then 5: all three would let yellow win on top.
    QVERIFY(before[4] > before[2] && before[2] > before[5]);
    QVERIFY(rig.opponentWinsOnTop(4) && rig.opponentWinsOnTop(2) && rig.opponentWinsOnTop(5));
    rig.rules.CalculateNextMove();
    QCOMPARE(rig.ui.lastColumn, int16_t(5));
    QCOMPARE(rig.st.Score[4], before[4] - 100000);
    QCOMPARE(rig.st.Score[2], before[2] - 100000);
    QCOMPARE(rig.st.Score[5], before[5]);
    QCOMPARE(boxes.count(), 0);
}

void TestOpponent::vetoedThenAcceptedThirdChoice()
{
    ComputerRig rig({4, 4, 2, 2, 2, 5, 3, 7, 6, 6, 4, 1, 2, 4}, 1);
    const auto before = rig.ratings();
    QVERIFY(rig.opponentWinsOnTop(3) && rig.opponentWinsOnTop(5) && !rig.opponentWinsOnTop(1));
    QVERIFY(before[3] > before[5] && before[5] > before[1]);
    rig.rules.CalculateNextMove();
    QCOMPARE(rig.ui.lastColumn, int16_t(1));
    QCOMPARE(rig.st.Score[3], before[3] - 100000);
    QCOMPARE(rig.st.Score[5], before[5] - 100000);
    QCOMPARE(rig.st.Score[1], before[1]);
}

void TestOpponent::columnWithFourChipsIsTestedAndVetoed()
{
    ComputerRig rig({7, 7, 6, 5, 3, 6, 3, 3, 3, 7, 4, 4, 6, 2, 1, 7, 7, 4, 7, 6, 6, 6, 5, 5, 5, 5, 4, 1}, 1);
    const auto before = rig.ratings();
    QCOMPARE(rig.grid.height[4], 4);
    QVERIFY(rig.opponentWinsOnTop(4) && !rig.opponentWinsOnTop(3));
    for (int c : {1, 2, 3, 5, 6, 7})
        QVERIFY(before[4] > before[c]);
    for (int c : {1, 2, 5, 6, 7})
        QVERIFY(before[3] > before[c]);
    rig.rules.CalculateNextMove();
    QCOMPARE(rig.ui.lastColumn, int16_t(3));
    QCOMPARE(rig.st.Score[4], before[4] - 100000);
}

void TestOpponent::columnWithFiveChipsIsNeverTested()
{
    ScriptedMsgBoxes boxes;
    ComputerRig rig({3, 2, 7, 3, 1, 4, 3, 7, 6, 4, 2, 2, 4, 4, 3, 7, 4, 3, 3, 6}, 1);
    const auto before = rig.ratings();
    QCOMPARE(rig.grid.height[4], 5);
    for (int c : {1, 2, 5, 6, 7})
        QVERIFY(before[4] > before[c]);
    rig.rules.CalculateNextMove();
    QCOMPARE(rig.ui.lastColumn, int16_t(4));
    QCOMPARE(rig.st.Score[4], before[4]);
    QCOMPARE(boxes.count(), 0);
}

void TestOpponent::noGameRunningPlaysNothing()
{
    ComputerRig rig;
    rig.st.GameRunning = false;
    rig.rules.CalculateNextMove();
    QVERIFY(rig.ui.log.isEmpty());
    QCOMPARE(rig.st.ComputerThinking, false);
    QCOMPARE(platform::mousePointer(), int(platform::vbDefault));
}

void TestOpponent::ratingAnimatesSevenTimesAndLeavesFullColumnsAtTheStart()
{
    ComputerRig rig({2, 2, 2, 2, 2, 2, 6, 6, 6, 6, 6, 6}, 1);
    rig.st.Score = {0, kStart, kStart, kStart, kStart, kStart, kStart, kStart};
    rig.rules.FindDecision(1);
    QCOMPARE(rig.ui.ticks, 7);
    QCOMPARE(rig.st.Score[2], kStart);
    QCOMPARE(rig.st.Score[6], kStart);
    QVERIFY(rig.st.Score[4] > kStart);
}

void TestOpponent::errorsInTheSearchNameTheirProcedure()
{
    ScriptedMsgBoxes boxes;
    ComputerRig rig;
    rig.rules.JudgeMove(4, 3); // there are no patterns for a third player
    QCOMPARE(boxes.count(), 1);
    QCOMPARE(boxes.shown()[0].title, QStringLiteral("Fehler in: (Ostrel) Sub JudgeMove"));
    QCOMPARE(boxes.shown()[0].prompt, QStringLiteral("Fehler-Nr: 9\r\nFehler     : Subscript out of range"));

    // A failing window call or random draw names the procedure it happened in.
    boxes.answer(platform::vbAbort);
    ComputerRig move;
    move.ui.failOn = QStringLiteral("GoToTube");
    move.rules.CalculateNextMove();
    QCOMPARE(boxes.shown().last().title, QStringLiteral("Fehler in: (Ostrel) Sub CalculateNextMove"));
    QVERIFY(boxes.shown().last().prompt.startsWith(QStringLiteral("Fehler-Nr: 5\r\n")));
    platform::setMousePointer(platform::vbDefault);

    boxes.answer(platform::vbAbort);
    ComputerRig rating;
    rating.ui.failOn = QStringLiteral("tick");
    rating.rules.FindDecision(1);
    QCOMPARE(boxes.shown().last().title, QStringLiteral("Fehler in: (Ostrel) Function FindDecision"));

    boxes.answer(platform::vbAbort);
    ComputerRig tie;
    tie.st.Score = {0, 5, 9, 5, 9, 1, 2, 9};
    tie.random.fail = true;
    tie.rules.TakeHighestTube();
    QCOMPARE(boxes.shown().last().title, QStringLiteral("Fehler in: (Ostrel) Function TakeHighestTube"));
    QCOMPARE(boxes.count(), 4);
}

void TestOpponent::wholeGamesAgainstScriptedOpponentsEndWithTheRightCells()
{
    const std::vector<std::vector<int>> scripts = {
        {4, 3, 5, 2, 6, 1, 7}, {1, 2, 3, 4, 5, 6, 7}, {7, 6, 5, 4, 3, 2, 1}, {3, 3, 5, 5, 4, 2, 6, 1, 7}};
    int computerWins = 0;
    for (size_t s = 0; s < scripts.size(); ++s) {
        RulesRig rig(uint64_t(s) + 11);
        rig.ui.playDrops = true;
        rig.st.ComputerColor = 1;
        rig.st.CurrentPlayer = 1;
        rig.st.StartPlayer = 1;
        rig.st.PointsMode = true;
        rig.st.English = true;
        rig.st.Level = 1;
        rig.st.TimeLeft = 100;
        Grid grid;
        size_t next = 0;
        while (rig.st.GameRunning) {
            QVERIFY(rig.st.MoveCount < 42);
            const auto tubes = rig.st.Tube;
            const int16_t mover = rig.st.CurrentPlayer;
            if (mover == 1) {
                rig.st.ComputerThinking = true;
                rig.rules.CalculateNextMove();
            } else {
                int c;
                do
                    c = scripts[s][next++ % scripts[s].size()];
                while (rig.st.Tube[c] >= 6);
                rig.ui.GoToTube(int16_t(c), false);
                rig.ui.drop();
            }
            int moved = 0;
            for (int c = 1; c <= 7; ++c)
                if (rig.st.Tube[c] == tubes[c] + 1)
                    moved = c;
            QVERIFY(moved);
            grid.drop(moved, mover);
        }
        if (rig.st.WinCells.isEmpty()) {
            QCOMPARE(rig.st.MoveCount, int16_t(42));
            QCOMPARE(rig.st.TimerMode, QStringLiteral("SHOWDRAWN"));
            QVERIFY(!grid.fourInARow(1) && !grid.fourInARow(2));
        } else {
            const int winner = rig.st.CurrentPlayer;
            QVERIFY(grid.fourInARow(winner));
            QCOMPARE(rig.st.WinCells, expectedWinCells(rig.st, grid, winner));
            QCOMPARE(rig.st.TimerMode, QStringLiteral("SHOWWINNER"));
            if (winner == 1) {
                ++computerWins;
                QCOMPARE(rig.st.Level, int16_t(0)); // the series is over
            }
        }
    }
    QVERIFY(computerWins >= 1);
}

void TestOpponent::scriptedDrawEndsAsADraw()
{
    const int moves[] = {4, 4, 7, 5, 6, 3, 4, 6, 5, 1, 7, 6, 7, 2, 4, 5, 2, 3, 2, 7, 2,
                         2, 1, 1, 4, 4, 1, 1, 6, 6, 3, 1, 5, 6, 2, 3, 3, 7, 7, 5, 3, 5};
    RulesRig rig;
    rig.ui.playDrops = true;
    rig.st.CurrentPlayer = 1;
    rig.st.PointsMode = true;
    rig.st.English = true;
    rig.st.Level = 2;
    for (int c : moves) {
        QVERIFY(rig.st.GameRunning);
        rig.ui.GoToTube(int16_t(c), false);
        rig.ui.drop();
    }
    QCOMPARE(rig.st.GameRunning, false);
    QCOMPARE(rig.st.WinCells, QString());
    QCOMPARE(rig.st.TimerMode, QStringLiteral("SHOWDRAWN"));
    QCOMPARE(rig.st.TotalPoints, 1000);
    for (int g = 1; g <= 4; ++g)
        for (int n = 1; n <= 7; ++n)
            QVERIFY(!rig.st.PlayMatrix[g][n].contains(QLatin1Char('9')));
}

QTEST_MAIN(TestOpponent)
#include "test_opponent.moc"
