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
    QDir().mkpath(OSTREL_PICTURES_DIR);
    if (!image.save(QString(OSTREL_PICTURES_DIR) + "/" + name + ".png"))
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

    // Yellow (the human) is made to win: column 1 is filled, then the result panel rolls open.
    f.s().TimeLimitActive = false;
    f.s().PointsMode = true;
    int guard = 0;
    while (f.s().GameRunning && ++guard < 60) {
        if (f.s().CurrentPlayer == 1)
            f.w->timPlayTimer_Timer();
        else
            f.dropWithKeys(f.s().Tube[1] < 6 ? 1 : (f.s().Tube[2] < 6 ? 2 : 6));
    }
    if (f.s().CurrentPlayer == 1 || !f.s().ResultShown) {
        // The computer won or no series: show a result anyway, as a series game would.
        f.w->ShowResultGame("This game results in 12,500 points! (Level 1)\r\nTotal points: 12,500 !!!");
    }
    f.w->timPlayTimer_Timer();
    f.w->timPlayTimer_Timer();
    QImage won = shoot(*f.w, "won-game");
    QVERIFY(f.w->picResult()->isVisible());
    QCOMPARE(f.w->picResult()->height(), 109);
    QVERIFY(!won.isNull());
}

QTEST_MAIN(TestWindowPictures)
#include "test_window_pictures.moc"
