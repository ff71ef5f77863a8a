#include "platform/clock.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <time.h>

#include <cstdio>
#include <limits>
#include <optional>
#include <string>

#include "platform/testing/environment.h"

namespace {

using zuruza::CivilDate;
using zuruza::CivilDateTime;
using zuruza::UnixNanos;

constexpr std::int64_t kSecond = 1'000'000'000;

// POSIX zone rules, so the tests need no time zone database.
constexpr const char* kNewYorkRules = "EST5EDT,M3.2.0,M11.1.0";

CivilDateTime At(int year, int month, int day, int hour, int minute, int second) {
  CivilDateTime when;
  when.date = CivilDate{year, month, day};
  when.hour = hour;
  when.minute = minute;
  when.second = second;
  return when;
}

std::string Text(const CivilDateTime& when) {
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", when.date.year, when.date.month,
                when.date.day, when.hour, when.minute, when.second);
  return text;
}

// Every test here may switch TZ; the previous zone comes back afterwards.
class ZoneTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* zone = getenv("TZ")) saved_ = zone;
  }
  void TearDown() override {
    if (saved_) {
      ::zuruza::testing::SetEnv("TZ", saved_->c_str());
    } else {
      ::zuruza::testing::UnsetEnv("TZ");
    }
    tzset();
  }
  static void UseZone(const char* zone) {
    ::zuruza::testing::SetEnv("TZ", zone);
    tzset();
  }

 private:
  std::optional<std::string> saved_;
};

class UtcFromUnix : public ZoneTest {};
class LocalFromUnix : public ZoneTest {};
class UnixFromLocal : public ZoneTest {};
class LocalNow : public ZoneTest {};

struct InstantRow {
  UnixNanos when;
  CivilDateTime expected;
};

const InstantRow kUtcRows[] = {
    {0, At(1970, 1, 1, 0, 0, 0)},
    {kSecond - 1, At(1970, 1, 1, 0, 0, 0)},
    {-1, At(1969, 12, 31, 23, 59, 59)},
    {-kSecond, At(1969, 12, 31, 23, 59, 59)},
    {-kSecond - 1, At(1969, 12, 31, 23, 59, 58)},
    {-86'400 * kSecond, At(1969, 12, 31, 0, 0, 0)},
    {-86'400 * kSecond - 1, At(1969, 12, 30, 23, 59, 59)},
    {(951'782'400 + 3'661) * kSecond + 5, At(2000, 2, 29, 1, 1, 1)},
    {2'147'483'648 * kSecond, At(2038, 1, 19, 3, 14, 8)},
    {-2'208'988'800 * kSecond, At(1900, 1, 1, 0, 0, 0)},
    {std::numeric_limits<UnixNanos>::max(), At(2262, 4, 11, 23, 47, 16)},
    {std::numeric_limits<UnixNanos>::min(), At(1677, 9, 21, 0, 12, 43)},
};

TEST_F(UtcFromUnix, KnownInstantsIncludingBeforeEpoch) {
  for (const InstantRow& row : kUtcRows) {
    SCOPED_TRACE(row.when);
    EXPECT_EQ(Text(zuruza::UtcFromUnix(row.when)), Text(row.expected));
  }
}

TEST_F(UtcFromUnix, IgnoresLocalZone) {
  UseZone("XST-9");
  EXPECT_EQ(Text(zuruza::UtcFromUnix(0)), "1970-01-01 00:00:00");
  UseZone(kNewYorkRules);
  EXPECT_EQ(Text(zuruza::UtcFromUnix(1'625'140'800 * kSecond)), "2021-07-01 12:00:00");
}

TEST_F(LocalFromUnix, UtcZoneMatchesUtcFromUnix) {
  UseZone("UTC0");
  for (const InstantRow& row : kUtcRows) {
    SCOPED_TRACE(row.when);
    EXPECT_EQ(Text(zuruza::LocalFromUnix(row.when)), Text(row.expected));
  }
}

TEST_F(LocalFromUnix, FixedOffsetsShiftTheClock) {
  if (!::zuruza::testing::TimeZoneFollowsTz())
    GTEST_SKIP() << "TZ set here does not change the zone";
  struct Row {
    const char* zone;
    UnixNanos when;
    const char* expected;
  };
  const Row rows[] = {
      {"XST-3", 0, "1970-01-01 03:00:00"},    {"XST-3", -1, "1970-01-01 02:59:59"},
      {"YST5", 0, "1969-12-31 19:00:00"},     {"YST5", -kSecond - 1, "1969-12-31 18:59:58"},
      {"ZST-5:30", 0, "1970-01-01 05:30:00"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.zone) + " " + std::to_string(row.when));
    UseZone(row.zone);
    EXPECT_EQ(Text(zuruza::LocalFromUnix(row.when)), row.expected);
  }
}

TEST_F(LocalFromUnix, DaylightSavingTimeFollowsTheZoneRules) {
  if (!::zuruza::testing::TimeZoneFollowsTz())
    GTEST_SKIP() << "TZ set here does not change the zone";
  UseZone(kNewYorkRules);
  EXPECT_EQ(Text(zuruza::LocalFromUnix(1'625'140'800 * kSecond)), "2021-07-01 08:00:00");
  EXPECT_EQ(Text(zuruza::LocalFromUnix(1'609'502'400 * kSecond)), "2021-01-01 07:00:00");
  // Both instants of the repeated hour read the same on the clock.
  EXPECT_EQ(Text(zuruza::LocalFromUnix(1'636'263'000 * kSecond)), "2021-11-07 01:30:00");
  EXPECT_EQ(Text(zuruza::LocalFromUnix(1'636'266'600 * kSecond)), "2021-11-07 01:30:00");
}

TEST_F(UnixFromLocal, InverseOfLocalFromUnixAcrossZones) {
  const char* zones[] = {"UTC0", "XST-3", "YST5", "ZST-5:30", kNewYorkRules};
  const std::int64_t seconds[] = {0,
                                  -1,
                                  86'399,
                                  -86'401,
                                  951'782'400,
                                  1'609'502'400,
                                  1'625'140'800,
                                  2'147'483'648,
                                  -2'208'988'800};
  for (const char* zone : zones) {
    UseZone(zone);
    for (std::int64_t second : seconds) {
      SCOPED_TRACE(std::string(zone) + " " + std::to_string(second));
      const UnixNanos when = second * kSecond;
      EXPECT_EQ(zuruza::UnixFromLocal(zuruza::LocalFromUnix(when)), when);
    }
  }
}

TEST_F(UnixFromLocal, ResultIsInNanoseconds) {
  UseZone("UTC0");
  EXPECT_EQ(zuruza::UnixFromLocal(At(1970, 1, 2, 0, 0, 0)), 86'400 * kSecond);
  // mktime's error value is also this valid instant.
  EXPECT_EQ(zuruza::UnixFromLocal(At(1969, 12, 31, 23, 59, 59)), -kSecond);
  EXPECT_EQ(zuruza::UnixFromLocal(At(2000, 2, 29, 1, 1, 1)), (951'782'400 + 3'661) * kSecond);
}

TEST_F(UnixFromLocal, RepeatedHourTakesTheEarlierInstant) {
  if (!::zuruza::testing::TimeZoneFollowsTz())
    GTEST_SKIP() << "TZ set here does not change the zone";
  UseZone(kNewYorkRules);
  struct Row {
    CivilDateTime local;
    std::int64_t expected_seconds;
  };
  const Row rows[] = {
      {At(2021, 11, 7, 1, 0, 0), 1'636'261'200},
      {At(2021, 11, 7, 1, 30, 0), 1'636'263'000},
      {At(2021, 11, 7, 1, 59, 59), 1'636'264'799},
      // Just outside the repeated hour there is one answer.
      {At(2021, 11, 7, 0, 59, 59), 1'636'261'199},
      {At(2021, 11, 7, 2, 0, 0), 1'636'268'400},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(Text(row.local));
    EXPECT_EQ(zuruza::UnixFromLocal(row.local), row.expected_seconds * kSecond);
  }
}

TEST_F(UnixFromLocal, SkippedHourLandsNextToTheGap) {
  if (!::zuruza::testing::TimeZoneFollowsTz())
    GTEST_SKIP() << "TZ set here does not change the zone";
  UseZone(kNewYorkRules);
  // 02:30 does not exist on that day; either reading of it is acceptable.
  const UnixNanos when = zuruza::UnixFromLocal(At(2021, 3, 14, 2, 30, 0));
  EXPECT_TRUE(when == 1'615'703'400 * kSecond || when == 1'615'707'000 * kSecond) << when;
  EXPECT_EQ(zuruza::UnixFromLocal(At(2021, 3, 14, 3, 0, 0)), 1'615'705'200 * kSecond);
  EXPECT_EQ(zuruza::UnixFromLocal(At(2021, 3, 14, 1, 59, 59)), 1'615'705'199 * kSecond);
}

TEST_F(LocalNow, MatchesTheSystemClock) {
  UseZone("UTC0");
  const time_t before = time(nullptr);
  const CivilDateTime now = zuruza::LocalNow();
  const time_t after = time(nullptr);
  const UnixNanos instant = zuruza::UnixFromLocal(now);
  EXPECT_GE(instant, static_cast<UnixNanos>(before) * kSecond);
  // time() reads a coarse clock that may lag the precise one by a tick.
  EXPECT_LE(instant, static_cast<UnixNanos>(after + 1) * kSecond);
}

TEST_F(LocalNow, FollowsTheLocalZone) {
  if (!::zuruza::testing::TimeZoneFollowsTz())
    GTEST_SKIP() << "TZ set here does not change the zone";
  UseZone("XST-14");
  const time_t before = time(nullptr);
  const CivilDateTime now = zuruza::LocalNow();
  const CivilDateTime utc = zuruza::UtcFromUnix(static_cast<UnixNanos>(before) * kSecond);
  // Fourteen hours ahead: the local date is never behind UTC's.
  EXPECT_GE(now.date, utc.date);
  EXPECT_EQ((now.hour - utc.hour + 24) % 24, 14) << Text(now) << " vs " << Text(utc);
}

TEST(SystemLocaleFormats, DayMonthYearDateAndColonTime) {
  const zuruza::LocaleFormats formats = zuruza::SystemLocaleFormats();
  EXPECT_EQ(formats.short_date, "dd/mm/yyyy");
  EXPECT_EQ(formats.date_separator, '/');
  EXPECT_EQ(formats.long_time, "hh:nn:ss");
  EXPECT_EQ(formats.time_separator, ':');
}

}  // namespace
