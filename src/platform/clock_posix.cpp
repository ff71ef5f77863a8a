#include <time.h>

#include <algorithm>
#include <limits>
#include <optional>

#include "platform/clock.h"

namespace zuruza {
namespace {

constexpr std::int64_t kNanosPerSecond = 1'000'000'000;
constexpr std::int64_t kSecondsPerDay = 86'400;

// Rounds towards minus infinity, so instants before 1970 fall in the right
// second and day.
std::int64_t FloorDiv(std::int64_t value, std::int64_t divisor) {
  std::int64_t quotient = value / divisor;
  if (value % divisor != 0 && (value < 0) != (divisor < 0)) --quotient;
  return quotient;
}

CivilDateTime FromTm(const tm& parts) {
  CivilDateTime result;
  result.date = CivilDate{parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday};
  result.hour = parts.tm_hour;
  result.minute = parts.tm_min;
  result.second = parts.tm_sec;
  return result;
}

tm ToTm(const CivilDateTime& when, int is_dst) {
  tm parts{};
  parts.tm_year = when.date.year - 1900;
  parts.tm_mon = when.date.month - 1;
  parts.tm_mday = when.date.day;
  parts.tm_hour = when.hour;
  parts.tm_min = when.minute;
  parts.tm_sec = when.second;
  parts.tm_isdst = is_dst;
  return parts;
}

// The instant of `when` taken as standard (0) or daylight (1) time, when that
// reading really shows `when` on the local clock.
std::optional<time_t> ExactLocal(const CivilDateTime& when, int is_dst) {
  tm parts = ToTm(when, is_dst);
  const time_t instant = mktime(&parts);
  tm back{};
  if (localtime_r(&instant, &back) == nullptr) return std::nullopt;
  if (FromTm(back) != when) return std::nullopt;
  return instant;
}

UnixNanos NanosFromSeconds(std::int64_t seconds) {
  std::int64_t nanos = 0;
  if (__builtin_mul_overflow(seconds, kNanosPerSecond, &nanos))
    return seconds < 0 ? std::numeric_limits<UnixNanos>::min()
                       : std::numeric_limits<UnixNanos>::max();
  return nanos;
}

}  // namespace

CivilDateTime LocalFromUnix(UnixNanos when) {
  const time_t seconds = static_cast<time_t>(FloorDiv(when, kNanosPerSecond));
  tm parts{};
  // Out of the C library's range: UTC is the best remaining answer.
  if (localtime_r(&seconds, &parts) == nullptr) return UtcFromUnix(when);
  return FromTm(parts);
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
  // Both readings are tried; a time that occurs twice when the clocks go back
  // matches both, and the earlier instant is taken.
  const std::optional<time_t> standard = ExactLocal(when, 0);
  const std::optional<time_t> daylight = ExactLocal(when, 1);
  if (standard && daylight) return NanosFromSeconds(std::min(*standard, *daylight));
  if (standard) return NanosFromSeconds(*standard);
  if (daylight) return NanosFromSeconds(*daylight);
  // A time skipped when the clocks go forward: the C library's normalisation.
  tm parts = ToTm(when, -1);
  return NanosFromSeconds(mktime(&parts));
}

CivilDateTime LocalNow() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return LocalFromUnix(NanosFromSeconds(now.tv_sec) + now.tv_nsec);
}

LocaleFormats SystemLocaleFormats() { return LocaleFormats{}; }

}  // namespace zuruza
