#pragma once
// The program folder: where the control library, sounds, help files and pictures lie. Run from
// the build, they sit beside the executable; installed, the executable is in <prefix>/bin and
// its files in <prefix>/lib/ostrel. The library beside the executable tells the two apart.
#include <QString>

namespace platform {

// The program folder for an executable in `executableFolder`.
QString programFolderFor(const QString &executableFolder);
// The program folder of this process (needs a QCoreApplication).
QString programFolder();

} // namespace platform
