#pragma once
// What the shell windows need from the support modules and the assets: the settings file,
// opening a link and the pictures. Kept behind this one header so the windows do not care
// where each service lives.
#include <QPixmap>
#include <QString>

namespace gamewindow::services {

// Path of the settings file; set once at start-up before the first read.
void setIniPath(const QString &path);
QString iniPath();
// The trimmed value of the key, "" when the file, section or key is missing.
QString ReadIni(const QString &section, const QString &key);
// Stores one key, leaving the other lines untouched; false when a non-empty value could not be written.
bool WriteIni(const QString &section, const QString &key, const QString &value);

// Opens the address with the desktop's program for web pages.
void OpenDocument(const QString &address);

// The shell's pictures by name: "titleGerman", "titleEnglish", "flagEnglish", "flagGerman",
// "infoIcon", "infoBackground". Never null.
QPixmap picture(const QString &name);

} // namespace gamewindow::services
