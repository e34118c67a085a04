#pragma once
// Substring tests on the short line strings of the board model, without allocating. The result
// is the same as asking whether the pattern occurs anywhere in the line: an empty line holds
// nothing, an empty pattern is found in any other line.
#include <QString>

namespace rules::detail {

inline bool lineContains(const QString &line, const QString &pattern)
{
    const qsizetype n = line.size();
    const qsizetype m = pattern.size();
    if (n == 0)
        return false;
    if (m == 0)
        return true;
    if (m > n)
        return false;
    const QChar *h = line.constData();
    const QChar *p = pattern.constData();
    for (qsizetype i = 0; i + m <= n; ++i) {
        qsizetype j = 0;
        while (j < m && h[i + j] == p[j])
            ++j;
        if (j == m)
            return true;
    }
    return false;
}

} // namespace rules::detail
