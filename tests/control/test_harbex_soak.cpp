// Many short connections against one server control: numbering keeps counting, every connection
// is reported closed, and (in the sanitizer build) nothing is leaked.
#include "HxHost.h"

#include <QTest>
#include <memory>

class TestHarbexSoak : public QObject {
    Q_OBJECT
private slots:
    void twoHundredConnectSendDisconnectCycles();
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

QTEST_MAIN(TestHarbexSoak)
#include "test_harbex_soak.moc"
