#pragma once
// The picture stores of the game's windows. Each picture is a PNG file that the build makes
// into the "pictures" folder of the program folder; it is loaded once, at first use, and the
// same QPixmap is handed out every time. Copies of a QPixmap share its data and its cacheKey(),
// so a cell "shows the store picture" exactly when its pixmap's cacheKey() equals the store's
// (compare with sameObject); QPixmap::copy() gives a picture of the same look but a new
// identity. A missing or unreadable file gives a null pixmap (nothing is drawn). Needs a
// QGuiApplication; the cache is emptied when the application ends.
#include <QPixmap>
#include <QString>
#include <QStringList>

namespace assets {

// Names of the stores, in the order of their roles.
// Cells: empty, then entering, filled and leaving frames of the falling chip, red then yellow.
inline constexpr const char *MoveChipPictures[7] = {
    "cellEmpty",       "cellRedEnter",     "cellRedFilled",  "cellRedLeave",
    "cellYellowEnter", "cellYellowFilled", "cellYellowLeave"};
// Chips above the board: index 1 red, 2 yellow (0 is the floating chip itself, no store).
inline constexpr const char *ChipPictures[3] = {"", "chipRed", "chipYellow"};
// The red chip turning from face-on (0) to edge-on (5): the computer is thinking.
inline constexpr const char *AnimPictures[6] = {"anim0", "anim1", "anim2", "anim3", "anim4", "anim5"};
// Time bar: in force (green) and not in force (grey); 350 x 12 pixels.
inline constexpr const char *TimeBarEnabled = "timeBarEnabled";
inline constexpr const char *TimeBarDisabled = "timeBarDisabled";
// Title window: the artwork with the German wording (478 x 337) and the English wording that
// covers it (157 x 49); language window: the flags (32 x 32).
inline constexpr const char *TitleGerman = "titleGerman";
inline constexpr const char *TitleEnglish = "titleEnglish";
inline constexpr const char *FlagEnglish = "flagEnglish";
inline constexpr const char *FlagGerman = "flagGerman";
// Info window: the icon (32 x 32) and the background (440 x 320).
inline constexpr const char *InfoIcon = "infoIcon";
inline constexpr const char *InfoBackground = "infoBackground";
// Voice transfer bars (408 x 4): red player's and yellow player's message.
inline constexpr const char *VoiceBars[2] = {"voiceBarRed", "voiceBarYellow"};

// The frame piece for border index 0..29: 0..8 the bottom row from left to right (0 and 8 the
// corners), 9..14 the left edge, 15..20 the right edge, 21 and 22 the top corners (left,
// right), 23..29 the top row over columns 1..7. Empty for any other index.
QString borderPictureName(int index);

// Every picture the build makes.
QStringList pictureNames();

// The folder the pictures are loaded from: set by setPictureFolder, else the "pictures"
// folder beside the program.
QString pictureFolder();
void setPictureFolder(const QString &folder);

// The shared store picture `name` (null when there is no such file).
const QPixmap &picture(const QString &name);
// True when two pixmaps are the same picture object (shared data), not just the same look.
inline bool sameObject(const QPixmap &a, const QPixmap &b) { return !a.isNull() && a.cacheKey() == b.cacheKey(); }

} // namespace assets
