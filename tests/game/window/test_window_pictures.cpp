// Writes pictures of the main window in both languages for a reviewer to look at
// (build/pictures): the idle window, a game in progress with the floating chip, a won game with
// the result panel open, and the chat frame of a linked game. Each picture is checked for the
// things it must show, and every text and scroll bar in it for room and contrast.
#include "Legibility.h"
#include "WindowFixture.h"

#include "platform/DesignFonts.h"
#include "platform/RichTextBox.h"
#include "platform/Twips.h"
#include "platform/WindowFrame.h"

#include <QGroupBox>
#include <QImage>
#include <QPushButton>
#include <QScrollBar>
#include <QTextEdit>

class TestWindowPictures : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { platform::useDesignFonts(); }
    void writePictures_data();
    void writePictures();
};

namespace {
QColor at(const QImage &image, QWidget *box, const QPoint &offset, gamewindow::Ostrel &w)
{
    return image.pixelColor(box->mapTo(&w, offset));
}

// The window's captions and menus in the language, as the language menu sets them.
void speak(gamewindow::Ostrel &w, bool english)
{
    QString word = english ? QStringLiteral("English") : QStringLiteral("German");
    w.ChangeLanguage(word);
}

// A won game: the human plays for a win with a lookahead, on the first seed where it wins.
std::unique_ptr<WindowFixture> wonGame(bool english)
{
    for (uint64_t seed = 1; seed <= 40; ++seed) {
        auto g = std::make_unique<WindowFixture>(true, seed);
        speak(*g->w, english);
        testing::control<QAction>(g->w.get(), "menTimeLimit")->setChecked(true);
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
            return g;
    }
    return nullptr;
}
} // namespace

void TestWindowPictures::writePictures_data()
{
    QTest::addColumn<bool>("english");
    QTest::newRow("english") << true;
    QTest::newRow("german") << false;
}

void TestWindowPictures::writePictures()
{
    QFETCH(bool, english);
    const QString language = english ? QStringLiteral("_english") : QStringLiteral("_german");
    QStringList faults;
    auto shoot = [&](gamewindow::Ostrel &w, const QString &name) {
        faults << legibility::faults(&w, name + language);
        return w.grab().toImage();
    };

    WindowFixture f(true, 7);
    speak(*f.w, english);
    f.w->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.w.get()));
    f.w->adjuststatuslbl();

    QImage empty = shoot(*f.w, "main-idle");
    // The middle of a cell is its dark hole.
    QVERIFY(at(empty, testing::control<PictureBox>(f.w.get(), "picPlaygrid", 1), QPoint(16, 16), *f.w).lightness()
            < 40);

    testing::control<QAction>(f.w.get(), "menTimeLimit")->setChecked(true);
    f.w->showTimeBarLook(true);
    f.w->menStartgame_Click();
    f.w->timPlayTimer_Timer();
    f.dropWithKeys(3);
    f.w->timPlayTimer_Timer();
    f.key(Qt::Key_Right);
    for (int i = 0; i < 30; ++i)
        f.w->timPlayTimer_Timer(); // some of the human's time has gone
    QImage mid = shoot(*f.w, "main-game");
    const QColor floating = at(mid, testing::control<PictureBox>(f.w.get(), "picChip", 0), QPoint(16, 16), *f.w);
    QVERIFY2(floating.red() > 200 && floating.green() > 150, "the floating chip is yellow");

    std::unique_ptr<WindowFixture> game = wonGame(english);
    QVERIFY2(game, "the human won no game");
    WindowFixture &f2 = *game;
    f2.w->show();
    QVERIFY(QTest::qWaitForWindowExposed(f2.w.get()));
    QCOMPARE(f2.s().ResultShown, true);
    QVERIFY(testing::control<QLabel>(f2.w.get(), "lblResult")
                ->text()
                .startsWith(english ? "This game results in " : "Dieses Spiel ergab "));
    QCOMPARE(f2.textColor("lblResult"), 0xFFFF);
    f2.w->timPlayTimer_Timer();
    f2.w->timPlayTimer_Timer(); // the winning chips blink: shown full again
    shoot(*f2.w, "main-result");
    QVERIFY(testing::control<QWidget>(f2.w.get(), "picResult")->isVisible());
    QCOMPARE(testing::control<QWidget>(f2.w.get(), "picResult")->height(), 109);

    // The chat frame as a link shows it, with a tally and a line of each kind.
    WindowFixture f3(false, 3);
    speak(*f3.w, english);
    f3.w->show();
    QVERIFY(QTest::qWaitForWindowExposed(f3.w.get()));
    testing::control<QAction>(f3.w.get(), "menIP")->setEnabled(false);
    testing::control<gamewindow::ChatFrame>(f3.w.get(), "frmChat")->show();
    testing::control<QLabel>(f3.w.get(), "lblRecord")->setEnabled(true);
    testing::control<QPushButton>(f3.w.get(), "cmdP2PClose")->setEnabled(true);
    f3.w->net().link().Nick = {QStringLiteral("Anna"), QStringLiteral("Bert")};
    f3.w->net().link().GamesWon = {1, 0};
    f3.w->net().link().LocalIsRed = true;
    f3.w->net().act_ChatCaption();
    f3.w->net().AddChatLine(QStringLiteral("Anna: Hallo Bert!"), 1);
    f3.w->net().AddChatLine(QStringLiteral("Bert: Hallo Anna, viel Glück!"), 2);
    // More lines than the display holds: its scroll bar shows.
    for (int i = 1; i <= 6; ++i)
        f3.w->net().AddChatLine(QStringLiteral("Anna: Zug %1").arg(i), 2 - i % 2);
    f3.w->menStartgame_Click();
    f3.w->net().link().NetworkGame = true;
    platform::setOuterHeight(f3.w.get(), platform::twipsToPixels(8595));
    shoot(*f3.w, "main-chat");
    QVERIFY(
        testing::control<platform::RichTextBox>(f3.w.get(), "txtInMessage")->view()->verticalScrollBar()->isVisible());
    QVERIFY(testing::control<gamewindow::ChatFrame>(f3.w.get(), "frmChat")
                ->title()
                .contains(QStringLiteral("Anna : 1    Bert : 0 ")));

    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
}

QTEST_MAIN(TestWindowPictures)
#include "test_window_pictures.moc"
