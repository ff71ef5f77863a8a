#include "core/numbers.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>

#include "base/errors.h"

namespace zuruza {
namespace {

TEST(Numbers, ParseIntegerTakesSignAndDigitsOnly) {
  struct Row {
    const char* text;
    std::optional<std::int64_t> expected;
  };
  const Row rows[] = {
      {"42", 42},
      {"+12", 12},
      {"-3", -3},
      {"007", 7},
      {"9223372036854775807", INT64_MAX},
      {"-9223372036854775808", INT64_MIN},
      {"9223372036854775808", std::nullopt},
      {"-9223372036854775809", std::nullopt},
      {"", std::nullopt},
      {"+", std::nullopt},
      {"+-5", std::nullopt},
      {" 5", std::nullopt},
      {"5 ", std::nullopt},
      {"1.5", std::nullopt},
      {"0x10", std::nullopt},
      {"$10", std::nullopt},
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
  const Row rows[] = {{"  15", 15},
                      {" -15", -15},
                      {"+7", 7},
                      {"2147483647", INT32_MAX},
                      {"-2147483648", INT32_MIN}};
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string("'") + row.text + "'");
    EXPECT_EQ(StrToInt(row.text), row.expected);
  }
  for (const char* text : {"", "   ", "15 ", "1 5", "2147483648", "-2147483649", "abc", "- 5"}) {
    SCOPED_TRACE(std::string("'") + text + "'");
    try {
      StrToInt(text);
      ADD_FAILURE() << "nothing thrown";
    } catch (const ConversionError& error) {
      EXPECT_EQ(std::string(error.what()),
                std::string("'") + text + "' is not a valid integer value");
    }
  }
}

TEST(Numbers, FormatsRoundAndLayOutNumbers) {
  struct Row {
    double value;
    const char* fixed12;
    const char* thousands;
  };
  const Row rows[] = {
      {0, "           0", "0"},
      {7, "           7", "7"},
      {999, "         999", "999"},
      {1000, "        1000", "1.000"},
      {1234567, "     1234567", "1.234.567"},
      {-1234, "       -1234", "-1.234"},
      {-0.4, "          -0", "0"},
      {2.5, "           2", "3"},
      {999.5, "        1000", "1.000"},
      {1234.4, "        1234", "1.234"},
      {1234567890123.0, "1234567890123", "1.234.567.890.123"},
      {1e20, "100000000000000000000", "100.000.000.000.000.000.000"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.value);
    EXPECT_EQ(FormatFixed12(row.value), row.fixed12);
    EXPECT_EQ(GroupThousands(row.value), row.thousands);
  }
  EXPECT_EQ(FormatInt(INT64_MIN), "-9223372036854775808");
}

TEST(Numbers, FormatThousandsLinesUpTheOccupancyColumn) {
  struct Row {
    double value;
    const char* expected;
  };
  const Row rows[] = {
      {0, "              0"},
      {1234567, "      1.234.567"},
      {999, "            999"},
      {1000, "          1.000"},
      {123456789012.0, "123.456.789.012"},
      {1234567890123.0, "1.234.567.890.123"},
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
      {1234567, " 1.23456700000000E+0006"}, {0, " 0.00000000000000E+0000"},
      {0.5, " 5.00000000000000E-0001"},     {-1234.5, "-1.23450000000000E+0003"},
      {2.0 / 3, " 6.66666666666667E-0001"}, {9.999999999999999, " 1.00000000000000E+0001"},
      {1e300, " 1.00000000000000E+0300"},   {-2.5e-300, "-2.50000000000000E-0300"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.expected);
    EXPECT_EQ(FormatDefaultReal(row.value), row.expected);
  }
}

}  // namespace
}  // namespace zuruza
