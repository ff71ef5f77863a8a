// The calendar vocabulary shared by the rules and the system layer: a date,
// a date and time, the person's date and time formats, and the calendar's
// arithmetic. Formatting, reading and packing live with the dates.
#pragma once

#include <compare>
#include <cstdint>
#include <string>

namespace zuruza {

// The user's short date and long time formats. Letters: d/dd day, m/mm month,
// yy/yyyy year in the date; h/hh hour, n/nn minute, s/ss second in the time.
struct LocaleFormats {
  std::string short_date = "dd/mm/yyyy";
  char date_separator = '/';
  std::string long_time = "hh:nn:ss";
  char time_separator = ':';
};

struct CivilDate {
  int year = 1899;
  int month = 12;
  int day = 30;
  auto operator<=>(const CivilDate&) const = default;
};

struct CivilDateTime {
  CivilDate date;
  int hour = 0;
  int minute = 0;
  int second = 0;
  auto operator<=>(const CivilDateTime&) const = default;
};

bool IsValidDate(const CivilDate& date);
int DaysInMonth(int year, int month);

// Days since 1970-01-01 of a date, and back (proleptic Gregorian calendar).
std::int64_t DaysFromCivil(const CivilDate& date);
CivilDate CivilFromDays(std::int64_t days);

}  // namespace zuruza
