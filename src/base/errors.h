// Failures are exceptions carrying the runtime's own texts. A window catches
// them at the handler boundary and shows the text in an error box; batch mode
// prints it on standard error.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace zuruza {

// Base of every failure a job reports to the person.
class Error : public std::runtime_error {
 public:
  explicit Error(const std::string& text) : std::runtime_error(text) {}
};

// A text that does not convert: "'%s' is not a valid integer value", ...
class ConversionError : public Error {
 public:
  using Error::Error;
};

// An input/output failure, by the runtime's error code (2 "File not found",
// 101 "Disk full", other codes "I/O error %d").
class IoError : public Error {
 public:
  explicit IoError(int code);
  int code() const { return code_; }

 private:
  int code_;
};

// Runtime I/O codes.
inline constexpr int kFileNotFound = 2;
inline constexpr int kInvalidFilename = 3;
inline constexpr int kTooManyOpenFiles = 4;
inline constexpr int kFileAccessDenied = 5;
inline constexpr int kReadBeyondEnd = 100;
inline constexpr int kDiskFull = 101;
inline constexpr int kInvalidNumericInput = 106;

// The text of an I/O error code.
std::string IoErrorText(int code);

// Codes of the system's own for failures without a runtime text, shown as
// "I/O error %d": a device error (EIO) and a lost network share.
inline constexpr int kDeviceError = 1117;
inline constexpr int kNetworkError = 59;
inline constexpr int kGeneralFailure = 31;

// Maps a POSIX errno to the runtime I/O code a user of this program knows:
// ENOENT 2, ENOTDIR/ENAMETOOLONG/EINVAL 3, EMFILE/ENFILE 4,
// EACCES/EPERM/EROFS/EISDIR/ETXTBSY 5, ENOSPC/EDQUOT 101, EIO 1117, network
// failures 59; any other errno itself, unless it is a number that already
// means something else here (EIO is 5, ENETDOWN 100...): then 31.
int IoCodeFromErrno(int error_number);

// Throws the IoError for a POSIX errno.
[[noreturn]] void ThrowIoErrorFromErrno(int error_number);

[[noreturn]] void ThrowInvalidInteger(std::string_view text);
[[noreturn]] void ThrowInvalidDate(std::string_view text);
[[noreturn]] void ThrowInvalidDateTime(std::string_view text);

}  // namespace zuruza
