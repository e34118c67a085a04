#include "support/ClickAndBrowse.h"

#include "platform/Ansi.h"
#include "platform/Registry.h"
#include "support/IniHandler.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

namespace ClickAndBrowse {

namespace {
// Query value, set value, create subkey, enumerate subkeys, notify, create link.
constexpr uint32_t KeyAllAccess = 0x3F;
} // namespace

void OpenDocument(const QString &target)
{
    const QString command = QueryValue(platform::HKEY_CLASSES_ROOT, QStringLiteral("htmlfile\\shell\\open\\command"), QString());
    // The program path stands in double quotes before the options; the piece before the first
    // quote is empty. The first piece naming an existing file is the program.
    const QStringList pieces = command.split(QLatin1Char('"'));
    for (const QString &piece : pieces) {
        if (!FileExistsReg(piece))
            continue;
        // The command line is the program, a blank and the target: the target is handed over
        // as one argument, without a shell that could read anything into it.
        const QStringList arguments = target.isEmpty() ? QStringList() : QStringList{target};
        qint64 taskNumber = 0;
        if (QProcess::startDetached(piece, arguments, QString(), &taskNumber))
            IniHandler::IniResult = taskNumber;
        return;
    }
    // Many desktops know the browser only through xdg-open; it gets the address as its one
    // argument, without a shell. Nothing at all is shown when it is missing or fails.
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (target.isEmpty() || opener.isEmpty())
        return;
    qint64 taskNumber = 0;
    if (QProcess::startDetached(opener, QStringList{target}, QString(), &taskNumber))
        IniHandler::IniResult = taskNumber;
}

QString QueryValue(uint32_t rootKey, const QString &subKey, const QString &valueName)
{
    platform::RegKey key = 0;
    if (platform::regOpenKeyEx(rootKey, subKey, KeyAllAccess, key) != platform::RegSuccess)
        key = 0;
    QVariant value;
    QueryValueEx(key, valueName, value);
    platform::regCloseKey(key);
    return value.isValid() ? value.toString() : QString();
}

int32_t QueryValueEx(uint32_t key, const QString &valueName, QVariant &value)
{
    uint32_t type = 0;
    uint32_t size = 0;
    int32_t result = platform::regQueryValueEx(key, valueName, &type, nullptr, &size);
    if (result != platform::RegSuccess)
        return result;
    switch (type) {
    case platform::REG_SZ: {
        QByteArray buffer(qsizetype(size), '\0');
        result = platform::regQueryValueEx(key, valueName, nullptr, buffer.data(), &size);
        if (result == platform::RegSuccess) {
            buffer.truncate(qsizetype(size));
            buffer.chop(1); // the terminating NUL
            value = platform::fromAnsi(buffer);
        } else {
            value = QVariant();
        }
        return result;
    }
    case platform::REG_DWORD: {
        int32_t number = 0;
        size = sizeof number;
        result = platform::regQueryValueEx(key, valueName, nullptr, &number, &size);
        if (result == platform::RegSuccess)
            value = number;
        return result;
    }
    default:
        return -1;
    }
}

bool FileExistsReg(const QString &path)
{
    return !path.isEmpty() && QFileInfo(path).isFile();
}

} // namespace ClickAndBrowse
