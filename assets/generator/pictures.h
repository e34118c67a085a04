#pragma once
// Drawing of the game's pictures (board cells, chips, frame, thinking frames, time bar, title,
// flags, info window) as PNG files, and a contact sheet that shows them all with their names.
#include <QString>

namespace assetgen {
// Writes every picture into `folder` and the contact sheet to `sheetPath`; false on failure.
bool writePictures(const QString &folder, const QString &sheetPath);
// The program's icon in every size of IconSizes as ostrel-<size>.png in `folder`.
inline constexpr int IconSizes[] = {16, 24, 32, 48, 64, 128, 256};
bool writeIcons(const QString &folder);
}
