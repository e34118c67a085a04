#pragma once
// The sections and keys of the settings file, each in the one spelling the program writes it
// with and reads it with. The file matches them without regard to case, so an entry spelled
// "Playername" or "LogFile" in the file is the same one.
#include <QString>

namespace IniKeys {

inline const QString Settings = QStringLiteral("SETTINGS");
inline const QString Language = QStringLiteral("Language");
inline const QString TWOPlayers = QStringLiteral("TWOPlayers");
inline const QString TimeLimit = QStringLiteral("TimeLimit");
inline const QString Sound = QStringLiteral("Sound");
inline const QString LogFile = QStringLiteral("Logfile");
inline const QString P2PColor = QStringLiteral("P2PColor");
inline const QString P2PTimeout = QStringLiteral("P2PTimeout");
inline const QString PlayerName = QStringLiteral("PlayerName");
inline const QString LastIP = QStringLiteral("LastIP");
inline const QString PortRed = QStringLiteral("PortRed");

inline const QString HighScores = QStringLiteral("HIGHSCORES");
// The name and the points of high-score place 1 ... 5.
inline QString Player(int place) { return QStringLiteral("Player") + QString::number(place); }
inline QString Points(int place) { return QStringLiteral("Points") + QString::number(place); }

} // namespace IniKeys
