#pragma once
// The socket object under HarbexCtl: one TCP endpoint with the operations and events of the
// classic desktop socket component, built on Qt Network. A socket listens, connects or takes over
// an accepted connection; its events (Close, Connect, ConnectionRequest, DataArrival, Error,
// SendComplete) always arrive later through the message loop, never inside the call that causes
// them, and an event that was queued for an earlier life of the socket (before a Close) is dropped.
// Errors carry the numbers and texts users of the original saw: run-time errors of the operations
// are thrown as platform::RuntimeError (a listen names its cause: 10013 for a port the user may
// not open, 10048 for a port in use, 10049 for an address this machine does not have); errors of a connection arrive as
// the Error event (10061 refused, 10060 timed out, 11004 unknown host, 10053 aborted). A peer
// that closes or resets an established connection is reported by Close alone; any other failure of
// an established connection reports Error and then Close, so the owner always learns that it has
// ended. Bytes sent to a connection that is closed or whose peer has gone are dropped quietly. At most 32767 received bytes are buffered per socket: the peer is slowed down
// rather than memory being spent without bound. A listener that could not accept for want of
// descriptors tries again shortly instead of stopping for good.
#include "control/Harbex.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <cstdint>

class QTcpServer;
class QTcpSocket;

namespace harbex {

// Socket states; the owner only tells 0 (closed) from the rest.
enum SocketState : int {
    sckClosed = 0,
    sckListening = 2,
    sckConnecting = 6,
    sckConnected = 7,
    sckClosing = 8, // the peer has closed; the owner still has to close its side
    sckError = 9,
};

enum SocketErrorNumber : int {
    sckPermissionDenied = 10013,
    sckTooManyFiles = 10024,
    sckAddressFamily = 10047,
    sckAddressInUse = 10048,
    sckAddressNotAvailable = 10049,
    sckConnectAborted = 10053,
    sckConnectionReset = 10054,
    sckTimedout = 10060,
    sckConnectionRefused = 10061,
    sckNoData = 11004,
    sckBadState = 40006,
    sckInvalidOp = 40020,
    sckInvalidArg = 380,
};

QString socketErrorDescription(int number);

// Receives the events of a set of sockets; each event names the socket's index first.
class SocketEvents {
public:
    virtual ~SocketEvents() = default;
    virtual void WS_Close(int16_t index) = 0;
    virtual void WS_Connect(int16_t index) = 0;
    virtual void WS_ConnectionRequest(int16_t index, int32_t requestID) = 0;
    virtual void WS_DataArrival(int16_t index, int32_t bytesTotal) = 0;
    virtual void WS_Error(int16_t index, int16_t number, QString &description, int32_t scode, const QString &source,
                          const QString &helpFile, int32_t helpContext, int16_t &cancelDisplay) = 0;
    virtual void WS_SendComplete(int16_t index) = 0;
};

class Socket : public QObject {
public:
    Socket(int16_t index, SocketEvents *events, QObject *parent = nullptr);
    ~Socket() override;

    int State() const { return m_state; }
    // Tells one connection of this socket from any other, of this socket or another one: it
    // changes with every close and is never given twice in the process.
    quint64 life() const { return m_life; }
    void Close();
    void setLocalPort(int32_t port);
    int32_t LocalPort() const { return m_localPort; }
    void Listen();
    void setRemotePort(int32_t port);
    void setRemoteHost(const QString &host) { m_remoteHost = host; }
    void Connect();
    void Accept(int32_t requestID);
    void SendData(const QByteArray &bytes);
    // All bytes received so far, as a byte-array variant in malloc'd memory (empty: none), ready
    // to be lent to the host without a further copy.
    HxVariant GetData();
    QString LocalHostName() const;
    QString LocalIP() const;

private:
    template <class F>
    void post(F &&event);
    void attach(QTcpSocket *socket);
    void release();
    void postDataArrival();
    void onBytesWritten(qint64 written);
    void onSocketError(int error);
    void onDisconnected();
    void deliverDataArrival();
    void deliverClose();
    void raiseError(int number);

    int16_t m_index;
    SocketEvents *m_events;
    int m_state = sckClosed;
    int32_t m_localPort = 0;
    int32_t m_remotePort = 0;
    QString m_remoteHost;
    QTcpServer *m_server = nullptr;
    QTcpSocket *m_socket = nullptr;
    quint64 m_life; // new with every close; queued events of an older life are dropped
    bool m_dataPosted = false;
    bool m_closePosted = false;
    qint64 m_queued = 0;
    qint64 m_written = 0;
    // Where each pending send ends in the byte count; empty without an allocation, so the socket
    // kept for every client number handed out stays small once closed.
    QList<qint64> m_sendEnds;
};

} // namespace harbex
