// Writes pictures of the main window for a reviewer to look at (build/pictures): the empty
// board, a game in progress with the floating chip, and a won game with the result panel open.
// Each picture is also checked for the things it must show.
#include "WindowFixture.h"

#include <QDir>
#include <QImage>

class TestWindowPictures : public QObject {
    Q_OBJECT
private slots:
    void writePictures();
};

namespace {
QImage shoot(gamewindow::Ostrel &w, const QString &name)
{
    const QImage image = w.grab().toImage();
    QDir().mkpath(OSTREL_PICTURE_DIR);
    if (!image.save(QString(OSTREL_PICTURE_DIR) + "/" + name + ".png"))
        qWarning("could not write %s", qPrintable(name));
    return image;
}

QColor at(const QImage &image, QWidget *box, const QPoint &offset, gamewindow::Ostrel &w)
{
    return image.pixelColor(box->mapTo(&w, offset));
}
} // namespace

void TestWindowPictures::writePictures()
{
    WindowFixture f(true, 7);
    f.s().English = true;
    f.w->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.w.get()));
    f.w->adjuststatuslbl();

    QImage empty = shoot(*f.w, "empty-board");
    // The middle of a cell is its dark hole.
    QVERIFY(at(empty, f.w->picPlaygrid(1), QPoint(16, 16), *f.w).lightness() < 40);

    f.w->menTimeLimit()->setChecked(true);
    f.w->showTimeBarLook(true);
    f.w->menStartgame_Click();
    f.w->timPlayTimer_Timer();
    f.dropWithKeys(3);
    f.w->timPlayTimer_Timer();
    f.key(Qt::Key_Right);
    for (int i = 0; i < 30; ++i)
        f.w->timPlayTimer_Timer(); // some of the human's time has gone
    QImage mid = shoot(*f.w, "mid-game");
    const QColor floating = at(mid, f.w->picChip(0), QPoint(16, 16), *f.w);
    QVERIFY2(floating.red() > 200 && floating.green() > 150, "the floating chip is yellow");

    // A won game: the human plays for a win with a lookahead, on the first seed where it wins.
    std::unique_ptr<WindowFixture> game;
    for (uint64_t seed = 1; seed <= 40 && !game; ++seed) {
        auto g = std::make_unique<WindowFixture>(true, seed);
        g->s().English = true;
        g->w->menTimeLimit()->setChecked(true);
        g->w->showTimeBarLook(true);
        g->w->menStartgame_Click();
        Lookahead human(900);
        int guard = 0;
        while (g->s().GameRunning && ++guard < 60) {
            if (g->s().CurrentPlayer == 1)
                g->w->timPlayTimer_Timer();
            else
                g->dropWithKeys(human.choose(g->s()));
        }
        if (g->s().CurrentPlayer == 2 && !g->s().WinCells.isEmpty())
            game = std::move(g);
    }
    QVERIFY2(game, "the human won no game");
    WindowFixture &f2 = *game;
    f2.w->show();
    QVERIFY(QTest::qWaitForWindowExposed(f2.w.get()));
    QCOMPARE(f2.s().ResultShown, true);
    QVERIFY(f2.w->lblResult()->text().startsWith("This game results in "));
    QCOMPARE(f2.w->resultColor(), 0xFFFF);
    f2.w->timPlayTimer_Timer();
    f2.w->timPlayTimer_Timer(); // the winning chips blink: shown full again
    QImage won = shoot(*f2.w, "won-game");
    QVERIFY(f2.w->picResult()->isVisible());
    QCOMPARE(f2.w->picResult()->height(), 109);
    QVERIFY(!won.isNull());
}

QTEST_MAIN(TestWindowPictures)
#include "test_window_pictures.moc"
