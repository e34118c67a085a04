#pragma once
// The toolkit's own texts in the game's language: the buttons of message boxes (Yes, No, Cancel,
// Abort, Retry, Ignore) and the like come from Qt, which speaks English unless its translation is
// loaded. German loads Qt's German translation from the system's translation folder (Debian
// package qt6-translations-l10n); English removes it. Texts shown after the call follow it.
#include <QString>

namespace platform {

// Loads (german) or removes the toolkit's German translation, found in `folder` (Qt's translation
// folder unless given). Without the file the toolkit stays English; the answer is then false.
bool useToolkitLanguage(bool german, const QString &folder = QString());

} // namespace platform
