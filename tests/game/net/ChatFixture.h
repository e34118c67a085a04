#pragma once
// A loaded main window for the chat and voice tests: its work folder lies below a temporary
// data home, its sounds go to a recorder, its one-second waits return at once, and what it
// would send to the peer (frames and voice blocks) is recorded.
#include "WindowFixture.h"

#include "platform/RuntimeError.h"
#include "support/IniHandler.h"

#include <QDir>

// The session of a ChatWindow: frames go to the window's record, voice blocks to its own.
class ChatSession : public gamenet::NetSession {
public:
    ChatSession(TestWindow &w) : NetSession(w, w.state(), w.gameRules()), m_w(w) {}
    void PelkinSendBytes(int16_t &ClientNumber, const QByteArray &Bytes) override
    {
        Q_UNUSED(ClientNumber);
        blocks.append(Bytes);
    }
    void SendPacket(const QString &Text) override
    {
        if (failSend)
            throw platform::RuntimeError(failSend);
        m_w.packets.append(Text);
    }
    QList<QByteArray> blocks;
    int failSend = 0; // a run-time error number that sending raises; 0 = sending works

private:
    TestWindow &m_w;
};

class ChatWindow : public TestWindow {
public:
    ChatWindow()
    {
        auto session = std::make_unique<ChatSession>(*this);
        chat = session.get();
        setNetSession(std::move(session));
    }
    // With `personsPace` the clock that paces the peer moves on a second at every reading, as if
    // every message came a second after the one before.
    qint64 Uptime() const override { return personsPace ? (paceClock += 1000) : TestWindow::Uptime(); }
    ChatSession *chat = nullptr;
    bool personsPace = false;
    mutable qint64 paceClock = 0;
};

struct ChatFixture {
    QTemporaryDir folder;   // program folder: settings file, sounds
    QTemporaryDir dataHome; // the work folder goes below it
    RecordingSound sound;
    std::unique_ptr<ChatWindow> w;

    explicit ChatFixture(bool english = true)
    {
        writeEffectFiles(folder.path());
        qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome.path()));
        assets::setPictureFolder(qEnvironmentVariable("OSTREL_PROGRAM_DIR") + "/pictures");
        IniHandler::IniPath = folder.filePath("Ostrel.ini");
        if (!english) {
            QFile ini(IniHandler::IniPath);
            if (ini.open(QIODevice::WriteOnly))
                ini.write("[SETTINGS]\r\nLanguage=GERMAN\r\n");
        }
        w = std::make_unique<ChatWindow>();
        w->setProgramFolder(folder.path());
        w->setSoundOutput(&sound);
        w->setPlayTimerRunsItself(false);
        w->setDelay([](int16_t) {});
        w->Form_Load();
    }
    rules::GameState &s() { return w->state(); }
    gamenet::LinkState &n() { return w->net().link(); }
    QString work(const QString &name) const { return QDir(w->WorkDir()).filePath(name); }
    gamewindow::ChatFrame *chat() const { return testing::control<gamewindow::ChatFrame>(w.get(), "frmChat"); }
    // The connection of client 1 is the peer's: awaited, taken and greeted, so its frames count.
    void peerSaidHello()
    {
        gamenet::PeerAdmission &admission = w->net().admission();
        admission.awaitFor(qint64(24) * 3600 * 1000);
        admission.admit(1);
        admission.hello(1);
    }
};

inline QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

// Bytes 0..n-1 of a pattern that differs from block to block.
inline QByteArray pattern(int n)
{
    QByteArray b(n, '\0');
    for (int i = 0; i < n; ++i)
        b[i] = char((i * 7 + i / 2000) & 0xFF);
    return b;
}
