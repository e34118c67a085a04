#pragma once
// Main windows for network tests: each loads with the real control library, in folders of its
// own, with recorded sounds, a play timer ticked by the test and a short handshake pause. Links
// are made over loopback through the control itself; what each window sends and receives is
// recorded.
#include "WindowFixture.h"
#include "common/FreePort.h"
#include "platform/RichTextBox.h"
#include "support/IniHandler.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QThread>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>

#include <atomic>

// The window's session, recording the frames it sends and the bytes it receives.
class RecordingSession : public gamenet::NetSession {
public:
    using NetSession::NetSession;
    void SendPacket(const QString &Packet) override
    {
        sent.append(Packet);
        NetSession::SendPacket(Packet);
    }
    void Pelkin_ClientConnected(int16_t &ClientNumber) override
    {
        ++clientsSeen;
        NetSession::Pelkin_ClientConnected(ClientNumber);
    }
    void Pelkin_DataArrival(int16_t &ClientNumber, int32_t bytesTotal, QByteArray &SendedBytes) override
    {
        if (keepBytes)
            received += SendedBytes;
        receivedCount += SendedBytes.size();
        ++arrivals;
        NetSession::Pelkin_DataArrival(ClientNumber, bytesTotal, SendedBytes);
    }
    QStringList sent;
    QByteArray received;
    bool keepBytes = true; // false: only counted (floods)
    std::atomic<int> clientsSeen{0}; // connections the control has reported, for a peer thread
    qint64 receivedCount = 0;
    int arrivals = 0;
};

class NetWindow : public gamewindow::Ostrel {
public:
    NetWindow()
    {
        auto session = std::make_unique<RecordingSession>(*this, state(), gameRules());
        rec = session.get();
        setNetSession(std::move(session));
    }
    void menHelp_Click() override {}
    void CheckHighScore() override {}
    // Hands an arrival to the dispatcher exactly as given, as the control does.
    void arrive(const QByteArray &bytes)
    {
        int16_t client = 1;
        QByteArray copy = bytes;
        rec->NetSession::Pelkin_DataArrival(client, int32_t(copy.size()), copy);
    }
    void ShowChatLine(const QString &Line, int32_t Color) override
    {
        shownLines.append(Line);
        Ostrel::ShowChatLine(Line, Color);
    }
    void ResetChatDisplay() override
    {
        shownLines.clear();
        Ostrel::ResetChatDisplay();
    }
    // The clock that paces the peer's lines; with `personsPace` it moves on a second at every
    // reading, as if every line came a second after the one before.
    qint64 Uptime() const override { return personsPace ? (paceClock += 1000) : Ostrel::Uptime(); }
    RecordingSession *rec = nullptr;
    QStringList shownLines;
    bool personsPace = false;
    mutable qint64 paceClock = 0;
};

struct NetSide {
    QTemporaryDir folder;
    QTemporaryDir dataHome;
    RecordingSound sound;
    std::unique_ptr<NetWindow> w;

    NetSide(const QString &nick, bool red)
    {
        writeEffectFiles(folder.path());
        const QString lib = qEnvironmentVariable("OSTREL_PROGRAM_DIR") + "/libHarbex.so";
        if (!QFile::link(lib, folder.filePath("libHarbex.so")))
            qFatal("cannot link the control library");
        qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome.path()));
        assets::setPictureFolder(qEnvironmentVariable("OSTREL_PROGRAM_DIR") + "/pictures");
        IniHandler::IniPath = folder.filePath("Ostrel.ini");
        w = std::make_unique<NetWindow>();
        w->setProgramFolder(folder.path());
        w->setSoundOutput(&sound);
        w->setPlayTimerRunsItself(false);
        // The handshake's pause of a second, shortened: it still lets other events run.
        w->setDelay([](int16_t) { QTest::qWait(5); });
        w->Load();
        if (!w->Pelkin())
            qFatal("no control: %s", qPrintable(gamewindow::OstrelProbe::pelkinProblem(*w)));
        testing::control<QAction>(w.get(), "menOnePlayer")->setChecked(false);
        n().Nick[0] = nick;
        n().LocalIsRed = red;
    }
    rules::GameState &s() { return w->state(); }
    gamenet::LinkState &n() { return w->net().link(); }
    // The lines that reached the chat display since the last clearLines() (the display itself
    // keeps only the recent ones).
    QStringList lines() const { return w->shownLines.mid(cleared); }
    void clearLines() { cleared = int(w->shownLines.size()); }
    int cleared = 0;

    void put(int32_t dispId, HxVariant value)
    {
        HxError error{};
        if (w->Pelkin()->Invoke(dispId, HX_INVOKE_PROPERTYPUT, &value, 1, nullptr, &error) != HX_OK)
            qFatal("property put failed");
    }
    void activate(uint16_t port)
    {
        HxVariant p{};
        p.type = HX_I2;
        p.u.i2 = int16_t(port);
        HxError error{};
        if (w->Pelkin()->Invoke(HX_DISPID_ActivatePort, HX_INVOKE_METHOD, &p, 1, nullptr, &error) != HX_OK)
            qFatal("ActivatePort failed");
    }
    // A peer is awaited for long, as the connection dialog's Connect awaits it.
    void awaitPeer() { w->net().admission().awaitFor(qint64(24) * 3600 * 1000); }
    // The hosting side listens and waits for its peer, the joining side connects (what the
    // connection dialog does).
    void host(uint16_t port)
    {
        awaitPeer();
        listen(port);
    }
    // The control listens as host, whether or not a peer is awaited.
    void listen(uint16_t port)
    {
        HxVariant v{};
        v.type = HX_BOOL;
        v.u.boolVal = HX_TRUE;
        put(HX_DISPID_Server, v);
        activate(port);
    }
    void join(uint16_t port)
    {
        awaitPeer();
        HxVariant v{};
        v.type = HX_BOOL;
        v.u.boolVal = HX_FALSE_BOOL;
        put(HX_DISPID_Server, v);
        QByteArray host = "127.0.0.1";
        HxVariant h{};
        h.type = HX_STR;
        h.u.str.data = host.data();
        h.u.str.len = int32_t(host.size());
        put(HX_DISPID_RemoteHost, h);
        activate(port);
    }
    // A move of the local player: the chip glides to the column and drops.
    void play(int column)
    {
        w->GoToTube(int16_t(column), false);
        w->ChipReleased();
    }
};

// Runs the event loop until the condition holds, looking again as soon as events were handled
// (QTest::qWaitFor sleeps 10 ms between looks, too long for thousands of round trips).
template <class Condition>
bool spinFor(Condition condition, int timeoutMs = 5000)
{
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (!condition())
            QThread::usleep(50);
    }
    return true;
}

