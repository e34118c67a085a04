#include "platform/ToolkitLanguage.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QPointer>
#include <QTranslator>

namespace platform {

bool useToolkitLanguage(bool german, const QString &folder)
{
    // One translator for the program, owned by the application and installed at most once.
    static QPointer<QTranslator> installed;
    static QString installedFrom;
    const QString from = folder.isEmpty() ? QLibraryInfo::path(QLibraryInfo::TranslationsPath) : folder;
    if (german && installed && installedFrom == from)
        return true;
    if (installed) {
        QCoreApplication::removeTranslator(installed);
        delete installed.data();
    }
    if (!german)
        return true;
    auto *translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(QStringLiteral("qtbase_de"), from) || !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return false;
    }
    installed = translator;
    installedFrom = from;
    return true;
}

} // namespace platform
