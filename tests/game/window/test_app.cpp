// The application shell: the real start-up sequence offscreen, the main window's load with the
// stored settings and high scores, its unload writing them back, the menus and their questions,
// the captions of both languages, help, high scores and info from the menu, and the network
// control created through the library's published interface.
#include "WindowFixture.h"
#include "WindowTestTools.h"
#include "common/ModalAnswerer.h"
#include "common/ScriptedMsgBoxes.h"
#include "game/window/ChooseLanguage.h"
#include "game/window/ProgramStart.h"
#include "game/window/QorBest.h"
#include "game/window/QorInfo.h"
#include "platform/AppTitle.h"
#include "platform/ErrorGuard.h"
#include "platform/WindowFrame.h"
#include "platform/HelpViewer.h"
#include "platform/MousePointer.h"
#include "platform/MsgBox.h"
#include "platform/ToolkitLanguage.h"
#include "platform/Twips.h"
#include "support/IniHandler.h"

#include <QDir>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QRandomGenerator>
#include <QTcpServer>

using namespace gamewindow;

namespace {
class FastClock : public support::DelayClock {
public:
    double timeOfDay() override { return now; }
    void waitForEvents(int ms) override { now += ms / 1000.0; }
    void doEvents() override { QCoreApplication::processEvents(); }
    double now = 1000.0;
};

// A session that counts the control's events.
class AppSession : public gamenet::NetSession {
public:
    using NetSession::NetSession;
    void Pelkin_Connect() override { ++connects; }
    void Pelkin_ServerMessage(QString &msgText) override { messages.append(msgText); }
    bool hearsServerMessages() const override { return true; }
    QStringList messages;
    int connects = 0;
};

// A main window with that session that records the help files it opens.
class AppWindow : public Ostrel {
public:
    AppWindow()
    {
        setHelpOpener([this](const QString &file) { helpFiles.append(file); });
        auto session = std::make_unique<AppSession>(*this, state(), gameRules());
        app = session.get();
        setNetSession(std::move(session));
    }
    QStringList helpFiles;
    AppSession *app = nullptr;
};

struct App {
    QTemporaryDir folder;   // program folder: settings file, sounds, help
    QTemporaryDir dataHome; // XDG data home: the work folder goes below it
    RecordingSound sound;
    std::unique_ptr<AppWindow> w;

    App()
    {
        writeEffectFiles(folder.path());
        qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome.path()));
        assets::setPictureFolder(qEnvironmentVariable("OSTREL_PROGRAM_DIR") + "/pictures");
        IniHandler::IniPath = ini();
    }
    QString ini() const { return folder.filePath("Ostrel.ini"); }
    void writeIni(const QByteArray &text)
    {
        QFile f(ini());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
    QByteArray iniText() const
    {
        QFile f(ini());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    std::unique_ptr<AppWindow> make(const QString &programFolder = QString())
    {
        auto win = std::make_unique<AppWindow>();
        win->setProgramFolder(programFolder.isEmpty() ? folder.path() : programFolder);
        win->setSoundOutput(&sound);
        win->setPlayTimerRunsItself(false);
        return win;
    }
    AppWindow &load(const QString &programFolder = QString())
    {
        w = make(programFolder);
        w->Load();
        w->random().reseed(3);
        return *w;
    }
    rules::GameState &s() { return w->state(); }
    gamenet::LinkState &n() { return w->net().link(); }
};

// Green or grey: the time bar's look, judged by the middle of its picture.
bool timeBarGreen(Ostrel &w)
{
    const QImage image = testing::control<PictureBox>(&w, "TimeBar")->picture()->toImage();
    const QColor c = image.pixelColor(image.width() / 2, image.height() / 2);
    return c.green() > c.red() + 40 && c.green() > c.blue() + 40;
}

// The file written at exit for a window in the default state.
QByteArray defaultsWritten(const QByteArray &language)
{
    QByteArray text = "[SETTINGS]\r\nLanguage=" + language + "\r\nSound=ON\r\nTWOPlayers=NO\r\nTimeLimit=ON\r\n[HIGHSCORES]\r\n";
    for (int i = 1; i <= 5; ++i)
        text += "Player" + QByteArray::number(i) + "=\r\nPoints" + QByteArray::number(i) + "= 0\r\n";
    return text;
}

const char *const EnglishQuestion =
    "To make this change you have to cancel the running game. Do you want to stop this game?";
} // namespace

class TestApp : public QObject {
    Q_OBJECT
private slots:
    void init() { platform::setMousePointer(platform::vbDefault); }

    void firstStartRunsTitleLanguageWindowThenMainWindowWithDefaults();
    void firstStartWithTheGermanFlagLoadsGermanCaptions();
    void languageOnlyLoadsDefaultsAndExitWritesEveryKeyInOrder();
    void storedSettingsAreAppliedAndWrittenBack_data();
    void storedSettingsAreAppliedAndWrittenBack();
    void timeLimitOffWithTheMenuAlreadyUncheckedEndsUncheckedAndGrey();
    void highScoresLoadAndStoreWithTheirLeadingBlank();
    void hostilePointsValuesDoNotBecomeScores();
    void junkSettingsFileLoadsDefaultsAndIsWrittenBackClean();
    void workFolderIsCreatedAtEveryLoad();
    void unloadRunsOnceAndReleasesTheControl();

    void menuItemsCaptionsShortcutsAndMarks();
    void modeChangeWithoutGameAsksNothingAndStartsNothing();
    void modeChangeQuestionDuringAGame_data();
    void modeChangeQuestionDuringAGame();
    void timeLimitOnDuringAGameAnsweredNoAtTheStartKeepsTheOldGame();
    void timeLimitOnWithoutGameStartsAPointsSeries();
    void twoPlayersDisablesTheTimeLimitButKeepsItsMark();
    void twoPlayersWhileLinkedLeavesNoModeMarked();
    void soundItemToggles();
    void languageSwitchDuringAGameRewritesCaptionsAndKeepsTheGame();
    void unknownLanguageWordOnlyEmptiesTheStatusLine();
    void messageBoxButtonsSpeakTheLanguageOfTheGame();
    void chatLineKeepsTheKeysThroughTheMenusOfALinkedGame();
    void arrowKeysMoveTheChipRightAfterAMenuClosedWithEscape();

    void helpOpensTheFileOfTheLanguage();
    void highScoresAndInfoOpenModallyFromTheMenu();
    void seriesTotalEntersTheMainWindowsList();
    void boardIsCentredExceptDuringANetworkGame();
    void exitFromTheMenuWritesTheSettings();
    void closingTheMainWindowWithTheHelpOpenEndsTheProgram();

    void controlIsCreatedWithServerFalseAndRaisesEvents();
    void withoutTheControlLibraryTheGameStillPlaysAndNetgameReportsIt();
    void eventArgumentsFromTheControlAreCheckedAndWrittenBack();

    void writeMainWindowWithGameMenuPicture();
};

void TestApp::firstStartRunsTitleLanguageWindowThenMainWindowWithDefaults()
{
    App a;
    FastClock clock;
    ProgramStart run;
    TitleHooks hooks;
    hooks.programFolder = a.folder.path();
    hooks.delayClock = &clock;
    bool asked = false;
    bool mainHiddenDuringQuestion = true;
    // Closed without a choice: nothing is written, the defaults of the load apply.
    hooks.runLanguageWindow = [&](ChooseLanguage &) {
        asked = true;
        mainHiddenDuringQuestion = !run.mainWindow;
    };
    bool visibleBeforeShow = true;
    startProgram(run, std::move(hooks), [&] {
        auto win = a.make();
        return std::unique_ptr<Ostrel>(win.release());
    });
    visibleBeforeShow = run.mainWindow && run.mainWindow->isVisible();
    QVERIFY(asked);
    QVERIFY(mainHiddenDuringQuestion);
    QVERIFY(run.mainWindow);
    QVERIFY(!visibleBeforeShow); // loaded, not shown, while the title is up
    QTRY_VERIFY(run.mainWindow->isVisible());
    QTRY_VERIFY(run.title.isNull()); // the main window's activation closed the title
    QCOMPARE(platform::mousePointer(), int(platform::vbDefault));

    Ostrel &w = *run.mainWindow;
    const rules::GameState &s = w.state();
    QCOMPARE(s.English, true);
    QVERIFY(testing::control<QAction>(&w, "menLangEnglish")->isChecked());
    QVERIFY(!testing::control<QAction>(&w, "menLanGerman")->isChecked());
    QVERIFY(testing::control<QAction>(&w, "menOnePlayer")->isChecked());
    QVERIFY(!testing::control<QAction>(&w, "menTwoPlayers")->isChecked());
    QVERIFY(testing::control<QAction>(&w, "menTimeLimit")->isChecked());
    QVERIFY(testing::control<QAction>(&w, "menTimeLimit")->isEnabled());
    QVERIFY(testing::control<QAction>(&w, "menSoundOn")->isChecked());
    QVERIFY(timeBarGreen(w));
    QCOMPARE(s.TimeLimitActive, true);
    QCOMPARE(s.PointsMode, true);
    QCOMPARE(s.GameRunning, false);
    QCOMPARE(s.FormLoading, false);
    QCOMPARE(testing::control<QLabel>(&w, "lblStatus")->text(), QString("F2 - new game!"));
    for (int i = 0; i < 5; ++i) {
        QCOMPARE(s.HighNames[i], QString());
        QCOMPARE(s.HighPoints[i], 0);
    }
    QCOMPARE(w.windowTitle(), QString("Ostrel"));
    QCOMPARE(platform::appTitle(), QString("Ostrel"));
    // 6540 twips is the outer height: the frame (here the assumed one) comes off the inside.
    QCOMPARE(platform::outerSize(&w).height(), 436);
    QCOMPARE(w.height(), 436 - platform::AssumedFrame.top() - platform::AssumedFrame.bottom());
    QCOMPARE(testing::control<QWidget>(&w, "PicPlayBoard")->y(), (436 - 50) / 2 - 381 / 2);
    QVERIFY(w.LogDialogue());
    QCOMPARE(w.TransferBarWidth(), int16_t(6120));
    QCOMPARE(a.iniText(), QByteArray()); // nothing written before the exit

    run.mainWindow->close();
    // The exit stores the language, so the question does not come again. The file is new: its
    // keys stand in the order of writing.
    QByteArray expected = defaultsWritten("ENGLISH");
    expected.replace("Language=ENGLISH\r\n", "");
    expected.replace("TimeLimit=ON\r\n", "TimeLimit=ON\r\nLanguage=ENGLISH\r\n");
    QCOMPARE(a.iniText(), expected);
}

void TestApp::firstStartWithTheGermanFlagLoadsGermanCaptions()
{
    App a;
    FastClock clock;
    ProgramStart run;
    TitleHooks hooks;
    hooks.programFolder = a.folder.path();
    hooks.delayClock = &clock;
    hooks.runLanguageWindow = [](ChooseLanguage &dialog) { QTest::mouseClick(dialog.picFlag(0), Qt::LeftButton); };
    startProgram(run, std::move(hooks), [&] { return std::unique_ptr<Ostrel>(a.make().release()); });
    QTRY_VERIFY(run.title.isNull());
    Ostrel &w = *run.mainWindow;
    QCOMPARE(w.state().English, false);
    QVERIFY(testing::control<QAction>(&w, "menLanGerman")->isChecked());
    QCOMPARE(testing::control<QMenu>(&w, "menGame")->title(), QString("&Spieloptionen"));
    QCOMPARE(testing::control<QLabel>(&w, "lblStatus")->text(), QString("F2 - für neues Spiel!"));
    w.close();
    QVERIFY(a.iniText().startsWith("[SETTINGS]\r\nLanguage=GERMAN\r\nSound=ON\r\n"));
}

void TestApp::languageOnlyLoadsDefaultsAndExitWritesEveryKeyInOrder()
{
    App a;
    a.writeIni("[SETTINGS]\r\nLanguage=ENGLISH\r\n");
    AppWindow &w = a.load();
    QVERIFY(testing::control<QAction>(&w, "menOnePlayer")->isChecked());
    QVERIFY(testing::control<QAction>(&w, "menTimeLimit")->isChecked());
    QVERIFY(testing::control<QAction>(&w, "menSoundOn")->isChecked());
    QCOMPARE(a.s().English, true);
    w.close();
    QCOMPARE(a.iniText(), defaultsWritten("ENGLISH"));
}

void TestApp::storedSettingsAreAppliedAndWrittenBack_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<bool>("two");
    QTest::addColumn<bool>("timeLimit");
    QTest::addColumn<bool>("timeLimitEnabled");
    QTest::addColumn<bool>("sound");
    QTest::addColumn<bool>("english");
    QTest::addColumn<QByteArray>("written");

    QTest::newRow("yes in small letters is two players")
        << QByteArray("TWOPlayers=yes\r\nLanguage=ENGLISH") << true << true << false << true << true
        << QByteArray("Language=ENGLISH\r\nSound=ON\r\nTWOPlayers=YES\r\nTimeLimit=ON\r\n");
    QTest::newRow("off in small letters leaves the time limit on")
        << QByteArray("TimeLimit=off\r\nLanguage=ENGLISH") << false << true << true << true << true
        << QByteArray("Language=ENGLISH\r\nSound=ON\r\nTWOPlayers=NO\r\nTimeLimit=ON\r\n");
    QTest::newRow("german in small letters is English")
        << QByteArray("Language=german") << false << true << true << true << true
        << QByteArray("Language=ENGLISH\r\nSound=ON\r\nTWOPlayers=NO\r\nTimeLimit=ON\r\n");
    QTest::newRow("everything off, German, blanks around the values")
        << QByteArray("Language=GERMAN\r\nSound=  OFF  \r\nTimeLimit= OFF\r\nTWOPlayers=NO") << false << false << true
        << false << false << QByteArray("Language=GERMAN\r\nSound=OFF\r\nTWOPlayers=NO\r\nTimeLimit=OFF\r\n");
    QTest::newRow("two players with the time limit on: disabled but checked")
        << QByteArray("Language=GERMAN\r\nTWOPlayers=YES\r\nTimeLimit=ON") << true << true << false << true << false
        << QByteArray("Language=GERMAN\r\nTWOPlayers=YES\r\nTimeLimit=ON\r\nSound=ON\r\n");
}

void TestApp::storedSettingsAreAppliedAndWrittenBack()
{
    QFETCH(QByteArray, stored);
    QFETCH(bool, two);
    QFETCH(bool, timeLimit);
    QFETCH(bool, timeLimitEnabled);
    QFETCH(bool, sound);
    QFETCH(bool, english);
    QFETCH(QByteArray, written);
    App a;
    a.writeIni("[SETTINGS]\r\n" + stored + "\r\n");
    AppWindow &w = a.load();
    QCOMPARE(testing::control<QAction>(&w, "menTwoPlayers")->isChecked(), two);
    QCOMPARE(testing::control<QAction>(&w, "menOnePlayer")->isChecked(), !two);
    QCOMPARE(testing::control<QAction>(&w, "menTimeLimit")->isChecked(), timeLimit);
    QCOMPARE(testing::control<QAction>(&w, "menTimeLimit")->isEnabled(), timeLimitEnabled);
    QCOMPARE(testing::control<QAction>(&w, "menSoundOn")->isChecked(), sound);
    QCOMPARE(a.s().English, english);
    // The time limit is in force only with one player and the mark set.
    QCOMPARE(a.s().TimeLimitActive, !two && timeLimit);
    QCOMPARE(a.s().PointsMode, !two && timeLimit);
    QCOMPARE(a.s().TimerMode, QString(!two && timeLimit ? "TIMECONTROL" : ""));
    QCOMPARE(timeBarGreen(w), !two && timeLimit);
    QCOMPARE(a.s().GameRunning, false);
    w.close();
    const QByteArray text = a.iniText();
    const QByteArray settings = text.mid(0, text.indexOf("[HIGHSCORES]"));
    // Keys already in the file keep their place; the values are the canonical ones.
    for (const QByteArray &line : written.split('\n')) {
        if (!line.trimmed().isEmpty())
            QVERIFY2(settings.contains(line.trimmed() + "\r\n"), line.constData());
    }
    QCOMPARE(settings.count('='), 4);
}

void TestApp::timeLimitOffWithTheMenuAlreadyUncheckedEndsUncheckedAndGrey()
{
    App a;
    a.writeIni("[SETTINGS]\r\nLanguage=ENGLISH\r\nTimeLimit=OFF\r\n");
    auto w = a.make();
    QVERIFY(!testing::control<QAction>(w.get(), "menTimeLimit")->isChecked()); // the design state
    w->Load();
    QVERIFY(!testing::control<QAction>(w.get(), "menTimeLimit")->isChecked());
    QVERIFY(testing::control<QAction>(w.get(), "menTimeLimit")->isEnabled());
    QVERIFY(!timeBarGreen(*w));
    QCOMPARE(w->state().TimeLimitActive, false);
    QCOMPARE(w->state().PointsMode, false);
    QCOMPARE(w->state().TimerMode, QString());
    QCOMPARE(w->state().GameRunning, false); // the load starts no game
}

void TestApp::highScoresLoadAndStoreWithTheirLeadingBlank()
{
    App a;
    a.writeIni("[SETTINGS]\r\nLanguage=ENGLISH\r\n[HIGHSCORES]\r\nPlayer1=Anna\r\nPoints1= 12500\r\n"
               "Player2=Bert\r\nPoints2=12abc\r\nplayer3=Cleo\r\nPOINTS3=  4500  \r\nPoints4=2.5\r\nPoints5=3.5\r\n");
    AppWindow &w = a.load();
    QCOMPARE(a.s().HighNames[0], QString("Anna"));
    QCOMPARE(a.s().HighPoints[0], 12500);
    QCOMPARE(a.s().HighNames[1], QString("Bert"));
    QCOMPARE(a.s().HighPoints[1], 12);
    QCOMPARE(a.s().HighNames[2], QString("Cleo"));
    QCOMPARE(a.s().HighPoints[2], 4500);
    QCOMPARE(a.s().HighPoints[3], 2); // rounded half to even
    QCOMPARE(a.s().HighPoints[4], 4);
    QCOMPARE(a.s().HighNames[4], QString());
    w.close();
    const QByteArray text = a.iniText();
    QVERIFY(text.contains("Points1= 12500\r\n"));
    QVERIFY(text.contains("Points2= 12\r\n"));
    QVERIFY(text.contains("POINTS3= 4500\r\n")); // the same entry, whatever its case
    QVERIFY(text.contains("Points4= 2\r\n"));
    QVERIFY(text.contains("Points5= 4\r\n"));
    QVERIFY(text.contains("Player5=\r\n"));
    QCOMPARE(text.toLower().count("points3"), 1);
}

void TestApp::hostilePointsValuesDoNotBecomeScores()
{
    App a;
    a.writeIni("[HIGHSCORES]\r\nPoints1=99999999999999999999\r\nPoints2=1e999\r\nPoints3=-7\r\nPoints4=&H10\r\n"
               "Points5=" + QByteArray(300, '9') + "\r\n");
    AppWindow &w = a.load();
    QCOMPARE(a.s().HighPoints[0], 0);
    QCOMPARE(a.s().HighPoints[1], 0);
    QCOMPARE(a.s().HighPoints[2], -7);
    QCOMPARE(a.s().HighPoints[3], 0);
    QCOMPARE(a.s().HighPoints[4], 0);
    w.close();
    QVERIFY(a.iniText().contains("Points3=-7\r\n"));

    // Exponents: every digit counts, leading zeros included; a huge one is out of range.
    const QList<QPair<QByteArray, int32_t>> exponents{
        {"1e0000000003", 1000}, {"25E-1", 2}, {"1.5d2", 150}, {"7e", 7}, {"3e+", 3},
        {"1e-0000000000000000000000000000000099999", 0}, {"1e99999999999999999999", 0}, {"-2.5e0", -2}};
    for (const auto &[text, points] : exponents) {
        App b;
        b.writeIni("[HIGHSCORES]\r\nPoints1=" + text + "\r\n");
        AppWindow &v = b.load();
        QVERIFY2(b.s().HighPoints[0] == points, text.constData());
        v.close();
    }
}

void TestApp::junkSettingsFileLoadsDefaultsAndIsWrittenBackClean()
{
    // Values that are long, cut short by a NUL, or hold control characters and junk.
    App a;
    QByteArray text = "[SETTINGS]\r\nLanguage=" + QByteArray(300, 'G') + "\r\nTWOPlayers=YES\x01\r\n"
                      "TimeLimit=OFF<NUL>junk\r\nSound=\xff\xfe\r\n[HIGHSCORES]\r\nPlayer1=" + QByteArray(400, 'n')
                      + "\r\nPlayer2=Ann<NUL>Bob\r\nPlayer3=a\rb\x1b[2J\r\nPoints3=\t12\r\n[HIGHSCORES\r\n=\r\n==\r\n";
    text.replace("<NUL>", QByteArray(1, '\0'));
    a.writeIni(text);
    AppWindow &w = a.load();
    QCOMPARE(a.s().English, true);
    QVERIFY(!testing::control<QAction>(&w, "menTwoPlayers")->isChecked());
    QVERIFY(!testing::control<QAction>(&w, "menTimeLimit")->isChecked()); // the value ends at its NUL: OFF
    QVERIFY(testing::control<QAction>(&w, "menSoundOn")->isChecked());
    QCOMPARE(a.s().HighNames[0], QString(255, QLatin1Char('n')));
    QCOMPARE(a.s().HighNames[1], QString("Ann"));
    QCOMPARE(a.s().HighPoints[2], 12);
    w.close();
    // Written back: the file still names each key once, and no written value breaks its line.
    const QByteArray written = a.iniText();
    QCOMPARE(written.count("\nPlayer1="), 1);
    QVERIFY(written.contains("Player1=" + QByteArray(255, 'n') + "\r\n"));
    QVERIFY(written.contains("Player2=Ann\r\n"));
    QVERIFY(written.contains("Points3= 12\r\n"));
    QVERIFY(written.contains("Language=ENGLISH\r\n"));

    // Random bytes: the load must not fail, whatever the file holds.
    QRandomGenerator random(7);
    for (int round = 0; round < 20; ++round) {
        App b;
        QByteArray junk(4096, '\0');
        for (char &c : junk) {
            const quint32 r = random.bounded(40u);
            c = r < 4 ? "[]=\n"[r] : char(random.bounded(256u));
        }
        b.writeIni((round % 2 ? QByteArray("[SETTINGS]\n") : QByteArray("[HIGHSCORES]\n")) + junk);
        AppWindow &v = b.load();
        QCOMPARE(b.s().FormLoading, false);
        v.close();
        QVERIFY(b.iniText().size() >= junk.size());
    }
}

void TestApp::workFolderIsCreatedAtEveryLoad()
{
    App a;
    AppWindow &w = a.load();
    const QString work = QDir(a.dataHome.path()).filePath("Ostrel");
    QCOMPARE(w.WorkDir(), work);
    QVERIFY(QFileInfo(work).isDir());
    QVERIFY(QDir(work).removeRecursively());
    a.load(); // a second load with the folder gone
    QVERIFY(QFileInfo(work).isDir());
    a.load(); // and one with the folder present: no complaint
    QVERIFY(QFileInfo(work).isDir());
}

void TestApp::unloadRunsOnceAndReleasesTheControl()
{
    App a;
    AppWindow &w = a.load(qEnvironmentVariable("OSTREL_PROGRAM_DIR"));
    QVERIFY(w.Pelkin());
    w.show();
    w.close();
    QVERIFY(!w.Pelkin());
    const QByteArray first = a.iniText();
    QVERIFY(!first.isEmpty());
    a.writeIni("changed");
    w.close();
    QCOMPARE(a.iniText(), QByteArray("changed"));
}

void TestApp::menuItemsCaptionsShortcutsAndMarks()
{
    App a;
    a.writeIni("[SETTINGS]\r\nLanguage=ENGLISH\r\n");
    AppWindow &w = a.load();
    QStringList items;
    for (QAction *item : testing::control<QMenu>(&w, "menGame")->actions())
        items << (item->isSeparator() ? QString("-") : item->text() + (item->shortcut().isEmpty() ? QString() : " " + item->shortcut().toString()));
    QCOMPARE(items, QStringList({"Player : &Computer", "&Player : Player", "&Netgame F3", "&Timelimit",
                                 "Sound&effects", "-", "&Start game F2", "-", "&Highscores", "-", "Inf&o", "E&xit"}));
    QStringList top;
    for (QAction *item : w.menuBar()->actions())
        top << item->text();
    QCOMPARE(top, QStringList({"&Gameoptions", "&Language", "&Help!"}));
    QVERIFY(!testing::control<QAction>(&w, "menHelp")->menu()); // an item without sub-items
    QStringList languages;
    for (QAction *item : testing::control<QMenu>(&w, "menLanguage")->actions())
        languages << item->text();
    QCOMPARE(languages, QStringList({"&English", "&German"}));
    // Checkable: the modes, the time limit, the sound and the languages.
    auto checkable = [&w](const char *item) { return testing::control<QAction>(&w, item)->isCheckable(); };
    QVERIFY(checkable("menOnePlayer") && checkable("menTwoPlayers") && checkable("menIP") == false
            && checkable("menTimeLimit") && checkable("menSoundOn"));
    QVERIFY(checkable("menLangEnglish") && checkable("menLanGerman"));
}

void TestApp::modeChangeWithoutGameAsksNothingAndStartsNothing()
{
    App a;
    a.writeIni("[SETTINGS]\r\nLanguage=ENGLISH\r\nTWOPlayers=YES\r\n");
    AppWindow &w = a.load();
    a.s().Level = 4;
    a.s().TotalPoints = 900;
    ScriptedMsgBoxes boxes;
    testing::control<QAction>(&w, "menOnePlayer")->trigger();
    QCOMPARE(boxes.count(), 0);
    QVERIFY(testing::control<QAction>(&w, "menOnePlayer")->isChecked());
    QVERIFY(!testing::control<QAction>(&w, "menTwoPlayers")->isChecked());
    QVERIFY(testing::control<QAction>(&w, "menTimeLimit")->isEnabled());
    QCOMPARE(a.s().Level, 0);
    QCOMPARE(a.s().TotalPoints, 0);
    QCOMPARE(a.s().GameRunning, false);
    // The same item again keeps its mark: the handler sets it, the click does not toggle it.
    testing::control<QAction>(&w, "menOnePlayer")->trigger();
    QVERIFY(testing::control<QAction>(&w, "menOnePlayer")->isChecked());
    testing::control<QAction>(&w, "menTwoPlayers")->trigger();
    QCOMPARE(boxes.count(), 0);
    QVERIFY(testing::control<QAction>(&w, "menTwoPlayers")->isChecked());
    QVERIFY(!testing::control<QAction>(&w, "menOnePlayer")->isChecked());
    QCOMPARE(a.s().GameRunning, false);
    QCOMPARE(testing::control<QLabel>(&w, "lblStatus")->text(), QString("F2 - new game!"));
}

void TestApp::modeChangeQuestionDuringAGame_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<bool>("english");
    QTest::addColumn<int>("answer");
    const char *german2 =
        "Für diese Umstellung müssen Sie das laufende Spiel abbrechen. Möchten Sie das laufende Spiel beenden?";
    Q_UNUSED(german2);
    for (const char *item : {"one", "two", "time"}) {
        for (bool english : {true, false}) {
            QList<int> answers{platform::vbYes, platform::vbNo};
            if (QByteArray(item) == "time")
                answers << platform::vbCancel;
            for (int answer : answers)
                QTest::addRow("%s %s %d", item, english ? "en" : "de", answer) << QString(item) << english << answer;
        }
    }
}

void TestApp::modeChangeQuestionDuringAGame()
{
    QFETCH(QString, item);
    QFETCH(bool, english);
    QFETCH(int, answer);
    App a;
    a.writeIni(QByteArray("[SETTINGS]\r\nLanguage=") + (english ? "ENGLISH" : "GERMAN") + "\r\n");
    AppWindow &w = a.load();
    w.menStartgame_Click();
    w.timPlayTimer_Timer(); // the computer opens
    QCOMPARE(a.s().MoveCount, int16_t(1));
    a.s().TotalPoints = 700;
    const int16_t level = a.s().Level;
    const QString mode = a.s().TimerMode;

    ScriptedMsgBoxes boxes;
    boxes.answer(answer);
    QAction *menu = testing::control<QAction>(&w, item == "one"   ? "menOnePlayer"
                                                  : item == "two" ? "menTwoPlayers"
                                                                  : "menTimeLimit");
    menu->trigger();
    QCOMPARE(boxes.count(), 1);
    const platform::MsgBoxRequest box = boxes.shown().at(0);
    QCOMPARE(box.title, QString("Ostrel"));
    QString expected;
    if (english)
        expected = EnglishQuestion;
    else if (item == "time")
        expected = "Für diese Umstellung müssen Sie das laufende Spiel abbrechen! - Möchten Sie dieses Spiel beenden?";
    else
        expected = "Für diese Umstellung müssen Sie das laufende Spiel abbrechen. Möchten Sie das laufende Spiel beenden?";
    QCOMPARE(box.prompt, expected);
    QCOMPARE(box.style, platform::vbQuestion | (item == "time" ? platform::vbYesNoCancel : platform::vbYesNo));

    if (answer != platform::vbYes) {
        // Nothing changes; the game goes on where it was.
        QCOMPARE(a.s().GameRunning, true);
        QCOMPARE(a.s().MoveCount, int16_t(1));
        QVERIFY(testing::control<QAction>(&w, "menOnePlayer")->isChecked());
        QVERIFY(!testing::control<QAction>(&w, "menTwoPlayers")->isChecked());
        QVERIFY(testing::control<QAction>(&w, "menTimeLimit")->isChecked());
        QCOMPARE(a.s().TimerMode, mode);
        QCOMPARE(a.s().Level, level);
        QCOMPARE(a.s().TotalPoints, 700);
        return;
    }
    if (item == "time") {
        // Switched off during the game: the game goes on without time pressure.
        QVERIFY(!testing::control<QAction>(&w, "menTimeLimit")->isChecked());
        QCOMPARE(a.s().GameRunning, true);
        QCOMPARE(a.s().MoveCount, int16_t(1));
        QCOMPARE(a.s().TimeLimitActive, false);
        QCOMPARE(a.s().PointsMode, false);
        QCOMPARE(a.s().TimerMode, QString());
        QVERIFY(!timeBarGreen(w));
        return;
    }
    // A new game in the new mode starts at once.
    QCOMPARE(a.s().GameRunning, true);
    QCOMPARE(a.s().MoveCount, int16_t(0));
    QCOMPARE(testing::control<QAction>(&w, "menOnePlayer")->isChecked(), item == "one");
    QCOMPARE(testing::control<QAction>(&w, "menTwoPlayers")->isChecked(), item == "two");
    QCOMPARE(a.s().ComputerColor, int16_t(item == "one" ? 1 : 0));
    if (item == "one")
        QCOMPARE(a.s().TotalPoints, 0);
    else
        QVERIFY(testing::control<QLabel>(&w, "lblStatus")
                    ->text()
                    .startsWith(english ? "Player:Player (move " : "Spieler:Spieler (Zug "));
}

void TestApp::timeLimitOnDuringAGameAnsweredNoAtTheStartKeepsTheOldGame()
{
    App a;
    a.writeIni("[SETTINGS]\r\nLanguage=ENGLISH\r\nTimeLimit=OFF\r\n");
    AppWindow &w = a.load();
    w.menStartgame_Click();
    w.timPlayTimer_Timer();
    a.s().Level = 3;
    ScriptedMsgBoxes boxes;
    boxes.answer(platform::vbYes); // stop the game for the change
    boxes.answer(platform::vbNo);  // but not for the new game
    testing::control<QAction>(&w, "menTimeLimit")->trigger();
    QCOMPARE(boxes.count(), 2);
    QCOMPARE(boxes.shown().at(1).prompt, QString("This game is still running. Do you want to start a new game?"));
    QVERIFY(testing::control<QAction>(&w, "menTimeLimit")->isChecked());
    QCOMPARE(a.s().GameRunning, true);
    QCOMPARE(a.s().MoveCount, int16_t(1));
    QCOMPARE(a.s().PointsMode, true);
    QCOMPARE(a.s().TimeLimitActive, true);
    QCOMPARE(a.s().Level, int16_t(0));
    QVERIFY(timeBarGreen(w));
}

void TestApp::timeLimitOnWithoutGameStartsAPointsSeries()
{
    App a;
    a.writeIni("[SETTINGS]\r\nLanguage=ENGLISH\r\nTimeLimit=OFF\r\n");
    AppWindow &w = a.load();
    ScriptedMsgBoxes boxes;
    testing::control<QAction>(&w, "menTimeLimit")->trigger();
    QCOMPARE(boxes.count(), 0);
    QVERIFY(testing::control<QAction>(&w, "menTimeLimit")->isChecked());
    QVERIFY(timeBarGreen(w));
    QCOMPARE(a.s().PointsMode, true);
    QCOMPARE(a.s().GameRunning, true);
    QVERIFY(testing::control<QLabel>(&w, "lblStatus")->text().startsWith("Level "));
}

void TestApp::twoPlayersDisablesTheTimeLimitButKeepsItsMark()
{
    App a;
    a.writeIni("[SETTINGS]\r\nLanguage=ENGLISH\r\n");
    AppWindow &w = a.load();
    QVERIFY(timeBarGreen(w));
    testing::control<QAction>(&w, "menTwoPlayers")->trigger();
    QVERIFY(!testing::control<QAction>(&w, "menTimeLimit")->isEnabled());
    QVERIFY(testing::control<QAction>(&w, "menTimeLimit")->isChecked());
    QVERIFY(!timeBarGreen(w));
    testing::control<QAction>(&w, "menOnePlayer")->trigger();
    QVERIFY(testing::control<QAction>(&w, "menTimeLimit")->isEnabled());
    QVERIFY(timeBarGreen(w)); // checked and enabled again: the green look comes back
    testing::control<QAction>(&w, "menTwoPlayers")->trigger();
    w.close();
    QVERIFY(a.iniText().contains("TWOPlayers=YES\r\nTimeLimit=ON\r\n"));
}

void TestApp::twoPlayersWhileLinkedLeavesNoModeMarked()
{
    App a;
    AppWindow &w = a.load();
    a.n().NetworkGame = true;
    w.menTwoPlayers_Click();
    QVERIFY(!testing::control<QAction>(&w, "menOnePlayer")->isChecked());
    QVERIFY(!testing::control<QAction>(&w, "menTwoPlayers")->isChecked());
    QVERIFY(!testing::control<QAction>(&w, "menIP")->isChecked());
    QVERIFY(!testing::control<QAction>(&w, "menTimeLimit")->isEnabled());
    a.n().NetworkGame = false;
    // A connection attempt keeps Player : Computer from marking itself.
    a.n().Connecting = true;
    a.s().Level = 2;
    w.menOnePlayer_Click();
    QVERIFY(!testing::control<QAction>(&w, "menOnePlayer")->isChecked());
    QCOMPARE(a.s().Level, int16_t(2));
}

void TestApp::soundItemToggles()
{
    App a;
    AppWindow &w = a.load();
    QVERIFY(testing::control<QAction>(&w, "menSoundOn")->isChecked());
    testing::control<QAction>(&w, "menSoundOn")->trigger();
    QVERIFY(!testing::control<QAction>(&w, "menSoundOn")->isChecked());
    a.sound.clear();
    w.Playsound("NEXTTUBE", false);
    QCOMPARE(a.sound.requests.size(), 0); // the player reads the mark before every sound
    testing::control<QAction>(&w, "menSoundOn")->trigger();
    QVERIFY(testing::control<QAction>(&w, "menSoundOn")->isChecked());
    w.close();
    QVERIFY(a.iniText().contains("Sound=ON\r\n"));
}

void TestApp::languageSwitchDuringAGameRewritesCaptionsAndKeepsTheGame()
{
    App a;
    a.writeIni("[SETTINGS]\r\nLanguage=GERMAN\r\n");
    AppWindow &w = a.load();
    w.show();
    w.menStartgame_Click();
    w.timPlayTimer_Timer();
    QVERIFY(!testing::control<QLabel>(&w, "lblStatus")->text().isEmpty());
    platform::setAppTitle("other");
    w.setWindowTitle("other");
    ScriptedMsgBoxes boxes;
    testing::control<QAction>(&w, "menLangEnglish")->trigger();
    QCOMPARE(boxes.count(), 0);
    QCOMPARE(a.s().English, true);
    QVERIFY(testing::control<QAction>(&w, "menLangEnglish")->isChecked());
    QVERIFY(!testing::control<QAction>(&w, "menLanGerman")->isChecked());
    QCOMPARE(testing::control<QLabel>(&w, "lblStatus")->text(), QString()); // until the next rebuild
    QCOMPARE(platform::appTitle(), QString("Ostrel"));
    QCOMPARE(w.windowTitle(), QString("Ostrel"));
    QCOMPARE(a.s().GameRunning, true);
    QCOMPARE(a.s().MoveCount, int16_t(1));
    const QList<QPair<QAction *, QStringList>> table{
        {testing::control<QMenu>(&w, "menGame")->menuAction(), {"&Gameoptions", "&Spieloptionen"}},
        {testing::control<QAction>(&w, "menOnePlayer"), {"Player : &Computer", "Spieler : &Computer"}},
        {testing::control<QAction>(&w, "menTwoPlayers"), {"&Player : Player", "S&pieler : Spieler"}},
        {testing::control<QAction>(&w, "menIP"), {"&Netgame", "Spielen im &Netz"}},
        {testing::control<QAction>(&w, "menTimeLimit"), {"&Timelimit", "&Zeitlimit"}},
        {testing::control<QAction>(&w, "menSoundOn"), {"Sound&effects", "&Toneffekte"}},
        {testing::control<QAction>(&w, "menStartgame"), {"&Start game", "Spiel st&arten"}},
        {testing::control<QAction>(&w, "menHighScores"), {"&Highscores", "Besten&liste"}},
        {testing::control<QAction>(&w, "menInfo"), {"Inf&o", "Inf&o"}},
        {testing::control<QAction>(&w, "menCloseAll"), {"E&xit", "&Beenden"}},
        {testing::control<QMenu>(&w, "menLanguage")->menuAction(), {"&Language", "&S&prache"}},
        {testing::control<QAction>(&w, "menLanGerman"), {"&German", "&Deutsch"}},
        {testing::control<QAction>(&w, "menLangEnglish"), {"&English", "&Englisch"}},
        {testing::control<QAction>(&w, "menHelp"), {"&Help!", "&Hilfe!"}},
    };
    for (const auto &row : table)
        QCOMPARE(row.first->text(), row.second.at(0));
    // The next move rebuilds the status line in the new language.
    QTest::keyClick(&w, Qt::Key_Down);
    QVERIFY(testing::control<QLabel>(&w, "lblStatus")->text().contains("(move "));

    testing::control<QAction>(&w, "menLanGerman")->trigger();
    for (const auto &row : table)
        QCOMPARE(row.first->text(), row.second.at(1));
    QCOMPARE(testing::control<QLabel>(&w, "lblStatus")->text(), QString());
    // The language already in force: the same captions, the status line emptied again.
    w.adjuststatuslbl();
    testing::control<QAction>(&w, "menLanGerman")->trigger();
    QCOMPARE(testing::control<QLabel>(&w, "lblStatus")->text(), QString());
    QCOMPARE(testing::control<QMenu>(&w, "menGame")->title(), QString("&Spieloptionen"));
}

void TestApp::unknownLanguageWordOnlyEmptiesTheStatusLine()
{
    App a;
    a.writeIni("[SETTINGS]\r\nLanguage=ENGLISH\r\n");
    AppWindow &w = a.load();
    for (QString word : {QString("english"), QString("Deutsch"), QString()}) {
        w.adjuststatuslbl();
        w.ChangeLanguage(word);
        QCOMPARE(testing::control<QLabel>(&w, "lblStatus")->text(), QString());
        QCOMPARE(a.s().English, true);
        QCOMPARE(testing::control<QMenu>(&w, "menGame")->title(), QString("&Gameoptions"));
    }
}

void TestApp::messageBoxButtonsSpeakTheLanguageOfTheGame()
{
    App a;
    a.writeIni("[SETTINGS]\r\nLanguage=ENGLISH\r\n");
    AppWindow &w = a.load();
    w.show();
    // The buttons of a real question and of a real error box, as a person sees them.
    auto question = [] {
        ModalAnswerer answer(QMessageBox::Cancel);
        platform::MsgBox(QStringLiteral("?"), platform::vbYesNoCancel | platform::vbQuestion);
        return answer.buttonTexts();
    };
    auto errorBox = [] {
        ModalAnswerer answer(QMessageBox::Ignore);
        platform::showErrorBox(platform::ProcKind::Sub, QStringLiteral("P"), 6, QStringLiteral("Overflow"));
        return answer.buttonTexts();
    };
    QCOMPARE(question(), QStringList({"&Yes", "&No", "Cancel"}));
    QCOMPARE(errorBox(), QStringList({"Abort", "Retry", "Ignore"}));
    // The toolkit's German comes from the system (qt6-translations-l10n).
    testing::control<QAction>(&w, "menLanGerman")->trigger();
    QCOMPARE(question(), QStringList({"&Ja", "&Nein", "Abbrechen"}));
    QCOMPARE(errorBox(), QStringList({"Abbrechen", "Wiederholen", "Ignorieren"}));
    testing::control<QAction>(&w, "menLangEnglish")->trigger();
    QCOMPARE(question(), QStringList({"&Yes", "&No", "Cancel"}));
    QCOMPARE(errorBox(), QStringList({"Abort", "Retry", "Ignore"}));

    // A stored German applies at the load.
    a.writeIni("[SETTINGS]\r\nLanguage=GERMAN\r\n");
    a.load();
    QCOMPARE(question(), QStringList({"&Ja", "&Nein", "Abbrechen"}));
    // Without the translation file the game goes on with the toolkit's English.
    QTemporaryDir noTranslations;
    QVERIFY(!platform::useToolkitLanguage(true, noTranslations.path()));
    QCOMPARE(question(), QStringList({"&Yes", "&No", "Cancel"}));
    platform::useToolkitLanguage(false);
}

void TestApp::chatLineKeepsTheKeysThroughTheMenusOfALinkedGame()
{
    App a;
    a.writeIni("[SETTINGS]\r\nLanguage=ENGLISH\r\n");
    AppWindow &w = a.load();
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    // The link stands: the chat frame shows and the chat line has the focus.
    a.n().NetworkGame = true;
    testing::control<QAction>(&w, "menIP")->setEnabled(false);
    testing::control<gamewindow::ChatFrame>(&w, "frmChat")->show();
    testing::control<QLineEdit>(&w, "txtSendmessage")->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), testing::control<QLineEdit>(&w, "txtSendmessage"));

    // Each command picked with the mouse: a click on the menu's title, then on the item.
    QMenuBar *bar = w.menuBar();
    auto pick = [&](QMenu *menu, QAction *item) {
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(menu ? menu->menuAction() : item).center());
        if (!menu)
            return;
        QTRY_VERIFY(menu->isVisible());
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
    };
    // The high-score list and the info window are closed as soon as they show.
    QTimer closeModals;
    connect(&closeModals, &QTimer::timeout, [] {
        if (QWidget *modal = QApplication::activeModalWidget())
            modal->close();
    });
    closeModals.start(10);
    QMenu *game = testing::control<QMenu>(&w, "menGame");
    QMenu *language = testing::control<QMenu>(&w, "menLanguage");
    auto item = [&w](const char *name) { return testing::control<QAction>(&w, name); };
    const QList<QPair<QMenu *, QAction *>> commands{
        {language, item("menLanGerman")}, {language, item("menLangEnglish")}, {game, item("menSoundOn")},
        {game, item("menSoundOn")},       {game, item("menTwoPlayers")},      {game, item("menOnePlayer")},
        {game, item("menHighScores")},    {game, item("menInfo")},            {nullptr, item("menHelp")},
        {game, item("menStartgame")},
    };
    QObject counting;
    int triggered = 0;
    for (QMenu *menu : {game, language})
        connect(menu, &QMenu::triggered, &counting, [&triggered] { ++triggered; });
    connect(item("menHelp"), &QAction::triggered, &counting, [&triggered] { ++triggered; });
    for (const auto &command : commands) {
        const int before = triggered;
        pick(command.first, command.second);
        QTRY_COMPARE(triggered, before + 1);
        QTRY_VERIFY(!QApplication::activePopupWidget() && !QApplication::activeModalWidget());
        // A closed window hands the activation back to the main window, as a window manager does.
        if (!w.isActiveWindow()) {
            w.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&w));
        }
        QTRY_COMPARE(QApplication::focusWidget(), testing::control<QLineEdit>(&w, "txtSendmessage"));
        QTest::keyClicks(QApplication::focusWidget(), "x");
    }
    QCOMPARE(a.s().English, true);
    QCOMPARE(w.helpFiles.size(), 1);
    QCOMPARE(a.s().GameRunning, true);
    QCOMPARE(testing::control<QLineEdit>(&w, "txtSendmessage")->text(), QString(commands.size(), QLatin1Char('x')));

    // A menu opened and closed again without a command, and a click on the board, leave it too.
    const QPoint gameTitle = bar->actionGeometry(game->menuAction()).center();
    QTest::mouseClick(bar, Qt::LeftButton, {}, gameTitle);
    QTRY_VERIFY(game->isVisible());
    QTest::mouseClick(bar, Qt::LeftButton, {}, gameTitle);
    QTRY_VERIFY(!game->isVisible());
    QTest::mouseClick(testing::control<PictureBox>(&w, "picPlaygrid", 20), Qt::LeftButton);
    QTRY_COMPARE(QApplication::focusWidget(), testing::control<QLineEdit>(&w, "txtSendmessage"));
}

void TestApp::arrowKeysMoveTheChipRightAfterAMenuClosedWithEscape()
{
    App a;
    a.writeIni("[SETTINGS]\r\nLanguage=ENGLISH\r\nTWOPlayers=YES\r\n");
    AppWindow &w = a.load();
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    // The menu opened as the mouse does and closed with Escape.
    QMenuBar *bar = w.menuBar();
    auto *game = testing::control<QMenu>(&w, "menGame");
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(game->menuAction()).center());
    QTRY_VERIFY(game->isVisible());
    QTest::keyClick(game, Qt::Key_Escape);
    QTRY_VERIFY(!game->isVisible());
    // Each key goes where the keyboard is, as a person's does. No events are processed in between:
    // offscreen, the hidden menu would take the window's activation, which an X server never does.
    auto press = [](Qt::Key key) {
        QVERIFY(QApplication::focusWidget());
        QTest::keyClick(QApplication::focusWidget(), key);
    };
    press(Qt::Key_F2);
    QVERIFY(a.s().GameRunning);
    press(Qt::Key_Left);
    QCOMPARE(a.s().SelColumn, int16_t(3));
    QCOMPARE(testing::control<PictureBox>(&w, "picChip", 0)->x(), testing::control<PictureBox>(&w, "picPlaygrid", 3)->x());
    press(Qt::Key_Down);
    QCOMPARE(a.s().MoveCount, int16_t(1));
    QCOMPARE(a.s().Tube[3], int16_t(1));
    QVERIFY(!game->isVisible());
}

void TestApp::helpOpensTheFileOfTheLanguage()
{
    App a;
    a.writeIni("[SETTINGS]\r\nLanguage=ENGLISH\r\n");
    AppWindow &w = a.load();
    w.show();
    testing::control<QAction>(&w, "menHelp")->trigger();
    QTest::keyClick(&w, Qt::Key_F1);
    w.menLanGerman_Click();
    w.menHelp_Click();
    const QString folder = a.folder.path();
    QCOMPARE(w.helpFiles, QStringList({folder + "/Qoreng.hlp", folder + "/Qoreng.hlp", folder + "/Qorger.hlp"}));

    // The real viewer: this program folder holds no help file, and the viewer says so itself.
    w.setHelpOpener(nullptr);
    ScriptedMsgBoxes boxes;
    w.menHelp_Click();
    QCOMPARE(boxes.count(), 0);
    platform::HelpViewer *viewer = nullptr;
    for (QWidget *top : QApplication::topLevelWidgets())
        if (auto *v = qobject_cast<platform::HelpViewer *>(top))
            viewer = v;
    QVERIFY(viewer);
    QVERIFY(viewer->isVisible());
    QVERIFY(!viewer->problem().isEmpty());
    viewer->close();
}

void TestApp::highScoresAndInfoOpenModallyFromTheMenu()
{
    App a;
    a.writeIni("[SETTINGS]\r\nLanguage=ENGLISH\r\n[HIGHSCORES]\r\nPlayer1=Anna\r\nPoints1= 5000\r\n");
    AppWindow &w = a.load();
    w.show();
    QString shownName;
    bool nameBoxEnabled = true;
    int pointerWhileOpen = -1;
    ModalWatcher best([&](QWidget *modal) {
        auto *window = qobject_cast<QorBest *>(modal);
        QVERIFY(window);
        shownName = window->txtBest(0)->text();
        nameBoxEnabled = window->txtBest(0)->isEnabled();
        pointerWhileOpen = platform::mousePointer();
        window->OkButton()->click();
    });
    testing::control<QAction>(&w, "menHighScores")->trigger();
    QCOMPARE(shownName, QString("Anna"));
    QVERIFY(!nameBoxEnabled); // from the menu the list is only shown
    QCOMPARE(pointerWhileOpen, int(platform::vbDefault));

    bool infoShown = false;
    ModalWatcher info([&](QWidget *modal) {
        auto *window = qobject_cast<QorInfo *>(modal);
        QVERIFY(window);
        infoShown = true;
        window->OkButton()->click();
    });
    testing::control<QAction>(&w, "menInfo")->trigger();
    QVERIFY(infoShown);
    QCOMPARE(platform::mousePointer(), int(platform::vbDefault));
}

void TestApp::seriesTotalEntersTheMainWindowsList()
{
    App a;
    a.writeIni("[SETTINGS]\r\nLanguage=ENGLISH\r\n[HIGHSCORES]\r\nPlayer1=A\r\nPoints1= 5000\r\nPlayer2=B\r\n"
               "Points2= 4000\r\nPlayer3=C\r\nPoints3= 2000\r\nPlayer4=D\r\nPoints4= 1000\r\nPlayer5=E\r\nPoints5= 500\r\n");
    AppWindow &w = a.load();
    w.show();
    a.s().TotalPoints = 3000;
    ModalWatcher best([&](QWidget *modal) {
        auto *window = qobject_cast<QorBest *>(modal);
        QVERIFY(window);
        QVERIFY(window->txtBest(2)->isEnabled());
        window->txtBest(2)->setText("Zoe");
        window->OkButton()->click();
    });
    w.CheckHighScore();
    QCOMPARE(a.s().HighNames[2], QString("Zoe"));
    QCOMPARE(a.s().HighPoints[2], 3000);
    QCOMPARE(a.s().HighNames[4], QString("D"));
    QCOMPARE(a.s().HighPoints[4], 1000);
    w.close();
    QVERIFY(a.iniText().contains("Player3=Zoe\r\nPoints3= 3000\r\n"));
    QVERIFY(a.iniText().contains("Player5=D\r\nPoints5= 1000\r\n"));
}

void TestApp::boardIsCentredExceptDuringANetworkGame()
{
    App a;
    AppWindow &w = a.load();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.resize(700, 600);
    const QSize outer = platform::outerSize(&w);
    const QWidget *board = testing::control<QWidget>(&w, "PicPlayBoard");
    QTRY_COMPARE(board->x(), (outer.width() - 10) / 2 - board->width() / 2);
    QCOMPARE(board->y(), (outer.height() - 50) / 2 - board->height() / 2);
    QVERIFY(board->isVisible());
    const QPoint before = board->pos();
    a.n().NetworkGame = true;
    w.resize(500, 500);
    QTest::qWait(20);
    QCOMPARE(board->pos(), before);
}

void TestApp::exitFromTheMenuWritesTheSettings()
{
    App a;
    a.writeIni("[SETTINGS]\r\nLanguage=GERMAN\r\n");
    AppWindow &w = a.load();
    w.show();
    testing::control<QAction>(&w, "menSoundOn")->trigger();
    testing::control<QAction>(&w, "menCloseAll")->trigger();
    QVERIFY(!w.isVisible());
    QCOMPARE(platform::mousePointer(), int(platform::vbHourglass));
    QVERIFY(a.iniText().startsWith("[SETTINGS]\r\nLanguage=GERMAN\r\nSound=OFF\r\nTWOPlayers=NO\r\nTimeLimit=ON\r\n[HIGHSCORES]\r\n"));
}

void TestApp::closingTheMainWindowWithTheHelpOpenEndsTheProgram()
{
    App a;
    AppWindow &w = a.load();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.setHelpOpener(nullptr); // the real viewer, a window of its own
    testing::control<QAction>(&w, "menHelp")->trigger();
    platform::HelpViewer *viewer = nullptr;
    for (QWidget *top : QApplication::topLevelWidgets())
        if (auto *v = qobject_cast<platform::HelpViewer *>(top))
            viewer = v;
    QVERIFY(viewer && viewer->isVisible());

    // The program's event loop as main() runs it, once the main window is shown: it must end
    // when the main window is closed by Exit. A loop still running after 5 s is ended here.
    const bool quitOnClose = QApplication::quitOnLastWindowClosed();
    QApplication::setQuitOnLastWindowClosed(true);
    QTimer::singleShot(0, &w, [&w] { testing::control<QAction>(&w, "menCloseAll")->trigger(); });
    bool stillRunning = false;
    QTimer guard;
    guard.setSingleShot(true);
    connect(&guard, &QTimer::timeout, [&stillRunning] {
        stillRunning = true;
        QApplication::exit(1);
    });
    guard.start(5000);
    const int code = QApplication::exec();
    QApplication::setQuitOnLastWindowClosed(quitOnClose);
    if (viewer)
        viewer->close();
    QVERIFY2(!stillRunning, "the help kept the program running");
    QCOMPARE(code, 0);
    QVERIFY(!w.isVisible());
}

void TestApp::controlIsCreatedWithServerFalseAndRaisesEvents()
{
    App a;
    AppWindow &w = a.load(qEnvironmentVariable("OSTREL_PROGRAM_DIR"));
    QVERIFY2(w.Pelkin(), qPrintable(gamewindow::OstrelProbe::pelkinProblem(w)));
    HxVariant result{};
    HxError error{};
    QCOMPARE(w.Pelkin()->Invoke(HX_DISPID_Server, HX_INVOKE_PROPERTYGET, nullptr, 0, &result, &error), int32_t(HX_OK));
    QCOMPARE(result.type, uint16_t(HX_BOOL));
    QCOMPARE(result.u.boolVal, HX_FALSE_BOOL);

    // As a client it connects to a listening socket and reports it through Pelkin_Connect.
    // A port the control's 16-bit port number can name.
    QTcpServer server;
    for (int tries = 0; tries < 200 && !server.isListening(); ++tries)
        server.listen(QHostAddress::LocalHost, quint16(20000 + QRandomGenerator::global()->bounded(12000)));
    QVERIFY(server.isListening());
    QByteArray host = "127.0.0.1";
    HxVariant remote{};
    remote.type = HX_STR;
    remote.u.str.data = host.data();
    remote.u.str.len = int32_t(host.size());
    QCOMPARE(w.Pelkin()->Invoke(HX_DISPID_RemoteHost, HX_INVOKE_PROPERTYPUT, &remote, 1, nullptr, &error), int32_t(HX_OK));
    HxVariant port{};
    port.type = HX_I2;
    port.u.i2 = int16_t(server.serverPort());
    QCOMPARE(w.Pelkin()->Invoke(HX_DISPID_ActivatePort, HX_INVOKE_METHOD, &port, 1, nullptr, &error), int32_t(HX_OK));
    QTRY_COMPARE(w.app->connects, 1);
    QVERIFY(!w.app->messages.isEmpty());
    w.close();
    QVERIFY(!w.Pelkin());
}

void TestApp::withoutTheControlLibraryTheGameStillPlaysAndNetgameReportsIt()
{
    App a;
    a.writeIni("[SETTINGS]\r\nLanguage=ENGLISH\r\n");
    AppWindow &w = a.load(); // the program folder holds no libHarbex.so
    QVERIFY(!w.Pelkin());
    QVERIFY(gamewindow::OstrelProbe::pelkinProblem(w).contains("libHarbex.so"));
    ScriptedMsgBoxes boxes;
    testing::control<QAction>(&w, "menIP")->trigger();
    QCOMPARE(boxes.count(), 1);
    QVERIFY(boxes.shown().at(0).prompt.startsWith("Network play is not available"));
    QVERIFY(!testing::control<QAction>(&w, "menTimeLimit")->isEnabled());
    QCOMPARE(platform::outerSize(&w).height(), platform::twipsToPixels(6540));
    // Local play goes on; choosing a mode enables the time limit again.
    testing::control<QAction>(&w, "menOnePlayer")->trigger();
    QVERIFY(testing::control<QAction>(&w, "menTimeLimit")->isEnabled());
    w.menStartgame_Click();
    w.timPlayTimer_Timer();
    QCOMPARE(a.s().MoveCount, int16_t(1));
}

namespace {
struct Recorder : gamenet::HarbexEvents {
    QStringList seen;
    void Pelkin_Error(int16_t &ClientNumber, int16_t Number, QString &Description, int32_t, const QString &,
                      const QString &, int32_t, bool &CancelDisplay) override
    {
        seen << QString("Error %1 %2 %3").arg(ClientNumber).arg(Number).arg(Description);
        Description = "changed";
        CancelDisplay = true;
        ClientNumber = 9;
    }
    void Pelkin_DataArrival(int16_t &ClientNumber, int32_t bytesTotal, QByteArray &SendedBytes) override
    {
        seen << QString("Data %1 %2 %3").arg(ClientNumber).arg(bytesTotal).arg(QString::fromLatin1(SendedBytes));
    }
    void Pelkin_ServerClose() override { seen << "ServerClose"; }
};
char *heapText(const char *text)
{
    char *p = static_cast<char *>(std::malloc(std::strlen(text) + 1));
    std::strcpy(p, text);
    return p;
}
} // namespace

void TestApp::eventArgumentsFromTheControlAreCheckedAndWrittenBack()
{
    Recorder r;
    // Too few arguments, no arguments at all, unknown events: dropped.
    gamenet::HarbexHost::dispatch(r, HX_EVENT_DataArrival, nullptr, 3);
    HxVariant one{};
    gamenet::HarbexHost::dispatch(r, HX_EVENT_Error, &one, 1);
    gamenet::HarbexHost::dispatch(r, 77, nullptr, 0);
    QVERIFY(r.seen.isEmpty());

    // The Error event with its by-reference arguments.
    int16_t client = 2;
    int16_t cancel = 0;
    HxVariant description{};
    description.type = HX_STR;
    description.u.str.data = heapText("refused");
    description.u.str.len = 7;
    HxVariant args[8]{};
    args[0].type = HX_I2 | HX_BYREF;
    args[0].u.pi2 = &client;
    args[1].type = HX_I2;
    args[1].u.i2 = 10061;
    args[2].type = HX_STR | HX_BYREF;
    args[2].u.pvar = &description;
    args[3].type = HX_I4;
    args[4].type = HX_STR; // a text without data
    args[7].type = HX_BOOL | HX_BYREF;
    args[7].u.pbool = &cancel;
    gamenet::HarbexHost::dispatch(r, HX_EVENT_Error, args, 8);
    QCOMPARE(r.seen, QStringList({"Error 2 10061 refused"}));
    QCOMPARE(cancel, HX_TRUE);
    QCOMPARE(client, int16_t(9));
    QCOMPARE(QByteArray(description.u.str.data, description.u.str.len), QByteArray("changed"));
    hxVariantClear(&description);

    // Data whose length field lies about its bytes is taken as it is, not read past its end.
    HxVariant bytes{};
    bytes.type = HX_BYTES;
    QByteArray payload = "<D>    11";
    bytes.u.bytes.data = reinterpret_cast<uint8_t *>(payload.data());
    bytes.u.bytes.len = int32_t(payload.size());
    HxVariant data[3]{};
    data[0].type = HX_I2;
    data[0].u.i2 = 1;
    data[1].type = HX_I4;
    data[1].u.i4 = 1 << 30;
    data[2] = bytes;
    gamenet::HarbexHost::dispatch(r, HX_EVENT_DataArrival, data, 3);
    gamenet::HarbexHost::dispatch(r, HX_EVENT_ServerClose, nullptr, 0);
    QCOMPARE(r.seen.mid(1), QStringList({"Data 1 1073741824 <D>    11", "ServerClose"}));
}

void TestApp::writeMainWindowWithGameMenuPicture()
{
    App a;
    a.writeIni("[SETTINGS]\r\nLanguage=ENGLISH\r\n");
    AppWindow &w = a.load();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.menStartgame_Click();
    w.timPlayTimer_Timer();
    QMenu *menu = testing::control<QMenu>(&w, "menGame");
    const QPoint at(w.menuBar()->actionGeometry(menu->menuAction()).bottomLeft());
    menu->popup(w.menuBar()->mapToGlobal(at));
    QTRY_VERIFY(menu->isVisible());
    // The window and its open menu in one picture, the menu where it drops down.
    QImage picture = w.grab().toImage();
    {
        QPainter p(&picture);
        p.drawPixmap(w.menuBar()->mapTo(&w, at), menu->grab());
    }
    menu->hide();
    const QString dir = QStringLiteral(OSTREL_PICTURE_DIR);
    QVERIFY(QDir().mkpath(dir));
    QVERIFY(picture.save(QDir(dir).filePath("main-window-game-menu.png")));
    // The menu lies inside the picture and is not black.
    const QPoint menuMiddle = w.menuBar()->mapTo(&w, at) + QPoint(menu->width() / 2, menu->height() / 2);
    QVERIFY(QRect(QPoint(0, 0), picture.size()).contains(menuMiddle));
    QVERIFY(picture.pixelColor(menuMiddle) != QColor(Qt::black));
}

QTEST_MAIN(TestApp)
#include "test_app.moc"
