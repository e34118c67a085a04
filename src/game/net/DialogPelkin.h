#pragma once
// The few calls the connection dialog and the own-address window make on the session's
// control Pelkin, by dispatch identifier. Without a control (library not loaded) they do nothing
// and read as empty; a failure the control reports is its own to show, so results are ignored,
// but for whether a port could be opened.
#include "game/net/HarbexHost.h"

#include <QByteArray>
#include <QString>

namespace gamenet::dialogpelkin {

inline void put(HarbexHost *pelkin, int32_t dispId, const HxVariant &value)
{
    if (!pelkin)
        return;
    HxError error{};
    pelkin->Invoke(dispId, HX_INVOKE_PROPERTYPUT, &value, 1, nullptr, &error);
}

inline void putBool(HarbexHost *pelkin, int32_t dispId, bool on)
{
    HxVariant v{};
    v.type = HX_BOOL;
    v.u.boolVal = on ? HX_TRUE : HX_FALSE_BOOL;
    put(pelkin, dispId, v);
}

inline void putText(HarbexHost *pelkin, int32_t dispId, const QString &text)
{
    QByteArray utf8 = text.toUtf8();
    HxVariant v{};
    v.type = HX_STR;
    v.u.str.data = utf8.data();
    v.u.str.len = int32_t(utf8.size());
    put(pelkin, dispId, v);
}

inline void callI2(HarbexHost *pelkin, int32_t dispId, int16_t argument)
{
    if (!pelkin)
        return;
    HxVariant v{};
    v.type = HX_I2;
    v.u.i2 = argument;
    HxError error{};
    pelkin->Invoke(dispId, HX_INVOKE_METHOD, &v, 1, nullptr, &error);
}

// ActivatePort; false when the control could not open the port, which its own box has shown.
inline bool activatePort(HarbexHost *pelkin, int16_t port)
{
    if (!pelkin)
        return true;
    HxVariant v{};
    v.type = HX_I2;
    v.u.i2 = port;
    HxError error{};
    return pelkin->Invoke(HX_DISPID_ActivatePort, HX_INVOKE_METHOD, &v, 1, nullptr, &error) == HX_OK;
}

inline QString getText(HarbexHost *pelkin, int32_t dispId)
{
    if (!pelkin)
        return QString();
    HxVariant result{};
    HxError error{};
    QString text;
    if (pelkin->Invoke(dispId, HX_INVOKE_PROPERTYGET, nullptr, 0, &result, &error) == HX_OK && result.type == HX_STR
        && result.u.str.data && result.u.str.len > 0)
        text = QString::fromUtf8(result.u.str.data, result.u.str.len);
    hxVariantClear(&result);
    return text;
}

} // namespace gamenet::dialogpelkin
