#include "core/dates.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "core/errors.h"

namespace zuruza {
namespace {

LocaleFormats Formats(std::string short_date, char date_separator, std::string long_time = "hh:nn:ss",
                      char time_separator = ':') {
  LocaleFormats formats;
  formats.short_date = std::move(short_date);
  formats.date_separator = date_separator;
  formats.long_time = std::move(long_time);
  formats.time_separator = time_separator;
  return formats;
}

CivilDateTime At(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
  return CivilDateTime{CivilDate{year, month, day}, hour, minute, second};
}

TEST(Dates, DefaultFormatsAreDayMonthYear) {
  LocaleFormats formats;
  EXPECT_EQ(formats.short_date, "dd/mm/yyyy");
  EXPECT_EQ(formats.date_separator, '/');
  EXPECT_EQ(formats.long_time, "hh:nn:ss");
  EXPECT_EQ(formats.time_separator, ':');
}

TEST(Dates, MonthLengthsFollowTheGregorianLeapRule) {
  struct Row {
    int year, month, days;
  };
  const Row rows[] = {{2023, 1, 31}, {2023, 2, 28}, {2024, 2, 29}, {1900, 2, 28}, {2000, 2, 29},
                      {2023, 4, 30}, {2023, 12, 31}, {2023, 0, 0},  {2023, 13, 0}};
  for (const Row& row : rows) {
    SCOPED_TRACE(std::to_string(row.year) + "-" + std::to_string(row.month));
    EXPECT_EQ(DaysInMonth(row.year, row.month), row.days);
  }
}

TEST(Dates, ValidDatesStayInsideYearsOneToNineThousandNineHundredNinetyNine) {
  struct Row {
    const char* name;
    CivilDate date;
    bool valid;
  };
  const Row rows[] = {
      {"ordinary", {2024, 5, 12}, true},   {"leap day", {2024, 2, 29}, true},
      {"not leap", {2023, 2, 29}, false},  {"century not leap", {1900, 2, 29}, false},
      {"day zero", {2024, 5, 0}, false},   {"day 32", {2024, 1, 32}, false},
      {"month zero", {2024, 0, 1}, false}, {"month 13", {2024, 13, 1}, false},
      {"year one", {1, 1, 1}, true},       {"year zero", {0, 1, 1}, false},
      {"year 9999", {9999, 12, 31}, true}, {"year 10000", {10000, 1, 1}, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(IsValidDate(row.date), row.valid);
  }
}

TEST(Dates, DayNumbersCountFromNineteenSeventy) {
  struct Row {
    CivilDate date;
    std::int64_t days;
  };
  const Row rows[] = {
      {{1970, 1, 1}, 0},       {{1970, 1, 2}, 1},          {{1969, 12, 31}, -1},
      {{2000, 3, 1}, 11017},   {{1899, 12, 30}, -25569},   {{2024, 2, 29}, 19782},
      {{1, 1, 1}, -719162},    {{9999, 12, 31}, 2932896},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.days);
    EXPECT_EQ(DaysFromCivil(row.date), row.days);
    EXPECT_EQ(CivilFromDays(row.days), row.date);
  }
  // Every day of a few centuries goes there and back, one day apart.
  for (std::int64_t days = DaysFromCivil({1890, 1, 1}); days < DaysFromCivil({2110, 1, 1}); ++days) {
    CivilDate date = CivilFromDays(days);
    ASSERT_TRUE(IsValidDate(date)) << days;
    ASSERT_EQ(DaysFromCivil(date), days);
    ASSERT_EQ(CivilFromDays(days + 1) > date, true) << days;
  }
}

TEST(Dates, FormatDateFollowsTheShortDateLetters) {
  struct Row {
    const char* name;
    LocaleFormats formats;
    CivilDate date;
    const char* expected;
  };
  const Row rows[] = {
      {"default", LocaleFormats{}, {2024, 3, 5}, "05/03/2024"},
      {"unpadded", Formats("d/m/yyyy", '/'), {2024, 3, 5}, "5/3/2024"},
      {"two digit day kept", Formats("d/m/yyyy", '/'), {2024, 11, 25}, "25/11/2024"},
      {"two digit year", Formats("dd/mm/yy", '/'), {2007, 3, 5}, "05/03/07"},
      {"separator replaces slash", Formats("dd/mm/yyyy", '-'), {2024, 3, 5}, "05-03-2024"},
      {"other characters literal", Formats("yyyy.mm.dd", '/'), {2024, 3, 5}, "2024.03.05"},
      {"year first with separator", Formats("yyyy/mm/dd", '.'), {2024, 3, 5}, "2024.03.05"},
      {"month first", Formats("mm/dd/yyyy", '/'), {2024, 3, 5}, "03/05/2024"},
      {"uppercase letters", Formats("DD/MM/YYYY", '/'), {2024, 3, 5}, "05/03/2024"},
      {"small year padded", Formats("dd/mm/yyyy", '/'), {33, 1, 2}, "02/01/0033"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(FormatDate(row.date, row.formats), row.expected);
  }
}

TEST(Dates, FormatTimeFollowsTheLongTimeLetters) {
  struct Row {
    const char* name;
    LocaleFormats formats;
    CivilDateTime when;
    const char* expected;
  };
  const Row rows[] = {
      {"default", LocaleFormats{}, At(2024, 1, 1, 7, 5, 9), "07:05:09"},
      {"unpadded", Formats("dd/mm/yyyy", '/', "h:n:s"), At(2024, 1, 1, 7, 5, 9), "7:5:9"},
      {"unpadded two digits", Formats("dd/mm/yyyy", '/', "h:n:s"), At(2024, 1, 1, 17, 45, 59), "17:45:59"},
      {"separator replaces colon", Formats("dd/mm/yyyy", '/', "hh:nn:ss", '.'), At(2024, 1, 1, 23, 0, 1),
       "23.00.01"},
      {"other characters literal", Formats("dd/mm/yyyy", '/', "hh.nn ss!"), At(2024, 1, 1, 9, 30, 5), "09.30 05!"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(FormatTime(row.when, row.formats), row.expected);
  }
}

TEST(Dates, FormatDateTimeLeavesTheTimeOutAtMidnight) {
  LocaleFormats formats;
  EXPECT_EQ(FormatDateTime(At(2024, 3, 5), formats), "05/03/2024");
  EXPECT_EQ(FormatDateTime(At(2024, 3, 5, 0, 0, 1), formats), "05/03/2024 00:00:01");
  EXPECT_EQ(FormatDateTime(At(2024, 3, 5, 0, 1, 0), formats), "05/03/2024 00:01:00");
  EXPECT_EQ(FormatDateTime(At(2024, 3, 5, 13, 0, 0), formats), "05/03/2024 13:00:00");
}

TEST(Dates, ParseDateReadsNumbersInTheFormatsOrder) {
  struct Row {
    const char* text;
    LocaleFormats formats;
    CivilDate expected;
  };
  const LocaleFormats dmy;
  const LocaleFormats mdy = Formats("m/d/yy", '/');
  const LocaleFormats ymd = Formats("yyyy/mm/dd", '-');
  const LocaleFormats no_letters = Formats("--", '/');
  const Row rows[] = {
      {"05/03/2024", dmy, {2024, 3, 5}},
      {"5/3/2024", dmy, {2024, 3, 5}},
      {"  5/3/2024", dmy, {2024, 3, 5}},
      {"5/3/2024/", dmy, {2024, 3, 5}},
      {"5/3/2024  ", dmy, {2024, 3, 5}},
      {"5/3/2024/ ", dmy, {2024, 3, 5}},
      {"5/3/24", dmy, {2024, 3, 5}},
      {"5/3/99", dmy, {2099, 3, 5}},
      {"5/3/0", dmy, {2000, 3, 5}},
      {"5/3/0099", dmy, {2099, 3, 5}},
      {"5/3/100", dmy, {100, 3, 5}},
      {"5/3", dmy, {2031, 3, 5}},
      {"5/3/", dmy, {2031, 3, 5}},
      {"29/2/2024", dmy, {2024, 2, 29}},
      {"3/5/2024", mdy, {2024, 3, 5}},
      {"3/5", mdy, {2031, 3, 5}},
      {"2024-03-05", ymd, {2024, 3, 5}},
      {"24-3-5", ymd, {2024, 3, 5}},
      {"3-5", ymd, {2031, 3, 5}},
      {"3/5/2024", no_letters, {2024, 3, 5}},
      {"1/1/9999", dmy, {9999, 1, 1}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string("'") + row.text + "' as " + row.formats.short_date);
    EXPECT_EQ(ParseDate(row.text, row.formats, 2031), row.expected);
  }
}

TEST(Dates, ParseDateUsesTheCurrentCentury) {
  EXPECT_EQ(ParseDate("1/2/5", LocaleFormats{}, 1999), (CivilDate{1905, 2, 1}));
  EXPECT_EQ(ParseDate("1/2/5", LocaleFormats{}, 2100), (CivilDate{2105, 2, 1}));
}

TEST(Dates, ParseDateRejectsAnythingElse) {
  const LocaleFormats dmy;
  const char* rows[] = {
      "",           "   ",         "5",          "5/",          "/5/3",        "5//3",
      "5/3//",      "5/3/2024//",  "5/3/2024x",  "5-3-2024",    "5 /3/2024",   "5/ 3/2024",
      "5/3/ 2024",  "31/4/2024",   "29/2/2023",  "0/3/2024",    "5/0/2024",    "5/13/2024",
      "5/3/10000",  "5/3/2024 10:00", "a5/3/2024", "5/3/2024/1", "99999999999999/3/2024",
      "+5/3/2024",  "-5/3/2024",   "5/3/2024\t",
  };
  for (const char* text : rows) {
    SCOPED_TRACE(std::string("'") + text + "'");
    try {
      ParseDate(text, dmy, 2024);
      ADD_FAILURE() << "nothing thrown";
    } catch (const ConversionError& error) {
      EXPECT_EQ(std::string(error.what()), std::string("'") + text + "' is not a valid date");
    }
  }
}

TEST(Dates, ParseDateTimeReadsAnOptionalTime) {
  struct Row {
    const char* text;
    LocaleFormats formats;
    CivilDateTime expected;
  };
  const LocaleFormats dmy;
  const LocaleFormats dotted = Formats("dd/mm/yyyy", '-', "hh.nn.ss", '.');
  const Row rows[] = {
      {"5/3/2024", dmy, At(2024, 3, 5)},
      {"5/3/2024  ", dmy, At(2024, 3, 5)},
      {"5/3/2024 10:30", dmy, At(2024, 3, 5, 10, 30)},
      {"5/3/2024 10:30:45", dmy, At(2024, 3, 5, 10, 30, 45)},
      {"  5/3/2024   7:05:09  ", dmy, At(2024, 3, 5, 7, 5, 9)},
      {"5/3/2024/ 23:59:59", dmy, At(2024, 3, 5, 23, 59, 59)},
      {"5/3 0:0", dmy, At(2031, 3, 5)},
      {"5/3/24 0:0:0", dmy, At(2024, 3, 5)},
      {"5-3-2024 10.30.01", dotted, At(2024, 3, 5, 10, 30, 1)},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string("'") + row.text + "'");
    EXPECT_EQ(ParseDateTime(row.text, row.formats, 2031), row.expected);
  }
}

TEST(Dates, ParseDateTimeRejectsBadDatesAndTimes) {
  const LocaleFormats dmy;
  const char* rows[] = {
      "",                 "31/2/2024",          "31/2/2024 10:00",  "5/3/2024 24:00",
      "5/3/2024 10:60",   "5/3/2024 10:30:60",  "5/3/2024 10",      "5/3/2024 10:",
      "5/3/2024 10:30:",  "5/3/2024 10:30:00:00", "5/3/2024 10.30", "5/3/2024 10:30x",
      "5/3/2024/10:30",   "5/3/2024 10 :30",    "10:30",            "5/3/2024 -1:30",
  };
  for (const char* text : rows) {
    SCOPED_TRACE(std::string("'") + text + "'");
    try {
      ParseDateTime(text, dmy, 2024);
      ADD_FAILURE() << "nothing thrown";
    } catch (const ConversionError& error) {
      EXPECT_EQ(std::string(error.what()), std::string("'") + text + "' is not a valid date and time");
    }
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
  const Row rows[] = {
      {"before 1980", At(1979, 12, 31, 23, 59, 58)},
      {"after 2099", At(2100, 1, 1)},
      {"bad day", At(2023, 2, 29)},
      {"bad month", At(2023, 13, 1)},
      {"bad hour", At(2023, 1, 1, 24)},
      {"bad minute", At(2023, 1, 1, 0, 60)},
      {"bad second", At(2023, 1, 1, 0, 0, 60)},
      {"negative second", At(2023, 1, 1, 0, 0, -2)},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::uint32_t packed = 0xdeadbeef;
    EXPECT_FALSE(PackDosDateTime(row.when, packed));
    EXPECT_EQ(packed, 0xdeadbeefu);
  }
}

}  // namespace
}  // namespace zuruza
