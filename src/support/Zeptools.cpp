#include "support/Zeptools.h"

#include "platform/RuntimeError.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace zeptools {

namespace {
// 1-based search from `start` as the runtime did it; 0 when not found. The found
// position is a 16-bit value in the original, so a find beyond 32767 overflows.
int16_t inStr(int start, const QString &text, const QString &search)
{
    if (start > text.size())
        return 0;
    const qsizetype found = text.indexOf(search, start - 1);
    return found < 0 ? 0 : platform::toInt16(found + 1);
}

// Lengths are 16-bit as well: a text beyond 32767 characters overflows wherever its
// separators stand, not only when a find lies past that limit.
void checkLength(const QString &text) { platform::toInt16(text.size()); }

QString collapse(QString list, const QString &separator)
{
    const QString doubled = separator + separator;
    for (;;) {
        const QString next = ReplaceAll(list, doubled, separator);
        if (next.size() == list.size())
            return next;
        list = next;
    }
}

bool isBlank(const QString &text)
{
    for (QChar c : text)
        if (c != QLatin1Char(' '))
            return false;
    return true;
}
} // namespace

QString ReplaceAll(const QString &text, const QString &search, const QString &replacement)
{
    checkLength(text);
    if (search.isEmpty())
        return text;
    QString result = text;
    int16_t position = 1;
    for (;;) {
        const int16_t found = inStr(position, result, search);
        if (found == 0)
            return result;
        result = result.left(found - 1) + replacement + result.mid(found - 1 + search.size());
        position = platform::toInt16(static_cast<long long>(found) + replacement.size());
    }
}

QString ReplaceAt(const QString &text, int16_t position, const QString &replacement)
{
    checkLength(text);
    if (position < 1) // the runtime refuses a negative length for the part before
        platform::raiseError(platform::ErrInvalidCall);
    QString result = position > 1 ? text.left(position - 1) + replacement : replacement;
    const long long after = static_cast<long long>(position) + replacement.size();
    if (after <= text.size())
        result += text.mid(after - 1);
    return result;
}

int16_t CountItems(const QString &list, const QString &separator)
{
    checkLength(list);
    if (separator.isEmpty())
        return 1;
    const QString text = separator + collapse(list, separator);
    int16_t count = 0;
    int16_t position = 1;
    for (;;) {
        const int16_t found = inStr(position, text, separator);
        if (found == 0)
            return count;
        count = platform::toInt16(count + 1);
        position = platform::toInt16(static_cast<long long>(found) + 1);
    }
}

QString GetItem(const QString &list, const QString &separator, int16_t index)
{
    checkLength(list);
    if (separator.isEmpty())
        return index == 1 || index == 0 ? list : QString();
    if (inStr(1, list, separator) == 0) {
        if (index == 1)
            return list;
        if (index >= 2)
            return QString();
    }
    const QString collapsed = collapse(list, separator);
    if (index == 0)
        index = CountItems(collapsed, separator);
    if (isBlank(collapsed))
        return QString();
    if (inStr(1, collapsed, separator) == 0)
        return collapsed;

    const QString text = separator + collapsed;
    int16_t position = 1;
    const int16_t rounds = index < 1 ? 1 : index;
    for (int16_t i = 0; i < rounds; ++i) {
        const int16_t found = inStr(position, text, separator);
        if (found == 0)
            return QString();
        position = platform::toInt16(static_cast<long long>(found) + separator.size());
    }
    const QString rest = text.mid(position - 1);
    if (rest.startsWith(separator))
        return QString();
    const int16_t next = inStr(1, rest, separator);
    return next == 0 ? rest : rest.left(next - 1);
}

void CenterForm(QWidget *window)
{
    QScreen *screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->geometry() : QRect(0, 0, 1024, 768);
    const QSize size = window->frameGeometry().size();
    window->move(area.x() + (area.width() - size.width()) / 2, area.y() + (area.height() - size.height()) / 2);
}

bool FileExists(const QString &path)
{
    if (path.isEmpty())
        return false;
    return QFileInfo(path).isFile();
}

} // namespace zeptools
