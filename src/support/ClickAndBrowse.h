#pragma once
// Opening a link with the program registered for web pages. The registered command line is
// read from the registry stand-in (platform/Registry.h), which on the desktop answers with the
// default web browser; the program is started directly with the link as its one argument,
// never through a shell. When the lookup names no program, the link goes to `xdg-open` (found
// in PATH) the same way. When no browser can be found or started, nothing is shown.
#include <QString>
#include <QVariant>

#include <cstdint>

namespace ClickAndBrowse {

// Starts the registered browser (else xdg-open) with `target`; does nothing when there is none.
void OpenDocument(const QString &target);
// The value `valueName` of `subKey` under `rootKey` as text; "" when it cannot be read.
QString QueryValue(uint32_t rootKey, const QString &subKey, const QString &valueName);
// Reads a text (REG_SZ) or 32-bit integer (REG_DWORD) value of an open key into `value`;
// returns the registry's result code (0 on success), -1 for a value of any other type.
int32_t QueryValueEx(uint32_t key, const QString &valueName, QVariant &value);
// True when a file (even an empty one) can be found at the path.
bool FileExistsReg(const QString &path);

} // namespace ClickAndBrowse
