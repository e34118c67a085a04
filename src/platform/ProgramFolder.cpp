#include "platform/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace platform {

QString programFolderFor(const QString &executableFolder)
{
    const QDir beside(executableFolder);
    if (QFileInfo::exists(beside.filePath(QStringLiteral("libHarbex.so"))))
        return beside.path();
    const QString installed = QDir::cleanPath(beside.filePath(QStringLiteral("../lib/ostrel")));
    return QFileInfo(installed).isDir() ? installed : beside.path();
}

QString programFolder()
{
    return programFolderFor(QCoreApplication::applicationDirPath());
}

} // namespace platform
