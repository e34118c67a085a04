// Sound effects through the window: the file it looks for, the effects switch, a missing file,
// the waited-sound flag, and the result panel's rolling with its sounds.
#include "WindowFixture.h"
#include "common/ScriptedMsgBoxes.h"

#include <QDir>

class TestWindowSound : public QObject {
    Q_OBJECT
private slots:
    void effectIsTheNamedFileInTheProgramFolder();
    void fileNamesAreFoundWithoutRegardToCase();
    void effectsOffSkipsAllButANameWithAFolder();
    void missingFileIsReportedOncePerRequestAndPlaysNothingElse();
    void unwaitedSoundIsDroppedWhileAWaitedOnePlays();
    void waitedSoundWaitsForAnEarlierWaitedOne();
    void resultPanelRollsOpenAndClosedInStepsOf120Twips();
    void gameStartRollsTheOpenPanelUp();
};

void TestWindowSound::effectIsTheNamedFileInTheProgramFolder()
{
    WindowFixture f;
    f.w->Playsound("CHFALL", false);
    f.w->Playsound("TFILLED", true);
    QCOMPARE(f.sound.requests.size(), 2);
    QCOMPARE(QFileInfo(f.sound.requests[0].path).canonicalFilePath(),
             QFileInfo(f.folder.path() + "/CHFALL.WAV").canonicalFilePath());
    QCOMPARE(f.sound.requests[0].wait, false);
    QCOMPARE(f.sound.requests[1].wait, true);
    QCOMPARE(f.s().SoundBusy, false);
}

void TestWindowSound::fileNamesAreFoundWithoutRegardToCase()
{
    WindowFixture f;
    QDir dir(f.folder.path());
    QVERIFY(dir.rename("NEXTTUBE.WAV", "nexttube.wav"));
    QVERIFY(dir.rename("p2pend.WAV", "P2PEND.wav"));
    ScriptedMsgBoxes boxes;
    f.w->Playsound("NEXTTUBE", false);
    f.w->Playsound("p2pend", false);
    QCOMPARE(boxes.count(), 0);
    QCOMPARE(f.sound.requests.size(), 2);
    QVERIFY(f.sound.requests[0].path.endsWith("nexttube.wav"));
    QVERIFY(f.sound.requests[1].path.endsWith("P2PEND.wav"));
}

void TestWindowSound::effectsOffSkipsAllButANameWithAFolder()
{
    WindowFixture f;
    testing::control<QAction>(f.w.get(), "menSoundOn")->setChecked(false);
    ScriptedMsgBoxes boxes;
    f.w->Playsound("CHFALL", false);
    f.w->Playsound("NOSUCHSOUND", true);
    f.w->menStartgame_Click();
    QVERIFY(f.sound.requests.isEmpty());
    QCOMPARE(boxes.count(), 0);
    QFile voice(f.folder.path() + "/invoice.wav");
    QVERIFY(voice.open(QIODevice::WriteOnly));
    voice.close();
    f.w->Playsound(f.folder.path() + "/invoice", true);
    QCOMPARE(f.sound.requests.size(), 1);
    QCOMPARE(f.sound.requests[0].wait, true);
    QVERIFY(f.sound.requests[0].path.endsWith("invoice.wav"));
}

void TestWindowSound::missingFileIsReportedOncePerRequestAndPlaysNothingElse()
{
    WindowFixture f(false);
    QVERIFY(QFile::remove(f.folder.path() + "/NEXTTUBE.WAV"));
    ScriptedMsgBoxes boxes;
    f.w->Playsound("NEXTTUBE", false);
    QCOMPARE(boxes.count(), 1);
    QCOMPARE(boxes.shown()[0].prompt, QString("Datei: ") + f.folder.path() + "/NEXTTUBE.WAV nicht gefunden!");
    QCOMPARE(boxes.shown()[0].style, int(platform::vbOKOnly));
    // What is handed on is the missing file itself: the player plays nothing for it.
    QCOMPARE(f.sound.requests.size(), 1);
    QVERIFY(!QFile::exists(f.sound.requests[0].path));
    boxes.clear();
    f.w->menStartgame_Click();
    f.w->GoToTube(1, false);
    boxes.clear();
    f.w->GoToTube(7, false); // a glide over seven columns
    QCOMPARE(boxes.count(), 7);
}

void TestWindowSound::unwaitedSoundIsDroppedWhileAWaitedOnePlays()
{
    WindowFixture f;
    bool busyInside = false;
    f.sound.duringPlay = [&](const QString &, bool wait) {
        if (!wait)
            return;
        busyInside = f.s().SoundBusy;
        f.w->Playsound("CHFALL", false); // e.g. a tick during the wait
    };
    f.w->Playsound("TIMEOVER", true);
    QCOMPARE(busyInside, true);
    QCOMPARE(f.sound.requests.size(), 1);
    QCOMPARE(f.sound.requests[0].name, QString("TIMEOVER"));
    QCOMPARE(f.s().SoundBusy, false);
}

void TestWindowSound::waitedSoundWaitsForAnEarlierWaitedOne()
{
    WindowFixture f;
    f.s().SoundBusy = true; // an earlier waited sound plays
    QList<int> delays;
    f.w->setDelay([&](int16_t seconds) {
        delays.append(seconds);
        QVERIFY(f.sound.requests.isEmpty());
        if (delays.size() == 3)
            f.s().SoundBusy = false; // the earlier one ends
    });
    f.w->Playsound("RESCLOSE", true);
    QCOMPARE(delays, QList<int>({1, 1, 1}));
    QCOMPARE(f.sound.requests.size(), 1);
    QCOMPARE(f.s().SoundBusy, false);
}

void TestWindowSound::resultPanelRollsOpenAndClosedInStepsOf120Twips()
{
    WindowFixture f;
    QCOMPARE(gamewindow::OstrelProbe::ResultPanelHeight(*f.w), 1635);
    QVERIFY(!testing::control<QWidget>(f.w.get(), "picResult")->isVisibleTo(f.w.get()));
    QList<int> heights;
    f.sound.duringPlay = [&](const QString &, bool) {
        heights.append(gamewindow::OstrelProbe::resultHeightTwips(*f.w));
    };
    f.w->ShowResultGame("Dieses Spiel ergab 1.000 Punkte!");
    QCOMPARE(f.sound.count("RESOPEN"), 14);
    QCOMPARE(heights.first(), 1);
    QCOMPARE(heights.last(), 1561);
    QCOMPARE(gamewindow::OstrelProbe::resultHeightTwips(*f.w), 1635);
    QCOMPARE(testing::control<QWidget>(f.w.get(), "picResult")->height(), 109);
    QVERIFY(testing::control<QWidget>(f.w.get(), "picResult")->isVisibleTo(f.w.get()));
    QCOMPARE(testing::control<QLabel>(f.w.get(), "lblResult")->text(), QString("Dieses Spiel ergab 1.000 Punkte!"));
    QCOMPARE(f.s().ResultShown, true);

    heights.clear();
    f.sound.clear();
    f.w->HideResult();
    QCOMPARE(f.sound.count("RESCLOSE"), 15);
    QCOMPARE(f.sound.waited("RESCLOSE"), 1);
    QCOMPARE(f.sound.requests.last().wait, true);
    QCOMPARE(heights.first(), 1635);
    QCOMPARE(heights[13], 75); // the last step at or above 0
    QVERIFY(!testing::control<QWidget>(f.w.get(), "picResult")->isVisibleTo(f.w.get()));
    QCOMPARE(f.s().ResultShown, true); // its caller clears it
}

void TestWindowSound::gameStartRollsTheOpenPanelUp()
{
    WindowFixture f(false);
    f.w->ShowResultGame("x");
    f.sound.clear();
    f.w->menStartgame_Click();
    QCOMPARE(f.s().ResultShown, false);
    QVERIFY(!testing::control<QWidget>(f.w.get(), "picResult")->isVisibleTo(f.w.get()));
    QCOMPARE(f.sound.waited("RESCLOSE"), 1);
}

QTEST_MAIN(TestWindowSound)
#include "test_window_sound.moc"
