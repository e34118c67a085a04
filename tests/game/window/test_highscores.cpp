// The high-score list: where a series total goes, what drops out, naming the new place, the
// window's texts and "Delete all".
#include "WindowTestTools.h"
#include "common/ScriptedMsgBoxes.h"
#include "game/window/QorBest.h"
#include "platform/MousePointer.h"

#include <QLocale>
#include <QTest>
#include <array>

using namespace gamewindow;

namespace {
struct List {
    std::array<QString, 5> names;
    std::array<int32_t, 5> points{};
    HighScoreTable table() { return {names, points}; }
};

List fullList()
{
    List l;
    l.names = {QStringLiteral("Ann"), QStringLiteral("Bob"), QStringLiteral("Cid"), QStringLiteral("Dee"),
               QStringLiteral("Eve")};
    l.points = {5000, 4000, 3000, 2000, 1000};
    return l;
}

// Runs `check` on the modal high-score window, then presses OK after typing `name` into
// the enabled box, or closes the window when `name` is null.
struct WindowDriver {
    ModalWatcher watcher;
    bool opened = false;
    QList<bool> enabled;
    int focused = -1;
    QString title;
    void drive(const QString &name, std::function<void(QorBest *)> more = nullptr)
    {
        watcher.watch([this, name, more](QWidget *w) {
            auto *best = qobject_cast<QorBest *>(w);
            QVERIFY(best);
            opened = true;
            title = best->windowTitle();
            for (int i = 0; i < 5; ++i) {
                enabled << best->txtBest(i)->isEnabled();
                if (best->focusWidget() == best->txtBest(i)) // the box that has or gets the focus
                    focused = i;
            }
            if (more)
                more(best);
            if (name.isNull()) {
                best->close();
                return;
            }
            for (int i = 0; i < 5; ++i)
                if (best->txtBest(i)->isEnabled()) {
                    best->txtBest(i)->selectAll();
                    QTest::keyClicks(best->txtBest(i), name);
                }
            QTest::mouseClick(best->OkButton(), Qt::LeftButton);
        });
    }
};
} // namespace

class TestHighScores : public QObject {
    Q_OBJECT
private slots:
    void totalEqualToThirdPlaceGoesAboveItAndTheFifthDrops();
    void totalAboveAllBecomesFirst();
    void zeroTotalNeverEnters();
    void totalBelowAllPlacesOpensNoWindow();
    void closingWithoutOkKeepsTheEntryWithAnEmptyName();
    void escapeWhileNamingKeepsTheWindowOpen();
    void deleteAllAnsweredYesEmptiesTheListWhileNaming();
    void deleteAllAnsweredNoOrCancelChangesNothing();
    void pointsShowGroupedOrAsDash();
    void captionsInBothLanguages();
    void windowLiesBelowTheResultPanel();
    void activationSelectsTheEnabledBoxText();
};

void TestHighScores::totalEqualToThirdPlaceGoesAboveItAndTheFifthDrops()
{
    List l = fullList();
    WindowDriver driver;
    QString shownPoints;
    driver.drive(QStringLiteral("  Zoe "), [&](QorBest *b) { shownPoints = b->lblPoints(2)->text(); });
    CheckHighScore(l.table(), 3000, {});
    QVERIFY(driver.opened);
    QCOMPARE(driver.enabled, (QList<bool>{false, false, true, false, false}));
    QCOMPARE(driver.focused, 2);
    QCOMPARE(shownPoints, formatPoints(3000) + QStringLiteral(" Punkte"));
    QCOMPARE(l.points, (std::array<int32_t, 5>{5000, 4000, 3000, 3000, 2000}));
    // The name is taken as typed, blanks and all.
    QCOMPARE(l.names, (std::array<QString, 5>{QStringLiteral("Ann"), QStringLiteral("Bob"), QStringLiteral("  Zoe "),
                                              QStringLiteral("Cid"), QStringLiteral("Dee")}));
    QCOMPARE(platform::mousePointer(), int(platform::vbDefault));
}

void TestHighScores::totalAboveAllBecomesFirst()
{
    List l; // an empty list: the first total takes place 1
    WindowDriver driver;
    driver.drive(QStringLiteral("Max"));
    CheckHighScore(l.table(), 12500, {});
    QCOMPARE(driver.focused, 0);
    QCOMPARE(l.points, (std::array<int32_t, 5>{12500, 0, 0, 0, 0}));
    QCOMPARE(l.names[0], QStringLiteral("Max"));

    WindowDriver second;
    second.drive(QString());
    CheckHighScore(l.table(), 20000, {});
    QVERIFY(second.opened);
    QCOMPARE(l.points, (std::array<int32_t, 5>{20000, 12500, 0, 0, 0}));
    QCOMPARE(l.names[1], QStringLiteral("Max"));
}

void TestHighScores::zeroTotalNeverEnters()
{
    List l;
    WindowDriver driver;
    driver.drive(QString());
    CheckHighScore(l.table(), 0, {});
    QVERIFY(!driver.opened);
    QCOMPARE(l.points, (std::array<int32_t, 5>{}));
}

void TestHighScores::totalBelowAllPlacesOpensNoWindow()
{
    List l = fullList();
    const List before = l;
    WindowDriver driver;
    driver.drive(QString(), nullptr);
    CheckHighScore(l.table(), 999, {});
    QVERIFY(!driver.opened);
    QCOMPARE(l.points, before.points);
    QCOMPARE(l.names, before.names);
}

void TestHighScores::closingWithoutOkKeepsTheEntryWithAnEmptyName()
{
    List l = fullList();
    WindowDriver driver;
    driver.drive(QString(), [](QorBest *b) { QTest::keyClicks(b->txtBest(4), QStringLiteral("typed")); });
    CheckHighScore(l.table(), 1500, {});
    QVERIFY(driver.opened);
    QCOMPARE(l.points[4], 1500);
    QCOMPARE(l.names[4], QString());
    QCOMPARE(l.names[3], QStringLiteral("Dee"));
}

void TestHighScores::escapeWhileNamingKeepsTheWindowOpen()
{
    List l = fullList();
    WindowDriver driver;
    bool openAfterEscape = false;
    driver.drive(QStringLiteral("Zed"), [&](QorBest *b) {
        QTest::keyClick(b->txtBest(0), Qt::Key_Escape);
        openAfterEscape = b->isVisible();
    });
    CheckHighScore(l.table(), 9000, {});
    QVERIFY(openAfterEscape);
    QCOMPARE(l.names[0], QStringLiteral("Zed")); // OK stored the typed name
}

void TestHighScores::deleteAllAnsweredYesEmptiesTheListWhileNaming()
{
    List l = fullList();
    ScriptedMsgBoxes boxes;
    boxes.answer(platform::vbYes);
    WindowDriver driver;
    QStringList shownAfterDelete;
    bool boxStillEnabled = false;
    driver.drive(QStringLiteral("Neo"), [&](QorBest *b) {
        QTest::mouseClick(b->DelBestMovesButton(), Qt::LeftButton);
        QVERIFY(b->isVisible()); // the window stays open
        for (int i = 0; i < 5; ++i)
            shownAfterDelete << b->lblPoints(i)->text() + QLatin1Char('|') + b->txtBest(i)->text();
        boxStillEnabled = b->txtBest(1)->isEnabled();
    });
    CheckHighScore(l.table(), 4500, {true, {}, nullptr});
    QCOMPARE(boxes.count(), 1);
    QCOMPARE(boxes.shown().first().prompt, QStringLiteral("Delete all highscores ?"));
    QCOMPARE(boxes.shown().first().style, platform::vbYesNoCancel | platform::vbQuestion);
    QCOMPARE(boxes.shown().first().title, QStringLiteral("Ostrel"));
    QCOMPARE(shownAfterDelete, QStringList(5, QStringLiteral("- Punkte|")));
    QVERIFY(boxStillEnabled);
    // OK stores the typed name on a place with 0 points.
    QCOMPARE(l.points, (std::array<int32_t, 5>{}));
    QCOMPARE(l.names, (std::array<QString, 5>{QString(), QStringLiteral("Neo"), QString(), QString(), QString()}));
}

void TestHighScores::deleteAllAnsweredNoOrCancelChangesNothing()
{
    for (int answer : {int(platform::vbNo), int(platform::vbCancel)}) {
        List l = fullList();
        const List before = l;
        ScriptedMsgBoxes boxes;
        boxes.answer(answer);
        QorBest window(l.table(), {false, {}, nullptr});
        window.DelBestMovesButton_Click();
        QCOMPARE(boxes.shown().first().prompt, QStringLiteral("Alle Highscores löschen ?"));
        QCOMPARE(l.points, before.points);
        QCOMPARE(l.names, before.names);
        QCOMPARE(window.txtBest(0)->text(), QStringLiteral("Ann"));
    }
}

void TestHighScores::pointsShowGroupedOrAsDash()
{
    const QString sep = QLocale::system().groupSeparator();
    QCOMPARE(formatPoints(7), QStringLiteral("7"));
    QCOMPARE(formatPoints(999), QStringLiteral("999"));
    QCOMPARE(formatPoints(1000), QStringLiteral("1") + sep + QStringLiteral("000"));
    QCOMPARE(formatPoints(1234567), QStringLiteral("1") + sep + QStringLiteral("234") + sep + QStringLiteral("567"));
    QCOMPARE(formatPoints(2147483647), QStringList({"2", "147", "483", "647"}).join(sep));
    QCOMPARE(pointsCaption(0), QStringLiteral("- Punkte"));
    QCOMPARE(pointsCaption(-5), QStringLiteral("- Punkte"));
    QCOMPARE(pointsCaption(12500), QStringLiteral("12") + sep + QStringLiteral("500 Punkte"));

    List l;
    l.points = {1234567, 0, 0, 0, 0};
    l.names[0] = QStringLiteral("Ann");
    QorBest window(l.table(), {});
    QCOMPARE(window.lblPoints(0)->text(), pointsCaption(1234567));
    QCOMPARE(window.lblPoints(3)->text(), QStringLiteral("- Punkte"));
    QCOMPARE(window.txtBest(0)->text(), QStringLiteral("Ann"));
    for (int i = 0; i < 5; ++i)
        QVERIFY(!window.txtBest(i)->isEnabled()); // opened from the menu nothing is editable
}

void TestHighScores::captionsInBothLanguages()
{
    List l;
    QorBest english(l.table(), {true, {}, nullptr});
    QCOMPARE(english.windowTitle(), QStringLiteral("Highscores"));
    QCOMPARE(english.lblPlace(0)->text(), QStringLiteral("No. 1:"));
    QCOMPARE(english.lblPlace(4)->text(), QStringLiteral("No. 5:"));
    QCOMPARE(english.DelBestMovesButton()->text(), QStringLiteral("Delete &Highscores"));
    QCOMPARE(english.OkButton()->text(), QStringLiteral("OK"));
    QVERIFY(english.OkButton()->isDefault());
    QorBest german(l.table(), {false, {}, nullptr});
    QCOMPARE(german.windowTitle(), QStringLiteral("Bestenliste"));
    QCOMPARE(german.lblPlace(2)->text(), QStringLiteral("Platz 3:"));
    QCOMPARE(german.DelBestMovesButton()->text(), QStringLiteral("Highscores &löschen"));
    // The design's places: rows 420 twips (28 pixels) apart.
    QCOMPARE(german.txtBest(3)->geometry(), QRect(76, 96, 205, 21));
    QCOMPARE(german.lblPoints(1)->x(), 288);
}

void TestHighScores::windowLiesBelowTheResultPanel()
{
    List l;
    QorBest window(l.table(), {true, 200, nullptr});
    QCOMPARE(window.y(), 230);
}

void TestHighScores::activationSelectsTheEnabledBoxText()
{
    List l = fullList();
    QorBest window(l.table(), {});
    window.enableNameBox(1);
    window.show();
    QCOMPARE(window.txtBest(1)->selectedText(), QStringLiteral("Bob"));
    QCOMPARE(window.focusWidget(), window.txtBest(1));
    QCOMPARE(window.txtBest(0)->selectedText(), QString());
}

QTEST_MAIN(TestHighScores)
#include "test_highscores.moc"
