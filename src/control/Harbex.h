/* Harbex.h - the published interface of the control library Harbex (libHarbex.so).
 *
 * A host talks to the library through this header only: plain C types and small vtables of our
 * own, in the manner of component libraries. The library exports four functions, looked up with
 * dlsym: DllGetClassObject, DllCanUnloadNow, DllRegisterServer, DllUnregisterServer.
 *
 * Creating a control (all on the user-interface thread, with a QApplication running):
 *     HxClassFactory *f; HxControl *ctl;
 *     DllGetClassObject(&HX_CLSID_HarbexCtl, &HX_IID_ClassFactory, (void **)&f);
 *     f->vtbl->CreateInstance(f, &HX_IID_HarbexCtl, (void **)&ctl);   (initialises the control)
 *     f->vtbl->Release(f);
 *     ctl->vtbl->SetParentWindow(ctl, hostWindow);   (a QWidget *; optional)
 *     ctl->vtbl->ReadProperties(ctl, bag);           (the host's layout data; NULL = defaults)
 *     ctl->vtbl->Advise(ctl, sink);                  (events go to sink->vtbl->Invoke)
 *     ... ctl->vtbl->Invoke(ctl, HX_DISPID_ActivatePort, HX_INVOKE_METHOD, args, 1, NULL, &err);
 *     ctl->vtbl->Release(ctl);                       (destroys it, also when called inside an event)
 *
 * Values travel as HxVariant. Arguments are read (strings and byte arrays copied) during the
 * call; the host keeps ownership. A result holding text or bytes is allocated with malloc and
 * belongs to the host: release it with hxVariantClear. Text is UTF-8; the control itself maps
 * characters to bytes one to one in Windows-1252.
 *
 * Events: the sink receives the event identifier and its arguments in the order of the event.
 * An argument flagged HX_BYREF refers to the control's own variable: numbers and Booleans through
 * a pointer (pi2 / pbool), text and bytes through pvar, an HxVariant the control owns. A handler
 * may change them (for example set *pbool of CancelDisplay to HX_TRUE); to replace text or bytes,
 * free() the old data and store malloc'd data. The control reads them back when the handler returns.
 *
 * Errors: Invoke returns HX_OK or HX_E_EXCEPTION with the run-time error number and its text in
 * HxError (for example 340 for a client number that has no socket, 438 for an unknown member).
 *
 * Registration: DllRegisterServer records the class identifier, the class name and the library's
 * path as one line "{clsid}<TAB>HarbexLib.HarbexCtl<TAB>/path/libHarbex.so" in the file
 * $XDG_CONFIG_HOME/Harbex/registry ($HOME/.config when unset); DllUnregisterServer removes it.
 */
#ifndef HARBEX_H
#define HARBEX_H

#include <stdint.h>
#include <stdlib.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct HxGuid {
    uint32_t data1;
    uint16_t data2;
    uint16_t data3;
    uint8_t data4[8];
} HxGuid;

/* Type library HarbexLib */
static const HxGuid HX_LIBID_HarbexLib = {0x5E2B7D41, 0x9A3D, 0x4F86, {0xB1, 0xC7, 0x2D, 0x84, 0xE6, 0xA0, 0xF5, 0x39}};
/* Class HarbexCtl, class name "HarbexLib.HarbexCtl" */
static const HxGuid HX_CLSID_HarbexCtl = {0xA73D0E92, 0x4C1B, 0x4E57, {0x9D, 0x28, 0x6F, 0x3B, 0x85, 0xC1, 0x4A, 0x07}};
/* Default interface _HarbexCtl (HxControl) */
static const HxGuid HX_IID_HarbexCtl = {0x3C9F61B8, 0xE2A4, 0x47D0, {0x8B, 0x5E, 0x91, 0xC7, 0xD2, 0xF4, 0x0A, 0x6B}};
/* Event interface __HarbexCtl (HxEventSink) */
static const HxGuid HX_IID_HarbexCtlEvents = {0xD81E4A27, 0x6B93, 0x4C0F, {0xA5, 0xD2, 0x7E, 0x60, 0xB9, 0xC3, 0x1F, 0x84}};
/* The class factory interface of this library */
static const HxGuid HX_IID_ClassFactory = {0x1B6F0C3E, 0x52D7, 0x4A19, {0x8E, 0x40, 0x3D, 0x95, 0xA2, 0x6C, 0x71, 0xE8}};

#define HX_PROGID_HarbexCtl "HarbexLib.HarbexCtl"
#define HX_CLSID_HarbexCtl_STRING "{A73D0E92-4C1B-4E57-9D28-6F3B85C14A07}"

/* Dispatch identifiers of _HarbexCtl */
enum {
    HX_DISPID_LocalIP = 0x68030000,       /* property get: String */
    HX_DISPID_LocalHostname = 0x68030001, /* property get: String */
    HX_DISPID_ClientCount = 0x68030002,   /* property get: 16-bit integer */
    HX_DISPID_EchoOn = 0x68030003,        /* property get/put: Boolean */
    HX_DISPID_RemoteHost = 0x68030004,    /* property get: String; put: any value, stored as text */
    HX_DISPID_Server = 0x68030005,        /* property get/put: Boolean */
    HX_DISPID_ActivatePort = 0x60030006,  /* (NewPort I2); a port it cannot open (10013 not permitted,
                                             10048 in use, 380 out of range) comes back as the error
                                             after the control's own box, and nothing is left active */
    HX_DISPID_SendText = 0x60030007,      /* (ClientNumber I2, SendText String) */
    HX_DISPID_SendBytes = 0x60030012,     /* (ClientNumber I2, SendBytes Bytes) */
    HX_DISPID_Disconnect = 0x60030015,    /* (ClientNumber I2) */
    HX_DISPID_GetDataText = 0x60030016    /* (SendedBytes Bytes [, StartPos I4 [, EndPos I4]]) -> String */
};

/* Event identifiers of __HarbexCtl, with their arguments (R = by reference) */
enum {
    HX_EVENT_SendComplete = 1,     /* ClientNumber I2 R */
    HX_EVENT_Error = 2,            /* ClientNumber I2 R, Number I2, Description String R, Scode I4, Source String,
                                      HelpFile String, HelpContext I4, CancelDisplay Bool R */
    HX_EVENT_ClientSumChanged = 3, /* NewClientSum I2 R */
    HX_EVENT_ClientConnected = 4,  /* ClientNumber I2 R */
    HX_EVENT_ClientDied = 5,       /* ClientNumber I2 R */
    HX_EVENT_ServerMessage = 6,    /* msgText String R */
    HX_EVENT_DataArrival = 7,      /* ClientNumber I2 R, bytesTotal I4, SendedBytes Bytes R */
    HX_EVENT_Connect = 8,          /* none */
    HX_EVENT_ServerClose = 9       /* none */
};

/* Status codes */
enum {
    HX_OK = 0,
    HX_FALSE = 1,
    HX_E_FAIL = -1,
    HX_E_NOINTERFACE = -2,
    HX_E_POINTER = -3,
    HX_E_CLASSNOTAVAILABLE = -4,
    HX_E_EXCEPTION = -5
};

#define HX_TRUE ((int16_t)-1)
#define HX_FALSE_BOOL ((int16_t)0)

/* Variant types */
enum {
    HX_EMPTY = 0, /* no value; an omitted optional argument */
    HX_I2 = 2,    /* i2 */
    HX_I4 = 3,    /* i4 */
    HX_STR = 8,   /* str: UTF-8, len bytes (NUL-terminated when the library made it) */
    HX_BOOL = 11, /* boolVal: HX_TRUE or 0 */
    HX_BYTES = 17, /* bytes: len bytes */
    HX_BYREF = 0x4000 /* or'ed with a type: the value lives at pi2 / pi4 / pbool, or pvar for text and bytes */
};

typedef struct HxVariant {
    uint16_t type;
    union {
        int16_t i2;
        int32_t i4;
        int16_t boolVal;
        struct {
            char *data;
            int32_t len;
        } str;
        struct {
            uint8_t *data;
            int32_t len;
        } bytes;
        int16_t *pi2;
        int32_t *pi4;
        int16_t *pbool;
        struct HxVariant *pvar;
    } u;
} HxVariant;

/* Releases text or bytes that the library handed to the host. */
static inline void hxVariantClear(HxVariant *v)
{
    if (v->type == HX_STR)
        free(v->u.str.data);
    else if (v->type == HX_BYTES)
        free(v->u.bytes.data);
    v->type = HX_EMPTY;
    v->u.i4 = 0;
}

/* A run-time error raised by a member of the control. */
typedef struct HxError {
    int32_t number;
    char description[256]; /* UTF-8, NUL-terminated */
} HxError;

/* Invoke flags */
enum { HX_INVOKE_METHOD = 1, HX_INVOKE_PROPERTYGET = 2, HX_INVOKE_PROPERTYPUT = 4 };

/* The host's layout data of one control instance. */
typedef struct HxPropertyBag HxPropertyBag;
typedef struct HxPropertyBagVtbl {
    /* Returns 1 and fills *value when the property is stored (text and bytes malloc'd; the library
       frees them), 0 when it is not (the default applies). */
    int32_t (*Read)(HxPropertyBag *self, const char *name, HxVariant *value);
    /* Stores the property; value is only borrowed for the call. Returns HX_OK. */
    int32_t (*Write)(HxPropertyBag *self, const char *name, const HxVariant *value);
} HxPropertyBagVtbl;
struct HxPropertyBag {
    const HxPropertyBagVtbl *vtbl;
};

/* The host's receiver of the control's events (interface __HarbexCtl). */
typedef struct HxEventSink HxEventSink;
typedef struct HxEventSinkVtbl {
    void (*Invoke)(HxEventSink *self, int32_t eventId, HxVariant *args, int32_t argCount);
} HxEventSinkVtbl;
struct HxEventSink {
    const HxEventSinkVtbl *vtbl;
};

/* A control instance (interface _HarbexCtl plus what a host window needs). */
typedef struct HxControl HxControl;
typedef struct HxControlVtbl {
    int32_t (*QueryInterface)(HxControl *self, const HxGuid *iid, void **object);
    uint32_t (*AddRef)(HxControl *self);
    uint32_t (*Release)(HxControl *self);
    /* Calls a member by dispatch identifier; args in the member's order; result may be NULL. */
    int32_t (*Invoke)(HxControl *self, int32_t dispId, int32_t flags, const HxVariant *args, int32_t argCount,
                      HxVariant *result, HxError *error);
    /* One sink; NULL stops the events. The sink must outlive the control or be removed first. */
    int32_t (*Advise)(HxControl *self, HxEventSink *sink);
    /* parent: a QWidget * of the host window, or NULL. */
    int32_t (*SetParentWindow)(HxControl *self, void *parent);
    /* The control's own QWidget *; it stays 24 x 24 pixels. */
    void *(*GetWindow)(HxControl *self);
    /* Places the control in its parent (pixels); the control keeps its fixed size. */
    int32_t (*SetBounds)(HxControl *self, int32_t left, int32_t top, int32_t width, int32_t height);
    int32_t (*GetBounds)(HxControl *self, int32_t *left, int32_t *top, int32_t *width, int32_t *height);
    /* Stored properties "RemoteHost", "EchoOn", "Server"; values equal to the default are not written. */
    int32_t (*ReadProperties)(HxControl *self, HxPropertyBag *bag);
    int32_t (*WriteProperties)(HxControl *self, HxPropertyBag *bag);
} HxControlVtbl;
struct HxControl {
    const HxControlVtbl *vtbl;
};

typedef struct HxClassFactory HxClassFactory;
typedef struct HxClassFactoryVtbl {
    int32_t (*QueryInterface)(HxClassFactory *self, const HxGuid *iid, void **object);
    uint32_t (*AddRef)(HxClassFactory *self);
    uint32_t (*Release)(HxClassFactory *self);
    int32_t (*CreateInstance)(HxClassFactory *self, const HxGuid *iid, void **object);
    int32_t (*LockServer)(HxClassFactory *self, int32_t lock);
} HxClassFactoryVtbl;
struct HxClassFactory {
    const HxClassFactoryVtbl *vtbl;
};

/* The exported entry points (look them up with dlsym under these names). */
typedef int32_t (*HxDllGetClassObjectFn)(const HxGuid *clsid, const HxGuid *iid, void **object);
typedef int32_t (*HxDllCanUnloadNowFn)(void); /* HX_OK: no instance alive and no lock; else HX_FALSE */
typedef int32_t (*HxDllRegisterServerFn)(void);
typedef int32_t (*HxDllUnregisterServerFn)(void);

#ifdef __cplusplus
}
#endif

#endif /* HARBEX_H */
