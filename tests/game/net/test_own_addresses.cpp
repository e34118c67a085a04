// The own-address window: the gateway rule on printed route tables (hostile ones included), the
// batch file and its output file in the program folder, the window's rows and its copy buttons.
#include "DialogFixture.h"

#include "common/ScriptedMsgBoxes.h"
#include "platform/MousePointer.h"

#include <QClipboard>
#include <QElapsedTimer>
#include <QGuiApplication>

using gamenet::gatewayInRouteFile;
using gamenet::Peer2Peer;
using gamenet::QorFindIPs;

namespace {
const QByteArray DefaultRouteTable = "===========================================================================\r\n"
                                     "Interface List\r\n"
                                     " 2 ...00 11 22 33 44 55 ...... eth0\r\n"
                                     "===========================================================================\r\n"
                                     "IPv4 Route Table\r\n"
                                     "Active Routes:\r\n"
                                     "Network Destination        Netmask          Gateway       Interface  Metric\r\n"
                                     "          0.0.0.0          0.0.0.0      192.168.1.1    192.168.1.20     20\r\n"
                                     "        127.0.0.0        255.0.0.0        127.0.0.1       127.0.0.1      1\r\n";

QString writeFile(const QString &folder, const QByteArray &content)
{
    const QString path = QDir(folder).filePath("IP.TXT");
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(content) != content.size())
        qFatal("cannot write the route file");
    return path;
}

// Stands in for the route command: checks the batch line, then writes `table` where it points.
struct FakeRoute {
    explicit FakeRoute(const QByteArray &table = QByteArray(), int task = 7) : table(table), task(task) {}
    QByteArray table;
    int task;
    QString batchLine;
    int operator()(const QString &batchPath)
    {
        QFile batch(batchPath);
        if (batch.open(QIODevice::ReadOnly))
            batchLine = QString::fromLocal8Bit(batch.readAll());
        if (task == 0 || table.isNull())
            return task;
        const QString target = batchLine.trimmed().mid(QStringLiteral("Route print > ").size());
        QFile out(target);
        if (out.open(QIODevice::WriteOnly))
            out.write(table);
        return task;
    }
};
} // namespace

class TestOwnAddresses : public QObject {
    Q_OBJECT
private slots:
    void gatewayIsTheThirdFieldOfTheFirstFourAddressLine_data();
    void gatewayIsTheThirdFieldOfTheFirstFourAddressLine();
    void hostileRouteFilesNeitherCrashNorHang();
    void ownAddressButtonShowsTheGatewayAndCopiesIt();
    void loopbackGatewayMeansNotYetConnected();
    void failedRouteCommandReportsAndShowsUnknown();
    void copyingTheHostNameTakesTheControlsName();
    void realRouteTableGivesARow();
};

void TestOwnAddresses::gatewayIsTheThirdFieldOfTheFirstFourAddressLine_data()
{
    QTest::addColumn<QByteArray>("table");
    QTest::addColumn<QString>("gateway");
    QTest::newRow("default route first") << DefaultRouteTable << "192.168.1.1";
    QTest::newRow("loopback only") << QByteArray("Active Routes:\n127.0.0.0  255.0.0.0  127.0.0.1  127.0.0.1  1\n")
                                   << "127.0.0.1";
    QTest::newRow("three addresses are skipped")
        << QByteArray("10.0.0.0 255.0.0.0 10.0.0.1 5\n0.0.0.0 0.0.0.0 10.1.1.1 10.1.1.2 3\n") << "10.1.1.1";
    QTest::newRow("runs of dots count as one")
        << QByteArray("1..2.3.4 5.6.7.8 9.9.9.9 1.1.1.1 1\n") << "9.9.9.9";
    QTest::newRow("first character not a digit") << QByteArray("x0.0.0.0 0.0.0.0 1.2.3.4 5.6.7.8 1\n") << "";
    QTest::newRow("blanks around and between")
        << QByteArray("   0.0.0.0      0.0.0.0    10.0.0.138   10.0.0.5   1   \r\n") << "10.0.0.138";
    QTest::newRow("carriage returns alone end lines")
        << QByteArray("header\r0.0.0.0 0.0.0.0 10.2.2.2 10.2.2.3 1\r") << "10.2.2.2";
    QTest::newRow("empty file") << QByteArray("") << "";
}

void TestOwnAddresses::gatewayIsTheThirdFieldOfTheFirstFourAddressLine()
{
    QFETCH(QByteArray, table);
    QFETCH(QString, gateway);
    QTemporaryDir dir;
    QCOMPARE(gatewayInRouteFile(writeFile(dir.path(), table)), gateway);
}

void TestOwnAddresses::hostileRouteFilesNeitherCrashNorHang()
{
    QTemporaryDir dir;
    QElapsedTimer clock;
    clock.start();
    // One line of 100000 dots: far beyond a route line (and beyond what the list tools take).
    QCOMPARE(gatewayInRouteFile(writeFile(dir.path(), QByteArray(100000, '.') + "\n0.0.0.0 0.0.0.0 1.2.3.4 5.6.7.8 1\n")),
             QStringLiteral("1.2.3.4"));
    // A huge line of digits and dots without any line end.
    QCOMPARE(gatewayInRouteFile(writeFile(dir.path(), QByteArray(8 * 1024 * 1024, '1').replace(3, 1, "."))), QString());
    // Binary junk, NULs included, before a route line that lies beyond the first MiB.
    QByteArray junk;
    for (int i = 0; i < 2 * 1024 * 1024; ++i)
        junk += char((i * 7919) & 0xFF);
    QCOMPARE(gatewayInRouteFile(writeFile(dir.path(), junk + "\n0.0.0.0 0.0.0.0 1.2.3.4 5.6.7.8 1\n")), QString());
    // Many short junk lines beginning with digits.
    QByteArray lines;
    for (int i = 0; i < 100000; ++i)
        lines += "1.2.3 4.5 6..\n";
    QCOMPARE(gatewayInRouteFile(writeFile(dir.path(), lines)), QString());
    QVERIFY2(clock.elapsed() < 20000, "reading hostile route files takes far too long");
    // A folder where the file should be, and no file at all.
    QCOMPARE(gatewayInRouteFile(dir.path()), QString());
    QCOMPARE(gatewayInRouteFile(dir.filePath("missing")), QString());
}

void TestOwnAddresses::ownAddressButtonShowsTheGatewayAndCopiesIt()
{
    DialogFixture f;
    f.w->menLangEnglish_Click();
    ScriptedMsgBoxes boxes;
    // A stale output file from an earlier press is deleted first.
    writeFile(f.w->WorkDir(), "0.0.0.0 0.0.0.0 6.6.6.6 6.6.6.7 1\n");
    FakeRoute route{DefaultRouteTable};
    auto dialog = f.w->newDialog();
    Peer2Peer &d = *dialog;
    d.setRouteBatchStarter(std::ref(route));
    QString firstRow, caption, localRow;
    bool copyEnabled = false;
    whenModal<QorFindIPs>([&](QorFindIPs *w) {
        firstRow = w->lblIP(0)->text();
        localRow = w->lblIP(1)->text();
        caption = w->windowTitle();
        copyEnabled = w->cmdClipboard(0)->isEnabled();
        w->cmdClipboard(0)->click();
    });
    d.cmdFindIP_Click();
    // Both files go into the work folder: an installed program's folder cannot be written.
    const QDir work(f.w->WorkDir());
    QCOMPARE(route.batchLine, "Route print > " + work.filePath("IP.TXT") + "\r\n");
    QVERIFY(QFile::exists(work.filePath("IP.bat")));
    QVERIFY(!QFile::exists(f.folder.filePath("IP.bat")));
    QVERIFY(!QFile::exists(f.folder.filePath("IP.TXT")));
    QCOMPARE(firstRow, QStringLiteral("192.168.1.1 (founded Gateway)"));
    QCOMPARE(caption, QStringLiteral("Your own IP-Adress"));
    QVERIFY(localRow.endsWith(QStringLiteral(" (IP-Adress)")));
    QVERIFY(copyEnabled);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("192.168.1.1"));
    QCOMPARE(boxes.count(), 0);
    QCOMPARE(platform::mousePointer(), int(platform::vbDefault));
}

void TestOwnAddresses::loopbackGatewayMeansNotYetConnected()
{
    DialogFixture f;
    f.w->menLanGerman_Click();
    FakeRoute route{"127.0.0.0 255.0.0.0 127.0.0.1 127.0.0.1 1\r\n"};
    auto dialog = f.w->newDialog();
    Peer2Peer &d = *dialog;
    d.setRouteBatchStarter(std::ref(route));
    QString firstRow, advice;
    bool copyEnabled = true;
    whenModal<QorFindIPs>([&](QorFindIPs *w) {
        firstRow = w->lblIP(0)->text();
        advice = w->lblAdvise(4)->text();
        copyEnabled = w->cmdClipboard(0)->isEnabled();
        w->cmdOK()->click();
    });
    d.cmdFindIP_Click();
    QCOMPARE(firstRow, QStringLiteral("... (momentan nicht verbunden)"));
    QCOMPARE(advice, QStringLiteral("Für Spiele im Internet"));
    QVERIFY(!copyEnabled);
}

void TestOwnAddresses::failedRouteCommandReportsAndShowsUnknown()
{
    DialogFixture f;
    f.w->menLangEnglish_Click();
    ScriptedMsgBoxes boxes;
    writeFile(f.w->WorkDir(), DefaultRouteTable); // stale: must not be read
    FakeRoute route;
    route.task = 3; // starts, but leaves no output
    auto dialog = f.w->newDialog();
    Peer2Peer &d = *dialog;
    d.setRouteBatchStarter(std::ref(route));
    QString firstRow;
    whenModal<QorFindIPs>([&](QorFindIPs *w) {
        firstRow = w->lblIP(0)->text();
        w->cmdOK()->click();
    });
    d.cmdFindIP_Click();
    QCOMPARE(boxes.count(), 1);
    QCOMPARE(boxes.shown().at(0).prompt,
             QStringLiteral("Error during ROUTE-command! - Maybe, Route isn't accessable via accesspath! - Cancel!"));
    QCOMPARE(firstRow, QStringLiteral("-(unbekannt)- (founded Gateway)"));

    // A start that fails (task number 0) reports the same, whatever file lies there.
    boxes.clear();
    FakeRoute failing{DefaultRouteTable, 0};
    d.setRouteBatchStarter(std::ref(failing));
    whenModal<QorFindIPs>([&](QorFindIPs *w) { w->cmdOK()->click(); });
    d.cmdFindIP_Click();
    QCOMPARE(boxes.count(), 1);

    // Back from the window the dialog is active again: the yellow side's address is selected anew.
    d.optColor(1)->click();
    d.txtIP()->setText(QStringLiteral("10.1.2.3"));
    d.txtIP()->deselect();
    whenModal<QorFindIPs>([&](QorFindIPs *w) { w->cmdOK()->click(); });
    d.cmdFindIP_Click();
    QCOMPARE(d.txtIP()->selectedText(), QStringLiteral("10.1.2.3"));
}

void TestOwnAddresses::copyingTheHostNameTakesTheControlsName()
{
    DialogFixture f;
    FakeRoute route{DefaultRouteTable};
    auto dialog = f.w->newDialog();
    Peer2Peer &d = *dialog;
    d.setRouteBatchStarter(std::ref(route));
    QString hostRow;
    bool closed = false;
    whenModal<QorFindIPs>([&](QorFindIPs *w) {
        hostRow = w->lblIP(2)->text();
        connect(w, &QDialog::finished, [&] { closed = true; });
        w->cmdClipboard(2)->click();
    });
    d.cmdFindIP_Click();
    QVERIFY(closed);
    const QString host = QGuiApplication::clipboard()->text();
    QVERIFY(!host.isEmpty());
    QCOMPARE(hostRow, host + QStringLiteral(" (Hostname)"));
}

void TestOwnAddresses::realRouteTableGivesARow()
{
    DialogFixture f;
    f.w->menLangEnglish_Click();
    ScriptedMsgBoxes boxes;
    auto dialog = f.w->newDialog();
    Peer2Peer &d = *dialog;
    QString firstRow;
    whenModal<QorFindIPs>([&](QorFindIPs *w) {
        firstRow = w->lblIP(0)->text();
        w->cmdOK()->click();
    });
    d.cmdFindIP_Click();
    QCOMPARE(boxes.count(), 0);
    QVERIFY2(firstRow.endsWith(QStringLiteral(" (founded Gateway)")) || firstRow == QStringLiteral("... (not yet connected)"),
             qPrintable(firstRow));
}

QTEST_MAIN(TestOwnAddresses)
#include "test_own_addresses.moc"
