#include "HxHost.h"

#include <QCoreApplication>
#include <QEvent>
#include <QRandomGenerator>
#include <QTcpServer>
#include <QTest>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>

HxLibrary &HxLibrary::instance()
{
    static HxLibrary lib = [] {
        HxLibrary l;
        l.path = qEnvironmentVariable("OSTREL_PROGRAM_DIR") + QStringLiteral("/libHarbex.so");
        l.handle = dlopen(l.path.toLocal8Bit().constData(), RTLD_NOW | RTLD_LOCAL);
        if (!l.handle)
            qFatal("cannot load %s: %s", qPrintable(l.path), dlerror());
        l.getClassObject = reinterpret_cast<HxDllGetClassObjectFn>(dlsym(l.handle, "DllGetClassObject"));
        l.canUnloadNow = reinterpret_cast<HxDllCanUnloadNowFn>(dlsym(l.handle, "DllCanUnloadNow"));
        l.registerServer = reinterpret_cast<HxDllRegisterServerFn>(dlsym(l.handle, "DllRegisterServer"));
        l.unregisterServer = reinterpret_cast<HxDllUnregisterServerFn>(dlsym(l.handle, "DllUnregisterServer"));
        if (!l.getClassObject || !l.canUnloadNow || !l.registerServer || !l.unregisterServer)
            qFatal("libHarbex.so lacks an entry point");
        return l;
    }();
    return lib;
}

HxArg HxArg::i2(int16_t value)
{
    HxArg a;
    a.v.type = HX_I2;
    a.v.u.i2 = value;
    return a;
}

HxArg HxArg::i4(int32_t value)
{
    HxArg a;
    a.v.type = HX_I4;
    a.v.u.i4 = value;
    return a;
}

HxArg HxArg::boolean(bool value)
{
    HxArg a;
    a.v.type = HX_BOOL;
    a.v.u.boolVal = value ? HX_TRUE : 0;
    return a;
}

HxArg HxArg::text(const QString &value)
{
    HxArg a;
    a.keep = value.toUtf8();
    a.v.type = HX_STR;
    return a;
}

HxArg HxArg::bytes(const QByteArray &value)
{
    HxArg a;
    a.keep = value;
    a.v.type = HX_BYTES;
    return a;
}

HxArg HxArg::empty() { return HxArg(); }

namespace {
// Points the variant at the argument's own buffer (the list may have moved it).
HxVariant bind(HxArg &a)
{
    HxVariant v = a.v;
    if (v.type == HX_STR) {
        v.u.str.data = a.keep.data();
        v.u.str.len = static_cast<int32_t>(a.keep.size());
    } else if (v.type == HX_BYTES) {
        v.u.bytes.data = reinterpret_cast<uint8_t *>(a.keep.data());
        v.u.bytes.len = static_cast<int32_t>(a.keep.size());
    }
    return v;
}

HxVariant value(const HxVariant &v)
{
    if (!(v.type & HX_BYREF))
        return v;
    HxVariant out{};
    out.type = v.type & ~HX_BYREF;
    switch (out.type) {
    case HX_I2: out.u.i2 = *v.u.pi2; break;
    case HX_I4: out.u.i4 = *v.u.pi4; break;
    case HX_BOOL: out.u.boolVal = *v.u.pbool; break;
    default: out = *v.u.pvar; break;
    }
    return out;
}
} // namespace

QString describe(const HxVariant &ref)
{
    const HxVariant v = value(ref);
    switch (v.type) {
    case HX_I2: return QString::number(v.u.i2);
    case HX_I4: return QString::number(v.u.i4);
    case HX_BOOL: return v.u.boolVal ? QStringLiteral("True") : QStringLiteral("False");
    case HX_STR: return QString::fromUtf8(v.u.str.data, v.u.str.len);
    case HX_BYTES: return QStringLiteral("<%1 bytes>").arg(v.u.bytes.len);
    default: return QStringLiteral("<empty>");
    }
}

QByteArray bytesOf(const HxVariant &ref)
{
    const HxVariant v = value(ref);
    if (v.type != HX_BYTES)
        return QByteArray();
    return QByteArray(reinterpret_cast<const char *>(v.u.bytes.data), v.u.bytes.len);
}

HostedControl::HostedControl(std::optional<bool> server, HxPropertyBag *bag, QWidget *parent)
    : m_sink{{nullptr}, this}
{
    static const HxEventSinkVtbl sinkVtbl = {&HostedControl::sinkInvoke};
    m_sink.base.vtbl = &sinkVtbl;
    HxLibrary &lib = HxLibrary::instance();
    HxClassFactory *factory = nullptr;
    if (lib.getClassObject(&HX_CLSID_HarbexCtl, &HX_IID_ClassFactory, reinterpret_cast<void **>(&factory)) != HX_OK)
        qFatal("no class factory");
    if (factory->vtbl->CreateInstance(factory, &HX_IID_HarbexCtl, reinterpret_cast<void **>(&m_ctl)) != HX_OK)
        qFatal("no control");
    factory->vtbl->Release(factory);
    if (parent)
        m_ctl->vtbl->SetParentWindow(m_ctl, parent);
    m_ctl->vtbl->ReadProperties(m_ctl, bag);
    m_ctl->vtbl->Advise(m_ctl, &m_sink.base);
    if (server)
        put(HX_DISPID_Server, HxArg::boolean(*server));
}

HostedControl::~HostedControl() { letGo(); }

void HostedControl::letGo()
{
    if (!m_ctl)
        return;
    m_ctl->vtbl->Advise(m_ctl, nullptr);
    m_ctl->vtbl->Release(m_ctl);
    m_ctl = nullptr;
}

void HostedControl::releaseOnly()
{
    if (!m_ctl)
        return;
    m_ctl->vtbl->Release(m_ctl);
    m_ctl = nullptr;
}

void HostedControl::sinkInvoke(HxEventSink *self, int32_t eventId, HxVariant *args, int32_t count)
{
    auto *host = reinterpret_cast<Sink *>(self)->owner;
    if (!host->record) {
        if (host->onEvent)
            host->onEvent(eventId, args, count);
        return;
    }
    QString line;
    auto arg = [&](int i) { return i < count ? describe(args[i]) : QStringLiteral("<missing>"); };
    switch (eventId) {
    case HX_EVENT_SendComplete: line = QStringLiteral("SendComplete:") + arg(0); break;
    case HX_EVENT_Error:
        line = QStringLiteral("Error:%1:%2:%3").arg(arg(0), arg(1), arg(2));
        if (count == 8 && args[7].type == (HX_BOOL | HX_BYREF))
            *args[7].u.pbool = host->cancelDisplay ? HX_TRUE : 0;
        break;
    case HX_EVENT_ClientSumChanged: line = QStringLiteral("ClientSumChanged:") + arg(0); break;
    case HX_EVENT_ClientConnected: line = QStringLiteral("ClientConnected:") + arg(0); break;
    case HX_EVENT_ClientDied: line = QStringLiteral("ClientDied:") + arg(0); break;
    case HX_EVENT_ServerMessage: line = QStringLiteral("ServerMessage:") + arg(0); break;
    case HX_EVENT_DataArrival:
        line = QStringLiteral("DataArrival:%1:%2").arg(arg(0), arg(1));
        if (count == 3) {
            host->received += bytesOf(args[2]);
            host->arrivalSizes.append(value(args[1]).u.i4);
        }
        break;
    case HX_EVENT_Connect: line = QStringLiteral("Connect"); break;
    case HX_EVENT_ServerClose: line = QStringLiteral("ServerClose"); break;
    default: line = QStringLiteral("Unknown:%1").arg(eventId); break;
    }
    host->events.append(line);
    if (host->inCall)
        host->eventsInsideCalls.append(line);
    if (host->onEvent)
        host->onEvent(eventId, args, count);
}

int HostedControl::call(int32_t dispId, int32_t flags, QList<HxArg> args, HxVariant *result, QString *description)
{
    std::vector<HxVariant> values;
    for (HxArg &a : args)
        values.push_back(bind(a));
    HxError error{};
    const bool outer = !inCall;
    inCall = true;
    const int32_t rc = m_ctl->vtbl->Invoke(m_ctl, dispId, flags, values.data(), static_cast<int32_t>(values.size()),
                                           result, &error);
    if (outer)
        inCall = false;
    if (rc == HX_OK)
        return 0;
    if (description)
        *description = QString::fromUtf8(error.description);
    return rc == HX_E_EXCEPTION ? error.number : -1;
}

void HostedControl::activatePort(int port) { call(HX_DISPID_ActivatePort, HX_INVOKE_METHOD, {HxArg::i2(int16_t(port))}); }

int HostedControl::sendText(int client, const QString &text)
{
    return call(HX_DISPID_SendText, HX_INVOKE_METHOD, {HxArg::i2(int16_t(client)), HxArg::text(text)});
}

int HostedControl::sendBytes(int client, const QByteArray &bytes)
{
    return call(HX_DISPID_SendBytes, HX_INVOKE_METHOD, {HxArg::i2(int16_t(client)), HxArg::bytes(bytes)});
}

int HostedControl::disconnect(int client) { return call(HX_DISPID_Disconnect, HX_INVOKE_METHOD, {HxArg::i2(int16_t(client))}); }

int HostedControl::clientCount()
{
    HxVariant r{};
    call(HX_DISPID_ClientCount, HX_INVOKE_PROPERTYGET, {}, &r);
    return r.type == HX_I2 ? r.u.i2 : -1;
}

QString HostedControl::getDataText(QList<HxArg> args)
{
    HxVariant r{};
    call(HX_DISPID_GetDataText, HX_INVOKE_METHOD, std::move(args), &r);
    const QString text = r.type == HX_STR ? QString::fromUtf8(r.u.str.data, r.u.str.len) : QStringLiteral("<none>");
    hxVariantClear(&r);
    return text;
}

void HostedControl::put(int32_t dispId, HxArg value) { call(dispId, HX_INVOKE_PROPERTYPUT, {std::move(value)}); }

bool HostedControl::getBool(int32_t dispId)
{
    HxVariant r{};
    call(dispId, HX_INVOKE_PROPERTYGET, {}, &r);
    return r.type == HX_BOOL && r.u.boolVal != 0;
}

QString HostedControl::getText(int32_t dispId)
{
    HxVariant r{};
    call(dispId, HX_INVOKE_PROPERTYGET, {}, &r);
    const QString text = describe(r);
    hxVariantClear(&r);
    return text;
}

MemoryBag::MemoryBag() : m_bag{{nullptr}, this}
{
    static const HxPropertyBagVtbl vtbl = {
        [](HxPropertyBag *self, const char *name, HxVariant *out) -> int32_t {
            MemoryBag *bag = reinterpret_cast<Bag *>(self)->owner;
            auto it = bag->stored.find(QString::fromUtf8(name));
            if (it == bag->stored.end())
                return 0;
            HxVariant v = it->v;
            if (v.type == HX_STR) {
                // The library frees what a bag hands over.
                auto *copy = static_cast<char *>(std::malloc(size_t(it->keep.size()) + 1));
                std::memcpy(copy, it->keep.constData(), size_t(it->keep.size()) + 1);
                v.u.str.data = copy;
                v.u.str.len = int32_t(it->keep.size());
            }
            *out = v;
            return 1;
        },
        [](HxPropertyBag *self, const char *name, const HxVariant *value) -> int32_t {
            MemoryBag *bag = reinterpret_cast<Bag *>(self)->owner;
            bag->written.append({QString::fromUtf8(name), describe(*value)});
            HxArg stored;
            if (value->type == HX_STR)
                stored = HxArg::text(QString::fromUtf8(value->u.str.data, value->u.str.len));
            else
                stored.v = *value;
            bag->stored[QString::fromUtf8(name)] = stored;
            return HX_OK;
        }};
    m_bag.base.vtbl = &vtbl;
}

int freePort()
{
    for (;;) {
        const int port = 20000 + int(QRandomGenerator::global()->bounded(12000));
        QTcpServer probe;
        if (probe.listen(QHostAddress::Any, quint16(port)))
            return port;
    }
}

void flushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
