#include <windows.h>

#include <algorithm>
#include <initializer_list>
#include <limits>
#include <map>
#include <mutex>
#include <optional>

#include "platform/clock.h"
#include "platform/win_internal.h"

namespace zuruza {
namespace {

constexpr std::int64_t kNanosPerSecond = 1'000'000'000;
constexpr std::int64_t kSecondsPerDay = 86'400;
// The years a SYSTEMTIME holds.
constexpr int kFirstSystemYear = 1601;
constexpr int kLastSystemYear = 30827;

// Rounds towards minus infinity, so instants before 1970 fall in the right
// second and day.
std::int64_t FloorDiv(std::int64_t value, std::int64_t divisor) {
  std::int64_t quotient = value / divisor;
  if (value % divisor != 0 && (value < 0) != (divisor < 0)) --quotient;
  return quotient;
}

UnixNanos NanosFromSeconds(std::int64_t seconds) {
  std::int64_t nanos = 0;
  if (__builtin_mul_overflow(seconds, kNanosPerSecond, &nanos))
    return seconds < 0 ? std::numeric_limits<UnixNanos>::min()
                       : std::numeric_limits<UnixNanos>::max();
  return nanos;
}

// The local zone's rules for one year: Windows keeps a zone's rules year by
// year, where the plain zone calls apply this year's to every date. Read
// once per year and process, as the C library reads its zone once.
std::optional<TIME_ZONE_INFORMATION> RulesOfYear(int year) {
  static std::mutex mutex;
  static std::map<int, std::optional<TIME_ZONE_INFORMATION>> years;
  year = std::clamp(year, kFirstSystemYear, kLastSystemYear);
  const std::lock_guard<std::mutex> lock(mutex);
  const auto [rules, added] = years.try_emplace(year);
  if (added) {
    TIME_ZONE_INFORMATION read;
    if (GetTimeZoneInformationForYear(static_cast<USHORT>(year), nullptr, &read))
      rules->second = read;
  }
  return rules->second;
}

CivilDateTime FromSystemTime(const SYSTEMTIME& time) {
  CivilDateTime result;
  result.date = CivilDate{time.wYear, time.wMonth, time.wDay};
  result.hour = time.wHour;
  result.minute = time.wMinute;
  result.second = time.wSecond;
  return result;
}

// The seconds of a local date and time counted as if it were UTC.
std::int64_t SecondsAsUtc(const CivilDateTime& when) {
  return DaysFromCivil(when.date) * kSecondsPerDay + when.hour * std::int64_t{3600} +
         when.minute * std::int64_t{60} + when.second;
}

}  // namespace

CivilDateTime LocalFromUnix(UnixNanos when) {
  const FILETIME instant = internal::FileTimeFromUnix(when);
  SYSTEMTIME utc;
  SYSTEMTIME local;
  if (FileTimeToSystemTime(&instant, &utc)) {
    const std::optional<TIME_ZONE_INFORMATION> rules = RulesOfYear(utc.wYear);
    if (rules && SystemTimeToTzSpecificLocalTime(&*rules, &utc, &local))
      return FromSystemTime(local);
  }
  // Out of the system's range: UTC is the best remaining answer.
  return UtcFromUnix(when);
}

CivilDateTime UtcFromUnix(UnixNanos when) {
  const std::int64_t seconds = FloorDiv(when, kNanosPerSecond);
  const std::int64_t days = FloorDiv(seconds, kSecondsPerDay);
  const std::int64_t in_day = seconds - days * kSecondsPerDay;
  CivilDateTime result;
  result.date = CivilFromDays(days);
  result.hour = static_cast<int>(in_day / 3600);
  result.minute = static_cast<int>(in_day / 60 % 60);
  result.second = static_cast<int>(in_day % 60);
  return result;
}

UnixNanos UnixFromLocal(const CivilDateTime& when) {
  const std::int64_t as_utc = SecondsAsUtc(when);
  // Every offset the zone has around that date is tried (standard and
  // daylight time of its year, and of the years next to it, whose rules may
  // hold at its ends); the readings that really show `when` on the local
  // clock are kept. A time that occurs twice when the clocks go back
  // matches two, and the earlier instant is taken.
  std::optional<std::int64_t> earliest;
  const int year_of_date = std::clamp(when.date.year, kFirstSystemYear, kLastSystemYear);
  for (int year = year_of_date - 1; year <= year_of_date + 1; ++year) {
    const std::optional<TIME_ZONE_INFORMATION> rules = RulesOfYear(year);
    if (!rules) continue;
    for (const LONG offset : {rules->StandardBias, rules->DaylightBias}) {
      const std::int64_t seconds = as_utc + (rules->Bias + offset) * std::int64_t{60};
      if (LocalFromUnix(NanosFromSeconds(seconds)) != when) continue;
      if (!earliest || seconds < *earliest) earliest = seconds;
    }
  }
  if (earliest) return NanosFromSeconds(*earliest);
  // A time skipped when the clocks go forward (or one out of the zone's
  // range): read as the standard time of its year.
  const std::optional<TIME_ZONE_INFORMATION> rules = RulesOfYear(year_of_date);
  if (!rules) return NanosFromSeconds(as_utc);
  return NanosFromSeconds(as_utc + (rules->Bias + rules->StandardBias) * std::int64_t{60});
}

CivilDateTime LocalNow() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  return LocalFromUnix(internal::UnixFromFileTime(now));
}

LocaleFormats SystemLocaleFormats() { return LocaleFormats{}; }

}  // namespace zuruza
