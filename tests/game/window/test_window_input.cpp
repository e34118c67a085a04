// Keyboard and mouse control: the guards of every handler, the keys, clicks on cells, on the
// top frame pieces and on the window's surface, and double clicks that drop.
#include "WindowFixture.h"

#include <QLineEdit>

class TestWindowInput : public QObject {
    Q_OBJECT
private slots:
    void nothingMovesBeforeTheFirstGame();
    void nothingMovesWhileTheComputerIsToMove();
    void networkGameMovesOnlyOnTheOwnTurn();
    void heldKeyBlocksKeysAndClicksButNotDoubleClicks();
    void heldKeyRepeatedAsReleasePressPairsMovesOneColumn();
    void arrowKeysMoveOneColumnAndWrap();
    void enterAndDownDrop();
    void f1OpensHelpWhateverTheGameDoes();
    void cellClicksChooseTheCellsColumn();
    void topFramePiecesChooseColumnsOthersDoNothing();
    void clickOnTheWindowSurfaceCountsBothCellEdges();
    void doubleClickOnTheWindowSurfaceSelectsOnce();
    void doubleClickOnACellMovesThenDrops();
    void doubleClickOnTheFloatingChipDrops();
};

namespace {
// A two-player game, red to move over column 4.
void startTwoPlayers(WindowFixture &f)
{
    f.w->menStartgame_Click();
    f.sound.clear();
}
} // namespace

void TestWindowInput::nothingMovesBeforeTheFirstGame()
{
    WindowFixture f(false);
    f.key(Qt::Key_Right);
    f.key(Qt::Key_Down);
    f.clickCell(3);
    QTest::mouseClick(testing::control<PictureBox>(f.w.get(), "picPlayBorder", 24), Qt::LeftButton);
    f.doubleClickCell(5);
    QCOMPARE(f.s().SelColumn, int16_t(0));
    QCOMPARE(f.s().MoveCount, int16_t(0));
    QCOMPARE(f.s().KeyHeld, false);
    QVERIFY(f.sound.requests.isEmpty());
}

void TestWindowInput::nothingMovesWhileTheComputerIsToMove()
{
    WindowFixture f;
    f.w->menStartgame_Click(); // the computer (red) begins
    f.sound.clear();
    f.key(Qt::Key_Left);
    f.key(Qt::Key_Return);
    f.clickCell(1);
    QTest::mouseClick(testing::control<PictureBox>(f.w.get(), "picPlayBorder", 23), Qt::LeftButton);
    f.doubleClickCell(2);
    QTest::mouseDClick(testing::control<PictureBox>(f.w.get(), "picChip", 0), Qt::LeftButton);
    f.w->GoToTube(2, false); // a caller that is not the computer is refused as well
    QCOMPARE(f.s().SelColumn, int16_t(4));
    QCOMPARE(f.s().MoveCount, int16_t(0));
    QVERIFY(f.sound.requests.isEmpty());
    f.w->GoToTube(2, true);
    QCOMPARE(f.s().SelColumn, int16_t(2));
}

void TestWindowInput::networkGameMovesOnlyOnTheOwnTurn()
{
    WindowFixture f(false);
    f.n().NetworkGame = true;
    f.n().LocalIsRed = true;
    f.n().FromPeer = true; // the peer (yellow) started
    f.w->menStartgame_Click();
    f.n().FromPeer = false;
    QCOMPARE(f.s().CurrentPlayer, int16_t(2));
    f.key(Qt::Key_Left);
    f.clickCell(1);
    f.doubleClickCell(1);
    QCOMPARE(f.s().SelColumn, int16_t(4));
    QCOMPARE(f.s().MoveCount, int16_t(0));
    QVERIFY(f.w->packets.isEmpty());

    f.s().CurrentPlayer = 1;
    f.key(Qt::Key_Left);
    QCOMPARE(f.s().SelColumn, int16_t(3));
    // Enter belongs to the chat line while it holds text.
    testing::control<QLineEdit>(f.w.get(), "txtSendmessage")->setText("hello");
    f.key(Qt::Key_Return);
    QCOMPARE(f.s().MoveCount, int16_t(0));
    testing::control<QLineEdit>(f.w.get(), "txtSendmessage")->clear();
    f.key(Qt::Key_Return);
    QCOMPARE(f.s().MoveCount, int16_t(1));
    QCOMPARE(f.w->packets, QStringList({"<G>3", "<D>3"}));
    // Now the peer is to move: neither a key nor the floating chip's double click drops.
    QCOMPARE(f.s().CurrentPlayer, int16_t(2));
    f.key(Qt::Key_Down);
    QTest::mouseDClick(testing::control<PictureBox>(f.w.get(), "picChip", 0), Qt::LeftButton);
    QCOMPARE(f.s().MoveCount, int16_t(1));
    QCOMPARE(f.w->packets.size(), 2);
}

void TestWindowInput::heldKeyBlocksKeysAndClicksButNotDoubleClicks()
{
    WindowFixture f(false);
    startTwoPlayers(f);
    QTest::keyPress(f.w.get(), Qt::Key_Right);
    QCOMPARE(f.s().SelColumn, int16_t(5));
    QCOMPARE(f.s().KeyHeld, true);
    // The key's repeat while it is held, and other keys, do nothing.
    QTest::keyPress(f.w.get(), Qt::Key_Right, Qt::NoModifier);
    QKeyEvent repeatRelease(QEvent::KeyRelease, Qt::Key_Right, Qt::NoModifier, QString(), true);
    QApplication::sendEvent(f.w.get(), &repeatRelease);
    QKeyEvent repeatPress(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier, QString(), true);
    QApplication::sendEvent(f.w.get(), &repeatPress);
    QTest::keyPress(f.w.get(), Qt::Key_Down);
    f.clickCell(1);
    QCOMPARE(f.s().SelColumn, int16_t(5));
    QCOMPARE(f.s().MoveCount, int16_t(0));
    // A double click still drops.
    f.doubleClickCell(2);
    QCOMPARE(f.s().MoveCount, int16_t(1));
    QCOMPARE(f.s().Tube[5], int16_t(1));
    QTest::keyRelease(f.w.get(), Qt::Key_Right);
    QCOMPARE(f.s().KeyHeld, false);
    f.key(Qt::Key_Right);
    QCOMPARE(f.s().SelColumn, int16_t(6));
}

// An X server repeats a held key as a release and a press with the same time stamp, which Qt
// does not always mark as a repeat; on a busy machine the press may come a while after.
void TestWindowInput::heldKeyRepeatedAsReleasePressPairsMovesOneColumn()
{
    for (int pause : {0, 40}) {
        WindowFixture f(false);
        startTwoPlayers(f);
        auto send = [&](QEvent::Type type, quint64 time) {
            QKeyEvent event(type, Qt::Key_Right, Qt::NoModifier);
            event.setTimestamp(time);
            QApplication::sendEvent(f.w.get(), &event);
        };
        send(QEvent::KeyPress, 5000);
        for (quint64 t = 5500; t < 6700; t += 40) {
            send(QEvent::KeyRelease, t);
            if (pause)
                QTest::qWait(pause);
            send(QEvent::KeyPress, t);
        }
        QCOMPARE(f.s().SelColumn, int16_t(5));
        send(QEvent::KeyRelease, 6800); // the real release
        QTRY_COMPARE(f.s().KeyHeld, false);
        send(QEvent::KeyPress, 7000);
        QCOMPARE(f.s().SelColumn, int16_t(6));
        // A click right after a real release finds the key up.
        send(QEvent::KeyRelease, 7100);
        f.clickCell(1);
        QCOMPARE(f.s().SelColumn, int16_t(1));
    }
}

void TestWindowInput::arrowKeysMoveOneColumnAndWrap()
{
    WindowFixture f(false);
    startTwoPlayers(f);
    for (int c = 3; c >= 1; --c) {
        f.key(Qt::Key_Left);
        QCOMPARE(f.s().SelColumn, int16_t(c));
    }
    f.sound.clear();
    f.key(Qt::Key_Left); // column 0 wraps to 7 and jumps there
    QCOMPARE(f.s().SelColumn, int16_t(7));
    QCOMPARE(f.sound.count("NEXTTUBE"), 1);
    QCOMPARE(testing::control<PictureBox>(f.w.get(), "picChip", 0)->x(),
             testing::control<PictureBox>(f.w.get(), "picPlaygrid", 7)->x());
    f.sound.clear();
    f.key(Qt::Key_Right); // column 8 wraps to 1
    QCOMPARE(f.s().SelColumn, int16_t(1));
    QCOMPARE(f.sound.count("NEXTTUBE"), 1);
    // Up and other keys do nothing but count as held.
    f.key(Qt::Key_Up);
    f.key(Qt::Key_A);
    QCOMPARE(f.s().SelColumn, int16_t(1));
    QCOMPARE(f.s().MoveCount, int16_t(0));
}

void TestWindowInput::enterAndDownDrop()
{
    WindowFixture f(false);
    startTwoPlayers(f);
    f.key(Qt::Key_Return);
    QCOMPARE(f.s().MoveCount, int16_t(1));
    QCOMPARE(f.s().Tube[4], int16_t(1));
    f.key(Qt::Key_Enter);
    f.key(Qt::Key_Down);
    QCOMPARE(f.s().MoveCount, int16_t(3));
    QCOMPARE(f.s().Tube[4], int16_t(3));
    QCOMPARE(f.s().CurrentPlayer, int16_t(2));
}

void TestWindowInput::f1OpensHelpWhateverTheGameDoes()
{
    WindowFixture f;
    f.key(Qt::Key_F1);
    QCOMPARE(f.w->helpOpened, 1);
    f.w->menStartgame_Click(); // the computer is to move
    f.key(Qt::Key_F1);
    QCOMPARE(f.w->helpOpened, 2);
    int code = 112;
    f.w->Form_KeyDown(code, 0);
    QCOMPARE(code, 0);
    QCOMPARE(f.w->helpOpened, 3);
}

void TestWindowInput::cellClicksChooseTheCellsColumn()
{
    WindowFixture f(false);
    startTwoPlayers(f);
    f.clickCell(1); // column 1, from 4: four steps
    QCOMPARE(f.s().SelColumn, int16_t(1));
    QCOMPARE(f.sound.count("NEXTTUBE"), 4);
    f.clickCell(38); // bottom row, column 3
    QCOMPARE(f.s().SelColumn, int16_t(3));
    f.clickCell(42); // column 7 asks for 0, which is 7
    QCOMPARE(f.s().SelColumn, int16_t(7));
    f.sound.clear();
    f.clickCell(14); // 14 Mod 7 = 0 again: not the same number as 7, so one step in place
    QCOMPARE(f.s().SelColumn, int16_t(7));
    QCOMPARE(f.sound.count("NEXTTUBE"), 1);
    f.sound.clear();
    f.clickCell(22); // column 1 from 7: a glide over the whole board, no key held
    QCOMPARE(f.sound.count("NEXTTUBE"), 7);
    QCOMPARE(f.s().MoveCount, int16_t(0));
}

void TestWindowInput::topFramePiecesChooseColumnsOthersDoNothing()
{
    WindowFixture f(false);
    startTwoPlayers(f);
    QTest::mouseClick(testing::control<PictureBox>(f.w.get(), "picPlayBorder", 25), Qt::LeftButton);
    QCOMPARE(f.s().SelColumn, int16_t(3));
    QTest::mouseClick(testing::control<PictureBox>(f.w.get(), "picPlayBorder", 29), Qt::LeftButton);
    QCOMPARE(f.s().SelColumn, int16_t(7));
    f.sound.clear();
    for (int n : {0, 8, 10, 14, 15, 20, 21, 22})
        QTest::mouseClick(testing::control<PictureBox>(f.w.get(), "picPlayBorder", n), Qt::LeftButton);
    QCOMPARE(f.s().SelColumn, int16_t(7));
    QVERIFY(f.sound.requests.isEmpty());
    // The frame pieces stand where the board's geometry puts them.
    QCOMPARE(testing::control<PictureBox>(f.w.get(), "picPlayBorder", 0)->leftTwips(), 900);
    QCOMPARE(testing::control<PictureBox>(f.w.get(), "picPlayBorder", 0)->topTwips(), 4440);
    QCOMPARE(testing::control<PictureBox>(f.w.get(), "picPlayBorder", 9)->topTwips(), 3960);
    QCOMPARE(testing::control<PictureBox>(f.w.get(), "picPlayBorder", 14)->topTwips(), 1560);
    QCOMPARE(testing::control<PictureBox>(f.w.get(), "picPlayBorder", 20)->topTwips(), 3960);
    QCOMPARE(testing::control<PictureBox>(f.w.get(), "picPlayBorder", 22)->leftTwips(), 4740);
    QCOMPARE(testing::control<PictureBox>(f.w.get(), "picPlayBorder", 29)->leftTwips(), 4260);
    QCOMPARE(testing::control<PictureBox>(f.w.get(), "picPlaygrid", 42)->leftTwips(), 4260);
    QCOMPARE(testing::control<PictureBox>(f.w.get(), "picPlaygrid", 42)->topTwips(), 3960);
    QCOMPARE(testing::control<PictureBox>(f.w.get(), "picPlaygrid", 0)->leftTwips(), 8580);
}

void TestWindowInput::clickOnTheWindowSurfaceCountsBothCellEdges()
{
    WindowFixture f(false);
    f.w->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.w.get()));
    startTwoPlayers(f);
    QWidget *surface = f.w->centralWidget();
    // 1860 twips = 124 pixels: the right edge of column 1 and the left edge of column 2.
    QTest::mouseClick(surface, Qt::LeftButton, {}, QPoint(124, 2));
    QCOMPARE(f.s().SelColumn, int16_t(2));
    QCOMPARE(gamewindow::OstrelProbe::MouseX(*f.w), -1);
    f.sound.clear();
    QTest::mouseClick(surface, Qt::LeftButton, {}, QPoint(100, 3)); // 1500 twips: column 1
    QCOMPARE(f.s().SelColumn, int16_t(1));
    QCOMPARE(f.sound.count("NEXTTUBE"), 2);
    QTest::mouseClick(surface, Qt::LeftButton, {}, QPoint(5, 3)); // left of every cell
    QCOMPARE(f.s().SelColumn, int16_t(1));
    // A click without a press on the surface before it does nothing.
    f.w->Form_Click();
    QCOMPARE(f.s().SelColumn, int16_t(1));
}

void TestWindowInput::doubleClickOnTheWindowSurfaceSelectsOnce()
{
    WindowFixture f(false);
    f.w->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.w.get()));
    startTwoPlayers(f);
    // Through the window, as the desktop delivers it: press, release, double click, release.
    // Over column 7 a click asks for column 0, so a second click would glide one more step.
    const QPoint at = f.w->centralWidget()->mapTo(f.w.get(), QPoint(4260 / 15 + 5, 2));
    QTest::mouseDClick(f.w->windowHandle(), Qt::LeftButton, {}, at);
    QCOMPARE(f.s().SelColumn, int16_t(7));
    QCOMPARE(f.sound.count("NEXTTUBE"), 4);
    QCOMPARE(f.s().MoveCount, int16_t(0));
    QCOMPARE(gamewindow::OstrelProbe::MouseX(*f.w), -1);
}

void TestWindowInput::doubleClickOnACellMovesThenDrops()
{
    WindowFixture f(false);
    startTwoPlayers(f);
    f.doubleClickCell(6);
    QCOMPARE(f.s().SelColumn, int16_t(6));
    QCOMPARE(f.s().MoveCount, int16_t(1));
    QCOMPARE(f.s().Tube[6], int16_t(1));
    QCOMPARE(testing::control<PictureBox>(f.w.get(), "picPlaygrid", 41)->picture(), f.moveChip(2));
}

void TestWindowInput::doubleClickOnTheFloatingChipDrops()
{
    WindowFixture f(false);
    startTwoPlayers(f);
    QTest::mouseDClick(testing::control<PictureBox>(f.w.get(), "picChip", 0), Qt::LeftButton);
    QCOMPARE(f.s().MoveCount, int16_t(1));
    // After a time-out the chip stays visible, and its double click is not guarded by the game.
    f.s().GameRunning = false;
    QTest::mouseDClick(testing::control<PictureBox>(f.w.get(), "picChip", 0), Qt::LeftButton);
    QCOMPARE(f.s().MoveCount, int16_t(2));
}

QTEST_MAIN(TestWindowInput)
#include "test_window_input.moc"
