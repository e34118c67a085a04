// Ten thousand games of random legal moves, checked after every move against a plain grid:
// the line strings, four in a row, trial moves that leave no trace, and the winning cells.
#include "RulesFixture.h"
#include "common/ScriptedMsgBoxes.h"

#include <QTest>

#include <vector>

using namespace rules;

class TestRandomGames : public QObject {
    Q_OBJECT
private slots:
    void modelAgreesWithAPlainGridAfterEveryMove();
};

void TestRandomGames::modelAgreesWithAPlainGridAfterEveryMove()
{
    ScriptedMsgBoxes boxes; // a refusal box would be a fault
    RulesRig rig;
    platform::SystemRandom gen(4242);
    // The cells of each line, parsed once.
    std::array<std::array<std::vector<int>, 8>, 5> lineCells;
    for (int g = 1; g <= 4; ++g)
        for (int n = 1; n <= 7; ++n)
            if (!rig.st.CalcMatrix[g][n].isEmpty())
                for (const QString &item : rig.st.CalcMatrix[g][n].split(QLatin1Char(',')))
                    lineCells[g][n].push_back(item.toInt());
    QString expected;
    long long moves = 0;
    int wins = 0;
    for (int game = 0; game < 10000; ++game) {
        rig.newGame();
        Grid grid;
        int16_t player = game % 2 ? 2 : 1;
        for (int move = 0; move < 42; ++move) {
            int c;
            do
                c = 1 + int(gen.next() * 7);
            while (grid.height[c] >= 6);
            grid.drop(c, player);
            rig.rules.SetChip(int16_t(c), player);
            ++moves;

            for (int col = 1; col <= 7; ++col)
                QCOMPARE(rig.st.Tube[col], int16_t(grid.height[col]));
            for (int g = 1; g <= 4; ++g)
                for (int n = 1; n <= 7; ++n) {
                    expected.clear();
                    for (int cell : lineCells[g][n])
                        expected += QChar(grid.at(cell) == 0 ? u'9' : char16_t(u'0' + grid.at(cell)));
                    if (rig.st.PlayMatrix[g][n] != expected)
                        QFAIL(qPrintable(QStringLiteral("game %1 move %2 line (%3,%4): %5 instead of %6")
                                             .arg(game).arg(move).arg(g).arg(n).arg(rig.st.PlayMatrix[g][n], expected)));
                }
            const bool redFour = grid.fourInARow(1);
            const bool yellowFour = grid.fourInARow(2);
            QCOMPARE(rig.rules.CheckForWin(1, true), redFour);
            QCOMPARE(rig.rules.CheckForWin(2, true), yellowFour);

            const auto tubes = rig.st.Tube;
            const LineTable lines = rig.st.PlayMatrix;
            for (int col = 1; col <= 7; ++col) {
                if (grid.height[col] >= 6)
                    continue;
                for (int16_t p : {int16_t(1), int16_t(2)}) {
                    rig.rules.SetChip(int16_t(col), p);
                    rig.rules.ResetChip(int16_t(col));
                    if (rig.st.Tube != tubes || rig.st.PlayMatrix != lines)
                        QFAIL(qPrintable(QStringLiteral("game %1 move %2: trial in %3 left a trace").arg(game).arg(move).arg(col)));
                }
            }

            if (redFour || yellowFour) {
                // The ending mode lists every winning run in line order; the chip just dropped is in one.
                rig.st.CurrentPlayer = player;
                rig.st.GameRunning = true;
                rig.rules.CheckForWin(player, false);
                const QString cells = expectedWinCells(rig.st, grid, player);
                if (rig.st.WinCells != cells)
                    QFAIL(qPrintable(QStringLiteral("game %1 move %2: cells %3 instead of %4")
                                         .arg(game).arg(move).arg(rig.st.WinCells, cells)));
                const int landed = (5 - (grid.height[c] - 1)) * 7 + c;
                QVERIFY(cells.split(QLatin1Char(',')).contains(QString::number(landed)));
                QCOMPARE(rig.st.GameRunning, false);
                ++wins;
                break;
            }
            player = player == 1 ? 2 : 1;
        }
    }
    QCOMPARE(boxes.count(), 0);
    QVERIFY(moves > 100000);
    QVERIFY(wins > 9000);
    qInfo("%lld moves in 10000 games, %d won", moves, wins);
}

QTEST_GUILESS_MAIN(TestRandomGames)
#include "test_random_games.moc"
