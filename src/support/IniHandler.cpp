#include "support/IniHandler.h"

#include "platform/Profile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <unistd.h>

namespace IniHandler {

namespace {
constexpr int BufferLength = 256;

QString trimBlanksRight(const QString &text)
{
    qsizetype end = text.size();
    while (end > 0 && text[end - 1] == QLatin1Char(' '))
        --end;
    return text.left(end);
}

QString trimBlanksLeft(const QString &text)
{
    qsizetype start = 0;
    while (start < text.size() && text[start] == QLatin1Char(' '))
        ++start;
    return text.mid(start);
}
bool canWrite(const QString &path)
{
    return ::access(QFile::encodeName(path).constData(), W_OK) == 0;
}
} // namespace

QString settingsPathFor(const QString &programFolder, bool portable)
{
    const QString beside = QDir(programFolder).filePath(QStringLiteral("Ostrel.ini"));
    if (portable && canWrite(programFolder) && (!QFileInfo::exists(beside) || canWrite(beside)))
        return beside;
    const QString folder = QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
                               .filePath(QStringLiteral("Ostrel"));
    QDir().mkpath(folder);
    const QString own = QDir(folder).filePath(QStringLiteral("Ostrel.ini"));
    if (!QFileInfo::exists(own) && QFileInfo(beside).isFile() && QFile::copy(beside, own)) {
        // The copy keeps the permissions of a read-only original; the user's own file is writable.
        QFile::setPermissions(own, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    }
    return own;
}

QString ReadIni(const QString &section, const QString &key)
{
    // The profile call fills a buffer of blanks with the value and a NUL; the blanks after the
    // NUL are trimmed away, then the NUL itself.
    QString buffer(BufferLength, QLatin1Char(' '));
    const int count = platform::profileGetString(section, key, QString(), buffer, BufferLength, IniPath);
    IniResult = count;
    QString result;
    if (count > 0) {
        result = trimBlanksLeft(trimBlanksRight(buffer));
        result.chop(1);
    }
    return result;
}

bool WriteIni(const QString &section, const QString &key, const QString &value)
{
    // Any failed write reports False, an empty value included.
    return platform::profileWriteString(section, key, value, IniPath);
}

} // namespace IniHandler
