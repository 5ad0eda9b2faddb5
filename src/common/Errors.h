#pragma once
// Run-time errors as the operator sees them in the error log: a number and its description.
// Conversions and index checks throw RuntimeError; the error trap (Trap.h) turns it, or any
// other exception, into a logged "program error <n> in module <where>: <description>".
#include <exception>
#include <QByteArray>
#include <QString>

namespace common {

// The numbers used by this program's own checks.
namespace err {
constexpr int InvalidProcedureCall = 5;
constexpr int Overflow = 6;
constexpr int OutOfMemory = 7;
constexpr int SubscriptOutOfRange = 9;
constexpr int DivisionByZero = 11;
constexpr int TypeMismatch = 13;
constexpr int InternalError = 51;
constexpr int BadFileNameOrNumber = 52;
constexpr int FileNotFound = 53;
constexpr int BadFileMode = 54;
constexpr int FileAlreadyOpen = 55;
constexpr int DeviceIOError = 57;
constexpr int FileAlreadyExists = 58;
constexpr int DiskFull = 61;
constexpr int InputPastEndOfFile = 62;
constexpr int PermissionDenied = 70;
constexpr int PathFileAccessError = 75;
constexpr int PathNotFound = 76;
constexpr int ObjectNotSet = 91;
constexpr int InvalidUseOfNull = 94;
constexpr int InvalidPropertyValue = 380;
} // namespace err

// The standard description of a run-time error number ("Type mismatch" for 13); a generic text
// for numbers without one.
QString errorDescription(int number);

class RuntimeError : public std::exception {
public:
    explicit RuntimeError(int number);
    int number() const noexcept { return number_; }
    QString description() const { return errorDescription(number_); }
    const char* what() const noexcept override { return what_.constData(); }

private:
    int number_;
    QByteArray what_;
};

// The error number for the exception being handled; call only inside a catch block.
// RuntimeError keeps its number; std::bad_alloc is 7, std::out_of_range 9, std::overflow_error
// and std::range_error 6, std::ios_base::failure 57, any other std::exception 5, anything
// else 51.
int currentErrorNumber() noexcept;

} // namespace common
