#include "game/net/HarbexHost.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QWidget>

#include <cstring>
#include <dlfcn.h>

namespace gamenet {

namespace {
// One handle per library file for the whole run.
void *libraryHandle(const QString &path, QString *error)
{
    static QHash<QString, void *> loaded;
    if (void *h = loaded.value(path))
        return h;
    void *h = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
    if (!h) {
        if (error) {
            const char *why = dlerror();
            *error = why ? QString::fromLocal8Bit(why) : path;
        }
        return nullptr;
    }
    loaded.insert(path, h);
    return h;
}

// The layout data of the window's control: Server is stored as False, nothing else is stored.
int32_t bagRead(HxPropertyBag *, const char *name, HxVariant *value)
{
    if (!name || !value || std::strcmp(name, "Server") != 0)
        return 0;
    value->type = HX_BOOL;
    value->u.boolVal = HX_FALSE_BOOL;
    return 1;
}
int32_t bagWrite(HxPropertyBag *, const char *, const HxVariant *) { return HX_OK; }
const HxPropertyBagVtbl layoutVtbl = {bagRead, bagWrite};

// Views of one event argument, by value or by reference, checked against the expected type.
int16_t *i2Ref(HxVariant &v, int16_t &local)
{
    if (v.type == (HX_I2 | HX_BYREF) && v.u.pi2)
        return v.u.pi2;
    local = v.type == HX_I2 ? v.u.i2 : 0;
    return &local;
}
int32_t i4Value(const HxVariant &v)
{
    if (v.type == HX_I4)
        return v.u.i4;
    if (v.type == (HX_I4 | HX_BYREF) && v.u.pi4)
        return *v.u.pi4;
    if (v.type == HX_I2)
        return v.u.i2;
    return 0;
}
int16_t i2Value(const HxVariant &v)
{
    int16_t local = 0;
    return *i2Ref(const_cast<HxVariant &>(v), local);
}
// The text or bytes variant an argument stands for (the control's own when by reference).
HxVariant *dataVariant(HxVariant &v, uint16_t type)
{
    if (v.type == (type | HX_BYREF))
        return v.u.pvar && v.u.pvar->type == type ? v.u.pvar : nullptr;
    return v.type == type ? &v : nullptr;
}
QByteArray dataOf(HxVariant &v, uint16_t type)
{
    const HxVariant *d = dataVariant(v, type);
    if (!d)
        return QByteArray();
    const char *p = type == HX_STR ? d->u.str.data : reinterpret_cast<const char *>(d->u.bytes.data);
    const int32_t len = type == HX_STR ? d->u.str.len : d->u.bytes.len;
    if (!p || len <= 0)
        return QByteArray();
    return QByteArray(p, len);
}
// Hands a changed text or byte array back to the control's own variable.
void writeBack(HxVariant &v, uint16_t type, const QByteArray &before, const QByteArray &after)
{
    if (after == before || v.type != (type | HX_BYREF) || !v.u.pvar || v.u.pvar->type != type)
        return;
    HxVariant *d = v.u.pvar;
    auto *copy = static_cast<char *>(std::malloc(size_t(after.size()) + 1));
    if (!copy)
        return;
    std::memcpy(copy, after.constData(), size_t(after.size()));
    copy[after.size()] = '\0';
    if (type == HX_STR) {
        std::free(d->u.str.data);
        d->u.str.data = copy;
        d->u.str.len = int32_t(after.size());
    } else {
        std::free(d->u.bytes.data);
        d->u.bytes.data = reinterpret_cast<uint8_t *>(copy);
        d->u.bytes.len = int32_t(after.size());
    }
}
QString textOf(HxVariant &v) { return QString::fromUtf8(dataOf(v, HX_STR)); }
} // namespace

std::unique_ptr<HarbexHost> HarbexHost::create(const QString &programFolder, QWidget *parent, HarbexEvents &events,
                                               QString *error)
{
    const QString path = QDir(programFolder).filePath(QStringLiteral("libHarbex.so"));
    void *lib = libraryHandle(path, error);
    if (!lib)
        return nullptr;
    auto getClassObject = reinterpret_cast<HxDllGetClassObjectFn>(dlsym(lib, "DllGetClassObject"));
    if (!getClassObject) {
        if (error)
            *error = path + QStringLiteral(": DllGetClassObject is missing");
        return nullptr;
    }
    HxClassFactory *factory = nullptr;
    HxControl *ctl = nullptr;
    if (getClassObject(&HX_CLSID_HarbexCtl, &HX_IID_ClassFactory, reinterpret_cast<void **>(&factory)) != HX_OK
        || !factory) {
        if (error)
            *error = QStringLiteral("HarbexLib.HarbexCtl: no class factory");
        return nullptr;
    }
    const int32_t rc = factory->vtbl->CreateInstance(factory, &HX_IID_HarbexCtl, reinterpret_cast<void **>(&ctl));
    factory->vtbl->Release(factory);
    if (rc != HX_OK || !ctl) {
        if (error)
            *error = QStringLiteral("HarbexLib.HarbexCtl: the control cannot be created");
        return nullptr;
    }
    std::unique_ptr<HarbexHost> host(new HarbexHost(ctl, events));
    if (parent) {
        ctl->vtbl->SetParentWindow(ctl, parent);
        if (auto *surface = static_cast<QWidget *>(ctl->vtbl->GetWindow(ctl)))
            surface->hide();
    }
    HxPropertyBag layout{&layoutVtbl};
    ctl->vtbl->ReadProperties(ctl, &layout);
    ctl->vtbl->Advise(ctl, &host->m_sink.base);
    return host;
}

HarbexHost::HarbexHost(HxControl *ctl, HarbexEvents &events) : m_ctl(ctl), m_events(events), m_sink{{nullptr}, this}
{
    static const HxEventSinkVtbl sinkVtbl = {&HarbexHost::sinkInvoke};
    m_sink.base.vtbl = &sinkVtbl;
}

HarbexHost::~HarbexHost()
{
    m_ctl->vtbl->Advise(m_ctl, nullptr);
    m_ctl->vtbl->Release(m_ctl);
}

int32_t HarbexHost::Invoke(int32_t dispId, int32_t flags, const HxVariant *args, int32_t argCount, HxVariant *result,
                           HxError *error)
{
    return m_ctl->vtbl->Invoke(m_ctl, dispId, flags, args, argCount, result, error);
}

void HarbexHost::sinkInvoke(HxEventSink *self, int32_t eventId, HxVariant *args, int32_t count)
{
    dispatch(reinterpret_cast<Sink *>(self)->owner->m_events, eventId, args, count);
}

void HarbexHost::dispatch(HarbexEvents &events, int32_t eventId, HxVariant *args, int32_t count)
{
    // An event with fewer arguments than its kind has is dropped rather than read past its end.
    auto has = [&](int32_t n) { return count >= n && (n == 0 || args); };
    int16_t local = 0;
    switch (eventId) {
    case HX_EVENT_SendComplete:
        if (has(1))
            events.Pelkin_SendComplete(*i2Ref(args[0], local));
        break;
    case HX_EVENT_Error:
        if (has(8)) {
            const QByteArray before = dataOf(args[2], HX_STR);
            QString description = QString::fromUtf8(before);
            int16_t cancelLocal = 0;
            int16_t *cancel = args[7].type == (HX_BOOL | HX_BYREF) && args[7].u.pbool ? args[7].u.pbool : &cancelLocal;
            bool cancelDisplay = *cancel != 0;
            events.Pelkin_Error(*i2Ref(args[0], local), i2Value(args[1]), description, i4Value(args[3]),
                                textOf(args[4]), textOf(args[5]), i4Value(args[6]), cancelDisplay);
            *cancel = cancelDisplay ? HX_TRUE : HX_FALSE_BOOL;
            writeBack(args[2], HX_STR, before, description.toUtf8());
        }
        break;
    case HX_EVENT_ClientSumChanged:
        if (has(1))
            events.Pelkin_ClientSumChanged(*i2Ref(args[0], local));
        break;
    case HX_EVENT_ClientConnected:
        if (has(1))
            events.Pelkin_ClientConnected(*i2Ref(args[0], local));
        break;
    case HX_EVENT_ClientDied:
        if (has(1))
            events.Pelkin_ClientDied(*i2Ref(args[0], local));
        break;
    case HX_EVENT_ServerMessage:
        if (has(1) && events.hearsServerMessages()) {
            const QByteArray before = dataOf(args[0], HX_STR);
            const QString original = QString::fromUtf8(before);
            QString text = original;
            events.Pelkin_ServerMessage(text);
            if (text != original)
                writeBack(args[0], HX_STR, before, text.toUtf8());
        }
        break;
    case HX_EVENT_DataArrival:
        if (has(3)) {
            const QByteArray before = dataOf(args[2], HX_BYTES);
            QByteArray bytes = before;
            events.Pelkin_DataArrival(*i2Ref(args[0], local), i4Value(args[1]), bytes);
            writeBack(args[2], HX_BYTES, before, bytes);
        }
        break;
    case HX_EVENT_Connect: events.Pelkin_Connect(); break;
    case HX_EVENT_ServerClose: events.Pelkin_ServerClose(); break;
    default: break;
    }
}

} // namespace gamenet
