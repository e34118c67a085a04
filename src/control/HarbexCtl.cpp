#include "control/HarbexCtl.h"

#include "control/Variant.h"
#include "platform/Ansi.h"
#include "platform/ErrorGuard.h"
#include "platform/RuntimeError.h"
#include "platform/Twips.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTimer>
#include <QWidget>
#include <array>
#include <charconv>
#include <cstring>
#include <limits>
#include <optional>
#include <string_view>

namespace harbex {

namespace {
int g_liveInstances = 0;

// The last resort of the send wait: a send that has not completed in this time is given up.
constexpr qint64 SendWaitLimitMs = 60000;

constexpr int ControlPixels = 24;

// The control's place on its host window; it draws nothing of its own.
class ControlSurface : public QWidget {
public:
    explicit ControlSurface(HarbexCtl *owner) : m_owner(owner) { setAttribute(Qt::WA_NoSystemBackground); }
    void detach() { m_owner = nullptr; }

protected:
    void resizeEvent(QResizeEvent *event) override
    {
        QWidget::resizeEvent(event);
        if (m_owner)
            m_owner->UserControl_Resize();
    }

private:
    HarbexCtl *m_owner;
};

[[noreturn]] void noSuchElement(int number)
{
    throw platform::RuntimeError(340, QStringLiteral("Control array element '%1' doesn't exist").arg(number));
}
} // namespace

HarbexCtl::HarbexCtl() : m_com{{nullptr}, this}
{
    ++g_liveInstances;
    WS.push_back(std::make_unique<Socket>(0, static_cast<SocketEvents *>(this)));
    UserControl_Initialize();
}

HarbexCtl::~HarbexCtl()
{
    m_sink = nullptr;
    WS.clear();
    if (auto *surface = static_cast<ControlSurface *>(m_surface.data())) {
        surface->detach();
        delete surface;
    }
    --g_liveInstances;
}

int HarbexCtl::liveInstances() { return g_liveInstances; }

uint32_t HarbexCtl::release()
{
    const uint32_t left = --m_refs;
    if (left == 0) {
        m_sink = nullptr; // the host is gone: a call still running inside raises nothing more
        if (m_depth > 0)
            m_released = true; // destroyed when the running call returns
        else
            delete this;
    }
    return left;
}

HarbexCtl::Busy::~Busy()
{
    if (--m_ctl->m_depth == 0 && m_ctl->m_released) {
        m_ctl->m_released = false;
        m_ctl->m_sink = nullptr;
        m_ctl->deleteLater(); // a socket of this control may still be on the stack
    }
}

void HarbexCtl::UserControl_Initialize()
{
    m_surface = new ControlSurface(this);
    FixControlSize();
}

void HarbexCtl::FixControlSize()
{
    if (!m_surface)
        return;
    const int width = platform::twipsToPixels(ControlPixels * platform::TwipsPerPixel);
    const int height = platform::twipsToPixels(ControlPixels * platform::TwipsPerPixel);
    m_surface->setFixedSize(width, height);
}

void HarbexCtl::UserControl_Resize() { FixControlSize(); }

void HarbexCtl::setParentWindow(QWidget *parent)
{
    if (!m_surface)
        return;
    const bool wasVisible = !m_surface->isHidden();
    m_surface->setParent(parent);
    if (wasVisible)
        m_surface->show();
    FixControlSize();
}

void HarbexCtl::UserControl_ReadProperties(PropertyStore &bag)
{
    RemoteHost = bag.ReadProperty(QStringLiteral("RemoteHost"), QString()).toString();
    EchoOn = bag.ReadProperty(QStringLiteral("EchoOn"), false).toBool();
    Server = bag.ReadProperty(QStringLiteral("Server"), true).toBool();
}

void HarbexCtl::UserControl_WriteProperties(PropertyStore &bag)
{
    bag.WriteProperty(QStringLiteral("RemoteHost"), RemoteHost, QString());
    bag.WriteProperty(QStringLiteral("EchoOn"), EchoOn, false);
    bag.WriteProperty(QStringLiteral("Server"), Server, true);
}

QString HarbexCtl::LocalHostname() const { return WS[0]->LocalHostName(); }
QString HarbexCtl::LocalIP() const { return WS[0]->LocalIP(); }

Socket *HarbexCtl::client(int number)
{
    if (number < 0 || static_cast<size_t>(number) >= WS.size())
        noSuchElement(number);
    return WS[static_cast<size_t>(number)].get();
}

int16_t HarbexCtl::newClientNumber() const
{
    constexpr int16_t Last = std::numeric_limits<int16_t>::max();
    if (LastClientNumber < Last)
        return static_cast<int16_t>(LastClientNumber + 1);
    // Every number has been handed out once: the lowest whose connection has ended serves again.
    // A slot is taken from the moment a request claims it, so a request that comes while the
    // host handles an earlier one's message finds another number.
    for (int number = 1; number <= Last; ++number)
        if (!WS[static_cast<size_t>(number)])
            return static_cast<int16_t>(number);
    return 0;
}

void HarbexCtl::retire(int number)
{
    // Deferred: a notification of this very socket may be on the stack below us. Until then it
    // belongs to the control, and so does a connection of it that is still handing its last
    // bytes to the peer; that one ends on its own.
    std::unique_ptr<Socket> &slot = WS[static_cast<size_t>(number)];
    if (!slot)
        return;
    Socket *old = slot.release();
    const QObjectList lingering = old->children();
    for (QObject *connection : lingering)
        connection->setParent(this);
    old->setParent(this);
    old->deleteLater();
}

void HarbexCtl::RaiseServerMessage(QString text) { raise(HX_EVENT_ServerMessage, {EventArg::refStr(&text)}); }

void HarbexCtl::ActivatePort(int16_t NewPort)
{
    // The error of a step that failed and that Retry did not mend.
    std::optional<platform::RuntimeError> failure;
    platform::guardedSub(QStringLiteral("ActivatePort"), [&](platform::Step &step) {
        auto noted = [&](auto &&work) {
            const std::optional<platform::RuntimeError> before = failure;
            step([&] {
                try {
                    work();
                    failure = before;
                } catch (const platform::RuntimeError &e) {
                    failure = e;
                    throw;
                }
            });
        };
        noted([&] {
            if (WS[0]->State() != sckClosed)
                WS[0]->Close();
        });
        noted([&] {
            RaiseServerMessage((Server ? QStringLiteral("Sermodus") : QStringLiteral("ClientModus"))
                               + QStringLiteral(" auf Port ") + QString::number(NewPort) + QStringLiteral(" aktiviert ..."));
        });
        noted([&] { ActivePort = NewPort; });
        if (Server) {
            noted([&] { WS[0]->setLocalPort(NewPort); });
            noted([&] { WS[0]->Listen(); });
        } else {
            noted([&] { WS[0]->setRemotePort(NewPort); });
            noted([&] { WS[0]->setRemoteHost(RemoteHost); });
            noted([&] { WS[0]->Connect(); });
        }
    });
    if (!failure)
        return;
    // Whether the user left the procedure or went past the failing step, the port asked for is
    // not active. Nothing goes on with a leftover (an earlier port, say), and the caller learns
    // why, so that it need not wait for a peer who cannot come.
    if (WS[0]->State() != sckClosed)
        WS[0]->Close();
    throw *failure;
}

void HarbexCtl::WS_ConnectionRequest(int16_t, int32_t requestID)
{
    Busy busy(this);
    const int16_t n = newClientNumber();
    if (n == 0)
        return; // every number belongs to an open connection: the request is turned away
    LastClientNumber = std::max(LastClientNumber, n);
    if (WS.size() <= static_cast<size_t>(n))
        WS.resize(static_cast<size_t>(n) + 1);
    WS[n] = std::make_unique<Socket>(n, static_cast<SocketEvents *>(this));
    RaiseServerMessage(QStringLiteral("Connection No: ") + QString::number(n) + QStringLiteral(" requested ..."));
    try {
        Socket &socket = *WS[static_cast<size_t>(n)]; // claimed above: nothing else takes or closes it
        socket.setLocalPort(ActivePort);
        socket.Accept(requestID);
        ConnectedClients = platform::toInt16(ConnectedClients + 1LL);
    } catch (const platform::RuntimeError &) {
        retire(n); // the request went away while the host handled the message
        return;
    }
    raise(HX_EVENT_ClientSumChanged, {EventArg::refI2(&ConnectedClients)});
    int16_t number = n;
    raise(HX_EVENT_ClientConnected, {EventArg::refI2(&number)});
}

void HarbexCtl::WS_Connect(int16_t)
{
    Busy busy(this);
    RaiseServerMessage(QStringLiteral("Connected as client ..."));
    raise(HX_EVENT_Connect, {});
}

void HarbexCtl::WS_Close(int16_t index)
{
    Busy busy(this);
    try {
        if (index != 0 || !Server) {
            const Socket *socket = client(index);
            if (socket && socket->State() != sckClosed)
                Disconnect(index);
            RaiseServerMessage(QStringLiteral("Connection to No. ") + QString::number(index) + QStringLiteral(" closed ..."));
        } else {
            const int16_t last = LastClientNumber;
            for (int number = 1; number <= last; ++number) {
                const Socket *socket = client(number);
                if (socket && socket->State() != sckClosed)
                    Disconnect(static_cast<int16_t>(number));
            }
        }
    } catch (const platform::RuntimeError &) {
        // a notification has nobody to report to
    }
}

void HarbexCtl::Disconnect(int16_t ClientNumber)
{
    if (Server) {
        const int first = ClientNumber == 0 ? 1 : ClientNumber;
        const int last = ClientNumber == 0 ? LastClientNumber : ClientNumber;
        for (int number = first; number <= last; ++number) {
            Socket *socket = client(number);
            if (!socket || socket->State() == sckClosed)
                continue;
            socket->Close();
            retire(number);
            ConnectedClients = platform::toInt16(ConnectedClients - 1LL);
            raise(HX_EVENT_ClientSumChanged, {EventArg::refI2(&ConnectedClients)});
            int16_t died = static_cast<int16_t>(number);
            raise(HX_EVENT_ClientDied, {EventArg::refI2(&died)});
        }
    } else if (WS[0]->State() != sckClosed) {
        WS[0]->Close();
        raise(HX_EVENT_ServerClose, {});
    }
}

void HarbexCtl::SendText(int16_t ClientNumber, const QString &SendText)
{
    if (SendText.isEmpty())
        return;
    // The characters are counted in a 16-bit integer.
    if (SendText.size() > std::numeric_limits<int16_t>::max())
        platform::raiseError(platform::ErrOverflow);
    SendBytes(ClientNumber, platform::toAnsi(SendText));
}

void HarbexCtl::waitForPendingSend()
{
    // The previous send ends with its SendComplete; it can also end with its socket closing or
    // failing, after which no SendComplete will come, and as a last resort with the time limit.
    // The wait sleeps in the message loop and is woken by those very events, not by polling;
    // a host sending block after block from SendComplete finds nothing pending, and the timer
    // of the limit is set only when the first round did not end the wait.
    if (!SendPending)
        return; // the common case: nothing to wait for, and no clock to read
    auto pendingAlive = [this] {
        if (m_pendingSocket < 0 || static_cast<size_t>(m_pendingSocket) >= WS.size())
            return false;
        const Socket *socket = WS[static_cast<size_t>(m_pendingSocket)].get();
        return socket && socket->life() == m_pendingLife && socket->State() == sckConnected;
    };
    const QDeadlineTimer deadline(SendWaitLimitMs);
    std::optional<QTimer> limit;
    for (int round = 0; SendPending && pendingAlive() && !deadline.hasExpired(); ++round) {
        if (round == 1) {
            limit.emplace(); // only wakes the loop at the deadline
            limit->setSingleShot(true);
            limit->start(std::max<qint64>(deadline.remainingTime(), 0));
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents | QEventLoop::AllEvents);
    }
    SendPending = false;
}

bool HarbexCtl::sendAtOnce(int16_t ClientNumber, const QByteArray &bytes)
{
    const int number = Server ? ClientNumber : 0;
    if (Server && (SendPending || number < 1))
        return false;
    if (static_cast<size_t>(number) >= WS.size())
        return false;
    Socket *socket = WS[static_cast<size_t>(number)].get();
    if (!socket || socket->State() != sckConnected)
        return false;
    try {
        socket->SendData(bytes);
    } catch (const platform::RuntimeError &) {
        return false; // nothing went out; the guarded way meets the error again and reports it
    }
    if (Server) {
        SendPending = true;
        m_pendingSocket = number;
        m_pendingLife = socket->life();
    }
    return true;
}

void HarbexCtl::SendBytes(int16_t ClientNumber, const QByteArray &SendBytes)
{
    // The bytes may be the host's own memory, read in place. In the common case, one connected
    // peer and no send pending, they are in the socket's buffer before anything else can run.
    if (sendAtOnce(ClientNumber, SendBytes))
        return;
    // Otherwise a copy: the host's handlers run during a wait or an error box, and may change or
    // free their bytes meanwhile.
    const QByteArray bytes(SendBytes.constData(), SendBytes.size());
    platform::guardedSub(QStringLiteral("SendBytes"), [&](platform::Step &step) {
        if (!Server) {
            step([&] { WS[0]->SendData(bytes); });
            return;
        }
        const int first = ClientNumber == 0 ? 1 : ClientNumber;
        const int last = ClientNumber == 0 ? LastClientNumber : ClientNumber;
        for (int number = first; number <= last; ++number) {
            bool open = false;
            quint64 life = 0; // the connection the bytes are meant for
            step([&] {
                const Socket *socket = client(number);
                open = socket && socket->State() != sckClosed;
                life = socket ? socket->life() : 0;
            });
            if (!open)
                continue;
            step([&] { waitForPendingSend(); });
            // Other handlers ran during the wait; the client may have gone meanwhile, and its
            // number may even serve a new connection now. A client whose peer has already closed
            // is skipped too: its bytes could reach nobody.
            step([&] {
                const Socket *socket = client(number);
                open = socket && socket->life() == life && socket->State() == sckConnected;
            });
            if (!open)
                continue;
            step([&] {
                SendPending = true;
                m_pendingSocket = number;
                m_pendingLife = life;
            });
            step([&] {
                if (Socket *socket = client(number))
                    socket->SendData(bytes);
            });
        }
    });
}

void HarbexCtl::WS_SendComplete(int16_t index)
{
    Busy busy(this);
    SendPending = false;
    int16_t number = index;
    raise(HX_EVENT_SendComplete, {EventArg::refI2(&number)});
}

void HarbexCtl::WS_DataArrival(int16_t index, int32_t)
{
    Busy busy(this);
    // The received bytes go straight into the array the host is lent: data arrives often and in
    // blocks of thousands of bytes, so it is copied once, not once per step.
    Socket *socket = static_cast<size_t>(index) < WS.size() ? WS[static_cast<size_t>(index)].get() : nullptr;
    if (!socket)
        return;
    HxVariant bytes = socket->GetData();
    if (bytes.u.bytes.len <= 0) {
        clear(bytes);
        return;
    }
    const int32_t size = bytes.u.bytes.len;
    if (m_sink) {
        // Put together by hand: a formatted print costs as much as converting the whole block.
        static constexpr std::string_view Lead = "Datas from client No. ";
        char prefix[Lead.size() + 8];
        std::memcpy(prefix, Lead.data(), Lead.size());
        char *end = std::to_chars(prefix + Lead.size(), prefix + sizeof prefix - 2, int(index)).ptr;
        *end++ = '>';
        *end++ = ' ';
        HxVariant text = makeTextFromAnsi(prefix, end - prefix, reinterpret_cast<const char *>(bytes.u.bytes.data), size);
        raise(HX_EVENT_ServerMessage, {EventArg::refVar(&text)});
        clear(text); // a status text: nothing reads back what a handler made of it
    }
    int16_t number = index;
    raise(HX_EVENT_DataArrival, {EventArg::refI2(&number), EventArg::i4(size), EventArg::refVar(&bytes)});
    // The echo forwards a client's data, as the host left it, to the other clients; in client
    // mode every send goes to the server, the very sender of these bytes.
    if (EchoOn && Server) {
        const QByteArray echo = bytes.type == HX_BYTES && bytes.u.bytes.data && bytes.u.bytes.len > 0
            ? QByteArray(reinterpret_cast<const char *>(bytes.u.bytes.data), bytes.u.bytes.len)
            : QByteArray();
        const int16_t last = LastClientNumber;
        for (int other = 1; other <= last; ++other)
            if (other != index)
                SendBytes(static_cast<int16_t>(other), echo);
    }
    clear(bytes);
}

void HarbexCtl::WS_Error(int16_t index, int16_t number, QString &description, int32_t scode, const QString &source,
                         const QString &helpFile, int32_t helpContext, int16_t &cancelDisplay)
{
    Busy busy(this);
    int16_t client = index;
    raise(HX_EVENT_Error, {EventArg::refI2(&client), EventArg::i2(number), EventArg::refStr(&description),
                           EventArg::i4(scode), EventArg::str(source), EventArg::str(helpFile),
                           EventArg::i4(helpContext), EventArg::refBool(&cancelDisplay)});
}

HxVariant HarbexCtl::GetDataText(const char *SendedBytes, qsizetype size, int32_t StartPos, int32_t EndPos)
{
    const qint64 first = static_cast<qint64>(StartPos) + 1;
    const qint64 last = EndPos == 0 ? size : static_cast<qint64>(EndPos);
    // The conversion stops at the first position outside the array.
    if (!SendedBytes || first < 1 || first > last || first > size)
        return makeTextFromAnsi("", 0, nullptr, 0);
    const qint64 end = std::min(last, static_cast<qint64>(size));
    // Straight into the host's text: the game turns every received frame into text.
    return makeTextFromAnsi("", 0, SendedBytes + (first - 1), end - first + 1);
}

void HarbexCtl::raise(int32_t eventId, std::initializer_list<EventArg> args)
{
    HxEventSink *sink = m_sink;
    if (!sink || !sink->vtbl || !sink->vtbl->Invoke)
        return;
    // The longest event (Error) has eight arguments; events come often, so nothing is allocated
    // for the argument list itself.
    constexpr size_t MaxArgs = 8;
    const size_t count = std::min(args.size(), MaxArgs);
    std::array<HxVariant, MaxArgs> values;
    std::array<HxVariant, MaxArgs> referenced; // text the control lends by reference
    for (size_t i = 0; i < count; ++i) {
        const EventArg &arg = args.begin()[i];
        HxVariant &v = values[i];
        v = HxVariant{};
        switch (arg.kind) {
        case EventArg::I2: v = makeI2(static_cast<int16_t>(arg.value)); break;
        case EventArg::I4: v = makeI4(arg.value); break;
        case EventArg::Str: v = makeText(*arg.text); break;
        case EventArg::RefI2:
            v.type = HX_I2 | HX_BYREF;
            v.u.pi2 = arg.pi2;
            break;
        case EventArg::RefBool:
            v.type = HX_BOOL | HX_BYREF;
            v.u.pbool = arg.pi2;
            break;
        case EventArg::RefStr:
            referenced[i] = makeText(*arg.ptext);
            v.type = HX_STR | HX_BYREF;
            v.u.pvar = &referenced[i];
            break;
        case EventArg::RefVar:
            v.type = static_cast<uint16_t>(arg.pvar->type | HX_BYREF);
            v.u.pvar = arg.pvar;
            break;
        }
    }
    sink->vtbl->Invoke(sink, eventId, values.data(), static_cast<int32_t>(count));
    for (size_t i = 0; i < count; ++i) {
        const EventArg &arg = args.begin()[i];
        if (arg.kind == EventArg::RefStr) {
            // A handler may have put a new text into the control's variable.
            HxVariant &r = referenced[i];
            if (r.type == HX_STR)
                *arg.ptext = r.u.str.data && r.u.str.len > 0 ? QString::fromUtf8(r.u.str.data, r.u.str.len) : QString();
            clear(r);
        } else if (!(values[i].type & HX_BYREF)) {
            clear(values[i]);
        }
    }
}

} // namespace harbex
