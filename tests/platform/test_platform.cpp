// The form runtime stand-ins: error box texts and Abort/Retry/Ignore, message boxes, 16-bit
// overflow, the pointer, twips and the event-loop wait.
#include "common/ModalAnswerer.h"
#include "common/ScriptedMsgBoxes.h"
#include "platform/Ansi.h"
#include "platform/AppTitle.h"
#include "platform/ErrorGuard.h"
#include "platform/MousePointer.h"
#include "platform/MsgBox.h"
#include "platform/ProgramFolder.h"
#include "platform/Random.h"
#include "platform/RuntimeError.h"
#include "platform/Twips.h"
#include "platform/Yield.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>

using namespace platform;

class TestPlatform : public QObject {
    Q_OBJECT
private slots:
    void errorBoxShowsNumberMessageAndProcedureInItsExactTexts();
    void functionsAreLabelledFunctionInTheErrorTitle();
    void ignoreGoesOnWithTheNextStep();
    void retryRepeatsOnlyTheFailingStep();
    void abortLeavesTheProcedure();
    void errorOutsideAStepEndsTheProcedureOnIgnore();
    void guardedFunctionReturnsWhatItHeldWhenLeft();
    void runtimeErrorsCarryTheOriginalNumbersAndMessages();
    void sixteenBitOverflowRaisesErrorSix();
    void defaultButtonAnswersWhenScriptIsEmpty();
    void realMessageBoxIsAnsweredByAClick();
    void realErrorBoxDefaultsToIgnore();
    void realErrorBoxShowsItsTextsAndTheExclamationIcon();
    void boxesWithoutCancelIgnoreEscapeAndClosing();
    void hourglassPointerIsScreenWideAndRestored();
    void twipsConvertAtFifteenPerPixel();
    void waitForEventsSleepsUntilATimerFires();
    void randomNumbersStayInTheHalfOpenUnitRange();
    void ansiMapsEveryByteToOneCharacterAndBack();
    void programFolderIsBesideOrBelowTheExecutable();
};

void TestPlatform::errorBoxShowsNumberMessageAndProcedureInItsExactTexts()
{
    ScriptedMsgBoxes boxes;
    setAppTitle(QStringLiteral("Ostrel"));
    guardedSub(QStringLiteral("CheckForWin"), [](Step &step) { step([] { raiseError(ErrOverflow); }); });
    QCOMPARE(boxes.count(), 1);
    const MsgBoxRequest &box = boxes.shown().first();
    QCOMPARE(box.prompt, QStringLiteral("Fehler-Nr: 6\r\nFehler     : Overflow"));
    QCOMPARE(box.title, QStringLiteral("Fehler in: (Ostrel) Sub CheckForWin"));
    QCOMPARE(box.style, vbAbortRetryIgnore | vbExclamation | vbDefaultButton3);
    QCOMPARE(msgBoxDefaultAnswer(box.style), int(vbIgnore));
}

void TestPlatform::functionsAreLabelledFunctionInTheErrorTitle()
{
    ScriptedMsgBoxes boxes;
    setAppTitle(QStringLiteral("Ostrel"));
    const int result = guardedFunction(QStringLiteral("TakeHighestTube"), 0, [](Step &, int &r) {
        r = 3;
        raiseError(ErrSubscript);
    });
    QCOMPARE(result, 3);
    QCOMPARE(boxes.shown().first().title, QStringLiteral("Fehler in: (Ostrel) Function TakeHighestTube"));
    QCOMPARE(boxes.shown().first().prompt, QStringLiteral("Fehler-Nr: 9\r\nFehler     : Subscript out of range"));
}

void TestPlatform::ignoreGoesOnWithTheNextStep()
{
    ScriptedMsgBoxes boxes;
    boxes.answer(vbIgnore);
    QStringList done;
    guardedSub(QStringLiteral("P"), [&](Step &step) {
        step([&] { done << "a"; });
        step([&] { done << "b"; raiseError(ErrFileNotFound); done << "never"; });
        step([&] { done << "c"; });
    });
    QCOMPARE(done, (QStringList{"a", "b", "c"}));
    QCOMPARE(boxes.count(), 1);
}

void TestPlatform::retryRepeatsOnlyTheFailingStep()
{
    ScriptedMsgBoxes boxes;
    boxes.answer(vbRetry);
    boxes.answer(vbRetry);
    int tries = 0;
    QStringList done;
    guardedSub(QStringLiteral("P"), [&](Step &step) {
        step([&] { done << "a"; });
        step([&] {
            ++tries;
            if (tries < 3)
                raiseError(ErrDeviceIO);
            done << "b";
        });
        step([&] { done << "c"; });
    });
    QCOMPARE(tries, 3);
    QCOMPARE(done, (QStringList{"a", "b", "c"}));
    QCOMPARE(boxes.count(), 2);
}

void TestPlatform::abortLeavesTheProcedure()
{
    ScriptedMsgBoxes boxes;
    boxes.answer(vbAbort);
    QStringList done;
    guardedSub(QStringLiteral("P"), [&](Step &step) {
        step([&] { raiseError(ErrOverflow); });
        done << "after";
        step([&] { done << "next"; });
    });
    QVERIFY(done.isEmpty());
}

void TestPlatform::errorOutsideAStepEndsTheProcedureOnIgnore()
{
    ScriptedMsgBoxes boxes;
    int runs = 0;
    guardedSub(QStringLiteral("P"), [&](Step &) {
        ++runs;
        raiseError(ErrOverflow);
    });
    QCOMPARE(runs, 1);
    QCOMPARE(boxes.count(), 1);
}

void TestPlatform::guardedFunctionReturnsWhatItHeldWhenLeft()
{
    ScriptedMsgBoxes boxes;
    boxes.answer(vbAbort);
    const QString r = guardedFunction(QStringLiteral("F"), QString(), [](Step &step, QString &result) {
        result = QStringLiteral("partial");
        step([] { raiseError(ErrOverflow); });
        result = QStringLiteral("full");
    });
    QCOMPARE(r, QStringLiteral("partial"));
}

void TestPlatform::runtimeErrorsCarryTheOriginalNumbersAndMessages()
{
    QCOMPARE(errorDescription(6), QStringLiteral("Overflow"));
    QCOMPARE(errorDescription(9), QStringLiteral("Subscript out of range"));
    QCOMPARE(errorDescription(52), QStringLiteral("Bad file name or number"));
    QCOMPARE(errorDescription(53), QStringLiteral("File not found"));
    QCOMPARE(errorDescription(55), QStringLiteral("File already open"));
    QCOMPARE(errorDescription(57), QStringLiteral("Device I/O error"));
    QCOMPARE(errorDescription(61), QStringLiteral("Disk full"));
    QCOMPARE(errorDescription(62), QStringLiteral("Input past end of file"));
    QCOMPARE(errorDescription(67), QStringLiteral("Too many files"));
    QCOMPARE(errorDescription(70), QStringLiteral("Permission denied"));
    QCOMPARE(errorDescription(71), QStringLiteral("Disk not ready"));
    QCOMPARE(errorDescription(75), QStringLiteral("Path/File access error"));
    QCOMPARE(errorDescription(76), QStringLiteral("Path not found"));
    QCOMPARE(errorDescription(1234), QStringLiteral("Application-defined or object-defined error"));
    ScriptedMsgBoxes boxes;
    guardedSub(QStringLiteral("P"), [](Step &step) { step([] { std::vector<int> v; (void)v.at(3); }); });
    QCOMPARE(boxes.shown().first().prompt, QStringLiteral("Fehler-Nr: 9\r\nFehler     : Subscript out of range"));
}

void TestPlatform::sixteenBitOverflowRaisesErrorSix()
{
    QCOMPARE(toInt16(32767), int16_t(32767));
    QCOMPARE(toInt16(-32768), int16_t(-32768));
    try {
        toInt16(32768);
        QFAIL("no overflow");
    } catch (const RuntimeError &e) {
        QCOMPARE(e.number(), 6);
    }
    QVERIFY_THROWS_EXCEPTION(RuntimeError, toInt32(2147483648LL));
    QVERIFY_THROWS_EXCEPTION(RuntimeError, checkSubscript(8, 0, 7));
}

void TestPlatform::defaultButtonAnswersWhenScriptIsEmpty()
{
    ScriptedMsgBoxes boxes;
    QCOMPARE(MsgBox(QStringLiteral("?"), vbYesNo | vbQuestion), int(vbYes));
    QCOMPARE(MsgBox(QStringLiteral("?"), vbYesNoCancel | vbDefaultButton2), int(vbNo));
    setAppTitle(QStringLiteral("Ostrel"));
    QCOMPARE(boxes.shown().first().title, QStringLiteral("Ostrel"));
}

void TestPlatform::realMessageBoxIsAnsweredByAClick()
{
    QVERIFY(!hasMsgBoxHook());
    ModalAnswerer answerer(QMessageBox::No);
    const int answer = MsgBox(QStringLiteral("Neues Spiel?"), vbYesNoCancel | vbQuestion, QStringLiteral("Titel"));
    QCOMPARE(answer, int(vbNo));
    QVERIFY(answerer.answered());
    QCOMPARE(answerer.title(), QStringLiteral("Titel"));
    QCOMPARE(answerer.text(), QStringLiteral("Neues Spiel?"));
}

void TestPlatform::realErrorBoxDefaultsToIgnore()
{
    // Enter on the real box presses the default button: Ignore.
    QTimer::singleShot(20, [] {
        if (QWidget *w = QApplication::activeModalWidget())
            QTest::keyClick(w, Qt::Key_Return);
    });
    QStringList done;
    guardedSub(QStringLiteral("P"), [&](Step &step) {
        step([] { raiseError(ErrOverflow); });
        step([&] { done << "next"; });
    });
    QCOMPARE(done, QStringList{"next"});
}

void TestPlatform::realErrorBoxShowsItsTextsAndTheExclamationIcon()
{
    setAppTitle(QStringLiteral("Ostrel"));
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QList<QMessageBox::StandardButton> buttons;
    QTimer::singleShot(20, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        title = box->windowTitle();
        text = box->text();
        icon = box->icon();
        for (QAbstractButton *b : box->buttons())
            buttons << box->standardButton(b);
        box->button(QMessageBox::Abort)->click();
    });
    QStringList done;
    guardedSub(QStringLiteral("menStartgame_Click"), [&](Step &step) {
        step([] { raiseError(ErrPathNotFound); });
        step([&] { done << "next"; });
    });
    QCOMPARE(title, QStringLiteral("Fehler in: (Ostrel) Sub menStartgame_Click"));
    QCOMPARE(text, QStringLiteral("Fehler-Nr: 76\r\nFehler     : Path not found"));
    QCOMPARE(icon, QMessageBox::Warning);
    std::sort(buttons.begin(), buttons.end());
    QCOMPARE(buttons, (QList<QMessageBox::StandardButton>{QMessageBox::Abort, QMessageBox::Retry, QMessageBox::Ignore}));
    QVERIFY(done.isEmpty());
}

void TestPlatform::boxesWithoutCancelIgnoreEscapeAndClosing()
{
    // The box has no Cancel: Escape and the window's close do nothing; only a button answers.
    const auto escapeCloseThenEnter = [] {
        QTimer::singleShot(20, [] {
            QWidget *w = QApplication::activeModalWidget();
            if (!w)
                return;
            QTest::keyClick(w, Qt::Key_Escape);
            QTimer::singleShot(20, [] {
                QWidget *w = QApplication::activeModalWidget();
                if (!w)
                    return;
                w->close();
                QTimer::singleShot(20, [] {
                    if (QWidget *w = QApplication::activeModalWidget())
                        QTest::keyClick(w, Qt::Key_Return);
                });
            });
        });
    };
    escapeCloseThenEnter();
    QCOMPARE(MsgBox(QStringLiteral("?"), vbAbortRetryIgnore | vbExclamation | vbDefaultButton3), int(vbIgnore));
    escapeCloseThenEnter();
    QCOMPARE(MsgBox(QStringLiteral("?"), vbYesNo | vbQuestion), int(vbYes));

    // With a Cancel button, Escape answers Cancel.
    QTimer::singleShot(20, [] {
        if (QWidget *w = QApplication::activeModalWidget())
            QTest::keyClick(w, Qt::Key_Escape);
    });
    QCOMPARE(MsgBox(QStringLiteral("?"), vbYesNoCancel | vbQuestion), int(vbCancel));
}

void TestPlatform::hourglassPointerIsScreenWideAndRestored()
{
    setMousePointer(vbHourglass);
    QCOMPARE(mousePointer(), 11);
    QVERIFY(QGuiApplication::overrideCursor());
    QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    setMousePointer(vbHourglass); // set twice, restored once
    setMousePointer(vbDefault);
    QCOMPARE(mousePointer(), 0);
    QVERIFY(!QGuiApplication::overrideCursor());
}

void TestPlatform::twipsConvertAtFifteenPerPixel()
{
    QCOMPARE(twipsToPixels(480), 32);
    QCOMPARE(twipsToPixels(120), 8);
    QCOMPARE(pixelsToTwips(24), 360.0);
}

void TestPlatform::waitForEventsSleepsUntilATimerFires()
{
    bool fired = false;
    QTimer::singleShot(30, [&] { fired = true; });
    QElapsedTimer clock;
    clock.start();
    while (!fired && clock.elapsed() < 2000)
        waitForEvents(1000);
    QVERIFY(fired);
    QVERIFY(clock.elapsed() < 1000);
}

void TestPlatform::randomNumbersStayInTheHalfOpenUnitRange()
{
    SystemRandom rnd(42);
    double lo = 1, hi = 0;
    for (int i = 0; i < 100000; ++i) {
        const double r = rnd.next();
        QVERIFY(r >= 0.0 && r < 1.0);
        lo = std::min(lo, r);
        hi = std::max(hi, r);
    }
    QVERIFY(lo < 0.001 && hi > 0.999);
}

void TestPlatform::ansiMapsEveryByteToOneCharacterAndBack()
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    const QString text = fromAnsi(all);
    QCOMPARE(text.size(), 256);
    QCOMPARE(toAnsi(text), all);
    QCOMPARE(fromAnsi(QByteArray("\x80\xE4\xFC")), QString::fromUtf8("\u20AC\u00E4\u00FC"));
    QCOMPARE(toAnsi(QString::fromUtf8("a\u4E2Db")), QByteArray("a?b"));
}

void TestPlatform::programFolderIsBesideOrBelowTheExecutable()
{
    QTemporaryDir prefix;
    const QString bin = prefix.filePath("bin"), installed = prefix.filePath("lib/ostrel");
    QVERIFY(QDir().mkpath(bin) && QDir().mkpath(installed));
    // Installed: bin holds only the executable, its files are in lib/ostrel.
    QCOMPARE(programFolderFor(bin), installed);
    // A build or a copied folder: the control library beside the executable wins.
    QFile library(bin + "/libHarbex.so");
    QVERIFY(library.open(QIODevice::WriteOnly));
    library.close();
    QCOMPARE(programFolderFor(bin), bin);
    // Neither: the executable's own folder, where the missing files are reported.
    QVERIFY(QDir(prefix.filePath("lib")).removeRecursively() && library.remove());
    QCOMPARE(programFolderFor(bin), bin);
}

QTEST_MAIN(TestPlatform)
#include "test_platform.moc"
