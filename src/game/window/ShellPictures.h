#pragma once
// The pictures of the shell windows: the ones made at build time in the program folder's
// pictures/ folder, or drawn here when that file is missing (tests run outside the program folder).
#include <QPixmap>
#include <QString>

namespace gamewindow {

// By name: "titleGerman", "titleEnglish", "flagEnglish", "flagGerman", "infoIcon",
// "infoBackground". Never null.
QPixmap shellPicture(const QString &name);

} // namespace gamewindow
