#include "game/net/PelkinCalls.h"

#include "game/net/HarbexHost.h"
#include "platform/Ansi.h"
#include "platform/RuntimeError.h"

#include <cstring>

namespace gamenet::pelkin {

namespace {
void invoke(HarbexHost &control, int32_t dispId, const HxVariant *args, int32_t count, HxVariant *result = nullptr)
{
    HxError error{};
    if (control.Invoke(dispId, HX_INVOKE_METHOD, args, count, result, &error) != HX_OK)
        throw platform::RuntimeError(error.number ? error.number : platform::ErrInvalidCall,
                                     QString::fromUtf8(error.description));
}

HxVariant i2(int16_t value)
{
    HxVariant v{};
    v.type = HX_I2;
    v.u.i2 = value;
    return v;
}
} // namespace

void SendBytes(HarbexHost &control, int16_t ClientNumber, const QByteArray &Bytes)
{
    HxVariant args[2] = {i2(ClientNumber), {}};
    args[1].type = HX_BYTES;
    args[1].u.bytes.data = reinterpret_cast<uint8_t *>(const_cast<char *>(Bytes.constData()));
    args[1].u.bytes.len = int32_t(Bytes.size());
    invoke(control, HX_DISPID_SendBytes, args, 2);
}

void Disconnect(HarbexHost &control, int16_t ClientNumber)
{
    const HxVariant arg = i2(ClientNumber);
    invoke(control, HX_DISPID_Disconnect, &arg, 1);
}

QString GetDataText(HarbexHost &control, const QByteArray &SendedBytes)
{
    HxVariant arg{};
    arg.type = HX_BYTES;
    arg.u.bytes.data = reinterpret_cast<uint8_t *>(const_cast<char *>(SendedBytes.constData()));
    arg.u.bytes.len = int32_t(SendedBytes.size());
    HxVariant result{};
    invoke(control, HX_DISPID_GetDataText, &arg, 1, &result);
    QString text;
    if (result.type == HX_STR && result.u.str.data)
        text = QString::fromUtf8(result.u.str.data, result.u.str.len);
    hxVariantClear(&result);
    return text;
}

} // namespace gamenet::pelkin
