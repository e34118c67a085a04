#pragma once
// A loaded main window with the real control Pelkin, its settings file and program folder in a
// temporary folder of their own, and no sound. The link procedures are stood in for by the
// window's event handlers: an accepted client or a made connection marks the link as up, a
// refused connection ends the connection wait.
#include "OstrelProbe.h"
#include "common/FindControl.h"
#include "game/net/Peer2Peer.h"
#include "game/net/QorFindIPs.h"
#include "game/window/Ostrel.h"
#include "game/window/SoundOutput.h"
#include "platform/Pictures.h"
#include "support/IniHandler.h"

#include <QApplication>
#include <QFile>
#include <QRandomGenerator>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTimer>
#include <QTest>

#include <functional>
#include <memory>

class SilentSound : public gamewindow::SoundOutput {
public:
    void play(const QString &, bool) override {}
};

class DialogSession : public gamenet::NetSession {
public:
    using NetSession::NetSession;
    void Pelkin_ClientConnected(int16_t &) override { link().NetworkGame = true; }
    void Pelkin_Connect() override { link().NetworkGame = true; }
    void Pelkin_Error(int16_t &, int16_t Number, QString &, int32_t, const QString &, const QString &, int32_t,
                      bool &CancelDisplay) override
    {
        errors.append(Number);
        CancelDisplay = true;
        if (Number == 10061)
            link().CancelConnect = true;
    }
    QList<int> errors;
};

class DialogWindow : public gamewindow::Ostrel {
public:
    DialogWindow()
    {
        auto session = std::make_unique<DialogSession>(*this, state(), gameRules());
        dialogSession = session.get();
        setNetSession(std::move(session));
    }
    // A connection dialog on this window, as the network game command opens it.
    std::unique_ptr<gamenet::Peer2Peer> newDialog()
    {
        return std::make_unique<gamenet::Peer2Peer>(
            net(), gamewindow::OstrelProbe::programFolder(*this), [this] { prepareForConnect(); }, this);
    }
    DialogSession *dialogSession = nullptr;
};

struct DialogFixture {
    QTemporaryDir folder;
    QTemporaryDir dataHome;
    SilentSound sound;
    std::unique_ptr<DialogWindow> w;

    // `ini`: the settings file's content before the window loads; null for no file.
    explicit DialogFixture(const char *ini = nullptr)
    {
        qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome.path()));
        const QString program = qEnvironmentVariable("OSTREL_PROGRAM_DIR");
        assets::setPictureFolder(program + "/pictures");
        QFile::link(program + "/libHarbex.so", folder.filePath("libHarbex.so"));
        IniHandler::IniPath = folder.filePath("Ostrel.ini");
        if (ini) {
            QFile f(IniHandler::IniPath);
            if (!f.open(QIODevice::WriteOnly) || f.write(ini) < 0)
                qFatal("cannot write the settings file");
        }
        w = std::make_unique<DialogWindow>();
        w->setProgramFolder(folder.path());
        w->setSoundOutput(&sound);
        w->setPlayTimerRunsItself(false);
        w->Load();
        if (!w->Pelkin())
            qFatal("no control: %s", qPrintable(gamewindow::OstrelProbe::pelkinProblem(*w)));
    }
    ~DialogFixture() { IniHandler::IniPath.clear(); }
    rules::GameState &s() { return w->state(); }
    gamenet::LinkState &n() { return w->net().link(); }
    QByteArray iniFile() const
    {
        QFile f(IniHandler::IniPath);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

// Runs `act` once on the first modal window of type T that shows, checking every 10 ms.
template <typename T>
void whenModal(std::function<void(T *)> act)
{
    auto *timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, act] {
        if (T *w = qobject_cast<T *>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            act(w);
        }
    });
    timer->start();
}

// A port that nothing listens on, below 32768: the control takes its port as a 16-bit signed number.
inline quint16 freePort()
{
    static quint16 next = quint16(20000 + QRandomGenerator::global()->bounded(10000));
    for (int tries = 0; tries < 2000; ++tries) {
        const quint16 port = next++;
        if (next > 32000)
            next = 20000;
        QTcpServer probe;
        if (probe.listen(QHostAddress::Any, port))
            return port;
    }
    qFatal("no free port");
}

// A listener on the loopback at such a port.
inline bool listenLow(QTcpServer &server)
{
    for (int tries = 0; tries < 2000; ++tries)
        if (server.listen(QHostAddress::LocalHost, freePort()))
            return true;
    return false;
}
