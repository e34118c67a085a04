#include "control/Socket.h"

#include "platform/MsgBox.h"
#include "platform/RuntimeError.h"

#include <QApplication>
#include <QHostInfo>
#include <QNetworkInterface>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <algorithm>
#include <cstdlib>
#include <map>
#include <new>

namespace harbex {

namespace {
// Received bytes held per socket before the peer has to wait; also the most one DataArrival carries,
// so that a host counting in 16-bit integers never sees more.
constexpr qint64 ReadBufferLimit = 32767;
// A socket closed while the peer does not take its last bytes is dropped after this time.
constexpr int LingerMilliseconds = 10000;
// After an accept failed for want of resources, the listener tries again after this pause.
constexpr int AcceptRetryMilliseconds = 200;

// Connection requests waiting for an Accept, by request identifier.
std::map<int32_t, QPointer<QTcpSocket>> &pendingRequests()
{
    static std::map<int32_t, QPointer<QTcpSocket>> requests;
    return requests;
}

quint64 newLife()
{
    static quint64 last = 0;
    return ++last;
}

int32_t nextRequestID()
{
    static int32_t last = 0;
    last = last == INT32_MAX ? 1 : last + 1;
    return last;
}

void dropRequest(int32_t requestID)
{
    auto &requests = pendingRequests();
    auto it = requests.find(requestID);
    if (it == requests.end())
        return;
    if (it->second)
        delete it->second.data();
    requests.erase(it);
}
} // namespace

QString socketErrorDescription(int number)
{
    switch (number) {
    case sckPermissionDenied: return QStringLiteral("Permission denied");
    case sckTooManyFiles: return QStringLiteral("Too many open files");
    case sckAddressFamily: return QStringLiteral("Address family not supported by protocol family");
    case sckAddressInUse: return QStringLiteral("Address in use");
    case sckAddressNotAvailable: return QStringLiteral("Address not available from the local machine");
    case 10051: return QStringLiteral("The network cannot be reached from this host at this time");
    case sckConnectAborted: return QStringLiteral("Connection is aborted due to timeout or other failure");
    case sckConnectionReset: return QStringLiteral("Connection is reset by remote side");
    case sckTimedout: return QStringLiteral("Attempt to connect timed out");
    case sckConnectionRefused: return QStringLiteral("Connection is forcefully rejected");
    case sckNoData: return QStringLiteral("Valid name, no data record of requested type");
    case sckBadState: return QStringLiteral("Wrong protocol or connection state for the requested transaction or request");
    case sckInvalidOp: return QStringLiteral("Invalid operation at current state");
    case sckInvalidArg: return QStringLiteral("Invalid property value");
    default: return platform::errorDescription(number);
    }
}

namespace {
[[noreturn]] void throwSocketError(int number) { throw platform::RuntimeError(number, socketErrorDescription(number)); }

// What stopped a listen, by the socket error that names it. A refused permission is a port below
// the system's first unprivileged port (1024 unless the administrator lowered it) opened by a
// user who may not.
int listenErrorNumber(QAbstractSocket::SocketError error)
{
    switch (error) {
    case QAbstractSocket::SocketAccessError: return sckPermissionDenied;
    case QAbstractSocket::AddressInUseError: return sckAddressInUse;
    case QAbstractSocket::SocketAddressNotAvailableError: return sckAddressNotAvailable;
    case QAbstractSocket::SocketResourceError: return sckTooManyFiles;
    case QAbstractSocket::UnsupportedSocketOperationError: return sckAddressFamily;
    default: return sckInvalidOp;
    }
}

// Each send goes out at once. Without this a small send that follows another one waits in the
// kernel for the peer's acknowledgement, which the peer delays: a host that sends block after
// block, or answers each block with a short reply, would stall for tens of milliseconds.
void noDelay(QTcpSocket *socket)
{
    if (socket && socket->state() == QAbstractSocket::ConnectedState)
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
}
} // namespace

Socket::Socket(int16_t index, SocketEvents *events, QObject *parent)
    : QObject(parent), m_index(index), m_events(events), m_life(newLife())
{
}

Socket::~Socket()
{
    m_life = newLife();
    if (m_socket) {
        m_socket->disconnect(this);
        m_socket->abort();
    }
}

template <class F>
void Socket::post(F &&event)
{
    const quint64 life = m_life;
    QMetaObject::invokeMethod(
        this,
        [this, life, event = std::forward<F>(event)]() mutable {
            if (life == m_life)
                event();
        },
        Qt::QueuedConnection);
}

void Socket::release()
{
    m_life = newLife();
    m_dataPosted = false;
    m_closePosted = false;
    m_queued = m_written = 0;
    m_sendEnds.clear();
    if (m_server) {
        delete m_server;
        m_server = nullptr;
    }
    if (m_socket) {
        // The peer gets an orderly close once the last bytes are out; a peer that takes nothing
        // more cannot keep the connection alive for ever.
        QTcpSocket *old = m_socket;
        m_socket = nullptr;
        old->disconnect(this);
        connect(old, &QTcpSocket::disconnected, old, &QObject::deleteLater);
        connect(old, &QTcpSocket::errorOccurred, old, [old] { old->abort(); old->deleteLater(); });
        // The limit goes with the connection: one that closes at once leaves nothing behind
        // for the rest of the limit, however many of them come and go.
        auto *limit = new QTimer(old);
        limit->setSingleShot(true);
        connect(limit, &QTimer::timeout, old, [old] { old->abort(); old->deleteLater(); });
        limit->start(LingerMilliseconds);
        old->disconnectFromHost();
        if (old->state() == QAbstractSocket::UnconnectedState)
            old->deleteLater();
    }
}

void Socket::Close()
{
    release();
    m_state = sckClosed;
}

void Socket::setLocalPort(int32_t port)
{
    if (port < 0 || port > 65535)
        throwSocketError(sckInvalidArg);
    m_localPort = port;
}

void Socket::setRemotePort(int32_t port)
{
    if (port < 0 || port > 65535)
        throwSocketError(sckInvalidArg);
    m_remotePort = port;
}

void Socket::Listen()
{
    if (m_state != sckClosed)
        throwSocketError(sckInvalidOp);
    auto *server = new QTcpServer(this);
    if (!server->listen(QHostAddress::Any, static_cast<quint16>(m_localPort))) {
        const QAbstractSocket::SocketError error = server->serverError();
        delete server;
        throwSocketError(listenErrorNumber(error));
    }
    m_server = server;
    m_state = sckListening;
    // Qt stops accepting for good when an accept fails for want of resources (all file
    // descriptors taken, say by a peer that opens connections without end); the listener must
    // take new clients again once resources are free.
    connect(server, &QTcpServer::acceptError, this, [server] {
        QTimer::singleShot(AcceptRetryMilliseconds, server, [server] { server->resumeAccepting(); });
    });
    connect(server, &QTcpServer::newConnection, this, [this, server] {
        while (QTcpSocket *request = server->nextPendingConnection()) {
            request->setReadBufferSize(ReadBufferLimit);
            auto &requests = pendingRequests();
            std::erase_if(requests, [](const auto &entry) { return entry.second.isNull(); });
            const int32_t id = nextRequestID();
            requests[id] = request;
            const quint64 life = m_life;
            QMetaObject::invokeMethod(
                this,
                [this, life, id] {
                    if (life == m_life)
                        m_events->WS_ConnectionRequest(m_index, id);
                    dropRequest(id); // a request nobody accepted is turned away
                },
                Qt::QueuedConnection);
        }
    });
}

void Socket::Connect()
{
    if (m_state != sckClosed)
        throwSocketError(sckInvalidOp);
    auto *socket = new QTcpSocket(this);
    attach(socket);
    m_state = sckConnecting;
    connect(socket, &QTcpSocket::connected, this, [this] {
        m_state = sckConnected;
        noDelay(m_socket);
        post([this] { m_events->WS_Connect(m_index); });
    });
    socket->connectToHost(m_remoteHost, static_cast<quint16>(m_remotePort));
}

void Socket::Accept(int32_t requestID)
{
    if (m_state != sckClosed)
        throwSocketError(sckInvalidOp);
    auto &requests = pendingRequests();
    auto it = requests.find(requestID);
    if (it == requests.end() || it->second.isNull())
        platform::raiseError(platform::ErrInvalidCall);
    QTcpSocket *socket = it->second.data();
    requests.erase(it);
    socket->setParent(this);
    attach(socket);
    m_state = sckConnected;
    if (socket->bytesAvailable() > 0)
        postDataArrival(); // after the owner has announced the new client
    if (socket->state() != QAbstractSocket::ConnectedState)
        onDisconnected();
}

void Socket::attach(QTcpSocket *socket)
{
    m_socket = socket;
    socket->setReadBufferSize(ReadBufferLimit);
    noDelay(socket);
    // The channel signals, unlike readyRead and bytesWritten, come also while a handler of ours
    // runs a nested message loop (a send wait, a message box), so no arrival and no completed
    // send goes unreported.
    connect(socket, &QTcpSocket::channelReadyRead, this, [this] { deliverDataArrival(); });
    connect(socket, &QTcpSocket::channelBytesWritten, this, [this](int, qint64 written) { onBytesWritten(written); });
    connect(socket, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError e) { onSocketError(e); });
    connect(socket, &QTcpSocket::stateChanged, this, [this](QAbstractSocket::SocketState state) {
        if (state == QAbstractSocket::UnconnectedState)
            onDisconnected();
    });
}

void Socket::SendData(const QByteArray &bytes)
{
    // The connection is closed, or its peer has gone (its close not yet handled, or the attempt
    // failed): the bytes could reach nobody, and the owner learns of the end from Close or
    // Error. A send racing the peer's departure is no error of the caller.
    if (m_state == sckClosed || m_state == sckClosing || m_state == sckError)
        return;
    if (m_state != sckConnected || !m_socket)
        throwSocketError(sckBadState);
    if (bytes.isEmpty()) {
        post([this] { m_events->WS_SendComplete(m_index); });
        return;
    }
    // Copied into the socket's buffer: the bytes may be a view of the host's memory, which the
    // array overload of write would keep a reference to.
    if (m_socket->write(bytes.constData(), bytes.size()) != bytes.size()) {
        if (m_socket->state() != QAbstractSocket::ConnectedState)
            return; // the connection broke just now; its close is on its way
        throwSocketError(sckBadState);
    }
    m_queued += bytes.size();
    m_sendEnds.push_back(m_queued);
}

HxVariant Socket::GetData()
{
    HxVariant v{};
    v.type = HX_BYTES;
    const qint64 waiting = m_socket ? std::min(m_socket->bytesAvailable(), qint64(INT32_MAX)) : 0;
    if (waiting <= 0)
        return v;
    v.u.bytes.data = static_cast<uint8_t *>(std::malloc(static_cast<size_t>(waiting)));
    if (!v.u.bytes.data)
        throw std::bad_alloc();
    const qint64 got = m_socket->read(reinterpret_cast<char *>(v.u.bytes.data), waiting);
    v.u.bytes.len = static_cast<int32_t>(std::max(got, qint64(0)));
    return v;
}

QString Socket::LocalHostName() const { return QHostInfo::localHostName(); }

QString Socket::LocalIP() const
{
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &nic : interfaces) {
        const auto flags = nic.flags();
        if (!(flags & QNetworkInterface::IsUp) || !(flags & QNetworkInterface::IsRunning)
            || (flags & QNetworkInterface::IsLoopBack))
            continue;
        for (const QNetworkAddressEntry &entry : nic.addressEntries())
            if (entry.ip().protocol() == QAbstractSocket::IPv4Protocol)
                return entry.ip().toString();
    }
    return QStringLiteral("127.0.0.1");
}

void Socket::postDataArrival()
{
    if (m_dataPosted)
        return;
    m_dataPosted = true;
    post([this] {
        m_dataPosted = false;
        deliverDataArrival();
    });
}

void Socket::deliverDataArrival()
{
    if (!m_socket)
        return;
    const qint64 waiting = m_socket->bytesAvailable();
    if (waiting > 0)
        m_events->WS_DataArrival(m_index, static_cast<int32_t>(std::min(waiting, qint64(INT32_MAX))));
}

// Raised straight from the socket's own signal, which comes from the message loop: a host
// sending frame after frame is woken by the socket, without a further round through the loop.
void Socket::onBytesWritten(qint64 written)
{
    m_written += written;
    const quint64 life = m_life;
    while (life == m_life && !m_sendEnds.empty() && m_sendEnds.front() <= m_written) {
        m_sendEnds.pop_front();
        m_events->WS_SendComplete(m_index);
    }
}

void Socket::onSocketError(int error)
{
    if (m_state == sckConnecting) {
        int number = 10051;
        switch (error) {
        case QAbstractSocket::ConnectionRefusedError: number = sckConnectionRefused; break;
        case QAbstractSocket::HostNotFoundError: number = sckNoData; break;
        case QAbstractSocket::SocketTimeoutError: number = sckTimedout; break;
        case QAbstractSocket::NetworkError:
            if (m_socket && m_socket->errorString().contains(QLatin1String("timed out"), Qt::CaseInsensitive))
                number = sckTimedout;
            break;
        default: break;
        }
        m_state = sckError;
        post([this, number] { raiseError(number); });
        return;
    }
    if (m_state != sckConnected)
        return;
    if (error == QAbstractSocket::RemoteHostClosedError) {
        // The peer closed, or reset what it no longer wanted to receive: either way the
        // connection has ended and Close alone says so. Bytes still unsent at that moment
        // (a greeting to a peer that left at once) are no error of anybody here.
        return;
    }
    post([this] { raiseError(sckConnectAborted); });
}

void Socket::raiseError(int number)
{
    QString description = socketErrorDescription(number);
    int16_t cancelDisplay = 0;
    m_events->WS_Error(m_index, static_cast<int16_t>(number > 32767 ? 32767 : number), description, number,
                       QStringLiteral("Winsock"), QString(), 0, cancelDisplay);
    // The socket's own display, unless the owner cancelled it. Never inside another modal box:
    // each box runs a loop of its own in which the next socket event may come, and boxes
    // stacked by a peer that keeps failing would grow the stack without end.
    if (!cancelDisplay && !QApplication::activeModalWidget())
        platform::MsgBox(description, platform::vbOKOnly | platform::vbExclamation);
}

void Socket::onDisconnected()
{
    if (m_state != sckConnected)
        return;
    m_state = sckClosing;
    if (m_closePosted)
        return;
    m_closePosted = true;
    post([this] { deliverClose(); });
}

void Socket::deliverClose()
{
    m_closePosted = false;
    const quint64 life = m_life;
    // Bytes that came before the close are handed over first.
    qint64 last = -1;
    while (life == m_life && m_socket && m_socket->bytesAvailable() > 0 && m_socket->bytesAvailable() != last) {
        last = m_socket->bytesAvailable();
        m_dataPosted = false;
        deliverDataArrival();
    }
    if (life == m_life && m_state == sckClosing)
        m_events->WS_Close(m_index);
}

} // namespace harbex
