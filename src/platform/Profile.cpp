#include "platform/Profile.h"

#include "platform/Ansi.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <optional>
#include <vector>

namespace platform {

namespace {

struct Line {
    qsizetype start = 0;      // first byte
    qsizetype contentEnd = 0; // first byte of the line break (or the end of the file)
    qsizetype end = 0;        // first byte of the next line
};

struct Span {
    qsizetype from = 0;
    qsizetype to = 0;
};

bool isBlank(char c) { return c == ' ' || c == '\t'; }

Span trimmed(const QByteArray &bytes, qsizetype from, qsizetype to)
{
    while (from < to && isBlank(bytes[from]))
        ++from;
    while (to > from && isBlank(bytes[to - 1]))
        --to;
    return {from, to};
}

// First `c` in bytes[from, to), or -1. Searches stay inside their line, so a file of many
// lines costs one pass, not one pass per line.
qsizetype indexIn(const QByteArray &bytes, char c, qsizetype from, qsizetype to)
{
    const qsizetype found = QByteArrayView(bytes.constData() + from, to - from).indexOf(c);
    return found < 0 ? -1 : from + found;
}

QString text(const QByteArray &bytes, Span span)
{
    return fromAnsi(bytes.constData() + span.from, span.to - span.from);
}

std::vector<Line> splitLines(const QByteArray &bytes)
{
    std::vector<Line> lines;
    qsizetype start = 0;
    while (start < bytes.size()) {
        const qsizetype newline = bytes.indexOf('\n', start);
        Line line;
        line.start = start;
        line.end = newline < 0 ? bytes.size() : newline + 1;
        line.contentEnd = newline < 0 ? bytes.size() : newline;
        if (line.contentEnd > start && bytes[line.contentEnd - 1] == '\r')
            --line.contentEnd;
        lines.push_back(line);
        start = line.end;
    }
    return lines;
}

// A section line: the name between "[" and "]", blanks trimmed.
std::optional<QString> sectionName(const QByteArray &bytes, const Line &line)
{
    const Span content = trimmed(bytes, line.start, line.contentEnd);
    if (content.from == content.to || bytes[content.from] != '[')
        return std::nullopt;
    const qsizetype close = indexIn(bytes, ']', content.from + 1, content.to);
    if (close < 0)
        return std::nullopt;
    return text(bytes, trimmed(bytes, content.from + 1, close));
}

struct Entry {
    QString key;
    Span value; // trimmed
    qsizetype afterEquals = 0;
};

std::optional<Entry> entry(const QByteArray &bytes, const Line &line)
{
    const qsizetype equals = indexIn(bytes, '=', line.start, line.contentEnd);
    if (equals < 0)
        return std::nullopt;
    return Entry{text(bytes, trimmed(bytes, line.start, equals)),
                 trimmed(bytes, equals + 1, line.contentEnd), equals + 1};
}

bool sameName(const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

struct Lookup {
    qsizetype sectionLine = -1; // index of the section's header line
    qsizetype lastLine = -1;    // last line of the section that is not blank
    qsizetype keyLine = -1;
    Entry found;
};

// The first section of that name and the first entry of that key in it.
Lookup find(const QByteArray &bytes, const std::vector<Line> &lines, const QString &section,
            const QString &key)
{
    Lookup lookup;
    for (qsizetype i = 0; i < qsizetype(lines.size()); ++i) {
        const Line &line = lines[size_t(i)];
        if (const auto name = sectionName(bytes, line)) {
            if (lookup.sectionLine >= 0)
                break;
            if (sameName(*name, section))
                lookup.sectionLine = lookup.lastLine = i;
            continue;
        }
        if (lookup.sectionLine < 0)
            continue;
        const Span content = trimmed(bytes, line.start, line.contentEnd);
        if (content.from != content.to)
            lookup.lastLine = i;
        if (const auto e = entry(bytes, line); e && sameName(e->key, key)) {
            lookup.keyLine = i;
            lookup.found = *e;
            return lookup;
        }
    }
    return lookup;
}

enum class FileState { Missing, Read, Unreadable };

FileState readProfile(const QString &path, QByteArray &bytes)
{
    bytes.clear();
    if (path.isEmpty())
        return FileState::Unreadable;
    const QFileInfo info(path);
    if (!info.exists())
        return info.isSymLink() ? FileState::Unreadable : FileState::Missing;
    // Only regular files: a folder fails, and a pipe or device would block or never end.
    if (!info.isFile())
        return FileState::Unreadable;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return FileState::Unreadable;
    bytes = file.read(ProfileMaxBytes + 1);
    if (bytes.size() > ProfileMaxBytes || file.error() != QFileDevice::NoError) {
        bytes.clear();
        return FileState::Unreadable;
    }
    return FileState::Read;
}

// What the original call saw was a C string on one line: it ends at a NUL, and a line break
// in it would have started a new line of the file.
QByteArray singleLine(const QString &value)
{
    QByteArray bytes = toAnsi(value);
    const qsizetype nul = bytes.indexOf('\0');
    if (nul >= 0)
        bytes.truncate(nul);
    bytes.replace('\r', ' ').replace('\n', ' ');
    return bytes;
}

} // namespace

int profileGetString(const QString &section, const QString &key, const QString &defaultValue,
                     QString &buffer, int bufferSize, const QString &path)
{
    if (bufferSize > buffer.size())
        bufferSize = int(buffer.size());
    if (bufferSize <= 0)
        return 0;

    QString value = defaultValue;
    QByteArray bytes;
    if (readProfile(path, bytes) == FileState::Read) {
        const std::vector<Line> lines = splitLines(bytes);
        const Lookup lookup = find(bytes, lines, section, key);
        if (lookup.keyLine >= 0)
            value = text(bytes, lookup.found.value);
    }
    const qsizetype nul = value.indexOf(QChar(0));
    if (nul >= 0)
        value.truncate(nul);

    const int count = int(qMin<qsizetype>(value.size(), bufferSize - 1));
    for (int i = 0; i < count; ++i)
        buffer[i] = value[i];
    buffer[count] = QChar(0);
    return count;
}

bool profileWriteString(const QString &section, const QString &key, const QString &value,
                        const QString &path)
{
    QByteArray bytes;
    const FileState state = readProfile(path, bytes);
    if (state == FileState::Unreadable)
        return false;
    if (state == FileState::Read && !QFileInfo(path).isWritable())
        return false;

    const QByteArray keyBytes = singleLine(key);
    const QByteArray valueBytes = singleLine(value);
    const std::vector<Line> lines = splitLines(bytes);
    const Lookup lookup = find(bytes, lines, section, key);

    if (lookup.keyLine >= 0) {
        // Keep the key as it is spelled in the file; replace everything after "=".
        const Line &line = lines[size_t(lookup.keyLine)];
        bytes.replace(lookup.found.afterEquals, line.contentEnd - lookup.found.afterEquals, valueBytes);
    } else {
        QByteArray added;
        qsizetype at = bytes.size();
        if (lookup.sectionLine >= 0) {
            at = lines[size_t(lookup.lastLine)].end;
        } else {
            added = '[' + singleLine(section) + "]\r\n";
        }
        added += keyBytes + '=' + valueBytes + "\r\n";
        if (at == bytes.size() && !bytes.isEmpty() && !bytes.endsWith('\n'))
            added.prepend("\r\n");
        bytes.insert(at, added);
    }

    QSaveFile file(path);
    // A file we may write in a folder we may not: write it in place.
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace platform
