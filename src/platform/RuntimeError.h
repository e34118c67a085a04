#pragma once
// Run-time errors of the form runtime: a number and the message a user of the original saw.
// They travel as C++ exceptions up to the nearest procedure guard (ErrorGuard.h), which shows
// the common error box.
#include <QString>
#include <cstdint>
#include <exception>

namespace platform {

enum ErrorNumber : int {
    ErrInvalidCall = 5,
    ErrOverflow = 6,
    ErrOutOfMemory = 7,
    ErrSubscript = 9,
    ErrDivisionByZero = 11,
    ErrTypeMismatch = 13,
    ErrBadFileNameOrNumber = 52,
    ErrFileNotFound = 53,
    ErrBadFileMode = 54,
    ErrFileAlreadyOpen = 55,
    ErrDeviceIO = 57,
    ErrFileAlreadyExists = 58,
    ErrDiskFull = 61,
    ErrInputPastEnd = 62,
    ErrTooManyFiles = 67,
    ErrPermissionDenied = 70,
    ErrDiskNotReady = 71,
    ErrPathFileAccess = 75,
    ErrPathNotFound = 76,
    ErrObjectNotSet = 91,
};

// The runtime's standard message for an error number ("Overflow" for 6, ...).
QString errorDescription(int number);

class RuntimeError : public std::exception {
public:
    explicit RuntimeError(int number);
    RuntimeError(int number, QString description);
    int number() const { return m_number; }
    const QString &description() const { return m_description; }
    const char *what() const noexcept override;

private:
    int m_number;
    QString m_description;
    std::string m_what;
};

[[noreturn]] void raiseError(int number);

// A 16-bit integer of the original; a value outside -32768..32767 raises Overflow (6).
int16_t toInt16(long long value);
// A 32-bit integer of the original; a value outside its range raises Overflow (6).
int32_t toInt32(long long value);
// Array access with the runtime's bounds check: an index outside lo..hi raises error 9.
void checkSubscript(long long index, long long lo, long long hi);

} // namespace platform
