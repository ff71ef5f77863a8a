#include "core/dates.h"

#include <cstdio>
#include <optional>

#include "base/errors.h"

namespace zuruza {

namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

void AppendNumber(std::string& out, int value, int width) {
  char digits[16];
  int length = std::snprintf(digits, sizeof digits, "%0*d", width, value);
  if (length > 0) out.append(digits, static_cast<std::size_t>(length));
}

// Length of the run of `letter` (either case) starting at `i`.
std::size_t RunLength(std::string_view format, std::size_t i, char letter) {
  std::size_t end = i;
  while (end < format.size() && Lower(format[end]) == letter) ++end;
  return end - i;
}

enum class DateOrder { kDayMonthYear, kMonthDayYear, kYearMonthDay };

DateOrder OrderOf(std::string_view short_date) {
  for (char c : short_date) {
    switch (Lower(c)) {
      case 'd':
        return DateOrder::kDayMonthYear;
      case 'm':
        return DateOrder::kMonthDayYear;
      case 'y':
        return DateOrder::kYearMonthDay;
      default:
        break;
    }
  }
  // A format without any of the letters reads as the runtime's default order.
  return DateOrder::kMonthDayYear;
}

// A cursor over the text being read.
class Scanner {
 public:
  explicit Scanner(std::string_view text) : text_(text) {}

  bool AtEnd() const { return pos_ == text_.size(); }

  std::size_t SkipBlanks() {
    std::size_t start = pos_;
    while (pos_ < text_.size() && text_[pos_] == ' ') ++pos_;
    return pos_ - start;
  }

  bool Char(char wanted) {
    if (pos_ < text_.size() && text_[pos_] == wanted) {
      ++pos_;
      return true;
    }
    return false;
  }

  // Reads decimal digits; very long numbers stay above any valid value.
  std::optional<int> Number() {
    std::size_t start = pos_;
    int value = 0;
    while (pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9') {
      if (value < 100000) value = value * 10 + (text_[pos_] - '0');
      ++pos_;
    }
    if (pos_ == start) return std::nullopt;
    return value;
  }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
};

// Reads the date part, up to and including a trailing separator and blanks.
// `blanks_after` tells whether at least one blank followed the date.
std::optional<CivilDate> ScanDate(Scanner& scan, const LocaleFormats& formats, int current_year,
                                  bool& blanks_after) {
  scan.SkipBlanks();
  std::optional<int> first = scan.Number();
  if (!first || !scan.Char(formats.date_separator)) return std::nullopt;
  std::optional<int> second = scan.Number();
  if (!second) return std::nullopt;
  DateOrder order = OrderOf(formats.short_date);
  CivilDate date;
  if (scan.Char(formats.date_separator)) {
    std::optional<int> third = scan.Number();
    if (third) {
      switch (order) {
        case DateOrder::kDayMonthYear:
          date = {*third, *second, *first};
          break;
        case DateOrder::kMonthDayYear:
          date = {*third, *first, *second};
          break;
        case DateOrder::kYearMonthDay:
          date = {*first, *second, *third};
          break;
      }
      if (date.year <= 99) date.year += current_year / 100 * 100;
      scan.Char(formats.date_separator);
    } else {
      // Only a trailing separator after day and month.
      date = order == DateOrder::kDayMonthYear ? CivilDate{current_year, *second, *first}
                                               : CivilDate{current_year, *first, *second};
    }
  } else {
    date = order == DateOrder::kDayMonthYear ? CivilDate{current_year, *second, *first}
                                             : CivilDate{current_year, *first, *second};
  }
  blanks_after = scan.SkipBlanks() > 0;
  if (!IsValidDate(date)) return std::nullopt;
  return date;
}

}  // namespace

std::string FormatDate(const CivilDate& date, const LocaleFormats& formats) {
  const std::string& format = formats.short_date;
  std::string out;
  out.reserve(format.size() + 4);
  std::size_t i = 0;
  while (i < format.size()) {
    char letter = Lower(format[i]);
    if (letter == 'd' || letter == 'm') {
      // Runs longer than two read as pairs and a single.
      std::size_t width = RunLength(format, i, letter) >= 2 ? 2 : 1;
      AppendNumber(out, letter == 'd' ? date.day : date.month, static_cast<int>(width));
      i += width;
    } else if (letter == 'y') {
      std::size_t run = RunLength(format, i, 'y');
      if (run <= 2)
        AppendNumber(out, date.year % 100, 2);
      else
        AppendNumber(out, date.year, 4);
      i += run;
    } else {
      out += format[i] == '/' ? formats.date_separator : format[i];
      ++i;
    }
  }
  return out;
}

std::string FormatTime(const CivilDateTime& when, const LocaleFormats& formats) {
  const std::string& format = formats.long_time;
  std::string out;
  out.reserve(format.size() + 2);
  std::size_t i = 0;
  while (i < format.size()) {
    char letter = Lower(format[i]);
    if (letter == 'h' || letter == 'n' || letter == 's') {
      std::size_t width = RunLength(format, i, letter) >= 2 ? 2 : 1;
      int value = letter == 'h' ? when.hour : letter == 'n' ? when.minute : when.second;
      AppendNumber(out, value, static_cast<int>(width));
      i += width;
    } else {
      out += format[i] == ':' ? formats.time_separator : format[i];
      ++i;
    }
  }
  return out;
}

std::string FormatDateTime(const CivilDateTime& when, const LocaleFormats& formats) {
  std::string out = FormatDate(when.date, formats);
  if (when.hour != 0 || when.minute != 0 || when.second != 0) {
    out += ' ';
    out += FormatTime(when, formats);
  }
  return out;
}

CivilDate ParseDate(std::string_view text, const LocaleFormats& formats, int current_year) {
  Scanner scan(text);
  bool blanks_after = false;
  std::optional<CivilDate> date = ScanDate(scan, formats, current_year, blanks_after);
  if (!date || !scan.AtEnd()) ThrowInvalidDate(text);
  return *date;
}

CivilDateTime ParseDateTime(std::string_view text, const LocaleFormats& formats, int current_year) {
  Scanner scan(text);
  bool blanks_after = false;
  std::optional<CivilDate> date = ScanDate(scan, formats, current_year, blanks_after);
  if (!date) ThrowInvalidDateTime(text);
  CivilDateTime result;
  result.date = *date;
  if (scan.AtEnd()) return result;
  // A time must be set apart from the date by at least one blank.
  if (!blanks_after) ThrowInvalidDateTime(text);
  std::optional<int> hour = scan.Number();
  if (!hour || !scan.Char(formats.time_separator)) ThrowInvalidDateTime(text);
  std::optional<int> minute = scan.Number();
  if (!minute) ThrowInvalidDateTime(text);
  std::optional<int> second = 0;
  if (scan.Char(formats.time_separator)) {
    second = scan.Number();
    if (!second) ThrowInvalidDateTime(text);
  }
  scan.SkipBlanks();
  if (!scan.AtEnd() || *hour > 23 || *minute > 59 || *second > 59) ThrowInvalidDateTime(text);
  result.hour = *hour;
  result.minute = *minute;
  result.second = *second;
  return result;
}

bool PackDosDateTime(const CivilDateTime& when, std::uint32_t& packed) {
  if (when.date.year < 1980 || when.date.year > 2099 || !IsValidDate(when.date)) return false;
  if (when.hour < 0 || when.hour > 23 || when.minute < 0 || when.minute > 59 || when.second < 0 ||
      when.second > 59) {
    return false;
  }
  packed = static_cast<std::uint32_t>(when.date.year - 1980) << 25 |
           static_cast<std::uint32_t>(when.date.month) << 21 |
           static_cast<std::uint32_t>(when.date.day) << 16 |
           static_cast<std::uint32_t>(when.hour) << 11 |
           static_cast<std::uint32_t>(when.minute) << 5 |
           static_cast<std::uint32_t>(when.second / 2);
  return true;
}

CivilDateTime UnpackDosDateTime(std::uint32_t packed) {
  CivilDateTime when;
  when.date.year = static_cast<int>(packed >> 25) + 1980;
  when.date.month = static_cast<int>((packed >> 21) & 0x0F);
  when.date.day = static_cast<int>((packed >> 16) & 0x1F);
  when.hour = static_cast<int>((packed >> 11) & 0x1F);
  when.minute = static_cast<int>((packed >> 5) & 0x3F);
  when.second = static_cast<int>(packed & 0x1F) * 2;
  return when;
}

}  // namespace zuruza
