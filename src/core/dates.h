// Dates and times as the person sees them: the short date format and the long
// time format are data (LocaleFormats), so tests can pass other ones. Every
// date that any tool shows or reads goes through here.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/civil_time.h"

namespace zuruza {

std::string FormatDate(const CivilDate& date, const LocaleFormats& formats);
std::string FormatTime(const CivilDateTime& when, const LocaleFormats& formats);
// Short date, a blank and the long time; only the date at exactly midnight.
std::string FormatDateTime(const CivilDateTime& when, const LocaleFormats& formats);

// Reads a date: the order of day, month and year comes from the short date
// format (its first d, m or y letter decides); numbers are split by the date
// separator; a year of 99 or less falls in the current century; two numbers
// are day and month (in the format's order) of the current year; a trailing
// separator and trailing blanks are allowed; leading blanks too.
// Throws ConversionError "'<text>' is not a valid date".
CivilDate ParseDate(std::string_view text, const LocaleFormats& formats, int current_year);

// Reads a date, optionally followed by blanks and a time "h:n" or "h:n:s"
// (a date alone is midnight). Throws ConversionError
// "'<text>' is not a valid date and time".
CivilDateTime ParseDateTime(std::string_view text, const LocaleFormats& formats, int current_year);

// The packed MS-DOS date and time: bits 25-31 year-1980, 21-24 month,
// 16-20 day, 11-15 hour, 5-10 minute, 0-4 seconds/2. Years outside
// 1980..2099 cannot be packed: returns false and leaves `packed` alone.
bool PackDosDateTime(const CivilDateTime& when, std::uint32_t& packed);
CivilDateTime UnpackDosDateTime(std::uint32_t packed);

}  // namespace zuruza
