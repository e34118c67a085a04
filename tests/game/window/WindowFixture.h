#pragma once
// A main window for tests: its sounds go to a recorder, its sound files are empty files in a
// folder of its own, its play timer is ticked by the test, its random numbers are seeded, and
// what it would send to a peer or hand to later windows is recorded.
#include "game/window/Ostrel.h"
#include "game/window/SoundOutput.h"

#include <QFileInfo>
#include <QFile>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>

inline const QStringList &effectNames()
{
    static const QStringList names{"NEXTTUBE", "CHFALL",  "TFILLED",  "DRAWN",   "PLWIN1",   "PLWIN2",
                                   "PLWIN3",   "TIMEOVER", "RESOPEN", "RESCLOSE", "p2pstart", "msgarriv",
                                   "nickchan", "p2pend"};
    return names;
}

struct SoundRequest {
    QString name; // the file's base name
    QString path;
    bool wait;
};

class RecordingSound : public gamewindow::SoundOutput {
public:
    void play(const QString &path, bool wait) override
    {
        requests.append({QFileInfo(path).completeBaseName(), path, wait});
        if (duringPlay)
            duringPlay(path, wait);
    }
    int count(const QString &name) const
    {
        int n = 0;
        for (const SoundRequest &r : requests)
            n += r.name == name;
        return n;
    }
    int waited(const QString &name) const
    {
        int n = 0;
        for (const SoundRequest &r : requests)
            n += r.name == name && r.wait;
        return n;
    }
    void clear() { requests.clear(); }
    QList<SoundRequest> requests;
    std::function<void(const QString &, bool)> duringPlay;
};

class TestWindow : public gamewindow::Ostrel {
public:
    void menHelp_Click() override { ++helpOpened; }
    void SendPacket(const QString &Text) override { packets.append(Text); }
    void NotifyResults(int16_t &ActPlayer) override { notified.append(ActPlayer); }
    int helpOpened = 0;
    QStringList packets;
    QList<int> notified;
};

// Writes an empty file for every effect: the window only needs to find them.
inline void writeEffectFiles(const QString &folder)
{
    for (const QString &name : effectNames()) {
        QFile f(folder + "/" + name + ".WAV");
        if (!f.open(QIODevice::WriteOnly))
            qFatal("cannot write sound file");
    }
}

struct WindowFixture {
    QTemporaryDir folder;
    RecordingSound sound;
    std::unique_ptr<TestWindow> w;

    explicit WindowFixture(bool onePlayer = true, uint64_t seed = 1)
    {
        writeEffectFiles(folder.path());
        w = std::make_unique<TestWindow>();
        w->setProgramFolder(folder.path());
        w->setSoundOutput(&sound);
        w->setPlayTimerRunsItself(false);
        w->random().reseed(seed);
        w->menOnePlayer()->setChecked(onePlayer);
        w->menTwoPlayers()->setChecked(!onePlayer);
    }
    rules::GameState &s() { return w->state(); }

    void key(Qt::Key k) { QTest::keyClick(w.get(), k); }
    // Clicks the cell as a person does: press and release.
    void clickCell(int n) { QTest::mouseClick(w->picPlaygrid(n), Qt::LeftButton); }
    // A person's double click: the first click, then the double click.
    void doubleClickCell(int n)
    {
        QTest::mouseClick(w->picPlaygrid(n), Qt::LeftButton);
        QTest::mouseDClick(w->picPlaygrid(n), Qt::LeftButton);
    }
    // Moves the chip to the column with the arrow keys and drops it with Down.
    void dropWithKeys(int column)
    {
        while (s().SelColumn != column)
            key(s().SelColumn < column ? Qt::Key_Right : Qt::Key_Left);
        key(Qt::Key_Down);
    }
    // The picture of a store, to compare cells by identity.
    gamewindow::Picture empty() const { return w->picMoveChip(0)->picture(); }
    gamewindow::Picture moveChip(int k) const { return w->picMoveChip(k)->picture(); }
    QString status() const { return w->lblStatus()->text(); }
};
