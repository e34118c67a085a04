#include "platform/Registry.h"

#include "platform/Ansi.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringList>

#include <cstring>
#include <map>
#include <mutex>
#include <optional>

namespace platform {

namespace {

const QString BrowserKey = QStringLiteral("htmlfile\\shell\\open\\command");

// mimeapps.list and desktop entries are small; a larger file is not read at all.
constexpr qint64 KeyFileMaxBytes = 256 * 1024;

// ---- XDG folders ---------------------------------------------------------------------------

QString folderFromEnv(const char *name, const QString &fallback)
{
    const QString value = qEnvironmentVariable(name);
    return !value.isEmpty() && QDir::isAbsolutePath(value) ? value : fallback;
}

QStringList foldersFromEnv(const char *name, const QString &fallback)
{
    QStringList folders;
    for (const QString &folder : qEnvironmentVariable(name).split(QLatin1Char(':'), Qt::SkipEmptyParts))
        if (QDir::isAbsolutePath(folder))
            folders << folder;
    return folders.isEmpty() ? fallback.split(QLatin1Char(':')) : folders;
}

QStringList configFolders()
{
    return QStringList{folderFromEnv("XDG_CONFIG_HOME", QDir::homePath() + QStringLiteral("/.config"))}
           + foldersFromEnv("XDG_CONFIG_DIRS", QStringLiteral("/etc/xdg"));
}

QStringList applicationFolders()
{
    QStringList folders{folderFromEnv("XDG_DATA_HOME", QDir::homePath() + QStringLiteral("/.local/share"))};
    folders += foldersFromEnv("XDG_DATA_DIRS", QStringLiteral("/usr/local/share:/usr/share"));
    for (QString &folder : folders)
        folder += QStringLiteral("/applications");
    return folders;
}

// The association files in the order they take precedence, desktop-specific ones first.
QStringList mimeAppsFiles()
{
    QStringList desktops;
    for (const QString &desktop : qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(QLatin1Char(':'), Qt::SkipEmptyParts))
        if (!desktop.contains(QLatin1Char('/')))
            desktops << desktop.toLower();
    QStringList files;
    for (const QString &folder : configFolders() + applicationFolders()) {
        for (const QString &desktop : desktops)
            files << folder + QLatin1Char('/') + desktop + QStringLiteral("-mimeapps.list");
        files << folder + QStringLiteral("/mimeapps.list");
    }
    return files;
}

// ---- key files (mimeapps.list, desktop entries) ---------------------------------------------

std::optional<QString> keyFileValue(const QString &path, const QString &group, const QString &key)
{
    const QFileInfo info(path);
    if (!info.isFile() || info.size() > KeyFileMaxBytes)
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.read(KeyFileMaxBytes);
    const QString content = QString::fromUtf8(bytes);
    bool inGroup = false;
    for (const QString &rawLine : content.split(QLatin1Char('\n'))) {
        const QString line = rawLine.trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            if (inGroup)
                return std::nullopt;
            inGroup = line == QLatin1Char('[') + group + QLatin1Char(']');
            continue;
        }
        if (!inGroup || line.startsWith(QLatin1Char('#')))
            continue;
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals > 0 && line.left(equals).trimmed() == key)
            return line.mid(equals + 1).trimmed();
    }
    return std::nullopt;
}

// The escapes of a string value (\s \n \t \r \\); they come before the quoting of Exec.
QString unescapeString(const QString &value)
{
    QString out;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c != QLatin1Char('\\') || i + 1 == value.size()) {
            out += c;
            continue;
        }
        const QChar next = value[++i];
        switch (next.unicode()) {
        case 's': out += QLatin1Char(' '); break;
        case 'n': out += QLatin1Char('\n'); break;
        case 't': out += QLatin1Char('\t'); break;
        case 'r': out += QLatin1Char('\r'); break;
        case '\\': out += QLatin1Char('\\'); break;
        default: out += c; out += next; break;
        }
    }
    return out;
}

// Splits an Exec line into program and arguments and drops the field codes (%u, %U, %f, ...),
// which the caller would fill in; "%%" stands for "%".
QStringList execArguments(const QString &exec)
{
    const QString line = unescapeString(exec);
    QStringList arguments;
    QString current;
    bool inToken = false;
    bool inQuote = false;
    bool hadFieldCode = false;
    auto finish = [&] {
        if (inToken && !(current.isEmpty() && hadFieldCode))
            arguments << current;
        current.clear();
        inToken = hadFieldCode = false;
    };
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (inQuote) {
            if (c == QLatin1Char('\\') && i + 1 < line.size()
                && QStringLiteral("\"`$\\").contains(line[i + 1])) {
                current += line[++i];
            } else if (c == QLatin1Char('"')) {
                inQuote = false;
            } else {
                current += c;
            }
        } else if (c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n')) {
            finish();
        } else if (c == QLatin1Char('"')) {
            inQuote = inToken = true;
        } else if (c == QLatin1Char('%')) {
            inToken = true;
            if (i + 1 < line.size() && line[i + 1] == QLatin1Char('%'))
                current += QLatin1Char('%');
            else
                hadFieldCode = true;
            ++i;
        } else {
            current += c;
            inToken = true;
        }
    }
    finish();
    return arguments;
}

// The command line of a desktop entry: its program path in double quotes and its options.
QString desktopEntryCommand(const QString &desktopId)
{
    if (!desktopId.endsWith(QStringLiteral(".desktop")) || desktopId.contains(QLatin1Char('/'))
        || desktopId.startsWith(QLatin1Char('.')))
        return QString();
    for (const QString &folder : applicationFolders()) {
        const QString path = folder + QLatin1Char('/') + desktopId;
        if (!QFileInfo(path).isFile())
            continue;
        const std::optional<QString> exec = keyFileValue(path, QStringLiteral("Desktop Entry"), QStringLiteral("Exec"));
        // A NUL would end the text value early for any reader; such an entry names nothing.
        if (!exec || exec->contains(QChar(0)))
            return QString();
        QStringList arguments = execArguments(*exec);
        if (arguments.isEmpty())
            return QString();
        QString program = arguments.takeFirst();
        if (!program.contains(QLatin1Char('/')))
            program = QStandardPaths::findExecutable(program);
        if (program.isEmpty() || !QDir::isAbsolutePath(program) || program.contains(QLatin1Char('"')))
            return QString();
        QString command = QLatin1Char('"') + program + QLatin1Char('"');
        for (const QString &argument : arguments) {
            const bool quote = argument.isEmpty() || argument.contains(QLatin1Char(' '));
            command += QLatin1Char(' ') + (quote ? QLatin1Char('"') + argument + QLatin1Char('"') : argument);
        }
        return command;
    }
    return QString();
}

// ---- open keys -----------------------------------------------------------------------------

struct Value {
    QString name;
    uint32_t type = REG_SZ;
    QByteArray data;
};

struct Registry {
    std::mutex mutex;
    std::map<RegKey, std::vector<Value>> open;
    RegKey next = 1;
    std::optional<std::vector<RegistryEntry>> entries;
};

Registry &registry()
{
    static Registry instance;
    return instance;
}

bool sameName(const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

std::optional<std::vector<Value>> lookUp(Registry &reg, RegKey root, const QString &subKey)
{
    std::vector<Value> values;
    if (reg.entries) {
        bool exists = false;
        for (const RegistryEntry &entry : *reg.entries) {
            if (entry.root != root || !sameName(entry.subKey, subKey))
                continue;
            exists = true;
            values.push_back({entry.valueName, entry.type, entry.data});
        }
        if (!exists)
            return std::nullopt;
        return values;
    }
    if (root != HKEY_CLASSES_ROOT || !sameName(subKey, BrowserKey))
        return std::nullopt;
    const QString command = desktopBrowserCommand();
    if (command.isEmpty())
        return std::nullopt;
    values.push_back({QString(), REG_SZ, toAnsi(command) + '\0'});
    return values;
}

} // namespace

QString desktopBrowserCommand()
{
    const QStringList files = mimeAppsFiles();
    for (const QString &type : {QStringLiteral("x-scheme-handler/http"), QStringLiteral("text/html")}) {
        for (const QString &file : files) {
            const std::optional<QString> ids = keyFileValue(file, QStringLiteral("Default Applications"), type);
            if (!ids)
                continue;
            for (const QString &id : ids->split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
                const QString command = desktopEntryCommand(id.trimmed());
                if (!command.isEmpty())
                    return command;
            }
        }
    }
    return QString();
}

int32_t regOpenKeyEx(RegKey root, const QString &subKey, uint32_t /*access*/, RegKey &key)
{
    key = 0;
    Registry &reg = registry();
    const std::lock_guard lock(reg.mutex);
    std::optional<std::vector<Value>> values = lookUp(reg, root, subKey);
    if (!values)
        return RegFileNotFound;
    // Handles are small numbers, never 0 and never one of the root keys.
    while (reg.next == 0 || reg.next >= HKEY_CLASSES_ROOT || reg.open.count(reg.next))
        reg.next = reg.next == 0 || reg.next >= HKEY_CLASSES_ROOT ? 1 : reg.next + 1;
    key = reg.next++;
    reg.open[key] = std::move(*values);
    return RegSuccess;
}

int32_t regQueryValueEx(RegKey key, const QString &valueName, uint32_t *type, void *data, uint32_t *dataSize)
{
    Registry &reg = registry();
    const std::lock_guard lock(reg.mutex);
    const auto open = reg.open.find(key);
    if (open == reg.open.end())
        return RegInvalidHandle;
    for (const Value &value : open->second) {
        if (!sameName(value.name, valueName))
            continue;
        if (type)
            *type = value.type;
        const auto size = uint32_t(value.data.size());
        if (!data) {
            if (dataSize)
                *dataSize = size;
            return RegSuccess;
        }
        if (!dataSize)
            return RegInvalidParameter;
        if (*dataSize < size) {
            *dataSize = size;
            return RegMoreData;
        }
        std::memcpy(data, value.data.constData(), size);
        *dataSize = size;
        return RegSuccess;
    }
    return RegFileNotFound;
}

int32_t regCloseKey(RegKey key)
{
    Registry &reg = registry();
    const std::lock_guard lock(reg.mutex);
    return reg.open.erase(key) ? RegSuccess : RegInvalidHandle;
}

void setRegistryEntries(std::vector<RegistryEntry> entries)
{
    Registry &reg = registry();
    const std::lock_guard lock(reg.mutex);
    reg.entries = std::move(entries);
}

void useDesktopRegistry()
{
    Registry &reg = registry();
    const std::lock_guard lock(reg.mutex);
    reg.entries.reset();
}

} // namespace platform
