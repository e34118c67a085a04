#pragma once
// HarbexCtl: a TCP server for numbered clients or a single TCP client, placed on a host window.
// Server mode listens on WS(0) and keeps client n in WS(n); numbers are handed out 1, 2, 3 ... up to
// 32767, and only after that the lowest number whose connection has ended is given again, so that
// a host that runs for long still takes new clients. A client's socket is given up when its
// connection is closed. Client mode has its one connection in WS(0), reported under number 0.
// ActivatePort either activates the port asked for, or leaves WS(0) closed and, after its own
// error box, hands the error to the caller. Events go to the host's sink synchronously, inside
// the call or socket notification that causes them.
// The control is destroyed only when no call of the host and no socket event is running inside it.
#include "control/Harbex.h"
#include "control/Socket.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariant>
#include <memory>
#include <vector>

class QWidget;

namespace harbex {

// One argument of an event as the control raises it: by value, or a reference to the variable
// the control raises the event with.
struct EventArg {
    enum Kind { I2, I4, Str, RefI2, RefBool, RefStr, RefVar } kind;
    int32_t value = 0;
    const QString *text = nullptr; // lives as long as the raise
    int16_t *pi2 = nullptr;
    QString *ptext = nullptr;
    HxVariant *pvar = nullptr;

    static EventArg i2(int16_t v) { return {I2, v}; }
    static EventArg i4(int32_t v) { return {I4, v}; }
    static EventArg str(const QString &t) { return {Str, 0, &t}; }
    static EventArg refI2(int16_t *p) { return {RefI2, 0, nullptr, p}; }
    static EventArg refBool(int16_t *p) { return {RefBool, 0, nullptr, p}; }
    static EventArg refStr(QString *p) { return {RefStr, 0, nullptr, nullptr, p}; }
    // Text or bytes the caller has already made (malloc'd) and reads back itself, if it needs to.
    static EventArg refVar(HxVariant *p) { return {RefVar, 0, nullptr, nullptr, nullptr, p}; }
};

// The host's layout data, as the control reads and writes its stored properties.
class PropertyStore {
public:
    virtual ~PropertyStore() = default;
    virtual QVariant ReadProperty(const QString &name, const QVariant &defaultValue) = 0;
    virtual void WriteProperty(const QString &name, const QVariant &value, const QVariant &defaultValue) = 0;
};

class HarbexCtl : public QObject, private SocketEvents {
public:
    HarbexCtl();
    ~HarbexCtl() override;

    // Methods and properties of the default interface.
    void ActivatePort(int16_t NewPort);
    void SendText(int16_t ClientNumber, const QString &SendText);
    void SendBytes(int16_t ClientNumber, const QByteArray &SendBytes);
    void Disconnect(int16_t ClientNumber);
    int16_t ClientCount() const { return ConnectedClients; }
    // The text for the host (malloc'd UTF-8); SendedBytes null: not a byte array.
    static HxVariant GetDataText(const char *SendedBytes, qsizetype size, int32_t StartPos = 0, int32_t EndPos = 0);
    QString LocalHostname() const;
    QString LocalIP() const;
    bool server() const { return Server; }
    void setServer(bool value) { Server = value; }
    QString remoteHost() const { return RemoteHost; }
    void setRemoteHost(const QString &value) { RemoteHost = value; }
    bool echoOn() const { return EchoOn; }
    void setEchoOn(bool value) { EchoOn = value; }

    // Host window and layout data.
    void UserControl_ReadProperties(PropertyStore &bag);
    void UserControl_WriteProperties(PropertyStore &bag);
    void UserControl_Resize();
    QWidget *surface() const { return m_surface.data(); }
    void setParentWindow(QWidget *parent);

    void setEventSink(HxEventSink *sink) { m_sink = sink; }
    HxControl *comInterface() { return &m_com.base; }

    // Reference counting of the published object; the last release destroys the control, or
    // marks it for destruction when a call is still running inside it.
    uint32_t addRef() { return ++m_refs; }
    uint32_t release();

    // Held by every entry from outside (a host call or a socket event).
    class Busy {
    public:
        explicit Busy(HarbexCtl *ctl) : m_ctl(ctl) { ++ctl->m_depth; }
        ~Busy();
        Busy(const Busy &) = delete;
        Busy &operator=(const Busy &) = delete;

    private:
        HarbexCtl *m_ctl;
    };

    static int liveInstances();

private:
    void UserControl_Initialize();
    void FixControlSize();
    void RaiseServerMessage(QString text);
    void raise(int32_t eventId, std::initializer_list<EventArg> args);
    // The socket of a client number; null when its connection has ended. A number never handed
    // out is the caller's error.
    Socket *client(int number);
    // The number for a new connection; 0 when every number belongs to an open one.
    int16_t newClientNumber() const;
    // Gives up the socket of a closed client.
    void retire(int number);
    // Sends to one connected client with nothing pending, or to the server; false when the send
    // must take the guarded way (a wait, a closed or unknown client, an error).
    bool sendAtOnce(int16_t ClientNumber, const QByteArray &bytes);
    void waitForPendingSend();

    void WS_Close(int16_t index) override;
    void WS_Connect(int16_t index) override;
    void WS_ConnectionRequest(int16_t index, int32_t requestID) override;
    void WS_DataArrival(int16_t index, int32_t bytesTotal) override;
    void WS_Error(int16_t index, int16_t number, QString &description, int32_t scode, const QString &source,
                  const QString &helpFile, int32_t helpContext, int16_t &cancelDisplay) override;
    void WS_SendComplete(int16_t index) override;

    // State of the control, in this order.
    int16_t ActivePort = 0;
    int16_t LastClientNumber = 0;
    bool Server = true;
    QString RemoteHost;
    bool EchoOn = false;
    int16_t ConnectedClients = 0;
    bool SendPending = false;
    std::vector<std::unique_ptr<Socket>> WS;

    int m_pendingSocket = -1; // the socket of the send that SendPending waits for
    quint64 m_pendingLife = 0; // and its connection
    QPointer<QWidget> m_surface;
    HxEventSink *m_sink = nullptr;
    struct ComObject {
        HxControl base;
        HarbexCtl *owner;
    } m_com;
    uint32_t m_refs = 0;
    int m_depth = 0;
    bool m_released = false;
};

} // namespace harbex
