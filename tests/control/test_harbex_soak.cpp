// Many short connections against one server control: numbering keeps counting, every connection
// is reported closed, and (in the sanitizer build) nothing is leaked.
#include "HxHost.h"

#include "common/ConnectionFlood.h"
#include "common/HeapBytes.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSet>
#include <QTest>
#include <memory>

class TestHarbexSoak : public QObject {
    Q_OBJECT
private slots:
    void twoHundredConnectSendDisconnectCycles();
    void numbersRunOutAndServeAgainBesideAStandingClient();
};

void TestHarbexSoak::twoHundredConnectSendDisconnectCycles()
{
    constexpr int Cycles = 200;
    constexpr int Wait = 10000;
    const int port = freePort();
    {
        HostedControl server(true);
        server.activatePort(port);
        for (int n = 1; n <= Cycles; ++n) {
            auto client = std::make_unique<HostedControl>(false);
            client->put(HX_DISPID_RemoteHost, HxArg::text(QStringLiteral("127.0.0.1")));
            client->activatePort(port);
            QTRY_VERIFY_WITH_TIMEOUT(client->events.contains(QStringLiteral("Connect")), Wait);
            QTRY_VERIFY_WITH_TIMEOUT(server.events.contains(QStringLiteral("ClientConnected:%1").arg(n)), Wait);

            const QByteArray ping = "ping " + QByteArray::number(n);
            QCOMPARE(client->sendBytes(0, ping), 0);
            QTRY_COMPARE_WITH_TIMEOUT(server.received, ping, Wait);
            server.received.clear();
            QCOMPARE(server.sendText(n, QStringLiteral("pong")), 0);
            QTRY_COMPARE_WITH_TIMEOUT(client->received, QByteArray("pong"), Wait);

            // Alternate who ends the connection.
            if (n % 2)
                QCOMPARE(client->disconnect(0), 0);
            else
                QCOMPARE(server.disconnect(n), 0);
            QTRY_VERIFY_WITH_TIMEOUT(server.events.contains(QStringLiteral("ClientDied:%1").arg(n)), Wait);
            QCOMPARE(server.clientCount(), 0);
            server.events.clear();
            client.reset();
            flushDeletes();
        }
        QCOMPARE(server.clientCount(), 0);
    }
    flushDeletes();
    QCOMPARE(HxLibrary::instance().canUnloadNow(), int32_t(HX_OK));
}

void TestHarbexSoak::numbersRunOutAndServeAgainBesideAStandingClient()
{
    // More connections than there are client numbers, while one client stays connected through
    // all of them: after the last number, the lowest one whose connection has ended serves again.
    constexpr int Last = 32767;
    constexpr int Extra = 500;
    constexpr int Wait = 10000;
    const int port = freePort();
    HostedControl server(true);
    server.activatePort(port);
    auto standing = std::make_unique<HostedControl>(false);
    standing->put(HX_DISPID_RemoteHost, HxArg::text(QStringLiteral("127.0.0.1")));
    standing->activatePort(port);
    QTRY_VERIFY_WITH_TIMEOUT(server.events.contains(QStringLiteral("ClientConnected:1")), Wait);
    QTRY_VERIFY_WITH_TIMEOUT(standing->events.contains(QStringLiteral("Connect")), Wait);

    server.record = false;
    std::atomic<int> died{0};
    int highest = 0, afterLast = 0, highestAfterLast = 0, doubles = 0;
    QSet<int> open{1};
    server.onEvent = [&](int32_t id, HxVariant *args, int32_t) {
        const int number = id == HX_EVENT_ClientConnected || id == HX_EVENT_ClientDied ? describe(args[0]).toInt() : 0;
        if (id == HX_EVENT_ClientConnected) {
            doubles += open.contains(number); // a number is never given to two open connections
            open.insert(number);
            if (highest == Last) {
                ++afterLast;
                highestAfterLast = std::max(highestAfterLast, number);
            }
            highest = std::max(highest, number);
        } else if (id == HX_EVENT_ClientDied) {
            open.remove(number);
            ++died;
        }
    };
    const qint64 heapBefore = heapBytes();
    {
        ConnectionFlood flood(quint16(port), Last - 1 + Extra, died);
        QElapsedTimer clock;
        clock.start();
        while (!(flood.finished() && died == flood.opened()) && clock.elapsed() < 300000)
            QCoreApplication::processEvents(QEventLoop::AllEvents);
        QVERIFY(flood.finished() && died == flood.opened());
        QCOMPARE(flood.opened(), Last - 1 + Extra);
    }
    QTest::qWait(200);
    flushDeletes();
    const qint64 heapGrowth = heapBytes() - heapBefore;
    QCOMPARE(highest, Last);
    QCOMPARE(afterLast, Extra);
    QCOMPARE(doubles, 0);
    // The lowest free numbers: only the few connections the flood has open at a time are ahead.
    QVERIFY2(highestAfterLast >= 2 && highestAfterLast <= 40, qPrintable(QString::number(highestAfterLast)));
    QCOMPARE(server.clientCount(), 1);
    // What the control keeps of the ended connections does not grow with their numbers.
    QVERIFY2(heapGrowth < 2 * 1024 * 1024, qPrintable(QStringLiteral("%1 kB").arg(heapGrowth / 1024)));

    // The standing client noticed nothing and still talks both ways.
    server.onEvent = nullptr;
    server.record = true;
    QVERIFY(!standing->events.contains(QStringLiteral("ServerClose")));
    QCOMPARE(standing->sendText(0, QStringLiteral("still here")), 0);
    QTRY_COMPARE_WITH_TIMEOUT(server.received, QByteArray("still here"), Wait);
    QCOMPARE(server.sendText(1, QStringLiteral("so am I")), 0);
    QTRY_COMPARE_WITH_TIMEOUT(standing->received, QByteArray("so am I"), Wait);

    standing.reset();
    QTRY_COMPARE_WITH_TIMEOUT(server.clientCount(), 0, Wait);
}

QTEST_MAIN(TestHarbexSoak)
#include "test_harbex_soak.moc"
