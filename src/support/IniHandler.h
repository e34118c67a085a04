#pragma once
// The settings file Ostrel.ini: reading and writing one key. Sections and keys match without
// regard to case; values come back trimmed of blanks and cut to 255 characters; a missing
// file, section or key reads as "". The file format is that of platform/Profile.h
// (Windows-1252 text, CR LF line ends, other lines left untouched by a write).
#include <QString>
#include <QVariant>

namespace IniHandler {

// Module variables. They are process-wide on purpose: the program has one settings file,
// whose path is set once at start-up before the first read and never changed afterwards.
// Path of the settings file: the program folder followed by "/Ostrel.ini".
inline QString IniPath;
// Scratch holder: ReadIni keeps its character count here; callers park discarded results.
inline QVariant IniResult;

// The stored value of `key` in `section`, or "" when there is none.
QString ReadIni(const QString &section, const QString &key);
// Stores `value` under `key` in `section`; false when the file could not be written.
bool WriteIni(const QString &section, const QString &key, const QString &value);

// Where the settings file of a program folder lives. A folder of its own that the user can
// write (a copy of the game run from there, `portable`) keeps Ostrel.ini beside the program.
// Otherwise, as for an installed or read-only program, the file is
// $XDG_CONFIG_HOME/Ostrel/Ostrel.ini (~/.config when unset); its folder is made, and on
// first use it starts as a copy of the program folder's Ostrel.ini if there is one.
QString settingsPathFor(const QString &programFolder, bool portable = true);

} // namespace IniHandler
