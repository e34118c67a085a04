#pragma once
// A host for the control library as the game will be one: the library is loaded with dlopen from
// the program folder and used only through its published header. Each HostedControl records the
// events it receives as readable lines ("ClientConnected:1", "ServerMessage:...").
#include "control/Harbex.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QPair>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class QWidget;

struct HxLibrary {
    HxDllGetClassObjectFn getClassObject = nullptr;
    HxDllCanUnloadNowFn canUnloadNow = nullptr;
    HxDllRegisterServerFn registerServer = nullptr;
    HxDllUnregisterServerFn unregisterServer = nullptr;
    void *handle = nullptr;
    QString path;
    static HxLibrary &instance(); // fails the test run when the library cannot be loaded
};

// An argument of a call: the variant and the buffer it points into.
struct HxArg {
    HxVariant v{};
    QByteArray keep;
    static HxArg i2(int16_t value);
    static HxArg i4(int32_t value);
    static HxArg boolean(bool value);
    static HxArg text(const QString &value);
    static HxArg bytes(const QByteArray &value);
    static HxArg empty();
};

class HostedControl {
public:
    // Creates the control; `server` is written with Server before anything else when given.
    explicit HostedControl(std::optional<bool> server = std::nullopt, HxPropertyBag *bag = nullptr,
                           QWidget *parent = nullptr);
    ~HostedControl();
    HostedControl(const HostedControl &) = delete;
    HostedControl &operator=(const HostedControl &) = delete;

    HxControl *ctl() const { return m_ctl; }
    // Stops the events and gives up the host's reference (also from inside an event).
    void letGo();
    // Gives up the host's reference without stopping the events first.
    void releaseOnly();
    // Calls a member; returns the error number (0 = none) and fills *result when given.
    int call(int32_t dispId, int32_t flags, QList<HxArg> args = {}, HxVariant *result = nullptr,
             QString *description = nullptr);

    void activatePort(int port);
    int sendText(int client, const QString &text);
    int sendBytes(int client, const QByteArray &bytes);
    int disconnect(int client);
    int clientCount();
    QString getDataText(QList<HxArg> args);
    void put(int32_t dispId, HxArg value);
    bool getBool(int32_t dispId);
    QString getText(int32_t dispId);

    QStringList events;
    QByteArray received;         // all bytes of every DataArrival, in order
    QList<int> arrivalSizes;     // bytesTotal of each DataArrival
    bool cancelDisplay = true;   // what the Error handler sets CancelDisplay to
    bool inCall = false;         // a call of the test is running inside the control
    bool record = true;          // false: events only reach onEvent (for measurements)
    QStringList eventsInsideCalls;
    std::function<void(int32_t eventId, HxVariant *args, int32_t count)> onEvent;

    QStringList take()
    {
        QStringList out = events;
        events.clear();
        return out;
    }

private:
    struct Sink {
        HxEventSink base;
        HostedControl *owner;
    } m_sink;
    static void sinkInvoke(HxEventSink *self, int32_t eventId, HxVariant *args, int32_t count);
    HxControl *m_ctl = nullptr;
};

// A property bag kept in memory, recording what was written.
class MemoryBag {
public:
    MemoryBag();
    HxPropertyBag *bag() { return &m_bag.base; }
    QList<QPair<QString, QString>> written; // name and value as text, in order of writing
    QMap<QString, HxArg> stored;

private:
    struct Bag {
        HxPropertyBag base;
        MemoryBag *owner;
    } m_bag;
};

int freePort();                 // a free TCP port that fits a 16-bit integer
QString describe(const HxVariant &v); // a variant as text, following references
QByteArray bytesOf(const HxVariant &v);
void flushDeletes();            // lets deferred deletions of released controls happen
