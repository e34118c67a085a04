#pragma once
// The version text the windows show; the network handshake sends the same text.
#include <QString>

namespace gamenet {
inline QString versionText() { return QStringLiteral("Freeware Version 2.98"); }
inline QString productName() { return QStringLiteral("Ostrel"); }
} // namespace gamenet
