// The connection dialog: its first-start defaults, the read rules of its stored fields, the
// store at unload, and the connection wait ending on a link, on Cancel, on a refusal and on the
// timeout, against real loopback sockets.
#include "DialogFixture.h"

#include "game/net/DialogPelkin.h"

#include "platform/MousePointer.h"
#include "platform/WindowFrame.h"
#include "platform/Twips.h"
#include "common/ModalAnswerer.h"
#include "common/NoLowPorts.h"
#include "common/ScriptedMsgBoxes.h"

#include <QMessageBox>
#include <QTcpServer>
#include <QTcpSocket>

using gamenet::Peer2Peer;

namespace {
// The lines of the settings file after its [SETTINGS] line, CR LF removed.
QStringList settingsLines(const QByteArray &file)
{
    QStringList lines = QString::fromLatin1(file).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    const qsizetype at = lines.indexOf(QStringLiteral("[SETTINGS]"));
    return at < 0 ? QStringList() : lines.mid(at + 1);
}
} // namespace

class TestConnectionDialog : public QObject {
    Q_OBJECT
private slots:
    void firstStartShowsDefaultsAndStoresThemInOrder();
    void storedFieldsFollowTheirReadRules_data();
    void storedFieldsFollowTheirReadRules();
    void keysWrittenInAnotherCaseUpdateTheSameEntry();
    void foldingAndStandardValues();
    void foldedDialogShowsNothingOfTheAdvancedPartWhateverTheFrame();
    void redSideWaitEndsWhenThePeerJoins();
    void yellowSideWaitEndsWhenTheConnectionIsMade();
    void cancelDuringTheWaitEndsItWithoutTimeoutMessage();
    void refusedConnectionEndsTheWaitWithoutTimeoutMessage();
    void timeoutDisconnectsAndReports();
    void hostingOnAPortTheUserMayNotOpenEndsTheAttemptAtOnce();
    void aPortTheControlRefusesIsNotStored();
    void negativeTimeoutMakesNoPass();
    void onlyBlanksLeaveTheRemoteHostAlone();
    void netgameCommandWithoutLinkKeepsTheWindow();
    void netgameCommandWithLinkEnlargesTheWindow();
};

void TestConnectionDialog::firstStartShowsDefaultsAndStoresThemInOrder()
{
    DialogFixture f;
    f.w->menLangEnglish_Click();
    f.n().ResultNotified = 2;
    f.n().NetworkGame = true;
    auto dialog = f.w->newDialog();
    Peer2Peer &d = *dialog;
    QCOMPARE(f.n().ResultNotified, int16_t(0));
    QVERIFY(!f.n().NetworkGame);
    QCOMPARE(d.windowTitle(), QStringLiteral("TCP/IP - Connection"));
    QCOMPARE(d.txtName()->text(), QString());
    QCOMPARE(d.txtIP()->text(), QString());
    QVERIFY(d.optColor(0)->isChecked());
    QVERIFY(!d.txtIP()->isEnabled());
    QVERIFY(d.chkLogfile()->isChecked());
    QCOMPARE(d.txtPort(0)->text(), QStringLiteral("1001"));
    QCOMPARE(d.txtTimeout()->text(), QStringLiteral("180"));
    QCOMPARE(d.heightTwips(), 2100);
    QCOMPARE(d.cmdAdvanced()->text(), QStringLiteral("Advanced >>"));

    d.Unload();
    QVERIFY(d.unloaded());
    QCOMPARE(settingsLines(f.iniFile()).mid(0, 6),
             (QStringList{"P2PColor=RED", "PortRed=1001", "PlayerName=", "LastIP=", "P2PTimeout=180",
                          "Logfile=YES"}));
}

void TestConnectionDialog::storedFieldsFollowTheirReadRules_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("timeout");
    QTest::addColumn<bool>("yellow");
    QTest::addColumn<bool>("logChecked");
    QTest::newRow("port with letters after it") << QByteArray("PortRed=2000abc\r\n") << "2000" << "180" << false << true;
    QTest::newRow("port of letters only") << QByteArray("PortRed=abc\r\n") << "1001" << "180" << false << true;
    QTest::newRow("port with blanks inside") << QByteArray("PortRed= 20 01\r\n") << "2001" << "180" << false << true;
    QTest::newRow("timeout 0") << QByteArray("P2PTimeout=0\r\n") << "1001" << "180" << false << true;
    QTest::newRow("timeout with a fraction") << QByteArray("P2PTimeout=12.5s\r\n") << "1001" << "12.5" << false << true;
    QTest::newRow("timeout in exponent form") << QByteArray("P2PTimeout=1e2\r\n") << "1001" << "100" << false << true;
    QTest::newRow("timeout beyond any range") << QByteArray("P2PTimeout=9e99999\r\n") << "1001" << "180" << false << true;
    QTest::newRow("yellow") << QByteArray("P2PColor=YELLOW\r\n") << "1001" << "180" << true << true;
    QTest::newRow("yellow in small letters is red") << QByteArray("P2PColor=yellow\r\n") << "1001" << "180" << false << true;
    QTest::newRow("log NO") << QByteArray("LogFile=NO\r\n") << "1001" << "180" << false << false;
    QTest::newRow("log no in small letters checks") << QByteArray("LogFile=no\r\n") << "1001" << "180" << false << true;
}

void TestConnectionDialog::storedFieldsFollowTheirReadRules()
{
    QFETCH(QByteArray, ini);
    QFETCH(QString, port);
    QFETCH(QString, timeout);
    QFETCH(bool, yellow);
    QFETCH(bool, logChecked);
    DialogFixture f(QByteArray("[SETTINGS]\r\nPlayername=  Ann \r\nLastIP=10.0.0.7\r\n" + ini).constData());
    auto dialog = f.w->newDialog();
    Peer2Peer &d = *dialog;
    QCOMPARE(d.txtPort(0)->text(), port);
    QCOMPARE(d.txtTimeout()->text(), timeout);
    QCOMPARE(d.optColor(1)->isChecked(), yellow);
    QCOMPARE(d.txtIP()->isEnabled(), yellow);
    QCOMPARE(d.chkLogfile()->isChecked(), logChecked);
    QCOMPARE(d.txtName()->text(), QStringLiteral("Ann")); // the settings file trims values
    QCOMPARE(d.txtIP()->text(), QStringLiteral("10.0.0.7"));
}

void TestConnectionDialog::keysWrittenInAnotherCaseUpdateTheSameEntry()
{
    DialogFixture f("[SETTINGS]\r\nlogfile=NO\r\nplayername=Bob\r\n");
    auto dialog = f.w->newDialog();
    Peer2Peer &d = *dialog;
    QVERIFY(!d.chkLogfile()->isChecked());
    QCOMPARE(d.txtName()->text(), QStringLiteral("Bob"));
    d.txtName()->setText(QStringLiteral("Rita"));
    d.Unload();
    const QStringList lines = settingsLines(f.iniFile());
    QCOMPARE(lines.filter(QRegularExpression("^logfile=", QRegularExpression::CaseInsensitiveOption)),
             QStringList{"logfile=NO"});
    QCOMPARE(lines.filter(QRegularExpression("^playername=", QRegularExpression::CaseInsensitiveOption)),
             QStringList{"playername=Rita"});
}

void TestConnectionDialog::foldingAndStandardValues()
{
    DialogFixture f("[SETTINGS]\r\nPortRed=2000\r\nP2PTimeout=20\r\n");
    f.w->menLanGerman_Click();
    auto dialog = f.w->newDialog();
    Peer2Peer &d = *dialog;
    QCOMPARE(d.cmdAdvanced()->text(), QStringLiteral("Erweitert >>"));
    d.cmdAdvanced()->click();
    QCOMPARE(d.heightTwips(), 3270);
    QCOMPARE(d.cmdAdvanced()->text(), QStringLiteral("<< Normal"));
    d.cmdStandardports()->click();
    QCOMPARE(d.txtPort(0)->text(), QStringLiteral("1001"));
    QCOMPARE(d.txtTimeout()->text(), QStringLiteral("180"));
    d.cmdAdvanced()->click();
    QCOMPARE(d.heightTwips(), 2100);

    // Choosing yellow enables the address box and keeps its text.
    d.txtIP()->setText(QStringLiteral("host"));
    d.optColor(1)->click();
    QVERIFY(d.txtIP()->isEnabled());
    d.optColor(0)->click();
    QVERIFY(!d.txtIP()->isEnabled());
    QCOMPARE(d.txtIP()->text(), QStringLiteral("host"));

    // The length limits hold for typing only.
    d.txtTimeout()->clear();
    QTest::keyClicks(d.txtTimeout(), "12345");
    QCOMPARE(d.txtTimeout()->text(), QStringLiteral("123"));
}

void TestConnectionDialog::foldedDialogShowsNothingOfTheAdvancedPartWhateverTheFrame()
{
    DialogFixture f;
    f.w->menLanGerman_Click();
    auto dialog = f.w->newDialog();
    Peer2Peer &d = *dialog;
    d.show();
    QVERIFY(QTest::qWaitForWindowExposed(&d));
    // The folded dialog's outer height less the frame that a window manager draws above and
    // below (none, a 20-pixel title bar, a 20-pixel title bar and a 5-pixel border) is what
    // its inside shows: below the fourth row only the dialog's ground.
    const int outer = platform::twipsToPixels(2100);
    const int below = d.cmdAdvanced()->geometry().bottom() + 1;
    const QColor ground = d.palette().color(QPalette::Window);
    for (int frame : {0, 20, 25}) {
        d.setFixedHeight(outer - frame);
        const QImage shot = d.grab().toImage();
        int marked = 0;
        for (int y = below; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x)
                marked += shot.pixelColor(x, y) != ground;
        QVERIFY2(marked == 0, qPrintable(QStringLiteral("frame %1: %2 pixels of the advanced part").arg(frame).arg(marked)));
    }
    // Unfolded, the advanced part shows; folded again, it goes.
    d.cmdAdvanced()->click();
    QVERIFY(d.Frame1()->isVisible());
    QVERIFY(d.txtPort(0)->isVisible());
    d.cmdAdvanced()->click();
    QVERIFY(!d.Frame1()->isVisible());
}

void TestConnectionDialog::redSideWaitEndsWhenThePeerJoins()
{
    DialogFixture f;
    ScriptedMsgBoxes boxes;
    const quint16 port = freePort();
    testing::control<QAction>(f.w.get(), "menOnePlayer")->setChecked(true);
    testing::control<QAction>(f.w.get(), "menTimeLimit")->setEnabled(true);
    auto dialog = f.w->newDialog();
    Peer2Peer &d = *dialog;
    d.txtName()->setText(QStringLiteral(" Ann "));
    d.txtIP()->setText(QStringLiteral("10.9.9.9")); // red: not used, stored all the same
    d.txtPort(0)->setText(QString::number(port));
    d.txtTimeout()->setText(QStringLiteral("20"));
    f.n().GamesWon = {3, 4};
    QTcpSocket peer;
    bool waitingDuringAttempt = false;
    QTimer::singleShot(100, [&] {
        waitingDuringAttempt = f.n().Connecting && !d.cmdConnect()->isEnabled() && !d.Frame1()->isEnabled()
                            && d.txtName()->isEnabled() && platform::mousePointer() == platform::vbHourglass;
        // Changes during the wait do not touch the running attempt; they are stored at the end.
        d.txtName()->setText(QStringLiteral("Zed"));
        peer.connectToHost(QHostAddress::LocalHost, port);
    });
    d.cmdConnect_Click();
    QVERIFY(waitingDuringAttempt);
    QVERIFY(f.n().NetworkGame);
    QCOMPARE(boxes.count(), 0);
    QVERIFY(!f.n().Connecting);
    QVERIFY(d.unloaded());
    QCOMPARE(f.n().Nick[0], QStringLiteral(" Ann "));
    QCOMPARE(f.n().Nick[1], QString());
    QCOMPARE(f.n().GamesWon[0], 0.0f);
    QCOMPARE(f.n().GamesWon[1], 0.0f);
    QVERIFY(f.n().LocalIsRed);
    QVERIFY(!testing::control<QAction>(f.w.get(), "menOnePlayer")->isChecked());
    QVERIFY(!testing::control<QAction>(f.w.get(), "menTimeLimit")->isEnabled());
    QCOMPARE(platform::mousePointer(), int(platform::vbDefault));
    QCOMPARE(gamenet::dialogpelkin::getText(f.w->Pelkin(), HX_DISPID_RemoteHost), QString());
    const QStringList stored = settingsLines(f.iniFile());
    QVERIFY(stored.contains(QStringLiteral("PlayerName=Zed")));
    QVERIFY(stored.contains(QStringLiteral("LastIP=10.9.9.9")));
    f.w->net().CloseConnection();
}

void TestConnectionDialog::yellowSideWaitEndsWhenTheConnectionIsMade()
{
    DialogFixture f;
    ScriptedMsgBoxes boxes;
    QTcpServer listener;
    QVERIFY(listenLow(listener));
    auto dialog = f.w->newDialog();
    Peer2Peer &d = *dialog;
    d.optColor(1)->click();
    d.txtIP()->setText(QStringLiteral("127.0.0.1"));
    d.txtPort(0)->setText(QString::number(listener.serverPort()));
    d.txtTimeout()->setText(QStringLiteral("20"));
    d.cmdConnect_Click();
    QVERIFY(f.n().NetworkGame);
    QVERIFY(!f.n().LocalIsRed);
    QCOMPARE(boxes.count(), 0);
    QVERIFY(listener.waitForNewConnection(2000) || listener.hasPendingConnections());
    QCOMPARE(settingsLines(f.iniFile()).first(), QStringLiteral("P2PColor=YELLOW"));
    QCOMPARE(gamenet::dialogpelkin::getText(f.w->Pelkin(), HX_DISPID_RemoteHost), QStringLiteral("127.0.0.1"));
    f.w->net().CloseConnection();
}

void TestConnectionDialog::cancelDuringTheWaitEndsItWithoutTimeoutMessage()
{
    DialogFixture f;
    ScriptedMsgBoxes boxes;
    auto dialog = f.w->newDialog();
    Peer2Peer &d = *dialog;
    d.txtPort(0)->setText(QString::number(freePort()));
    d.txtTimeout()->setText(QStringLiteral("600"));
    bool stillOpenAfterCancel = false;
    QTimer::singleShot(100, [&] {
        d.cmdCancel()->click();
        stillOpenAfterCancel = !d.unloaded();
        // The window's close box during the wait cancels too, and leaves the wait to end it.
        d.close();
        stillOpenAfterCancel = stillOpenAfterCancel && !d.unloaded();
    });
    d.cmdConnect_Click();
    QVERIFY(stillOpenAfterCancel);
    QVERIFY(f.n().CancelConnect);
    QVERIFY(!f.n().NetworkGame);
    QVERIFY(!f.n().Connecting);
    QCOMPARE(boxes.count(), 0);
    QVERIFY(d.unloaded());
}

void TestConnectionDialog::refusedConnectionEndsTheWaitWithoutTimeoutMessage()
{
    DialogFixture f;
    ScriptedMsgBoxes boxes;
    auto dialog = f.w->newDialog();
    Peer2Peer &d = *dialog;
    d.optColor(1)->click();
    d.txtIP()->setText(QStringLiteral("127.0.0.1"));
    d.txtPort(0)->setText(QString::number(freePort()));
    d.txtTimeout()->setText(QStringLiteral("600"));
    d.cmdConnect_Click();
    QVERIFY(f.w->dialogSession->errors.contains(10061));
    QVERIFY(!f.n().NetworkGame);
    QCOMPARE(boxes.count(), 0);
    QVERIFY(d.unloaded());
}

void TestConnectionDialog::timeoutDisconnectsAndReports()
{
    DialogFixture f;
    f.w->menLangEnglish_Click();
    ScriptedMsgBoxes boxes;
    const quint16 port = freePort();
    auto dialog = f.w->newDialog();
    Peer2Peer &d = *dialog;
    d.txtPort(0)->setText(QString::number(port));
    d.txtTimeout()->setText(QStringLiteral("0"));
    d.cmdConnect_Click();
    QCOMPARE(boxes.count(), 1);
    QCOMPARE(boxes.shown().at(0).prompt, QStringLiteral("Timeout! - Connection was not available for 0 seconds!"));
    QCOMPARE(boxes.shown().at(0).style, int(platform::vbOKOnly));
    QVERIFY(!f.n().NetworkGame);
    QVERIFY(d.unloaded());
    QVERIFY(!f.n().Connecting);
    QCOMPARE(platform::mousePointer(), int(platform::vbDefault));
}

void TestConnectionDialog::hostingOnAPortTheUserMayNotOpenEndsTheAttemptAtOnce()
{
    NoLowPorts user; // the default port 1001, as a user without root meets it
    if (!user.refuses())
        QSKIP("every user may open low ports on this system");
    DialogFixture f;
    ScriptedMsgBoxes boxes;
    auto dialog = f.w->newDialog();
    Peer2Peer &d = *dialog;
    QCOMPARE(d.txtPort(0)->text(), QStringLiteral("1001"));
    d.txtTimeout()->setText(QStringLiteral("20"));
    {
        ModalAnswerer abort(QMessageBox::Abort);
        d.cmdConnect_Click();
        QVERIFY(abort.answered());
        QCOMPARE(abort.title(), QStringLiteral("Fehler in: (Harbex) Sub ActivatePort"));
        QCOMPARE(abort.text(), QStringLiteral("Fehler-Nr: 10013\r\nFehler     : Permission denied"));
    }
    // No wait for a peer who cannot come: the dialog is ready for another port.
    QVERIFY(!d.unloaded());
    QVERIFY(!f.n().Connecting);
    QVERIFY(!f.n().NetworkGame);
    QCOMPARE(boxes.count(), 0); // no timeout message
    QCOMPARE(platform::mousePointer(), int(platform::vbDefault));
    const QList<QWidget *> ready{d.cmdConnect(), d.cmdAdvanced(), d.cmdFindIP(), d.Frame1(), d.cmdStandardports()};
    for (QWidget *control : ready)
        QVERIFY2(control->isEnabled(), qPrintable(control->metaObject()->className()));

    // Under "Advanced" the user takes a port of their own, and a peer joins there.
    d.cmdAdvanced()->click();
    const quint16 port = freePort();
    d.txtPort(0)->setText(QString::number(port));
    QTcpSocket peer;
    QTimer::singleShot(100, [&] { peer.connectToHost(QHostAddress::LocalHost, port); });
    d.cmdConnect_Click();
    QVERIFY(f.n().NetworkGame);
    QVERIFY(d.unloaded());
    QCOMPARE(boxes.count(), 0);
    QVERIFY(settingsLines(f.iniFile()).contains(QStringLiteral("PortRed=%1").arg(port)));
    f.w->net().CloseConnection();
}

void TestConnectionDialog::aPortTheControlRefusesIsNotStored()
{
    DialogFixture f("[SETTINGS]\r\nPortRed=2000\r\nP2PColor=YELLOW\r\n");
    ScriptedMsgBoxes boxes;
    auto dialog = f.w->newDialog();
    Peer2Peer &d = *dialog;
    d.txtIP()->setText(QStringLiteral("127.0.0.1"));
    d.txtPort(0)->setText(QStringLiteral("40000"));
    d.txtTimeout()->setText(QStringLiteral("20"));
    {
        ModalAnswerer abort(QMessageBox::Abort);
        d.cmdConnect_Click();
        QVERIFY(abort.answered());
        QCOMPARE(abort.text(), QStringLiteral("Fehler-Nr: 380\r\nFehler     : Invalid property value"));
    }
    QVERIFY(!d.unloaded());
    QVERIFY(d.cmdConnect()->isEnabled());
    QCOMPARE(boxes.count(), 0);
    d.txtName()->setText(QStringLiteral("Bea"));
    d.cmdCancel()->click();
    QVERIFY(d.unloaded());
    const QStringList stored = settingsLines(f.iniFile());
    QVERIFY(stored.contains(QStringLiteral("PortRed=2000")));
    QVERIFY(!stored.join(QLatin1Char(' ')).contains(QStringLiteral("40000")));
    QVERIFY(stored.contains(QStringLiteral("PlayerName=Bea"))); // the other fields are stored as ever
}

void TestConnectionDialog::negativeTimeoutMakesNoPass()
{
    DialogFixture f;
    f.w->menLanGerman_Click();
    ScriptedMsgBoxes boxes;
    auto dialog = f.w->newDialog();
    Peer2Peer &d = *dialog;
    d.txtPort(0)->setText(QString::number(freePort()));
    d.txtTimeout()->setText(QStringLiteral("-5"));
    QElapsedTimer clock;
    clock.start();
    d.cmdConnect_Click();
    QVERIFY(clock.elapsed() < 500); // no one-second pass ran
    QCOMPARE(boxes.count(), 1);
    QCOMPARE(boxes.shown().at(0).prompt,
             QStringLiteral("Timeout! - Verbindung konnte nicht während -5 Sekunden hergestellt werden!"));
    QCOMPARE(f.n().ConnectTimeout, int16_t(-5));
}

void TestConnectionDialog::onlyBlanksLeaveTheRemoteHostAlone()
{
    DialogFixture f;
    ScriptedMsgBoxes boxes;
    {
        auto dialog = f.w->newDialog();
    Peer2Peer &d = *dialog;
        d.optColor(1)->click();
        d.txtIP()->setText(QStringLiteral("   "));
        d.txtPort(0)->setText(QString::number(freePort()));
        d.txtTimeout()->setText(QStringLiteral("-1"));
        d.cmdConnect_Click();
    }
    QCOMPARE(gamenet::dialogpelkin::getText(f.w->Pelkin(), HX_DISPID_RemoteHost), QString());
    {
        // A tab is no blank: the text goes to the control as it stands.
        auto dialog = f.w->newDialog();
    Peer2Peer &d = *dialog;
        d.optColor(1)->click();
        d.txtIP()->setText(QStringLiteral(" \t "));
        d.txtPort(0)->setText(QString::number(freePort()));
        d.txtTimeout()->setText(QStringLiteral("-1"));
        d.cmdConnect_Click();
    }
    QCOMPARE(gamenet::dialogpelkin::getText(f.w->Pelkin(), HX_DISPID_RemoteHost), QStringLiteral(" \t "));
    int timeouts = 0;
    for (const auto &box : boxes.shown())
        timeouts += box.prompt.startsWith(QStringLiteral("Timeout! - ")) ? 1 : 0;
    QCOMPARE(timeouts, 2);
}

void TestConnectionDialog::netgameCommandWithoutLinkKeepsTheWindow()
{
    DialogFixture f;
    testing::control<QAction>(f.w.get(), "menOnePlayer")->setChecked(true);
    f.w->AdjustTimebar();
    const int height = f.w->height();
    bool sawDialog = false;
    whenModal<Peer2Peer>([&](Peer2Peer *d) {
        sawDialog = d == f.w->findChild<gamenet::Peer2Peer *>();
        QTest::keyClick(d, Qt::Key_Escape); // Escape presses Cancel
    });
    f.w->menIP_Click();
    QVERIFY(sawDialog);
    QVERIFY(!f.w->findChild<gamenet::Peer2Peer *>());
    QCOMPARE(f.w->height(), height);
    QVERIFY(testing::control<QAction>(f.w.get(), "menOnePlayer")->isChecked());
    QVERIFY(!testing::control<QAction>(f.w.get(), "menTimeLimit")->isEnabled());
    QVERIFY(!f.n().NetworkGame);
    // The dialog stored its fields when it closed.
    QCOMPARE(settingsLines(f.iniFile()).filter("P2PColor=").size(), 1);
}

void TestConnectionDialog::netgameCommandWithLinkEnlargesTheWindow()
{
    DialogFixture f;
    ScriptedMsgBoxes boxes;
    QTcpServer listener;
    QVERIFY(listenLow(listener));
    whenModal<Peer2Peer>([&](Peer2Peer *d) {
        d->optColor(1)->click();
        d->txtIP()->setText(QStringLiteral("127.0.0.1"));
        d->txtPort(0)->setText(QString::number(listener.serverPort()));
        d->txtTimeout()->setText(QStringLiteral("20"));
        QTest::keyClick(d->txtIP(), Qt::Key_Return); // Enter presses Connect
    });
    f.w->menIP_Click();
    QVERIFY(f.n().NetworkGame);
    QCOMPARE(boxes.count(), 0);
    QCOMPARE(platform::outerSize(f.w.get()).height(), platform::twipsToPixels(8595));
    f.w->net().CloseConnection();
}

QTEST_MAIN(TestConnectionDialog)
#include "test_connection_dialog.moc"
