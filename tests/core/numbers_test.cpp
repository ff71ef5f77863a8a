#include "core/numbers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>

#include "core/errors.h"

namespace zuruza {
namespace {

constexpr std::int64_t kMin64 = std::numeric_limits<std::int64_t>::min();
constexpr std::int64_t kMax64 = std::numeric_limits<std::int64_t>::max();

TEST(Numbers, ParseIntegerTakesSignAndDigitsOnly) {
  struct Row {
    const char* text;
    std::optional<std::int64_t> expected;
  };
  const Row rows[] = {
      {"0", 0},
      {"42", 42},
      {"+12", 12},
      {"-3", -3},
      {"007", 7},
      {"-0", 0},
      {"9223372036854775807", kMax64},
      {"-9223372036854775808", kMin64},
      {"9223372036854775808", std::nullopt},
      {"-9223372036854775809", std::nullopt},
      {"99999999999999999999999", std::nullopt},
      {"", std::nullopt},
      {"+", std::nullopt},
      {"-", std::nullopt},
      {"+-5", std::nullopt},
      {"--5", std::nullopt},
      {" 5", std::nullopt},
      {"5 ", std::nullopt},
      {"1.5", std::nullopt},
      {"0x10", std::nullopt},
      {"$10", std::nullopt},
      {"1e3", std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string("'") + row.text + "'");
    EXPECT_EQ(ParseInteger(row.text), row.expected);
  }
}

TEST(Numbers, StrToIntAcceptsLeadingBlanksAndThirtyTwoBits) {
  struct Row {
    const char* text;
    std::int32_t expected;
  };
  const Row rows[] = {
      {"15", 15},
      {"  15", 15},
      {" -15", -15},
      {"+7", 7},
      {"2147483647", 2147483647},
      {"-2147483648", -2147483647 - 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string("'") + row.text + "'");
    EXPECT_EQ(StrToInt(row.text), row.expected);
  }
}

TEST(Numbers, StrToIntRejectsWithTheOriginalText) {
  const char* rows[] = {"", "   ", "15 ", "1 5", "2147483648", "-2147483649", "abc", "- 5", "1,5"};
  for (const char* text : rows) {
    SCOPED_TRACE(std::string("'") + text + "'");
    try {
      StrToInt(text);
      ADD_FAILURE() << "nothing thrown";
    } catch (const ConversionError& error) {
      EXPECT_EQ(std::string(error.what()), std::string("'") + text + "' is not a valid integer value");
    }
  }
}

TEST(Numbers, FormatFixed12RoundsLikePrintfAndAlignsRight) {
  struct Row {
    double value;
    const char* expected;
  };
  const Row rows[] = {
      {0, "           0"},
      {1234.4, "        1234"},
      {1234.6, "        1235"},
      {0.5, "           0"},
      {1.5, "           2"},
      {2.5, "           2"},
      {-3.7, "          -4"},
      {123456789012.0, "123456789012"},
      {1234567890123.0, "1234567890123"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.value);
    EXPECT_EQ(FormatFixed12(row.value), row.expected);
  }
}

TEST(Numbers, FormatThousandsGroupsWithDots) {
  struct Row {
    double value;
    const char* expected;
  };
  const Row rows[] = {
      {0, "0"},
      {7, "7"},
      {999, "999"},
      {1000, "1.000"},
      {1234567, "1.234.567"},
      {123456, "123.456"},
      {-1234, "-1.234"},
      {-999, "-999"},
      {-0.4, "0"},
      {999.5, "1.000"},
      {1234.4, "1.234"},
      {1e15, "1.000.000.000.000.000"},
      {1e20, "100.000.000.000.000.000.000"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.value);
    EXPECT_EQ(FormatThousands(row.value), row.expected);
  }
}

TEST(Numbers, FormatDefaultRealHasFifteenDigitsAndFourExponentDigits) {
  struct Row {
    double value;
    const char* expected;
  };
  const Row rows[] = {
      {1234567, " 1.23456700000000E+0006"},
      {0, " 0.00000000000000E+0000"},
      {0.5, " 5.00000000000000E-0001"},
      {1, " 1.00000000000000E+0000"},
      {-1234.5, "-1.23450000000000E+0003"},
      {1.0 / 3, " 3.33333333333333E-0001"},
      {2.0 / 3, " 6.66666666666667E-0001"},
      {9.999999999999999, " 1.00000000000000E+0001"},
      {1e300, " 1.00000000000000E+0300"},
      {-2.5e-300, "-2.50000000000000E-0300"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.expected);
    std::string text = FormatDefaultReal(row.value);
    EXPECT_EQ(text, row.expected);
    EXPECT_EQ(text.size(), 23u);
  }
}

TEST(Numbers, FormatIntIsPlainDecimal) {
  EXPECT_EQ(FormatInt(0), "0");
  EXPECT_EQ(FormatInt(1234567), "1234567");
  EXPECT_EQ(FormatInt(-42), "-42");
  EXPECT_EQ(FormatInt(kMin64), "-9223372036854775808");
}

}  // namespace
}  // namespace zuruza
