#include "platform/RuntimeError.h"

#include <limits>

namespace platform {

QString errorDescription(int number)
{
    switch (number) {
    case ErrInvalidCall: return QStringLiteral("Invalid procedure call or argument");
    case ErrOverflow: return QStringLiteral("Overflow");
    case ErrOutOfMemory: return QStringLiteral("Out of memory");
    case ErrSubscript: return QStringLiteral("Subscript out of range");
    case ErrDivisionByZero: return QStringLiteral("Division by zero");
    case ErrTypeMismatch: return QStringLiteral("Type mismatch");
    case ErrBadFileNameOrNumber: return QStringLiteral("Bad file name or number");
    case ErrFileNotFound: return QStringLiteral("File not found");
    case ErrBadFileMode: return QStringLiteral("Bad file mode");
    case ErrFileAlreadyOpen: return QStringLiteral("File already open");
    case ErrDeviceIO: return QStringLiteral("Device I/O error");
    case ErrFileAlreadyExists: return QStringLiteral("File already exists");
    case ErrDiskFull: return QStringLiteral("Disk full");
    case ErrInputPastEnd: return QStringLiteral("Input past end of file");
    case ErrTooManyFiles: return QStringLiteral("Too many files");
    case ErrPermissionDenied: return QStringLiteral("Permission denied");
    case ErrDiskNotReady: return QStringLiteral("Disk not ready");
    case ErrPathFileAccess: return QStringLiteral("Path/File access error");
    case ErrPathNotFound: return QStringLiteral("Path not found");
    case ErrObjectNotSet: return QStringLiteral("Object variable or With block variable not set");
    default: return QStringLiteral("Application-defined or object-defined error");
    }
}

RuntimeError::RuntimeError(int number) : RuntimeError(number, errorDescription(number)) {}

RuntimeError::RuntimeError(int number, QString description)
    : m_number(number), m_description(std::move(description)),
      m_what(QString::number(number).toStdString() + ": " + m_description.toStdString())
{
}

const char *RuntimeError::what() const noexcept { return m_what.c_str(); }

void raiseError(int number) { throw RuntimeError(number); }

int16_t toInt16(long long value)
{
    if (value < std::numeric_limits<int16_t>::min() || value > std::numeric_limits<int16_t>::max())
        raiseError(ErrOverflow);
    return static_cast<int16_t>(value);
}

int32_t toInt32(long long value)
{
    if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max())
        raiseError(ErrOverflow);
    return static_cast<int32_t>(value);
}

void checkSubscript(long long index, long long lo, long long hi)
{
    if (index < lo || index > hi)
        raiseError(ErrSubscript);
}

} // namespace platform
