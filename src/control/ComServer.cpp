// The library's published face: the four entry points, the class factory, the control's vtable
// with its dispatch by identifier, the property bag adapter and the registration file.
#include "control/Harbex.h"
#include "control/HarbexCtl.h"
#include "control/Variant.h"
#include "platform/AppTitle.h"
#include "platform/RuntimeError.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QWidget>
#include <cstring>
#include <dlfcn.h>
#include <new>

#define HX_EXPORT extern "C" __attribute__((visibility("default")))

HX_EXPORT int32_t DllGetClassObject(const HxGuid *clsid, const HxGuid *iid, void **object);
HX_EXPORT int32_t DllCanUnloadNow(void);
HX_EXPORT int32_t DllRegisterServer(void);
HX_EXPORT int32_t DllUnregisterServer(void);

using harbex::HarbexCtl;
using platform::RuntimeError;

namespace {

// The library's own application title, shown in its error boxes.
const struct TitleOfLibrary {
    TitleOfLibrary() { platform::setAppTitle(QStringLiteral("Harbex")); }
} g_title;

bool sameGuid(const HxGuid *a, const HxGuid &b) { return a && std::memcmp(a, &b, sizeof(HxGuid)) == 0; }

HarbexCtl *owner(HxControl *self)
{
    if (!self)
        return nullptr;
    struct Layout {
        HxControl base;
        HarbexCtl *owner;
    };
    return reinterpret_cast<Layout *>(self)->owner;
}

void fillError(HxError *error, int number, const QString &description)
{
    if (!error)
        return;
    error->number = number;
    const QByteArray text = description.toUtf8();
    const size_t n = std::min(static_cast<size_t>(text.size()), sizeof(error->description) - 1);
    std::memcpy(error->description, text.constData(), n);
    error->description[n] = '\0';
}

[[noreturn]] void wrongArguments()
{
    throw RuntimeError(450, QStringLiteral("Wrong number of arguments or invalid property assignment"));
}

[[noreturn]] void noSuchMember()
{
    throw RuntimeError(438, QStringLiteral("Object doesn't support this property or method"));
}

// The host's property bag seen as the control's layout data.
class BagStore : public harbex::PropertyStore {
public:
    explicit BagStore(HxPropertyBag *bag) : m_bag(bag) {}

    QVariant ReadProperty(const QString &name, const QVariant &defaultValue) override
    {
        if (!m_bag || !m_bag->vtbl || !m_bag->vtbl->Read)
            return defaultValue;
        HxVariant value{};
        if (m_bag->vtbl->Read(m_bag, name.toUtf8().constData(), &value) != 1)
            return defaultValue;
        QVariant result = defaultValue;
        try {
            if (defaultValue.typeId() == QMetaType::Bool)
                result = harbex::toBool(value);
            else
                result = harbex::toText(value);
        } catch (const RuntimeError &) {
            // a value of the wrong kind keeps the default
        }
        if (!(value.type & HX_BYREF))
            harbex::clear(value);
        return result;
    }

    void WriteProperty(const QString &name, const QVariant &value, const QVariant &defaultValue) override
    {
        if (!m_bag || !m_bag->vtbl || !m_bag->vtbl->Write || value == defaultValue)
            return;
        HxVariant v = value.typeId() == QMetaType::Bool ? harbex::makeBool(value.toBool()) : harbex::makeText(value.toString());
        m_bag->vtbl->Write(m_bag, name.toUtf8().constData(), &v);
        harbex::clear(v);
    }

private:
    HxPropertyBag *m_bag;
};

void invokeMember(HarbexCtl &ctl, int32_t dispId, int32_t flags, const HxVariant *args, int32_t argCount,
                  HxVariant *result)
{
    if (argCount < 0 || (argCount > 0 && !args))
        wrongArguments();
    const bool put = (flags & HX_INVOKE_PROPERTYPUT) != 0;
    auto need = [&](int count) {
        if (argCount != count)
            wrongArguments();
    };
    auto method = [&](int count) {
        if (put)
            noSuchMember();
        need(count);
    };
    auto give = [&](HxVariant value) {
        if (result)
            *result = value;
        else
            harbex::clear(value);
    };
    switch (dispId) {
    case HX_DISPID_ActivatePort:
        method(1);
        ctl.ActivatePort(harbex::toI2(args[0]));
        return;
    case HX_DISPID_SendText: {
        method(2);
        const int16_t client = harbex::toI2(args[0]);
        ctl.SendText(client, harbex::toText(args[1]));
        return;
    }
    case HX_DISPID_SendBytes: {
        method(2);
        const int16_t client = harbex::toI2(args[0]);
        const std::optional<QByteArray> bytes = harbex::toBytes(args[1]);
        if (!bytes)
            platform::raiseError(platform::ErrTypeMismatch);
        ctl.SendBytes(client, *bytes);
        return;
    }
    case HX_DISPID_Disconnect:
        method(1);
        ctl.Disconnect(harbex::toI2(args[0]));
        return;
    case HX_DISPID_GetDataText: {
        if (put)
            noSuchMember();
        if (argCount < 1 || argCount > 3)
            wrongArguments();
        auto optionalI4 = [&](int i) {
            if (argCount <= i || harbex::plainValue(args[i]).type == HX_EMPTY)
                return int32_t(0);
            return harbex::toI4(args[i]);
        };
        // The host's bytes are only read during the call: no copy of them is needed.
        const HxVariant bytes = harbex::plainValue(args[0]);
        const bool isBytes = bytes.type == HX_BYTES;
        const int32_t startPos = optionalI4(1);
        const int32_t endPos = optionalI4(2);
        const char *data = isBytes ? reinterpret_cast<const char *>(bytes.u.bytes.data) : nullptr;
        const qsizetype size = isBytes && data && bytes.u.bytes.len > 0 ? bytes.u.bytes.len : 0;
        give(HarbexCtl::GetDataText(isBytes ? (data ? data : "") : nullptr, size, startPos, endPos));
        return;
    }
    case HX_DISPID_Server:
        if (put) {
            need(1);
            ctl.setServer(harbex::toBool(args[0]));
        } else {
            need(0);
            give(harbex::makeBool(ctl.server()));
        }
        return;
    case HX_DISPID_RemoteHost:
        if (put) {
            need(1);
            ctl.setRemoteHost(harbex::toText(args[0]));
        } else {
            need(0);
            give(harbex::makeText(ctl.remoteHost()));
        }
        return;
    case HX_DISPID_EchoOn:
        if (put) {
            need(1);
            ctl.setEchoOn(harbex::toBool(args[0]));
        } else {
            need(0);
            give(harbex::makeBool(ctl.echoOn()));
        }
        return;
    case HX_DISPID_ClientCount:
    case HX_DISPID_LocalHostname:
    case HX_DISPID_LocalIP:
        if (put)
            throw RuntimeError(383, QStringLiteral("Property is read-only"));
        need(0);
        if (dispId == HX_DISPID_ClientCount)
            give(harbex::makeI2(ctl.ClientCount()));
        else
            give(harbex::makeText(dispId == HX_DISPID_LocalIP ? ctl.LocalIP() : ctl.LocalHostname()));
        return;
    default: noSuchMember();
    }
}

// --- the control's vtable ---

int32_t ctlQueryInterface(HxControl *self, const HxGuid *iid, void **object)
{
    if (!object)
        return HX_E_POINTER;
    *object = nullptr;
    HarbexCtl *ctl = owner(self);
    if (!ctl)
        return HX_E_POINTER;
    if (!sameGuid(iid, HX_IID_HarbexCtl))
        return HX_E_NOINTERFACE;
    ctl->addRef();
    *object = self;
    return HX_OK;
}

uint32_t ctlAddRef(HxControl *self)
{
    HarbexCtl *ctl = owner(self);
    return ctl ? ctl->addRef() : 0;
}

uint32_t ctlRelease(HxControl *self)
{
    HarbexCtl *ctl = owner(self);
    return ctl ? ctl->release() : 0;
}

int32_t ctlInvoke(HxControl *self, int32_t dispId, int32_t flags, const HxVariant *args, int32_t argCount,
                  HxVariant *result, HxError *error)
{
    HarbexCtl *ctl = owner(self);
    if (!ctl)
        return HX_E_POINTER;
    if (result)
        *result = HxVariant{};
    HarbexCtl::Busy busy(ctl);
    try {
        invokeMember(*ctl, dispId, flags, args, argCount, result);
        return HX_OK;
    } catch (const RuntimeError &e) {
        fillError(error, e.number(), e.description());
    } catch (const std::bad_alloc &) {
        fillError(error, platform::ErrOutOfMemory, platform::errorDescription(platform::ErrOutOfMemory));
    } catch (...) {
        fillError(error, 51, QStringLiteral("Internal error"));
    }
    return HX_E_EXCEPTION;
}

int32_t ctlAdvise(HxControl *self, HxEventSink *sink)
{
    HarbexCtl *ctl = owner(self);
    if (!ctl)
        return HX_E_POINTER;
    ctl->setEventSink(sink);
    return HX_OK;
}

int32_t ctlSetParentWindow(HxControl *self, void *parent)
{
    HarbexCtl *ctl = owner(self);
    if (!ctl)
        return HX_E_POINTER;
    ctl->setParentWindow(static_cast<QWidget *>(parent));
    return HX_OK;
}

void *ctlGetWindow(HxControl *self)
{
    HarbexCtl *ctl = owner(self);
    return ctl ? ctl->surface() : nullptr;
}

int32_t ctlSetBounds(HxControl *self, int32_t left, int32_t top, int32_t width, int32_t height)
{
    HarbexCtl *ctl = owner(self);
    if (!ctl || !ctl->surface())
        return HX_E_POINTER;
    HarbexCtl::Busy busy(ctl);
    ctl->surface()->move(left, top);
    ctl->surface()->resize(std::max(0, width), std::max(0, height));
    ctl->UserControl_Resize();
    return HX_OK;
}

int32_t ctlGetBounds(HxControl *self, int32_t *left, int32_t *top, int32_t *width, int32_t *height)
{
    HarbexCtl *ctl = owner(self);
    if (!ctl || !ctl->surface())
        return HX_E_POINTER;
    const QRect r = ctl->surface()->geometry();
    if (left)
        *left = r.left();
    if (top)
        *top = r.top();
    if (width)
        *width = r.width();
    if (height)
        *height = r.height();
    return HX_OK;
}

int32_t ctlReadProperties(HxControl *self, HxPropertyBag *bag)
{
    HarbexCtl *ctl = owner(self);
    if (!ctl)
        return HX_E_POINTER;
    HarbexCtl::Busy busy(ctl);
    BagStore store(bag);
    ctl->UserControl_ReadProperties(store);
    return HX_OK;
}

int32_t ctlWriteProperties(HxControl *self, HxPropertyBag *bag)
{
    HarbexCtl *ctl = owner(self);
    if (!ctl)
        return HX_E_POINTER;
    if (!bag)
        return HX_E_POINTER;
    HarbexCtl::Busy busy(ctl);
    BagStore store(bag);
    try {
        ctl->UserControl_WriteProperties(store);
    } catch (...) {
        return HX_E_FAIL;
    }
    return HX_OK;
}

const HxControlVtbl g_controlVtbl = {ctlQueryInterface, ctlAddRef,       ctlRelease,     ctlInvoke,
                                     ctlAdvise,         ctlSetParentWindow, ctlGetWindow, ctlSetBounds,
                                     ctlGetBounds,      ctlReadProperties, ctlWriteProperties};

// --- the class factory ---

int g_serverLocks = 0;

int32_t factoryQueryInterface(HxClassFactory *self, const HxGuid *iid, void **object)
{
    if (!object)
        return HX_E_POINTER;
    *object = nullptr;
    if (!sameGuid(iid, HX_IID_ClassFactory))
        return HX_E_NOINTERFACE;
    *object = self;
    return HX_OK;
}

// The factory lives as long as the library; counting it would only keep the library loaded.
uint32_t factoryAddRef(HxClassFactory *) { return 2; }
uint32_t factoryRelease(HxClassFactory *) { return 1; }

int32_t factoryCreateInstance(HxClassFactory *, const HxGuid *iid, void **object)
{
    if (!object)
        return HX_E_POINTER;
    *object = nullptr;
    if (!sameGuid(iid, HX_IID_HarbexCtl))
        return HX_E_NOINTERFACE;
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        return HX_E_FAIL; // a control needs the host's widget application
    try {
        auto *ctl = new HarbexCtl;
        ctl->comInterface()->vtbl = &g_controlVtbl;
        ctl->addRef();
        *object = ctl->comInterface();
        return HX_OK;
    } catch (...) {
        return HX_E_FAIL;
    }
}

int32_t factoryLockServer(HxClassFactory *, int32_t lock)
{
    g_serverLocks += lock ? 1 : (g_serverLocks > 0 ? -1 : 0);
    return HX_OK;
}

const HxClassFactoryVtbl g_factoryVtbl = {factoryQueryInterface, factoryAddRef, factoryRelease, factoryCreateInstance,
                                          factoryLockServer};
HxClassFactory g_factory = {&g_factoryVtbl};

// --- registration ---

QString registryPath()
{
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/Harbex/registry");
}

QString libraryPath()
{
    Dl_info info{};
    if (dladdr(reinterpret_cast<void *>(&DllRegisterServer), &info) && info.dli_fname)
        return QFileInfo(QString::fromLocal8Bit(info.dli_fname)).absoluteFilePath();
    return QString();
}

// Rewrites the registry without this class's line, adding `line` when it is not empty.
bool rewriteRegistry(const QString &line)
{
    const QString path = registryPath();
    QStringList lines;
    QFile in(path);
    if (in.exists()) {
        if (!in.open(QIODevice::ReadOnly))
            return false;
        const QString content = QString::fromUtf8(in.readAll());
        for (const QString &l : content.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            if (!l.startsWith(QLatin1String(HX_CLSID_HarbexCtl_STRING), Qt::CaseInsensitive))
                lines.append(l);
    } else if (line.isEmpty()) {
        return true;
    }
    if (!line.isEmpty())
        lines.append(line);
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    for (const QString &l : lines)
        out.write((l + QLatin1Char('\n')).toUtf8());
    return out.commit();
}

} // namespace

HX_EXPORT int32_t DllGetClassObject(const HxGuid *clsid, const HxGuid *iid, void **object)
{
    if (!object)
        return HX_E_POINTER;
    *object = nullptr;
    if (!sameGuid(clsid, HX_CLSID_HarbexCtl))
        return HX_E_CLASSNOTAVAILABLE;
    return factoryQueryInterface(&g_factory, iid, object);
}

HX_EXPORT int32_t DllCanUnloadNow(void)
{
    return HarbexCtl::liveInstances() == 0 && g_serverLocks == 0 ? HX_OK : HX_FALSE;
}

HX_EXPORT int32_t DllRegisterServer(void)
{
    try {
        const QString path = libraryPath();
        if (path.isEmpty())
            return HX_E_FAIL;
        const QString line = QStringLiteral(HX_CLSID_HarbexCtl_STRING) + QLatin1Char('\t')
            + QStringLiteral(HX_PROGID_HarbexCtl) + QLatin1Char('\t') + path;
        return rewriteRegistry(line) ? HX_OK : HX_E_FAIL;
    } catch (...) {
        return HX_E_FAIL;
    }
}

HX_EXPORT int32_t DllUnregisterServer(void)
{
    try {
        return rewriteRegistry(QString()) ? HX_OK : HX_E_FAIL;
    } catch (...) {
        return HX_E_FAIL;
    }
}
