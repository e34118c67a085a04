// The chip's glide and fall: steps and sounds, the landing, the full column, the mirror frames
// of a network game, and the end of a game by a draw or by a win on the last chip.
#include "WindowFixture.h"
#include "common/ScriptedMsgBoxes.h"

class TestWindowDrop : public QObject {
    Q_OBJECT
private slots:
    void glideTakesOneStepAndOneSoundPerColumn();
    void glideMirrorsTheColumnAsPassed();
    void fallRequestsThreeSoundsPerRowPassed();
    void fullColumnBouncesAndChangesNothing();
    void dropIsSentAfterTheFallButNeverSentBack();
    void fortySecondChipWithoutALineIsADraw();
    void fortySecondChipCompletingALineIsAWin();
    void resetShowsTheEmptyStoreButLeavesTheSpareCell();
    void columnOutsideTheBoardRaisesErrorNineAndTouchesNoOtherState();
};

namespace {
void startTwoPlayers(WindowFixture &f)
{
    f.w->menStartgame_Click();
    f.sound.clear();
}

void playColumns(WindowFixture &f, const QList<int> &columns)
{
    for (int c : columns) {
        f.w->GoToTube(int16_t(c), false);
        f.w->ChipReleased();
    }
}

const QList<int> kDrawnGame{1, 1, 1, 1, 1, 1, 2, 2, 2, 2, 2, 2, 3, 3, 3, 3, 3, 3, 5, 4, 4,
                            4, 4, 4, 4, 5, 5, 5, 5, 5, 6, 6, 6, 6, 6, 6, 7, 7, 7, 7, 7, 7};
const QList<int> kWonOnTheLastChip{1, 1, 1, 1, 1, 1, 2, 2, 2, 2, 2, 2, 3, 3, 3, 3, 3, 3, 5, 4, 4,
                                   4, 4, 4, 4, 5, 5, 5, 6, 5, 7, 6, 6, 6, 7, 7, 5, 7, 6, 7, 6, 7};
} // namespace

void TestWindowDrop::glideTakesOneStepAndOneSoundPerColumn()
{
    WindowFixture f(false);
    f.w->menStartgame_Click();
    QCOMPARE(f.sound.count("NEXTTUBE"), 5);
    QCOMPARE(f.sound.waited("NEXTTUBE"), 0);
    f.sound.clear();
    f.w->GoToTube(4, false); // the column it stands on: nothing
    QVERIFY(f.sound.requests.isEmpty());
    f.w->GoToTube(1, false);
    QCOMPARE(f.sound.count("NEXTTUBE"), 4);
    f.sound.clear();
    f.w->GoToTube(0, true); // 0 is column 7; with no key held the chip glides across
    QCOMPARE(f.s().SelColumn, int16_t(7));
    QCOMPARE(f.sound.count("NEXTTUBE"), 7);
    f.sound.clear();
    f.w->GoToTube(9, false); // above 7 is column 1
    QCOMPARE(f.s().SelColumn, int16_t(1));
    QCOMPARE(f.sound.count("NEXTTUBE"), 7);
    f.sound.clear();
    f.w->GoToTube(8, false); // already over column 1: one step in place
    QCOMPARE(f.sound.count("NEXTTUBE"), 1);
    QCOMPARE(testing::control<PictureBox>(f.w.get(), "picChip", 0)->topTwips(), 900);
}

void TestWindowDrop::glideMirrorsTheColumnAsPassed()
{
    WindowFixture f(false);
    f.n().NetworkGame = true;
    f.n().LocalIsRed = true;
    f.w->menStartgame_Click();
    QCOMPARE(f.w->packets, QStringList({"<S>", "<G>4"}));
    f.w->packets.clear();
    f.w->GoToTube(7, false);
    f.sound.clear();
    f.s().KeyHeld = true;
    f.w->GoToTube(8, false); // the Right key in column 7
    QCOMPARE(f.w->packets, QStringList({"<G>7", "<G>8"}));
    QCOMPARE(f.s().SelColumn, int16_t(1));
    QCOMPARE(f.sound.count("NEXTTUBE"), 1);
    f.w->GoToTube(1, false); // refused: nothing sent
    f.n().FromPeer = true;
    f.w->GoToTube(3, true); // a replayed move is not sent back
    QCOMPARE(f.w->packets.size(), 2);
    QCOMPARE(f.s().SelColumn, int16_t(3));
}

void TestWindowDrop::fallRequestsThreeSoundsPerRowPassed()
{
    WindowFixture f(false);
    startTwoPlayers(f);
    f.w->ChipReleased(); // red into the empty column 4: all six rows
    QCOMPARE(f.sound.count("CHFALL"), 18);
    QCOMPARE(f.sound.waited("CHFALL"), 0);
    QCOMPARE(testing::control<PictureBox>(f.w.get(), "picPlaygrid", 39)->picture(), f.moveChip(2));
    for (int row = 0; row < 5; ++row)
        QCOMPARE(testing::control<PictureBox>(f.w.get(), "picPlaygrid", 7 * row + 4)->picture(), f.empty());
    QCOMPARE(f.s().PlayMatrix[4][4], QString("999991"));
    QCOMPARE(f.s().Tube[4], int16_t(1));
    QCOMPARE(f.s().MoveCount, int16_t(1));
    QCOMPARE(f.s().LastColumn, int16_t(4));
    QCOMPARE(f.s().CurrentPlayer, int16_t(2));
    QVERIFY(testing::control<PictureBox>(f.w.get(), "picChip", 0)->isVisibleTo(f.w.get()));
    QCOMPARE(testing::control<PictureBox>(f.w.get(), "picChip", 0)->picture(),
             testing::control<PictureBox>(f.w.get(), "picChip", 2)->picture());
    for (int n = 2; n <= 5; ++n) {
        f.sound.clear();
        f.w->ChipReleased();
        QCOMPARE(f.sound.count("CHFALL"), 3 * (6 - n + 1));
    }
    f.sound.clear();
    f.w->ChipReleased(); // the sixth chip lands in the top row
    QCOMPARE(f.sound.count("CHFALL"), 3);
    QCOMPARE(testing::control<PictureBox>(f.w.get(), "picPlaygrid", 4)->picture(), f.moveChip(5)); // yellow, filled
    QCOMPARE(f.s().PlayMatrix[4][4], QString("212121"));
}

void TestWindowDrop::fullColumnBouncesAndChangesNothing()
{
    WindowFixture f(false);
    f.n().NetworkGame = true;
    f.n().LocalIsRed = true;
    f.w->menStartgame_Click();
    playColumns(f, {4, 4, 4, 4, 4, 4});
    const rules::GameState before = f.s();
    f.w->packets.clear();
    f.sound.clear();
    int topDuringSound = 0;
    f.sound.duringPlay = [&](const QString &, bool) {
        topDuringSound = testing::control<PictureBox>(f.w.get(), "picChip", 0)->topTwips();
    };
    f.w->ChipReleased();
    QCOMPARE(f.sound.requests.size(), 1);
    QCOMPARE(f.sound.requests[0].name, QString("TFILLED"));
    QCOMPARE(f.sound.requests[0].wait, true);
    QCOMPARE(topDuringSound, 900 + 75);
    QCOMPARE(testing::control<PictureBox>(f.w.get(), "picChip", 0)->topTwips(), 900);
    QCOMPARE(f.s().Tube, before.Tube);
    QCOMPARE(f.s().MoveCount, before.MoveCount);
    QCOMPARE(f.s().LastColumn, before.LastColumn);
    QCOMPARE(f.s().CurrentPlayer, before.CurrentPlayer);
    QCOMPARE(f.s().PlayMatrix, before.PlayMatrix);
    QCOMPARE(f.s().TimerMode, before.TimerMode);
    QVERIFY(f.w->packets.isEmpty());
}

void TestWindowDrop::dropIsSentAfterTheFallButNeverSentBack()
{
    WindowFixture f(false);
    f.n().NetworkGame = true;
    f.n().LocalIsRed = true;
    f.w->menStartgame_Click();
    f.w->packets.clear();
    f.w->GoToTube(2, false);
    f.sound.clear();
    QList<qsizetype> sentDuringFall;
    f.sound.duringPlay = [&](const QString &, bool) { sentDuringFall.append(f.w->packets.size()); };
    f.w->ChipReleased();
    QCOMPARE(f.w->packets, QStringList({"<G>2", "<D>2"}));
    QCOMPARE(sentDuringFall, QList<qsizetype>(18, 1)); // "<D>" leaves after the last frame
    f.sound.duringPlay = nullptr;
    f.n().FromPeer = true; // the peer's move, replayed
    f.w->GoToTube(5, true);
    f.w->ChipReleased();
    QCOMPARE(f.w->packets.size(), 2);
    QCOMPARE(f.s().Tube[5], int16_t(1));
    QCOMPARE(testing::control<PictureBox>(f.w.get(), "picPlaygrid", 40)->picture(), f.moveChip(5));
}

void TestWindowDrop::fortySecondChipWithoutALineIsADraw()
{
    WindowFixture f(false);
    f.s().English = true;
    startTwoPlayers(f);
    playColumns(f, kDrawnGame.mid(0, 41));
    QCOMPARE(f.s().GameRunning, true);
    const int16_t last = f.s().CurrentPlayer;
    playColumns(f, {7});
    QCOMPARE(f.s().MoveCount, int16_t(42));
    QCOMPARE(f.s().GameRunning, false);
    QCOMPARE(f.s().WinCells, QString());
    QCOMPARE(f.s().CurrentPlayer, last); // not switched
    QVERIFY(!testing::control<PictureBox>(f.w.get(), "picChip", 0)->isVisibleTo(f.w.get()));
    QCOMPARE(f.sound.count("DRAWN"), 1);
    QCOMPARE(f.s().TimerMode, QString("SHOWDRAWN"));
    QCOMPARE(testing::control<QTimer>(f.w.get(), "timPlayTimer")->interval(), 400);
    QCOMPARE(f.status(), QString("F2 - new game!"));
}

void TestWindowDrop::fortySecondChipCompletingALineIsAWin()
{
    WindowFixture f(false);
    f.s().English = true;
    startTwoPlayers(f);
    playColumns(f, kWonOnTheLastChip);
    QCOMPARE(f.s().MoveCount, int16_t(42));
    QVERIFY(!f.s().WinCells.isEmpty());
    QCOMPARE(f.sound.count("DRAWN"), 0);
    QCOMPARE(f.s().TimerMode, QString("SHOWWINNER"));
    QCOMPARE(f.status(), QString("Yellow has won!!!"));
}

void TestWindowDrop::resetShowsTheEmptyStoreButLeavesTheSpareCell()
{
    WindowFixture f(false);
    startTwoPlayers(f);
    playColumns(f, {1, 2, 3});
    const gamewindow::Picture spare = testing::control<PictureBox>(f.w.get(), "picPlaygrid", 0)->picture();
    QVERIFY(spare != f.empty()); // its own object with the same look
    f.w->ResetPlaygrid();
    for (int n = 1; n <= 42; ++n)
        QCOMPARE(testing::control<PictureBox>(f.w.get(), "picPlaygrid", n)->picture(), f.empty());
    QCOMPARE(testing::control<PictureBox>(f.w.get(), "picPlaygrid", 0)->picture(), spare);
}

void TestWindowDrop::columnOutsideTheBoardRaisesErrorNineAndTouchesNoOtherState()
{
    WindowFixture f(false);
    startTwoPlayers(f);
    const rules::LineTable lines = f.s().CalcMatrix;
    const std::array<int32_t, 8> score = f.s().Score;
    for (int16_t column : {int16_t(8), int16_t(-1), int16_t(200)}) {
        ScriptedMsgBoxes boxes; // every box answered with its default, Ignore
        f.s().SelColumn = column;
        f.w->ChipReleased();
        QVERIFY(boxes.count() >= 2); // the first test and every later use of the height
        for (const platform::MsgBoxRequest &box : boxes.shown()) {
            QVERIFY(box.prompt.startsWith("Fehler-Nr: 9\r\n"));
            QVERIFY(box.title.endsWith(") Sub ChipReleased"));
        }
        QCOMPARE(f.s().Tube, (std::array<int16_t, 8>{}));
        QCOMPARE(f.s().CalcMatrix, lines);
        QCOMPARE(f.s().Score, score);
    }
}

QTEST_MAIN(TestWindowDrop)
#include "test_window_drop.moc"
