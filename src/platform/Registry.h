#pragma once
// A small read-only registry: keys are opened to a numbered handle, values are queried by name
// with their type and size in bytes, and every call answers with a result code (0 = success).
// The only key it knows on the desktop is HKEY_CLASSES_ROOT "htmlfile\shell\open\command",
// whose default value (empty name, REG_SZ) is the command line of the desktop's default web
// browser: the program path in double quotes, then its options. The browser is the first
// desktop entry named for x-scheme-handler/http (else text/html) under [Default Applications]
// in the mimeapps.list files of the XDG config and data folders; its Exec= line gives the
// program (searched in PATH when it has no folder) and options, without field codes such as %u.
// Nothing runs a shell: only files are read. Tests may replace the whole content.
#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

namespace platform {

using RegKey = uint32_t;

constexpr RegKey HKEY_CLASSES_ROOT = 0x80000000u;

constexpr uint32_t REG_SZ = 1;
constexpr uint32_t REG_EXPAND_SZ = 2;
constexpr uint32_t REG_BINARY = 3;
constexpr uint32_t REG_DWORD = 4;

constexpr int32_t RegSuccess = 0;
constexpr int32_t RegFileNotFound = 2;
constexpr int32_t RegInvalidHandle = 6;
constexpr int32_t RegInvalidParameter = 87;
constexpr int32_t RegMoreData = 234;

// Opens `subKey` (backslash separated, any letter case) under a root key; `key` gets the
// handle, or 0 when the key does not exist. The access mask is accepted as given: nothing
// can be written anyway.
int32_t regOpenKeyEx(RegKey root, const QString &subKey, uint32_t access, RegKey &key);
// Reads value `valueName` (empty = the key's default value) of an open key. `type` gets the
// type when not null. With `data` null only `*dataSize` is set to the size in bytes; otherwise
// `*dataSize` is the buffer's size on entry and the bytes copied on return (RegMoreData and the
// size needed when the buffer is too small). REG_SZ data end with a NUL.
int32_t regQueryValueEx(RegKey key, const QString &valueName, uint32_t *type, void *data,
                        uint32_t *dataSize);
int32_t regCloseKey(RegKey key);

// The default browser's command line as the desktop key holds it; "" when none is found.
QString desktopBrowserCommand();

// Replaces the desktop lookup by fixed entries (tests): a key exists when an entry names it.
struct RegistryEntry {
    RegKey root = HKEY_CLASSES_ROOT;
    QString subKey;
    QString valueName;
    uint32_t type = REG_SZ;
    QByteArray data;
};
void setRegistryEntries(std::vector<RegistryEntry> entries);
void useDesktopRegistry();

} // namespace platform
