#pragma once
// The one error type of the program: a run-time error with a number, a source
// and a description, as the engine raises it and the windows report it.
#include <cstdint>
#include <stdexcept>
#include <string>

namespace nalo {

// Error numbers used across the program.
namespace err {
inline constexpr int32_t Overflow = 6;
inline constexpr int32_t OutOfMemory = 7;
inline constexpr int32_t SubscriptOutOfRange = 9;
inline constexpr int32_t DivisionByZero = 11;
inline constexpr int32_t TypeMismatch = 13;
inline constexpr int32_t ObjectVariableNotSet = 91;
inline constexpr int32_t InvalidProcedureCall = 5;
inline constexpr int32_t UserDefined = 17;       // "can't perform requested operation"
inline constexpr int32_t FileNotFound = 53;
inline constexpr int32_t BadFileMode = 54;
inline constexpr int32_t DiskFull = 61;
inline constexpr int32_t InputPastEndOfFile = 62;
inline constexpr int32_t BadRecordNumber = 63;
inline constexpr int32_t PermissionDenied = 70;
inline constexpr int32_t DeviceUnavailable = 68;
inline constexpr int32_t PathFileAccessError = 75;
inline constexpr int32_t PathNotFound = 76;
inline constexpr int32_t InvalidPicture = 481;
inline constexpr int32_t ExceptionFilter = 10000;
}  // namespace err

class RuntimeError : public std::runtime_error {
public:
    RuntimeError(int32_t number, std::string source, std::string description)
        : std::runtime_error(description), number_(number), source_(std::move(source)),
          description_(std::move(description)) {}

    int32_t number() const noexcept { return number_; }
    const std::string& source() const noexcept { return source_; }
    const std::string& description() const noexcept { return description_; }

private:
    int32_t number_;
    std::string source_;
    std::string description_;
};

// Raises the error for a failed file operation on `path`, choosing the number from errno.
[[noreturn]] void raiseFileError(const std::string& source, const std::string& path, int errnoValue);

}  // namespace nalo
