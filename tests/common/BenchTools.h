#pragma once
// What the benchmark programs share: the median of their rounds, and the environment a test
// run would give them (offscreen display, the build's program folder) when started by hand.
#include <QByteArray>
#include <QtGlobal>

#include <algorithm>
#include <vector>

namespace benchtools {

inline double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// `programFolder`: the build's program folder, used unless OSTREL_PROGRAM_DIR is set.
inline void useTestEnvironment(const char *programFolder)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("OSTREL_PROGRAM_DIR"))
        qputenv("OSTREL_PROGRAM_DIR", QByteArray(programFolder));
}

} // namespace benchtools
