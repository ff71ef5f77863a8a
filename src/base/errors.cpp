#include "base/errors.h"

#include <cerrno>

namespace zuruza {

IoError::IoError(int code) : Error(IoErrorText(code)), code_(code) {}

std::string IoErrorText(int code) {
  switch (code) {
    case kFileNotFound:
      return "File not found";
    case kInvalidFilename:
      return "Invalid filename";
    case kTooManyOpenFiles:
      return "Too many open files";
    case kFileAccessDenied:
      return "File access denied";
    case kReadBeyondEnd:
      return "Read beyond end of file";
    case kDiskFull:
      return "Disk full";
    case kInvalidNumericInput:
      return "Invalid numeric input";
    default:
      return "I/O error " + std::to_string(code);
  }
}

int IoCodeFromErrno(int error_number) {
  switch (error_number) {
    case ENOENT:
      return kFileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case EINVAL:
      return kInvalidFilename;
    case EMFILE:
    case ENFILE:
      return kTooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY:
      return kFileAccessDenied;
    case ENOSPC:
#if defined(EDQUOT) && EDQUOT != ENOSPC
    case EDQUOT:
#endif
      return kDiskFull;
    case EIO:
      return kDeviceError;
    case ENETDOWN:
    case ENETUNREACH:
    case ENETRESET:
    case ECONNABORTED:
    case ECONNRESET:
    case ENOTCONN:
    case ETIMEDOUT:
    case EHOSTUNREACH:
#if defined(EHOSTDOWN)  // not every C library names these two
    case EHOSTDOWN:
#endif
#if defined(ESTALE)
    case ESTALE:
#endif
      return kNetworkError;
    default:
      break;
  }
  switch (error_number) {
    case kFileNotFound:
    case kInvalidFilename:
    case kTooManyOpenFiles:
    case kFileAccessDenied:
    case kReadBeyondEnd:
    case kDiskFull:
    case kInvalidNumericInput:
    case kDeviceError:
    case kNetworkError:
      return kGeneralFailure;
    default:
      return error_number;
  }
}

void ThrowIoErrorFromErrno(int error_number) { throw IoError(IoCodeFromErrno(error_number)); }

namespace {

[[noreturn]] void ThrowConversion(std::string_view text, std::string_view what) {
  std::string message;
  message.reserve(text.size() + what.size() + 3);
  message += '\'';
  message += text;
  message += "' ";
  message += what;
  throw ConversionError(message);
}

}  // namespace

void ThrowInvalidInteger(std::string_view text) {
  ThrowConversion(text, "is not a valid integer value");
}
void ThrowInvalidDate(std::string_view text) { ThrowConversion(text, "is not a valid date"); }
void ThrowInvalidDateTime(std::string_view text) {
  ThrowConversion(text, "is not a valid date and time");
}

}  // namespace zuruza
