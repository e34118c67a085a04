#pragma once
// General tools: separator lists kept in one string, text replacement, window centring and
// file existence. Positions and counts are 16-bit as in the original, so a text longer than
// 32767 characters, or a position beyond 32767, raises Overflow (6) to the caller's guard.
#include <QString>
#include <cstdint>

class QWidget;

namespace zeptools {

// Number of items after runs of separators are collapsed to one; at least 1.
int16_t CountItems(const QString &list, const QString &separator);
// Item `index` (1 the first, 0 the last, below 0 as 1); "" when there is no such item.
QString GetItem(const QString &list, const QString &separator, int16_t index);
// Every occurrence of `search` replaced; a replacement is never searched again.
QString ReplaceAll(const QString &text, const QString &search, const QString &replacement);
// `text` overwritten by `replacement` from `position` (1-based) on; may grow the text.
// A position below 1 raises Invalid procedure call (5).
QString ReplaceAt(const QString &text, int16_t position, const QString &replacement);

// Places the window in the middle of its screen (a larger window gets a negative position).
void CenterForm(QWidget *window);
// True when a file (even an empty one) can be found at the path.
bool FileExists(const QString &path);

} // namespace zeptools
