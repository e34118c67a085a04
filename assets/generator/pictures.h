#pragma once
// Drawing of the game's pictures (board cells, chips, frame, thinking frames, time bar, title,
// flags, info window) as PNG files, and a contact sheet that shows them all with their names.
#include <QString>

namespace assetgen {
// Writes every picture into `folder` and the contact sheet to `sheetPath`; false on failure.
bool writePictures(const QString &folder, const QString &sheetPath);
}
