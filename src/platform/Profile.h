#pragma once
// Profile files: reading and writing one key of an INI-style settings file. A section line
// holds its name in square brackets; each line under it holds a key, "=" and the value.
// Section and key names match without regard to case; values are plain text (no quoting),
// read with blanks and tabs trimmed. The file is Windows-1252 text (one byte per character,
// platform/Ansi.h); new lines end in CR LF, and reading accepts LF alone as well. Writing a
// key replaces only that key's value, or adds the key (and its section) when it is missing;
// every other byte of the file stays as it was. A file larger than ProfileMaxBytes, a folder,
// or a file that cannot be read counts as unreadable: reads give the default, writes fail.
#include <QString>

namespace platform {

// Settings files are a few hundred bytes; anything far beyond is not ours to load.
constexpr qint64 ProfileMaxBytes = 1024 * 1024;

// Looks up `key` in `section` of the file at `path` and copies its value, or `defaultValue`
// when there is none, into the first `bufferSize` characters of `buffer`: at most
// bufferSize - 1 characters followed by a NUL character; the rest of the buffer is left as it
// was. Returns the number of characters copied without the NUL. A value ends at a NUL byte.
int profileGetString(const QString &section, const QString &key, const QString &defaultValue,
                     QString &buffer, int bufferSize, const QString &path);

// Stores `value` under `key` in `section` of the file at `path`, creating the file, the
// section and the key as needed. A key already present in another letter case keeps its
// spelling and gets the new value. The value is written as given (leading blanks included);
// line breaks in a name or value become blanks and a NUL ends it, so a write can never add a
// line. Returns false, leaving the file untouched, when the file cannot be read or written.
bool profileWriteString(const QString &section, const QString &key, const QString &value,
                        const QString &path);

} // namespace platform
