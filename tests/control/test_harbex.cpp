// The control library driven as a host drives it: loaded from the program folder, created through
// its class factory, called by dispatch identifier, its events received through a sink. Every
// connection is real, on the loopback address, on a port chosen at run time.
#include "HxHost.h"

#include "common/ModalAnswerer.h"
#include "common/NoLowPorts.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <fcntl.h>
#include <memory>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace {
constexpr int Wait = 10000;

std::unique_ptr<HostedControl> startServer(int port)
{
    auto server = std::make_unique<HostedControl>(true);
    server->activatePort(port);
    return server;
}

// A client control connected to the server; the server has accepted it when this returns.
std::unique_ptr<HostedControl> connectClient(HostedControl &server, int port)
{
    auto client = std::make_unique<HostedControl>(false);
    client->put(HX_DISPID_RemoteHost, HxArg::text(QStringLiteral("127.0.0.1")));
    const int before = server.clientCount();
    client->activatePort(port);
    [&] { QTRY_VERIFY_WITH_TIMEOUT(client->events.contains(QStringLiteral("Connect")), Wait); }();
    [&] { QTRY_COMPARE_WITH_TIMEOUT(server.clientCount(), before + 1, Wait); }();
    return client;
}

// ActivatePort, answering the error it hands back (0: none).
int activate(HostedControl &ctl, int port, QString *description = nullptr)
{
    return ctl.call(HX_DISPID_ActivatePort, HX_INVOKE_METHOD, {HxArg::i2(int16_t(port))}, nullptr, description);
}

int openDescriptors() { return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size()); }

// Counts the message boxes that come up and closes each with its default button, as an
// impatient user would; a box must never wait for a person in these tests.
class BoxCounter {
public:
    BoxCounter()
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box || box == m_last)
                return;
            m_last = box;
            ++count;
            texts.append(box->text());
            QAbstractButton *button = box->defaultButton();
            if (!button)
                button = box->buttons().value(0);
            if (button)
                button->click();
        });
        m_timer.start(2);
    }
    int count = 0;
    QStringList texts;

private:
    QTimer m_timer;
    QPointer<QMessageBox> m_last;
};

QByteArray allByteValues(int size)
{
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = char((i * 7 + i / 256) & 0xFF);
    return bytes;
}
} // namespace

class TestHarbex : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { flushDeletes(); }

    void entryPointsCreateRegisterAndCountInstances();
    void storedPropertiesRoundTripThroughTheHostsBag();
    void controlStaysTwentyFourPixelsSquare();
    void clientsAreNumberedInOrderAndNeverReused();
    void eventOrderOfEachSituation();
    void disconnectAllKeepsListeningAndRaisesBeforeReturning();
    void clientModeDisconnectRaisesServerCloseOnce();
    void activatePortAgainKeepsConnectedClients();
    void portInUseShowsTheLibrarysErrorBox();
    void lowPortWithoutPermissionNamesTheRefusal();
    void refusedPortLeavesNothingActive();
    void echoReachesTheOtherClientsOnly();
    void clientModeEchoesNothingBackToTheServer();
    void serverSendsWaitForThePreviousSendComplete();
    void clientSendsGoOutAtOnce();
    void sendTextMapsCharactersToSingleBytes();
    void sendToClientsSkipsClosedAndReportsUnknownNumbers();
    void largestTransferArrivesIntact();
    void refusedConnectionReportsErrorAndCancelDisplayReachesTheControl();
    void getDataTextConvertsTheChosenBytes();
    void sendWaitEndsWhenThePendingPeerVanishes();
    void sendSkipsAClientThatClosedDuringTheWait();
    void wrongCallsComeBackAsErrors();
    void hostMayCallBackAndReleaseInsideEvents();
    void noEventReachesAHostAfterItsLastRelease();
    void releasingTheControlWhileItsErrorBoxIsUpIsSafe();
    void listenerTakesClientsAgainAfterRunningOutOfDescriptors();
    void peersThatConnectAndLeaveAtOnceRaiseNoErrorAndNoBox();
    void sendsAfterThePeerHasGoneAreDroppedQuietly();
    void socketErrorsOpenNoBoxInsideAnotherBox();
    void arrivalsAndCompletionsComeAlsoInsideAHandlersOwnLoop();
};

void TestHarbex::entryPointsCreateRegisterAndCountInstances()
{
    HxLibrary &lib = HxLibrary::instance();
    void *object = nullptr;
    const HxGuid otherClass = {1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};
    QCOMPARE(lib.getClassObject(&otherClass, &HX_IID_ClassFactory, &object), int32_t(HX_E_CLASSNOTAVAILABLE));
    QVERIFY(!object);
    QCOMPARE(lib.getClassObject(&HX_CLSID_HarbexCtl, &HX_IID_HarbexCtl, &object), int32_t(HX_E_NOINTERFACE));

    QCOMPARE(lib.canUnloadNow(), int32_t(HX_OK));
    {
        HostedControl ctl;
        QCOMPARE(lib.canUnloadNow(), int32_t(HX_FALSE));
    }
    QCOMPARE(lib.canUnloadNow(), int32_t(HX_OK));

    QTemporaryDir config;
    const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    QVERIFY(QDir().mkpath(config.path() + QStringLiteral("/Harbex")));
    QFile registry(config.path() + QStringLiteral("/Harbex/registry"));
    QVERIFY(registry.open(QIODevice::WriteOnly));
    registry.write("{00000000-0000-0000-0000-000000000001}\tOther.Class\t/elsewhere/libOther.so\n");
    registry.close();

    QCOMPARE(lib.registerServer(), int32_t(HX_OK));
    QCOMPARE(lib.registerServer(), int32_t(HX_OK)); // registering twice keeps one line
    QVERIFY(registry.open(QIODevice::ReadOnly));
    QStringList lines = QString::fromUtf8(registry.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    registry.close();
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines[1], QStringLiteral(HX_CLSID_HarbexCtl_STRING "\tHarbexLib.HarbexCtl\t")
                           + QFileInfo(lib.path).absoluteFilePath());

    QCOMPARE(lib.unregisterServer(), int32_t(HX_OK));
    QVERIFY(registry.open(QIODevice::ReadOnly));
    lines = QString::fromUtf8(registry.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    registry.close();
    QCOMPARE(lines, QStringList{QStringLiteral("{00000000-0000-0000-0000-000000000001}\tOther.Class\t/elsewhere/libOther.so")});
    if (oldConfig.isNull())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", oldConfig);
}

void TestHarbex::storedPropertiesRoundTripThroughTheHostsBag()
{
    MemoryBag empty;
    {
        HostedControl ctl(std::nullopt, empty.bag());
        QCOMPARE(ctl.getBool(HX_DISPID_Server), true);
        QCOMPARE(ctl.getBool(HX_DISPID_EchoOn), false);
        QCOMPARE(ctl.getText(HX_DISPID_RemoteHost), QString());

        // Saved with its defaults, nothing needs writing.
        MemoryBag saved;
        QCOMPARE(ctl.ctl()->vtbl->WriteProperties(ctl.ctl(), saved.bag()), int32_t(HX_OK));
        QVERIFY(saved.written.isEmpty());

        ctl.put(HX_DISPID_RemoteHost, HxArg::i4(19216801)); // any value is kept as its text
        QCOMPARE(ctl.getText(HX_DISPID_RemoteHost), QStringLiteral("19216801"));
        ctl.put(HX_DISPID_RemoteHost, HxArg::text(QStringLiteral("gegner.example")));
        ctl.put(HX_DISPID_EchoOn, HxArg::boolean(true));
        ctl.put(HX_DISPID_Server, HxArg::boolean(false));
        QCOMPARE(ctl.ctl()->vtbl->WriteProperties(ctl.ctl(), saved.bag()), int32_t(HX_OK));
        QCOMPARE(saved.written, (QList<QPair<QString, QString>>{{"RemoteHost", "gegner.example"},
                                                                 {"EchoOn", "True"},
                                                                 {"Server", "False"}}));

        HostedControl loaded(std::nullopt, saved.bag());
        QCOMPARE(loaded.getText(HX_DISPID_RemoteHost), QStringLiteral("gegner.example"));
        QCOMPARE(loaded.getBool(HX_DISPID_EchoOn), true);
        QCOMPARE(loaded.getBool(HX_DISPID_Server), false);
    }

    // The game's layout: only Server stored, as False.
    MemoryBag game;
    game.stored[QStringLiteral("Server")] = HxArg::boolean(false);
    HostedControl pelkin(std::nullopt, game.bag());
    QCOMPARE(pelkin.getBool(HX_DISPID_Server), false);
    QCOMPARE(pelkin.getBool(HX_DISPID_EchoOn), false);
}

void TestHarbex::controlStaysTwentyFourPixelsSquare()
{
    QWidget window;
    window.resize(400, 300);
    HostedControl ctl(std::nullopt, nullptr, &window);
    auto *surface = static_cast<QWidget *>(ctl.ctl()->vtbl->GetWindow(ctl.ctl()));
    QVERIFY(surface);
    QCOMPARE(surface->parentWidget(), &window);
    QCOMPARE(surface->size(), QSize(24, 24));

    QCOMPARE(ctl.ctl()->vtbl->SetBounds(ctl.ctl(), 10, 20, 200, 100), int32_t(HX_OK));
    int32_t left = 0, top = 0, width = 0, height = 0;
    ctl.ctl()->vtbl->GetBounds(ctl.ctl(), &left, &top, &width, &height);
    QCOMPARE(QList<int32_t>({left, top, width, height}), QList<int32_t>({10, 20, 24, 24}));

    window.show();
    surface->resize(3, 90); // the host window resizing it directly
    QCOMPARE(surface->size(), QSize(24, 24));
}

void TestHarbex::clientsAreNumberedInOrderAndNeverReused()
{
    const int port = freePort();
    auto server = startServer(port);
    auto first = connectClient(*server, port);
    auto second = connectClient(*server, port);
    QVERIFY(server->events.contains(QStringLiteral("ClientConnected:1")));
    QVERIFY(server->events.contains(QStringLiteral("ClientConnected:2")));

    server->events.clear();
    first->disconnect(0);
    QTRY_COMPARE_WITH_TIMEOUT(server->clientCount(), 1, Wait);
    auto third = connectClient(*server, port);
    QVERIFY(server->events.contains(QStringLiteral("ClientConnected:3")));
    QCOMPARE(server->clientCount(), 2); // three accepts, one close
}

void TestHarbex::eventOrderOfEachSituation()
{
    const int port = freePort();
    auto server = startServer(port);
    QCOMPARE(server->take(), QStringList{QStringLiteral("ServerMessage:Sermodus auf Port %1 aktiviert ...").arg(port)});

    // A client connects: the server side, then the client side.
    auto client = std::make_unique<HostedControl>(false);
    client->put(HX_DISPID_RemoteHost, HxArg::text(QStringLiteral("localhost")));
    client->activatePort(port);
    QTRY_COMPARE_WITH_TIMEOUT(server->events.size(), 3, Wait);
    QCOMPARE(server->take(), (QStringList{QStringLiteral("ServerMessage:Connection No: 1 requested ..."),
                                          QStringLiteral("ClientSumChanged:1"), QStringLiteral("ClientConnected:1")}));
    QTRY_COMPARE_WITH_TIMEOUT(client->events.size(), 3, Wait);
    QCOMPARE(client->take(), (QStringList{QStringLiteral("ServerMessage:ClientModus auf Port %1 aktiviert ...").arg(port),
                                          QStringLiteral("ServerMessage:Connected as client ..."),
                                          QStringLiteral("Connect")}));

    // Data: the status text with the bytes as text, then DataArrival.
    QCOMPARE(client->sendBytes(0, QByteArray("\x48\x69", 2)), 0);
    QTRY_COMPARE_WITH_TIMEOUT(server->events.size(), 2, Wait);
    QCOMPARE(server->take(), (QStringList{QStringLiteral("ServerMessage:Datas from client No. 1> Hi"),
                                          QStringLiteral("DataArrival:1:2")}));
    QCOMPARE(server->received, QByteArray("Hi"));
    QTRY_COMPARE_WITH_TIMEOUT(client->events, QStringList{QStringLiteral("SendComplete:0")}, Wait);
    client->events.clear();

    // The host disconnects on the server side; the client sees its peer close.
    QCOMPARE(server->disconnect(1), 0);
    QCOMPARE(server->take(), (QStringList{QStringLiteral("ClientSumChanged:0"), QStringLiteral("ClientDied:1")}));
    QTRY_COMPARE_WITH_TIMEOUT(client->events.size(), 2, Wait);
    QCOMPARE(client->take(), (QStringList{QStringLiteral("ServerClose"),
                                          QStringLiteral("ServerMessage:Connection to No. 0 closed ...")}));

    // The client connects again (client 2); now the client's host disconnects, the server sees it.
    client->activatePort(port);
    QTRY_VERIFY_WITH_TIMEOUT(client->events.contains(QStringLiteral("Connect")), Wait);
    QTRY_COMPARE_WITH_TIMEOUT(server->events.size(), 3, Wait);
    server->events.clear();
    client->events.clear();
    QCOMPARE(client->disconnect(0), 0);
    QCOMPARE(client->take(), QStringList{QStringLiteral("ServerClose")});
    QTRY_COMPARE_WITH_TIMEOUT(server->events.size(), 3, Wait);
    QCOMPARE(server->take(), (QStringList{QStringLiteral("ClientSumChanged:0"), QStringLiteral("ClientDied:2"),
                                          QStringLiteral("ServerMessage:Connection to No. 2 closed ...")}));
}

void TestHarbex::disconnectAllKeepsListeningAndRaisesBeforeReturning()
{
    const int port = freePort();
    auto server = startServer(port);
    auto first = connectClient(*server, port);
    auto second = connectClient(*server, port);
    server->events.clear();

    QCOMPARE(server->disconnect(0), 0);
    QCOMPARE(server->take(), (QStringList{QStringLiteral("ClientSumChanged:1"), QStringLiteral("ClientDied:1"),
                                          QStringLiteral("ClientSumChanged:0"), QStringLiteral("ClientDied:2")}));
    QCOMPARE(server->disconnect(0), 0);
    QCOMPARE(server->disconnect(1), 0);
    QVERIFY(server->events.isEmpty());

    QTRY_VERIFY_WITH_TIMEOUT(first->events.contains(QStringLiteral("ServerClose")), Wait);
    QTRY_VERIFY_WITH_TIMEOUT(second->events.contains(QStringLiteral("ServerClose")), Wait);
    auto third = connectClient(*server, port);
    QVERIFY(server->events.contains(QStringLiteral("ClientConnected:3")));

    // A number that never had a socket is the caller's error.
    QString description;
    QCOMPARE(server->call(HX_DISPID_Disconnect, HX_INVOKE_METHOD, {HxArg::i2(9)}, nullptr, &description), 340);
    QCOMPARE(description, QStringLiteral("Control array element '9' doesn't exist"));
}

void TestHarbex::clientModeDisconnectRaisesServerCloseOnce()
{
    const int port = freePort();
    auto server = startServer(port);
    auto client = connectClient(*server, port);
    client->events.clear();
    QCOMPARE(client->disconnect(5), 0); // the number is not looked at in client mode
    QCOMPARE(client->take(), QStringList{QStringLiteral("ServerClose")});
    QCOMPARE(client->disconnect(0), 0);
    QTest::qWait(50);
    QVERIFY(client->events.isEmpty());
}

void TestHarbex::activatePortAgainKeepsConnectedClients()
{
    const int port = freePort();
    auto server = startServer(port);
    auto first = connectClient(*server, port);
    auto second = connectClient(*server, port);
    server->events.clear();

    server->activatePort(port);
    QCOMPARE(server->take(), QStringList{QStringLiteral("ServerMessage:Sermodus auf Port %1 aktiviert ...").arg(port)});
    QCOMPARE(server->clientCount(), 2);
    QCOMPARE(server->sendText(1, QStringLiteral("still here")), 0);
    QTRY_COMPARE_WITH_TIMEOUT(first->received, QByteArray("still here"), Wait);
    auto third = connectClient(*server, port);
    QVERIFY(server->events.contains(QStringLiteral("ClientConnected:3")));
    QCOMPARE(server->clientCount(), 3);
}

void TestHarbex::portInUseShowsTheLibrarysErrorBox()
{
    QTcpServer occupant;
    const int port = freePort();
    QVERIFY(occupant.listen(QHostAddress::Any, quint16(port)));
    HostedControl server(true);
    ModalAnswerer ignore(QMessageBox::Ignore);
    // After the box the caller learns that the port is not active, and why.
    QString description;
    QCOMPARE(activate(server, port, &description), 10048);
    QCOMPARE(description, QStringLiteral("Address in use"));
    QVERIFY(ignore.answered());
    QCOMPARE(ignore.title(), QStringLiteral("Fehler in: (Harbex) Sub ActivatePort"));
    QCOMPARE(ignore.text(), QStringLiteral("Fehler-Nr: 10048\r\nFehler     : Address in use"));
    QCOMPARE(server.events.size(), 1); // the status text came before the failing listen

    // Retry repeats only the failing listen: once the port is free, the server listens.
    server.events.clear();
    int boxes = 0;
    QTimer user;
    connect(&user, &QTimer::timeout, this, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        if (++boxes == 1)
            occupant.close();
        box->button(boxes == 1 ? QMessageBox::Retry : QMessageBox::Abort)->click();
    });
    user.start(5);
    QCOMPARE(activate(server, port), 0);
    user.stop();
    QCOMPARE(boxes, 1);
    QCOMPARE(server.events.size(), 1);
    auto client = connectClient(server, port);
    QVERIFY(server.events.contains(QStringLiteral("ClientConnected:1")));
}

void TestHarbex::lowPortWithoutPermissionNamesTheRefusal()
{
    NoLowPorts user;
    if (!user.refuses())
        QSKIP("every user may open low ports on this system");
    HostedControl server(true);
    ModalAnswerer abort(QMessageBox::Abort);
    QString description;
    QCOMPARE(activate(server, user.port(), &description), 10013);
    QCOMPARE(description, QStringLiteral("Permission denied"));
    QVERIFY(abort.answered());
    QCOMPARE(abort.title(), QStringLiteral("Fehler in: (Harbex) Sub ActivatePort"));
    QCOMPARE(abort.text(), QStringLiteral("Fehler-Nr: 10013\r\nFehler     : Permission denied"));

    // A port the user may open serves at once.
    const int port = freePort();
    QCOMPARE(activate(server, port), 0);
    auto client = connectClient(server, port);
    QVERIFY(server.events.contains(QStringLiteral("ClientConnected:1")));
}

void TestHarbex::refusedPortLeavesNothingActive()
{
    // A port outside the range is refused; going past the refusal must not leave the server
    // listening on the port it had before, where a peer could come that nobody waits for.
    const int port = freePort();
    HostedControl server(true);
    QCOMPARE(activate(server, port), 0);
    {
        ModalAnswerer ignore(QMessageBox::Ignore);
        QString description;
        QCOMPARE(activate(server, -1, &description), 380);
        QCOMPARE(description, QStringLiteral("Invalid property value"));
        QVERIFY(ignore.answered());
        QCOMPARE(ignore.text(), QStringLiteral("Fehler-Nr: 380\r\nFehler     : Invalid property value"));
    }
    QTcpSocket peer;
    peer.connectToHost(QHostAddress::LocalHost, quint16(port));
    QVERIFY(!peer.waitForConnected(Wait) && peer.error() == QAbstractSocket::ConnectionRefusedError);
    QTest::qWait(50);
    QCOMPARE(server.clientCount(), 0);

    // The same in client mode: no attempt goes on to the port of an earlier call (nobody
    // listens there, so an attempt would come back as a refusal).
    HostedControl client(false);
    client.put(HX_DISPID_RemoteHost, HxArg::text(QStringLiteral("127.0.0.1")));
    client.activatePort(freePort());
    QTRY_VERIFY_WITH_TIMEOUT(client.events.size() == 2, Wait);
    client.events.clear();
    {
        ModalAnswerer ignore(QMessageBox::Ignore);
        QCOMPARE(activate(client, 40000 - 65536), 380);
        QVERIFY(ignore.answered());
    }
    QTest::qWait(200);
    QCOMPARE(client.events, QStringList{QStringLiteral("ServerMessage:ClientModus auf Port -25536 aktiviert ...")});
}

void TestHarbex::echoReachesTheOtherClientsOnly()
{
    const int port = freePort();
    auto server = startServer(port);
    server->put(HX_DISPID_EchoOn, HxArg::boolean(true));
    auto c1 = connectClient(*server, port);
    auto c2 = connectClient(*server, port);
    auto c3 = connectClient(*server, port);
    server->events.clear();

    // The echo goes out after the host has seen the data.
    bool echoedBeforeHostSawIt = false;
    server->onEvent = [&](int32_t id, HxVariant *, int32_t) {
        if (id == HX_EVENT_DataArrival && (!c1->received.isEmpty() || !c3->received.isEmpty()))
            echoedBeforeHostSawIt = true;
    };
    QCOMPARE(c2->sendText(0, QStringLiteral("Hallo")), 0);
    QTRY_COMPARE_WITH_TIMEOUT(c1->received, QByteArray("Hallo"), Wait);
    QTRY_COMPARE_WITH_TIMEOUT(c3->received, QByteArray("Hallo"), Wait);
    QVERIFY(!echoedBeforeHostSawIt);
    QCOMPARE(server->events.mid(0, 2), (QStringList{QStringLiteral("ServerMessage:Datas from client No. 2> Hallo"),
                                                    QStringLiteral("DataArrival:2:5")}));
    QTest::qWait(50);
    QVERIFY(c2->received.isEmpty());
}

void TestHarbex::clientModeEchoesNothingBackToTheServer()
{
    // A control that has numbered clients as a server and then joins another server as a client
    // with EchoOn: the server's data must not come back to it.
    const int port = freePort();
    auto once = startServer(port);
    auto oldClient = connectClient(*once, port);
    QCOMPARE(once->disconnect(0), 0);

    const int otherPort = freePort();
    auto server = startServer(otherPort);
    once->put(HX_DISPID_Server, HxArg::boolean(false));
    once->put(HX_DISPID_EchoOn, HxArg::boolean(true));
    once->put(HX_DISPID_RemoteHost, HxArg::text(QStringLiteral("127.0.0.1")));
    once->activatePort(otherPort);
    QTRY_VERIFY_WITH_TIMEOUT(once->events.contains(QStringLiteral("Connect")), Wait);
    QTRY_COMPARE_WITH_TIMEOUT(server->clientCount(), 1, Wait);

    QCOMPARE(server->sendText(1, QStringLiteral("move")), 0);
    QTRY_COMPARE_WITH_TIMEOUT(once->received, QByteArray("move"), Wait);
    QCOMPARE(once->sendText(0, QStringLiteral("answer")), 0);
    QTRY_COMPARE_WITH_TIMEOUT(server->received, QByteArray("answer"), Wait);
}

void TestHarbex::serverSendsWaitForThePreviousSendComplete()
{
    const int port = freePort();
    auto server = startServer(port);
    auto client = connectClient(*server, port);
    server->events.clear();
    server->eventsInsideCalls.clear();

    QCOMPARE(server->sendText(1, QStringLiteral("one")), 0);
    QVERIFY(!server->events.contains(QStringLiteral("SendComplete:1")));
    QCOMPARE(server->sendText(1, QStringLiteral("two")), 0);
    // The first send's completion was waited for inside the second call.
    QCOMPARE(server->eventsInsideCalls, QStringList{QStringLiteral("SendComplete:1")});
    QTRY_COMPARE_WITH_TIMEOUT(server->events.count(QStringLiteral("SendComplete:1")), 2, Wait);
    QTRY_COMPARE_WITH_TIMEOUT(client->received, QByteArray("onetwo"), Wait);

    // A host's handler may reuse the bytes it lent while the control waits: what goes out is
    // what the call was given.
    QCOMPARE(server->sendText(1, QStringLiteral("four")), 0);
    QByteArray lent("three");
    server->onEvent = [&](int32_t id, HxVariant *, int32_t) {
        if (id == HX_EVENT_SendComplete)
            lent.fill('X');
    };
    HxVariant args[2]{};
    args[0].type = HX_I2;
    args[0].u.i2 = 1;
    args[1].type = HX_BYTES;
    args[1].u.bytes.data = reinterpret_cast<uint8_t *>(lent.data());
    args[1].u.bytes.len = int32_t(lent.size());
    HxError error{};
    QCOMPARE(server->ctl()->vtbl->Invoke(server->ctl(), HX_DISPID_SendBytes, HX_INVOKE_METHOD, args, 2, nullptr, &error),
             HX_OK);
    server->onEvent = nullptr;
    QCOMPARE(lent, QByteArray("XXXXX"));
    QTRY_COMPARE_WITH_TIMEOUT(client->received, QByteArray("onetwofourthree"), Wait);
}

void TestHarbex::clientSendsGoOutAtOnce()
{
    const int port = freePort();
    auto server = startServer(port);
    auto client = connectClient(*server, port);
    client->events.clear();
    client->eventsInsideCalls.clear();
    QCOMPARE(client->sendText(0, QStringLiteral("one")), 0);
    QCOMPARE(client->sendText(0, QStringLiteral("two")), 0);
    QVERIFY(client->eventsInsideCalls.isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(server->received, QByteArray("onetwo"), Wait);
    QTRY_COMPARE_WITH_TIMEOUT(client->events.count(QStringLiteral("SendComplete:0")), 2, Wait);

    // In client mode the client number is not looked at: everything goes to the server.
    QCOMPARE(client->sendText(9, QStringLiteral("three")), 0);
    QTRY_COMPARE_WITH_TIMEOUT(server->received, QByteArray("onetwothree"), Wait);
}

void TestHarbex::sendTextMapsCharactersToSingleBytes()
{
    const int port = freePort();
    auto server = startServer(port);
    auto client = connectClient(*server, port);
    server->events.clear();
    client->eventsInsideCalls.clear();

    QCOMPARE(client->sendText(0, QString()), 0);
    QCOMPARE(client->sendText(0, QStringLiteral("AB")), 0);
    QTRY_COMPARE_WITH_TIMEOUT(server->received, QByteArray("AB"), Wait);
    QVERIFY(client->eventsInsideCalls.isEmpty());

    // Windows-1252: the euro sign is one byte, a character outside the code page becomes "?".
    server->received.clear();
    QCOMPARE(client->sendText(0, QStringLiteral("\u20AC\u00E4\u4E00")), 0);
    QTRY_COMPARE_WITH_TIMEOUT(server->received, QByteArray("\x80\xE4?"), Wait);

    // More characters than a 16-bit count holds: Overflow, nothing sent.
    QCOMPARE(client->sendText(0, QString(32768, QLatin1Char('x'))), 6);
    QString longest(32767, QLatin1Char('y'));
    server->received.clear();
    QCOMPARE(client->sendText(0, longest), 0);
    QTRY_COMPARE_WITH_TIMEOUT(server->received.size(), 32767, Wait);
}

void TestHarbex::sendToClientsSkipsClosedAndReportsUnknownNumbers()
{
    const int port = freePort();
    auto server = startServer(port);
    auto c1 = connectClient(*server, port);
    auto c2 = connectClient(*server, port);
    c1->disconnect(0);
    QTRY_COMPARE_WITH_TIMEOUT(server->clientCount(), 1, Wait);

    QCOMPARE(server->sendText(0, QStringLiteral("to all")), 0);
    QTRY_COMPARE_WITH_TIMEOUT(c2->received, QByteArray("to all"), Wait);

    ModalAnswerer ignore(QMessageBox::Ignore);
    QCOMPARE(server->sendText(7, QStringLiteral("nobody")), 0);
    QVERIFY(ignore.answered());
    QCOMPARE(ignore.title(), QStringLiteral("Fehler in: (Harbex) Sub SendBytes"));
    QCOMPARE(ignore.text(), QStringLiteral("Fehler-Nr: 340\r\nFehler     : Control array element '7' doesn't exist"));
}

void TestHarbex::largestTransferArrivesIntact()
{
    const int port = freePort();
    auto server = startServer(port);
    auto client = connectClient(*server, port);

    const QByteArray block = allByteValues(32767);
    QCOMPARE(server->sendBytes(1, block), 0);
    QTRY_COMPARE_WITH_TIMEOUT(client->received.size(), block.size(), Wait);
    QCOMPARE(client->received, block);
    for (int size : client->arrivalSizes)
        QVERIFY(size > 0 && size <= 32767);

    QCOMPARE(client->sendBytes(0, block), 0);
    QTRY_COMPARE_WITH_TIMEOUT(server->received.size(), block.size(), Wait);
    QCOMPARE(server->received, block);

    // A peer that floods: each arrival stays within what a 16-bit count holds, nothing is lost.
    QTcpSocket flooder;
    flooder.connectToHost(QHostAddress::LocalHost, quint16(port));
    QTRY_COMPARE_WITH_TIMEOUT(server->clientCount(), 2, Wait);
    server->received.clear();
    server->arrivalSizes.clear();
    const QByteArray flood = allByteValues(400000);
    flooder.write(flood);
    QTRY_COMPARE_WITH_TIMEOUT(server->received.size(), flood.size(), Wait);
    QCOMPARE(server->received, flood);
    for (int size : server->arrivalSizes)
        QVERIFY(size > 0 && size <= 32767);
}

void TestHarbex::refusedConnectionReportsErrorAndCancelDisplayReachesTheControl()
{
    const int port = freePort(); // nobody listens there
    {
        HostedControl client(false);
        client.put(HX_DISPID_RemoteHost, HxArg::text(QStringLiteral("127.0.0.1")));
        client.cancelDisplay = true;
        ModalAnswerer watcher(QMessageBox::Ok);
        client.activatePort(port);
        QTRY_VERIFY_WITH_TIMEOUT(client.events.size() == 2, Wait);
        QCOMPARE(client.events[1], QStringLiteral("Error:0:10061:Connection is forcefully rejected"));
        QTest::qWait(100);
        QVERIFY(!watcher.answered()); // the handler cancelled the socket's own display
    }
    {
        HostedControl client(false);
        client.put(HX_DISPID_RemoteHost, HxArg::text(QStringLiteral("127.0.0.1")));
        client.cancelDisplay = false;
        ModalAnswerer ok(QMessageBox::Ok);
        client.activatePort(port);
        QTRY_VERIFY_WITH_TIMEOUT(ok.answered(), Wait);
        QCOMPARE(ok.text(), QStringLiteral("Connection is forcefully rejected"));
        QCOMPARE(ok.title(), QStringLiteral("Harbex"));
    }
}

void TestHarbex::getDataTextConvertsTheChosenBytes()
{
    HostedControl ctl;
    const QByteArray bytes("Hallo\x80", 6);
    QCOMPARE(ctl.getDataText({HxArg::bytes(bytes)}), QStringLiteral("Hallo\u20AC"));
    QCOMPARE(ctl.getDataText({HxArg::bytes(bytes), HxArg::i4(2)}), QStringLiteral("llo\u20AC"));
    QCOMPARE(ctl.getDataText({HxArg::bytes(bytes), HxArg::i4(6)}), QString());
    QCOMPARE(ctl.getDataText({HxArg::bytes(bytes), HxArg::i4(100000)}), QString());
    QCOMPARE(ctl.getDataText({HxArg::bytes(bytes), HxArg::i4(1), HxArg::i4(3)}), QStringLiteral("al"));
    QCOMPARE(ctl.getDataText({HxArg::bytes(bytes), HxArg::empty(), HxArg::i4(999)}), QStringLiteral("Hallo\u20AC"));
    QCOMPARE(ctl.getDataText({HxArg::bytes(bytes), HxArg::i4(-5)}), QString());
    QCOMPARE(ctl.getDataText({HxArg::bytes(QByteArray())}), QString());
    QCOMPARE(ctl.getDataText({HxArg::text(QStringLiteral("not bytes"))}), QString());
    QByteArray all(256, '\0');
    for (int i = 0; i < 256; ++i)
        all[i] = char(i);
    const QString text = ctl.getDataText({HxArg::bytes(all)});
    QCOMPARE(text.size(), 256);
    QCOMPARE(text.at(0x41), QLatin1Char('A'));
    QCOMPARE(text.at(0x9F), QChar(0x0178));
    // Long plain runs, short runs and single code page characters in every position of the
    // blocks the conversion works in: each byte comes out as when converted alone.
    QByteArray mixed;
    QString expected;
    for (int run = 0; run < 90; ++run) {
        const int plain = (run * 37) % 70;
        for (int i = 0; i < plain; ++i)
            mixed.append(char('a' + (run + i) % 26));
        for (int i = 0; i <= run % 3; ++i)
            mixed.append(char(0x80 + (run * 7 + i) % 128));
    }
    for (char b : std::as_const(mixed))
        expected.append(text.at(uchar(b)));
    QCOMPARE(ctl.getDataText({HxArg::bytes(mixed)}), expected);
}

void TestHarbex::sendWaitEndsWhenThePendingPeerVanishes()
{
    const int port = freePort();
    auto server = startServer(port);
    // Client 1 never reads, so a big send to it cannot complete.
    QTcpSocket silent;
    silent.setReadBufferSize(1);
    silent.connectToHost(QHostAddress::LocalHost, quint16(port));
    QTRY_COMPARE_WITH_TIMEOUT(server->clientCount(), 1, Wait);
    auto reader = connectClient(*server, port);

    QCOMPARE(server->sendBytes(1, QByteArray(24 * 1024 * 1024, 'x')), 0);
    QTimer::singleShot(300, &silent, [&silent] { silent.abort(); });
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(server->sendText(2, QStringLiteral("after")), 0);
    QVERIFY2(clock.elapsed() < 20000, "the send wait did not end with its peer");
    QTRY_COMPARE_WITH_TIMEOUT(reader->received, QByteArray("after"), Wait);
    QTRY_VERIFY_WITH_TIMEOUT(server->events.contains(QStringLiteral("ClientDied:1")), Wait);
    QCOMPARE(server->clientCount(), 1);
}

void TestHarbex::sendSkipsAClientThatClosedDuringTheWait()
{
    const int port = freePort();
    auto server = startServer(port);
    QTcpSocket silent; // client 1 never reads
    silent.setReadBufferSize(1);
    silent.connectToHost(QHostAddress::LocalHost, quint16(port));
    QTRY_COMPARE_WITH_TIMEOUT(server->clientCount(), 1, Wait);
    QTcpSocket leaving; // client 2 goes while the send to it waits for client 1
    leaving.connectToHost(QHostAddress::LocalHost, quint16(port));
    QTRY_COMPARE_WITH_TIMEOUT(server->clientCount(), 2, Wait);

    QCOMPARE(server->sendBytes(1, QByteArray(24 * 1024 * 1024, 'x')), 0);
    QTimer::singleShot(100, &leaving, [&leaving] { leaving.abort(); });
    bool sawClose = false;
    server->onEvent = [&](int32_t id, HxVariant *, int32_t) {
        if (id == HX_EVENT_ClientDied && !sawClose) {
            sawClose = true;
            QTimer::singleShot(50, &silent, [&silent] { silent.abort(); });
        }
    };
    ModalAnswerer watcher(QMessageBox::Ignore);
    QCOMPARE(server->sendText(2, QStringLiteral("too late")), 0);
    QVERIFY(sawClose);
    QVERIFY2(!watcher.answered(), qPrintable(watcher.text())); // a closed client is skipped without a message
}

void TestHarbex::wrongCallsComeBackAsErrors()
{
    HostedControl ctl;
    QCOMPARE(ctl.call(0x12345, HX_INVOKE_METHOD), 438);
    QCOMPARE(ctl.call(HX_DISPID_ActivatePort, HX_INVOKE_METHOD), 450);
    QCOMPARE(ctl.call(HX_DISPID_ClientCount, HX_INVOKE_PROPERTYPUT, {HxArg::i2(3)}), 383);
    QCOMPARE(ctl.call(HX_DISPID_ActivatePort, HX_INVOKE_METHOD, {HxArg::i4(70000)}), 6);
    QCOMPARE(ctl.call(HX_DISPID_SendBytes, HX_INVOKE_METHOD, {HxArg::i2(0), HxArg::i2(1)}), 13);
    QCOMPARE(ctl.call(HX_DISPID_EchoOn, HX_INVOKE_PROPERTYPUT, {HxArg::text(QStringLiteral("kein"))}), 13);
    QCOMPARE(ctl.getBool(HX_DISPID_EchoOn), false);
    QCOMPARE(ctl.clientCount(), 0);
    QVERIFY(!ctl.getText(HX_DISPID_LocalIP).isEmpty());
    QVERIFY(!ctl.getText(HX_DISPID_LocalHostname).isEmpty());
}

void TestHarbex::hostMayCallBackAndReleaseInsideEvents()
{
    const int port = freePort();
    auto server = startServer(port);
    auto c1 = connectClient(*server, port);
    auto c2 = connectClient(*server, port);
    server->events.clear();

    // As the game closes its link: Disconnect(0) again inside ClientDied finds nothing more open
    // for the first client's socket, and the outer call goes on with the second client.
    int nested = 0;
    server->onEvent = [&](int32_t id, HxVariant *, int32_t) {
        if (id == HX_EVENT_ClientDied && nested++ == 0)
            QCOMPARE(server->disconnect(0), 0);
    };
    QCOMPARE(server->disconnect(0), 0);
    QCOMPARE(server->take(), (QStringList{QStringLiteral("ClientSumChanged:1"), QStringLiteral("ClientDied:1"),
                                          QStringLiteral("ClientSumChanged:0"), QStringLiteral("ClientDied:2")}));
    QCOMPARE(server->clientCount(), 0);

    // A host that lets go of the control inside its event: the control goes once the event is over.
    auto c3 = connectClient(*server, port);
    bool letGo = false;
    c3->onEvent = [&](int32_t id, HxVariant *, int32_t) {
        if (id == HX_EVENT_ServerClose) {
            c3->letGo();
            letGo = true;
        }
    };
    QCOMPARE(server->disconnect(3), 0);
    QTRY_VERIFY_WITH_TIMEOUT(letGo, Wait);
    QCOMPARE(c3->events.last(), QStringLiteral("ServerClose")); // nothing more reached the host
    c2.reset();
    c1.reset();
    server.reset();
    QTRY_COMPARE_WITH_TIMEOUT(HxLibrary::instance().canUnloadNow(), int32_t(HX_OK), Wait);
}

void TestHarbex::noEventReachesAHostAfterItsLastRelease()
{
    const int port = freePort();
    auto server = startServer(port);
    auto client = connectClient(*server, port);
    // The peer's close raises ServerClose and then the status text; a host that lets go of the
    // control in ServerClose without removing its sink must not hear the rest.
    bool released = false;
    client->onEvent = [&](int32_t id, HxVariant *, int32_t) {
        if (id == HX_EVENT_ServerClose) {
            client->releaseOnly();
            released = true;
        }
    };
    client->events.clear();
    QCOMPARE(server->disconnect(1), 0);
    QTRY_VERIFY_WITH_TIMEOUT(released, Wait);
    QCOMPARE(client->events, QStringList{QStringLiteral("ServerClose")});
    flushDeletes();
    QCOMPARE(client->events, QStringList{QStringLiteral("ServerClose")});
}

void TestHarbex::releasingTheControlWhileItsErrorBoxIsUpIsSafe()
{
    const int port = freePort(); // nobody listens there
    auto client = std::make_unique<HostedControl>(false);
    client->put(HX_DISPID_RemoteHost, HxArg::text(QStringLiteral("127.0.0.1")));
    client->cancelDisplay = false;
    // The host lets go of the control (and of itself) while the socket's own box is up.
    bool clicked = false;
    QTimer host;
    connect(&host, &QTimer::timeout, this, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        client.reset();
        flushDeletes();
        clicked = true;
        host.stop();
        box->button(QMessageBox::Ok)->click();
    });
    host.start(5);
    client->activatePort(port);
    QTRY_VERIFY_WITH_TIMEOUT(clicked, Wait);
    flushDeletes();
    QTRY_COMPARE_WITH_TIMEOUT(HxLibrary::instance().canUnloadNow(), int32_t(HX_OK), Wait);
}

void TestHarbex::listenerTakesClientsAgainAfterRunningOutOfDescriptors()
{
    const int port = freePort();
    auto server = startServer(port);

    // A peer has opened connections until the process has no descriptor left but one, which the
    // peer's next connection takes: the listener cannot accept it.
    rlimit old{};
    QVERIFY(getrlimit(RLIMIT_NOFILE, &old) == 0);
    rlimit low = old;
    low.rlim_cur = rlim_t(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size() + 16);
    QVERIFY(setrlimit(RLIMIT_NOFILE, &low) == 0);
    std::vector<int> taken;
    for (int fd; (fd = ::open("/dev/null", O_RDONLY)) >= 0;)
        taken.push_back(fd);
    QVERIFY(!taken.empty());
    ::close(taken.back());
    taken.pop_back();
    QTcpSocket flood;
    flood.connectToHost(QHostAddress::LocalHost, quint16(port));
    QVERIFY(flood.waitForConnected(Wait));
    QTest::qWait(300);
    QCOMPARE(server->clientCount(), 0);

    // Resources come back: the waiting connection and a new one are taken.
    for (int fd : taken)
        ::close(fd);
    QVERIFY(setrlimit(RLIMIT_NOFILE, &old) == 0);
    QTRY_COMPARE_WITH_TIMEOUT(server->clientCount(), 1, Wait);
    QTcpSocket late;
    late.connectToHost(QHostAddress::LocalHost, quint16(port));
    QVERIFY(late.waitForConnected(Wait));
    late.write("late");
    QTRY_COMPARE_WITH_TIMEOUT(server->received, QByteArray("late"), Wait);
    QCOMPARE(server->clientCount(), 2);
}

void TestHarbex::peersThatConnectAndLeaveAtOnceRaiseNoErrorAndNoBox()
{
    // A hostile peer connects and closes at once, over and over, while the host greets every new
    // client and answers every arrival (as the game does): the greeting may meet a socket whose
    // peer is already gone. Every connection must end as an ordinary close: no Error event, no
    // box (each box's own loop would take the next connection, and the stack would grow without
    // end), every client reported dead, and the descriptors back where they were.
    constexpr int Cycles = 2000;
    constexpr int Batch = 50;
    const int port = freePort();
    auto server = startServer(port);
    server->record = false; // thousands of events: count only
    int connected = 0, died = 0;
    QStringList errors;
    server->onEvent = [&](int32_t id, HxVariant *args, int32_t count) {
        if (id == HX_EVENT_ClientConnected) {
            ++connected;
            server->sendText(describe(args[0]).toInt(), QStringLiteral("<E>   26Anna|Freeware Version 2.98"));
        } else if (id == HX_EVENT_DataArrival) {
            server->sendText(describe(args[0]).toInt(), QStringLiteral("<C>    0"));
        } else if (id == HX_EVENT_ClientDied) {
            ++died;
        } else if (id == HX_EVENT_Error && count >= 3) {
            errors.append(describe(args[1]) + QLatin1Char(' ') + describe(args[2]));
        }
    };
    BoxCounter boxes;
    const int descriptors = openDescriptors();
    for (int done = 0; done < Cycles; done += Batch) {
        for (int i = 0; i < Batch; ++i) {
            QTcpSocket peer;
            peer.connectToHost(QHostAddress::LocalHost, quint16(port));
            QVERIFY(peer.waitForConnected(Wait));
            if (i % 3 == 1) {
                peer.write("<E>   12x|Freeware");
                peer.flush();
            }
            if (i % 2)
                peer.abort();
            else
                peer.disconnectFromHost();
        }
        QTRY_VERIFY2_WITH_TIMEOUT(died == done + Batch, qPrintable(QStringLiteral("%1 of %2 reported dead").arg(died).arg(done + Batch)), Wait);
        QVERIFY2(errors.isEmpty(), qPrintable(errors.join(QLatin1String(", "))));
        QVERIFY2(boxes.count == 0, qPrintable(boxes.texts.join(QLatin1String(", "))));
    }
    QCOMPARE(connected, Cycles);
    QCOMPARE(server->clientCount(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(openDescriptors() <= descriptors, Wait);

    // The listener still serves an ordinary client.
    server->onEvent = nullptr;
    server->record = true;
    auto client = connectClient(*server, port);
    QVERIFY(server->events.contains(QStringLiteral("ClientConnected:%1").arg(Cycles + 1)));
}

void TestHarbex::sendsAfterThePeerHasGoneAreDroppedQuietly()
{
    // The joining side keeps sending (a timer, a chat line) after the host has left: the bytes
    // can reach nobody, which is no error and needs no box; the link's end was already reported.
    const int port = freePort();
    auto server = startServer(port);
    auto client = connectClient(*server, port);
    client->cancelDisplay = false;
    int sentInsideServerClose = -1;
    client->onEvent = [&](int32_t id, HxVariant *, int32_t) {
        if (id == HX_EVENT_ServerClose)
            sentInsideServerClose = client->sendText(0, QStringLiteral("<G>    14"));
    };
    BoxCounter boxes;
    client->events.clear();
    QCOMPARE(server->disconnect(1), 0);
    QTRY_VERIFY_WITH_TIMEOUT(client->events.contains(QStringLiteral("ServerClose")), Wait);
    QCOMPARE(sentInsideServerClose, 0);
    QCOMPARE(client->sendBytes(0, QByteArray("<D>    14")), 0);
    QTest::qWait(50);
    QCOMPARE(boxes.count, 0);
    QCOMPARE(client->events, (QStringList{QStringLiteral("ServerClose"),
                                          QStringLiteral("ServerMessage:Connection to No. 0 closed ...")}));
}

void TestHarbex::socketErrorsOpenNoBoxInsideAnotherBox()
{
    // A refused connection while the host shows a box of its own: the host hears the Error
    // event, but the socket's own box must not open inside the other box's loop.
    const int port = freePort(); // nobody listens there
    HostedControl client(false);
    client.put(HX_DISPID_RemoteHost, HxArg::text(QStringLiteral("127.0.0.1")));
    client.cancelDisplay = false;
    QMessageBox hostBox(QMessageBox::Information, QStringLiteral("Ostrel"), QStringLiteral("the host's own box"));
    QStringList others;
    QTimer watch;
    connect(&watch, &QTimer::timeout, this, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (box && box != &hostBox) {
            others.append(box->text());
            box->buttons().value(0)->click();
        } else if (box == &hostBox && client.events.size() >= 2) {
            QTimer::singleShot(50, &hostBox, [&hostBox] { hostBox.done(0); });
            watch.stop();
        }
    });
    watch.start(5);
    QTimer::singleShot(0, this, [&] { client.activatePort(port); });
    hostBox.exec();
    QCOMPARE(client.events.value(1), QStringLiteral("Error:0:10061:Connection is forcefully rejected"));
    QVERIFY2(others.isEmpty(), qPrintable(others.join(QLatin1String(", "))));
}

void TestHarbex::arrivalsAndCompletionsComeAlsoInsideAHandlersOwnLoop()
{
    // A handler that waits in a loop of its own (a box, a send wait) while the peer goes on
    // sending, and while its own next send completes: both must reach it there, not only later.
    const int port = freePort();
    auto server = startServer(port);
    auto client = connectClient(*server, port);
    server->events.clear();
    bool nestedArrival = false, nestedCompletion = false, timedOut = false;
    QEventLoop *own = nullptr; // the handler's own loop while it runs
    server->onEvent = [&](int32_t id, HxVariant *, int32_t) {
        if (own) {
            nestedArrival |= id == HX_EVENT_DataArrival;
            nestedCompletion |= id == HX_EVENT_SendComplete;
            if (nestedArrival && nestedCompletion)
                own->quit();
            return;
        }
        if (id != HX_EVENT_DataArrival || server->received != "first")
            return;
        QEventLoop loop;
        QTimer::singleShot(Wait, &loop, [&] {
            timedOut = true;
            loop.quit();
        });
        own = &loop;
        QCOMPARE(server->sendText(1, QStringLiteral("reply")), 0);
        QCOMPARE(client->sendText(0, QStringLiteral("second")), 0);
        loop.exec();
        own = nullptr;
    };
    QCOMPARE(client->sendText(0, QStringLiteral("first")), 0);
    QTRY_VERIFY_WITH_TIMEOUT(nestedArrival && nestedCompletion, 2 * Wait);
    QVERIFY(!timedOut);
    QCOMPARE(server->received, QByteArray("firstsecond"));
    QTRY_COMPARE_WITH_TIMEOUT(client->received, QByteArray("reply"), Wait);
}

QTEST_MAIN(TestHarbex)
#include "test_harbex.moc"
