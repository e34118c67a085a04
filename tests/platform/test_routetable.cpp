// The printed route table: built from the kernel's route list, laid out so that the own-address
// window's rule (the first line that begins with a digit and splits into 13 items at dots; its
// third blank-separated item) finds the gateway; and the batch stand-in that writes it to a file.
#include "platform/RouteTable.h"
#include "support/Zeptools.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>

using namespace platform;

namespace {

// An address as the kernel prints it: the 32-bit word in memory, in network byte order.
QString hex(int a, int b, int c, int d)
{
    const unsigned char bytes[4] = {uchar(a), uchar(b), uchar(c), uchar(d)};
    quint32 word;
    std::memcpy(&word, bytes, 4);
    return QStringLiteral("%1").arg(word, 8, 16, QLatin1Char('0')).toUpper();
}

const QString Header = QStringLiteral(
    "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT           \n");

QString route(const QString &iface, const QString &dest, const QString &gateway, const QString &flags,
              int metric, const QString &mask)
{
    return QStringLiteral("%1\t%2\t%3\t%4\t0\t0\t%5\t%6\t0\t0\t0                \n")
        .arg(iface, dest, gateway, flags).arg(metric).arg(mask);
}

// The address rule of the own-address window, applied to a printout.
QString gatewayByRule(const QString &printout)
{
    const QStringList lines = printout.split(QLatin1Char('\n'));
    for (QString line : lines) {
        line = line.trimmed();
        if (!line.isEmpty() && line.at(0).isDigit() && zeptools::CountItems(line, QStringLiteral(".")) == 13)
            return zeptools::GetItem(line, QStringLiteral(" "), 3);
    }
    return {};
}

QStringList routeLines(const QString &printout)
{
    QStringList result;
    for (const QString &line : printout.split(QLatin1Char('\n'))) {
        if (!line.isEmpty() && line.at(0).isDigit())
            result << line.simplified();
    }
    return result;
}

const InterfaceAddresses Addresses = {{QStringLiteral("eth0"), QStringLiteral("192.168.1.20")},
                                      {QStringLiteral("wlan0"), QStringLiteral("10.1.2.3")}};

} // namespace

class TestRouteTable : public QObject {
    Q_OBJECT
private slots:
    void defaultRouteComesFirstWithItsGateway();
    void withoutDefaultRouteTheLoopbackIsFound();
    void preferredOfSeveralDefaultRoutesComesFirst();
    void malformedAndInactiveRoutesAreLeftOut();
    void batchWritesThePrintoutToItsTarget();
    void thisMachinesTableIsReadable();
};

void TestRouteTable::defaultRouteComesFirstWithItsGateway()
{
    const QString proc = Header
        + route(QStringLiteral("eth0"), hex(192, 168, 1, 0), hex(0, 0, 0, 0), QStringLiteral("0001"), 100, hex(255, 255, 255, 0))
        + route(QStringLiteral("eth0"), hex(0, 0, 0, 0), hex(192, 168, 1, 1), QStringLiteral("0003"), 100, hex(0, 0, 0, 0));
    const QString printout = formatRouteTable(proc, Addresses);
    QCOMPARE(routeLines(printout),
             QStringList({QStringLiteral("0.0.0.0 0.0.0.0 192.168.1.1 192.168.1.20 100"),
                          QStringLiteral("127.0.0.0 255.0.0.0 127.0.0.1 127.0.0.1 1"),
                          QStringLiteral("192.168.1.0 255.255.255.0 192.168.1.20 192.168.1.20 100")}));
    QCOMPARE(gatewayByRule(printout), QStringLiteral("192.168.1.1"));
    // Columns are separated by blanks only, each line ends without trailing blanks, and the
    // widest addresses still keep a blank between the columns.
    QVERIFY(!printout.contains(QLatin1Char('\t')));
    const QString wide = formatRouteTable(
        Header + route(QStringLiteral("eth0"), hex(255, 255, 255, 255), hex(255, 255, 255, 254), QStringLiteral("0007"),
                       4294967, hex(255, 255, 255, 255)),
        {{QStringLiteral("eth0"), QStringLiteral("255.255.255.253")}});
    QVERIFY(routeLines(wide).contains(
        QStringLiteral("255.255.255.255 255.255.255.255 255.255.255.254 255.255.255.253 4294967")));
}

void TestRouteTable::withoutDefaultRouteTheLoopbackIsFound()
{
    const QString proc = Header
        + route(QStringLiteral("eth0"), hex(192, 168, 1, 0), hex(0, 0, 0, 0), QStringLiteral("0001"), 0, hex(255, 255, 255, 0));
    QCOMPARE(gatewayByRule(formatRouteTable(proc, Addresses)), QStringLiteral("127.0.0.1"));
    QCOMPARE(gatewayByRule(formatRouteTable(QString(), {})), QStringLiteral("127.0.0.1"));
}

void TestRouteTable::preferredOfSeveralDefaultRoutesComesFirst()
{
    const QString proc = Header
        + route(QStringLiteral("wlan0"), hex(0, 0, 0, 0), hex(10, 1, 2, 254), QStringLiteral("0003"), 600, hex(0, 0, 0, 0))
        + route(QStringLiteral("eth0"), hex(0, 0, 0, 0), hex(192, 168, 1, 1), QStringLiteral("0003"), 100, hex(0, 0, 0, 0))
        + route(QStringLiteral("tun0"), hex(0, 0, 0, 0), hex(172, 16, 0, 1), QStringLiteral("0003"), 50, hex(0, 0, 0, 0));
    const QString printout = formatRouteTable(proc, Addresses);
    // tun0 has no IPv4 address known: its line still holds four addresses.
    QCOMPARE(routeLines(printout).first(), QStringLiteral("0.0.0.0 0.0.0.0 172.16.0.1 0.0.0.0 50"));
    QCOMPARE(routeLines(printout).at(1), QStringLiteral("0.0.0.0 0.0.0.0 192.168.1.1 192.168.1.20 100"));
    QCOMPARE(gatewayByRule(printout), QStringLiteral("172.16.0.1"));
}

void TestRouteTable::malformedAndInactiveRoutesAreLeftOut()
{
    const QString proc = Header
        + route(QStringLiteral("eth0"), hex(0, 0, 0, 0), hex(192, 168, 1, 1), QStringLiteral("0002"), 0, hex(0, 0, 0, 0)) // not up
        + QStringLiteral("eth0\tZZZZZZZZ\t00000000\t0001\t0\t0\t0\t00FFFFFF\t0\t0\t0\n")
        + QStringLiteral("eth0\t0001A8C0\t00000000\t0001\t0\t0\t0\n")                  // too short
        + QStringLiteral("eth0\t0001A8C0\t0000000\t0001\t0\t0\t0\t00FFFFFF\t0\t0\t0\n") // 7 digits
        + QStringLiteral("eth0\t0001A8C0\t00000000\t0001\t0\t0\t-1\t00FFFFFF\t0\t0\t0\n")
        + QStringLiteral("\n\n   \t\n") + QString(5000, QLatin1Char('9')) + QStringLiteral("\n")
        + QStringLiteral("eth0 ") + QString(3000, QLatin1Char('.')) + QStringLiteral("\n");
    const QString printout = formatRouteTable(proc, Addresses);
    QCOMPARE(routeLines(printout), QStringList{QStringLiteral("127.0.0.0 255.0.0.0 127.0.0.1 127.0.0.1 1")});
    // No other printed line begins with a digit.
    for (const QString &line : printout.split(QLatin1Char('\n'))) {
        if (!line.isEmpty() && line.at(0).isDigit())
            QVERIFY(line.startsWith(QLatin1String("127.")));
    }
}

void TestRouteTable::batchWritesThePrintoutToItsTarget()
{
    QTemporaryDir dir;
    const QString proc = dir.filePath(QStringLiteral("route"));
    {
        QFile f(proc);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write((Header + route(QStringLiteral("eth0"), hex(0, 0, 0, 0), hex(192, 168, 1, 1), QStringLiteral("0003"), 100,
                                hex(0, 0, 0, 0))).toLatin1());
    }
    auto writeBatch = [&](const QByteArray &content) {
        QFile f(dir.filePath(QStringLiteral("IP.bat")));
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(content);
    };
    const QString output = dir.filePath(QStringLiteral("IP.TXT"));
    // The batch line as the program writes it, with a backslash before the file name.
    writeBatch("Route print > " + dir.path().toLocal8Bit() + "\\IP.TXT\r\n");
    const int task = startRouteBatch(dir.filePath(QStringLiteral("IP.bat")), proc);
    QVERIFY(task > 0);
    QFile out(output);
    QVERIFY(out.open(QIODevice::ReadOnly));
    const QString written = QString::fromLatin1(out.readAll());
    out.close();
    QCOMPARE(gatewayByRule(written), QStringLiteral("192.168.1.1"));
    QVERIFY(startRouteBatch(dir.filePath(QStringLiteral("IP.bat")), proc) != task);

    // Any letter case; a quoted target.
    QFile::remove(output);
    writeBatch("ROUTE PRINT>\"" + output.toLocal8Bit() + "\"\n");
    QVERIFY(startRouteBatch(dir.filePath(QStringLiteral("IP.bat")), proc) > 0);
    QVERIFY(QFile::exists(output));

    // Nothing is done for another command, a missing batch, a missing route list or an
    // unwritable target.
    QFile::remove(output);
    writeBatch("del /q " + output.toLocal8Bit() + "\n");
    QCOMPARE(startRouteBatch(dir.filePath(QStringLiteral("IP.bat")), proc), 0);
    QCOMPARE(startRouteBatch(dir.filePath(QStringLiteral("missing.bat")), proc), 0);
    writeBatch("Route print > " + output.toLocal8Bit() + "\n");
    QCOMPARE(startRouteBatch(dir.filePath(QStringLiteral("IP.bat")), dir.filePath(QStringLiteral("none"))), 0);
    QVERIFY(!QFile::exists(output));
    writeBatch("Route print > " + dir.path().toLocal8Bit() + "/no/such/folder/IP.TXT\n");
    QCOMPARE(startRouteBatch(dir.filePath(QStringLiteral("IP.bat")), proc), 0);
    writeBatch("Route print >   \n");
    QCOMPARE(startRouteBatch(dir.filePath(QStringLiteral("IP.bat")), proc), 0);
}

void TestRouteTable::thisMachinesTableIsReadable()
{
    if (!QFile::exists(QStringLiteral("/proc/net/route")))
        QSKIP("no /proc/net/route on this machine");
    const QString printout = routePrint();
    QVERIFY(printout.contains(QLatin1String("127.0.0.0")));
    QVERIFY(!gatewayByRule(printout).isEmpty());
}

QTEST_GUILESS_MAIN(TestRouteTable)
#include "test_routetable.moc"
