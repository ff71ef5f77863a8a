#include "core/dates.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "base/errors.h"

namespace zuruza {
namespace {

LocaleFormats Formats(std::string short_date, char date_separator,
                      std::string long_time = "hh:nn:ss", char time_separator = ':') {
  return LocaleFormats{std::move(short_date), date_separator, std::move(long_time), time_separator};
}

CivilDateTime At(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
  return CivilDateTime{CivilDate{year, month, day}, hour, minute, second};
}

// Runs the call and checks it throws ConversionError with exactly `message`.
template <typename Call>
void ExpectConversionError(Call call, const std::string& message) {
  try {
    call();
    ADD_FAILURE() << "nothing thrown";
  } catch (const ConversionError& error) {
    EXPECT_EQ(error.what(), message);
  }
}

TEST(Dates, ValidDatesFollowTheGregorianCalendarFromYearOneTo9999) {
  struct Row {
    const char* name;
    CivilDate date;
    bool valid;
  };
  const Row rows[] = {
      {"leap day", {2024, 2, 29}, true},
      {"not leap", {2023, 2, 29}, false},
      {"century not leap", {1900, 2, 29}, false},
      {"400 years leap", {2000, 2, 29}, true},
      {"april 31", {2024, 4, 31}, false},
      {"day zero", {2024, 5, 0}, false},
      {"month 13", {2024, 13, 1}, false},
      {"year one", {1, 1, 1}, true},
      {"year zero", {0, 1, 1}, false},
      {"year 10000", {10000, 1, 1}, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(IsValidDate(row.date), row.valid);
  }
  EXPECT_EQ(DaysInMonth(2023, 12), 31);
  EXPECT_EQ(DaysInMonth(2023, 13), 0);
}

TEST(Dates, DayNumbersCountFrom1970) {
  struct Row {
    CivilDate date;
    std::int64_t days;
  };
  const Row rows[] = {{{1970, 1, 1}, 0},        {{1969, 12, 31}, -1}, {{2000, 3, 1}, 11017},
                      {{1899, 12, 30}, -25569}, {{1, 1, 1}, -719162}, {{9999, 12, 31}, 2932896}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.days);
    EXPECT_EQ(DaysFromCivil(row.date), row.days);
    EXPECT_EQ(CivilFromDays(row.days), row.date);
  }
  // Every day of a few centuries goes there and back, each after the one before.
  for (std::int64_t days = DaysFromCivil({1890, 1, 1}); days < DaysFromCivil({2110, 1, 1});
       ++days) {
    CivilDate date = CivilFromDays(days);
    ASSERT_TRUE(IsValidDate(date)) << days;
    ASSERT_EQ(DaysFromCivil(date), days);
    ASSERT_LT(date, CivilFromDays(days + 1)) << days;
  }
}

TEST(Dates, FormattingFollowsTheFormatLetters) {
  struct Row {
    const char* name;
    LocaleFormats formats;
    CivilDateTime when;
    const char* expected;
  };
  const Row rows[] = {
      {"default", LocaleFormats{}, At(2024, 3, 5, 7, 5, 9), "05/03/2024 07:05:09"},
      {"unpadded", Formats("d/m/yyyy", '/', "h:n:s"), At(2024, 3, 5, 7, 5, 9), "5/3/2024 7:5:9"},
      {"unpadded two digits", Formats("d/m/yyyy", '/', "h:n:s"), At(2024, 11, 25, 17, 45, 59),
       "25/11/2024 17:45:59"},
      {"two digit year", Formats("dd/mm/yy", '/'), At(2007, 3, 5, 1), "05/03/07 01:00:00"},
      {"separators replace slash and colon", Formats("dd/mm/yyyy", '-', "hh:nn:ss", '.'),
       At(2024, 3, 5, 23, 0, 1), "05-03-2024 23.00.01"},
      {"other characters literal", Formats("yyyy.mm.dd", '/', "hh nn~ss"), At(2024, 3, 5, 9, 30, 5),
       "2024.03.05 09 30~05"},
      {"uppercase letters", Formats("MM/DD/YYYY", '/', "HH:NN"), At(2024, 3, 5, 9, 30),
       "03/05/2024 09:30"},
      {"small year padded", LocaleFormats{}, At(33, 1, 2), "02/01/0033"},
      {"midnight leaves the time out", LocaleFormats{}, At(2024, 3, 5), "05/03/2024"},
      {"a second past midnight", LocaleFormats{}, At(2024, 3, 5, 0, 0, 1), "05/03/2024 00:00:01"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(FormatDateTime(row.when, row.formats), row.expected);
  }
}

TEST(Dates, ParseDateReadsNumbersInTheFormatsOrder) {
  struct Row {
    const char* text;
    LocaleFormats formats;
    CivilDate expected;
  };
  const LocaleFormats dmy, mdy = Formats("m/d/yy", '/'), ymd = Formats("yyyy/mm/dd", '-');
  const Row rows[] = {
      {"05/03/2024", dmy, {2024, 3, 5}}, {"  5/3/2024", dmy, {2024, 3, 5}},
      {"5/3/2024/ ", dmy, {2024, 3, 5}}, {"5/3/24", dmy, {2024, 3, 5}},
      {"5/3/99", dmy, {2099, 3, 5}},     {"5/3/0099", dmy, {2099, 3, 5}},
      {"5/3/100", dmy, {100, 3, 5}},     {"5/3", dmy, {2031, 3, 5}},
      {"5/3/", dmy, {2031, 3, 5}},       {"3/5/2024", mdy, {2024, 3, 5}},
      {"3/5", mdy, {2031, 3, 5}},        {"24-3-5", ymd, {2024, 3, 5}},
      {"3-5", ymd, {2031, 3, 5}},        {"3/5/2024", Formats("--", '/'), {2024, 3, 5}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string("'") + row.text + "' as " + row.formats.short_date);
    EXPECT_EQ(ParseDate(row.text, row.formats, 2031), row.expected);
  }
  EXPECT_EQ(ParseDate("1/2/5", dmy, 1999), (CivilDate{1905, 2, 1}));
}

TEST(Dates, ParseDateRejectsAnythingElse) {
  for (const char* text :
       {"", "   ", "5", "/5/3", "5//3", "5/3//", "5/3/2024x", "5-3-2024", "5 /3/2024", "5/3/ 2024",
        "31/4/2024", "29/2/2023", "0/3/2024", "5/13/2024", "5/3/10000", "5/3/2024 10:00",
        "5/3/2024/1", "99999999999999/3/2024", "-5/3/2024"}) {
    SCOPED_TRACE(std::string("'") + text + "'");
    ExpectConversionError([&] { ParseDate(text, LocaleFormats{}, 2024); },
                          std::string("'") + text + "' is not a valid date");
  }
}

TEST(Dates, ParseDateTimeReadsAnOptionalTime) {
  struct Row {
    const char* text;
    LocaleFormats formats;
    CivilDateTime expected;
  };
  const LocaleFormats dmy, dotted = Formats("dd/mm/yyyy", '-', "hh.nn.ss", '.');
  const Row rows[] = {
      {"5/3/2024  ", dmy, At(2024, 3, 5)},
      {"5/3/2024 10:30", dmy, At(2024, 3, 5, 10, 30)},
      {"  5/3/2024   7:05:09  ", dmy, At(2024, 3, 5, 7, 5, 9)},
      {"5/3/2024/ 23:59:59", dmy, At(2024, 3, 5, 23, 59, 59)},
      {"5/3 0:0", dmy, At(2031, 3, 5)},
      {"5-3-2024 10.30.01", dotted, At(2024, 3, 5, 10, 30, 1)},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string("'") + row.text + "'");
    EXPECT_EQ(ParseDateTime(row.text, row.formats, 2031), row.expected);
  }
  for (const char* text :
       {"", "31/2/2024 10:00", "5/3/2024 24:00", "5/3/2024 10:60", "5/3/2024 10:30:60",
        "5/3/2024 10", "5/3/2024 10:", "5/3/2024 10:30:00:00", "5/3/2024 10.30", "5/3/2024/10:30",
        "5/3/2024 10 :30", "10:30"}) {
    SCOPED_TRACE(std::string("'") + text + "'");
    ExpectConversionError([&] { ParseDateTime(text, dmy, 2024); },
                          std::string("'") + text + "' is not a valid date and time");
  }
}

TEST(Dates, DosDateTimePacksIntoItsBitFields) {
  std::uint32_t packed = 0;
  ASSERT_TRUE(PackDosDateTime(At(1980, 1, 1), packed));
  EXPECT_EQ(packed, 0x00210000u);
  ASSERT_TRUE(PackDosDateTime(At(2024, 3, 5, 13, 45, 31), packed));
  EXPECT_EQ(packed, (44u << 25) | (3u << 21) | (5u << 16) | (13u << 11) | (45u << 5) | 15u);
  EXPECT_EQ(UnpackDosDateTime(packed), At(2024, 3, 5, 13, 45, 30));
  ASSERT_TRUE(PackDosDateTime(At(2099, 12, 31, 23, 59, 58), packed));
  EXPECT_EQ(UnpackDosDateTime(packed), At(2099, 12, 31, 23, 59, 58));
}

TEST(Dates, DosDateTimeRefusesWhatDoesNotFit) {
  struct Row {
    const char* name;
    CivilDateTime when;
  };
  const Row rows[] = {{"before 1980", At(1979, 12, 31, 23, 59, 58)},
                      {"after 2099", At(2100, 1, 1)},
                      {"bad day", At(2023, 2, 29)},
                      {"bad hour", At(2023, 1, 1, 24)},
                      {"bad minute", At(2023, 1, 1, 0, 60)},
                      {"negative second", At(2023, 1, 1, 0, 0, -2)}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::uint32_t packed = 0xdeadbeef;
    EXPECT_FALSE(PackDosDateTime(row.when, packed));
    EXPECT_EQ(packed, 0xdeadbeefu);
  }
}

}  // namespace
}  // namespace zuruza
