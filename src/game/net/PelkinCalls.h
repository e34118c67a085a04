#pragma once
// Typed calls of the network control's methods. An error the control raises comes back as the
// run-time error with its number, so it reaches the caller as any error of the program does.
#include <QByteArray>
#include <QString>

#include <cstdint>

namespace gamenet {

class HarbexHost;

namespace pelkin {
void SendBytes(HarbexHost &control, int16_t ClientNumber, const QByteArray &Bytes);
void Disconnect(HarbexHost &control, int16_t ClientNumber);
QString GetDataText(HarbexHost &control, const QByteArray &SendedBytes);
} // namespace pelkin

} // namespace gamenet
