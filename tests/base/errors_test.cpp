#include "base/errors.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace zuruza {
namespace {

TEST(Errors, IoErrorCarriesTheRuntimeText) {
  struct Row {
    int code;
    const char* text;
  };
  const Row rows[] = {
      {2, "File not found"},          {3, "Invalid filename"},          {4, "Too many open files"},
      {5, "File access denied"},      {100, "Read beyond end of file"}, {101, "Disk full"},
      {106, "Invalid numeric input"}, {103, "I/O error 103"},           {-7, "I/O error -7"}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.code);
    IoError error(row.code);
    EXPECT_STREQ(error.what(), row.text);
    EXPECT_EQ(error.code(), row.code);
  }
}

TEST(Errors, ErrnoMapsToRuntimeCodes) {
  struct Row {
    const char* name;
    int error_number;
    int code;
  };
  const Row rows[] = {
    {"ENOENT", ENOENT, 2},
    {"ENOTDIR", ENOTDIR, 3},
    {"ENAMETOOLONG", ENAMETOOLONG, 3},
    {"EINVAL", EINVAL, 3},
    {"EMFILE", EMFILE, 4},
    {"ENFILE", ENFILE, 4},
    {"EACCES", EACCES, 5},
    {"EPERM", EPERM, 5},
    {"EROFS", EROFS, 5},
    {"EISDIR", EISDIR, 5},
    {"ETXTBSY", ETXTBSY, 5},
    {"ENOSPC", ENOSPC, 101},
#if defined(EDQUOT)
    {"EDQUOT", EDQUOT, 101},
#endif
    {"EBUSY", EBUSY, EBUSY},
    // Numbers that would read as another runtime text ("File access denied" for EIO).
    {"EIO", EIO, 1117},
    {"ENETDOWN", ENETDOWN, 59},
    {"ENETUNREACH", ENETUNREACH, 59},
#if defined(ESTALE)
    {"ESTALE", ESTALE, 59},
#endif
    {"ESRCH", ESRCH, 31},
    // 106 on Linux, which would read as "Invalid numeric input"; elsewhere
    // a number of no runtime text, kept as it is.
    {"EISCONN", EISCONN, EISCONN == 106 ? 31 : EISCONN}
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(IoCodeFromErrno(row.error_number), row.code);
  }
  try {
    ThrowIoErrorFromErrno(ENOSPC);
  } catch (const IoError& error) {
    EXPECT_STREQ(error.what(), "Disk full");
  }
}

TEST(Errors, ConversionFailuresQuoteTheTextAsGiven) {
  struct Row {
    const char* name;
    void (*thrower)(std::string_view);
    const char* text;
    const char* message;
  };
  const Row rows[] = {
      {"integer", ThrowInvalidInteger, " 12x ", "' 12x ' is not a valid integer value"},
      {"date", ThrowInvalidDate, "31/02/2024", "'31/02/2024' is not a valid date"},
      {"date and time", ThrowInvalidDateTime, "1/1/2024 25:00",
       "'1/1/2024 25:00' is not a valid date and time"},
      {"percent signs copied", ThrowInvalidDate, "%s%d", "'%s%d' is not a valid date"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    try {
      row.thrower(row.text);
      ADD_FAILURE() << "nothing thrown";
    } catch (const ConversionError& error) {
      EXPECT_STREQ(error.what(), row.message);
    }
  }
}

}  // namespace
}  // namespace zuruza
