#include "core/numbers.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

#include "base/errors.h"

namespace zuruza {

namespace {

bool AllDigits(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

// printf into a string; the formats used here never need much room.
template <typename... Args>
std::string Printf(const char* format, Args... args) {
  char small[64];
  int length = std::snprintf(small, sizeof small, format, args...);
  if (length < 0) return {};
  if (static_cast<std::size_t>(length) < sizeof small)
    return std::string(small, static_cast<std::size_t>(length));
  std::string result(static_cast<std::size_t>(length) + 1, '\0');
  std::snprintf(result.data(), result.size(), format, args...);
  result.resize(static_cast<std::size_t>(length));
  return result;
}

}  // namespace

std::optional<std::int64_t> ParseInteger(std::string_view text) {
  std::string_view digits = text;
  if (!digits.empty() && (digits.front() == '+' || digits.front() == '-')) digits.remove_prefix(1);
  if (!AllDigits(digits)) return std::nullopt;
  // from_chars takes a minus but not a plus, so a plus is skipped by hand.
  std::string_view number = text.front() == '+' ? digits : text;
  std::int64_t value = 0;
  auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
  if (error != std::errc() || end != number.data() + number.size()) return std::nullopt;
  return value;
}

std::optional<std::int64_t> ParseIntegerClamped(std::string_view text) {
  if (std::optional<std::int64_t> value = ParseInteger(text)) return value;
  std::string_view digits = text;
  const bool negative = !digits.empty() && digits.front() == '-';
  if (!digits.empty() && (digits.front() == '+' || negative)) digits.remove_prefix(1);
  // Only digits are left when ParseInteger failed on the range alone.
  if (!AllDigits(digits)) return std::nullopt;
  return negative ? std::numeric_limits<std::int64_t>::min()
                  : std::numeric_limits<std::int64_t>::max();
}

std::int32_t StrToInt(std::string_view text) {
  // The runtime skips leading blanks but not trailing ones.
  std::string_view rest = text;
  while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
  std::optional<std::int64_t> value = ParseInteger(rest);
  if (!value || *value < std::numeric_limits<std::int32_t>::min() ||
      *value > std::numeric_limits<std::int32_t>::max()) {
    ThrowInvalidInteger(text);
  }
  return static_cast<std::int32_t>(*value);
}

std::int64_t StrToInt64(std::string_view text) {
  std::string_view rest = text;
  while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
  std::optional<std::int64_t> value = ParseInteger(rest);
  if (!value) ThrowInvalidInteger(text);
  return *value;
}

std::string FormatFixed12(double value) { return Printf("%12.0f", value); }

std::string FormatThousands(double value) {
  const std::string s = FormatFixed12(value);
  std::string result;
  result.reserve(s.size() + s.size() / 3);
  // Right to left: before the k-th character (k > 0, a multiple of 3) a
  // point, or a blank when that character is padding.
  for (std::size_t k = 0; k < s.size(); ++k) {
    const char c = s[s.size() - 1 - k];
    if (k > 0 && k % 3 == 0) result.push_back(c == ' ' ? ' ' : '.');
    result.push_back(c);
  }
  return std::string(result.rbegin(), result.rend());
}

std::string FormatFixed(double value, int decimals) { return Printf("%.*f", decimals, value); }

std::string GroupedBytes(std::uint64_t bytes) {
  return GroupThousands(static_cast<double>(bytes)) + " bytes";
}

std::string GroupThousands(double value) {
  if (!std::isfinite(value)) return Printf("%.0f", value);
  // Halves go away from zero, and a value that rounds to zero has no sign.
  double rounded = std::round(value);
  if (rounded == 0) return "0";
  std::string digits = Printf("%.0f", std::fabs(rounded));
  std::string result;
  result.reserve(digits.size() + digits.size() / 3 + 1);
  if (rounded < 0) result += '-';
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) result += '.';
    result += digits[i];
  }
  return result;
}

std::string FormatDefaultReal(double value) {
  if (std::isnan(value)) return " Nan";
  if (std::isinf(value)) return value < 0 ? "-Inf" : " +Inf";
  if (value == 0) return " 0.00000000000000E+0000";
  // "%.14E" gives the digits and rounding; only the exponent is widened.
  std::string text = Printf("%.14E", std::fabs(value));
  std::size_t e = text.find('E');
  if (e == std::string::npos) return text;
  int exponent = 0;
  std::from_chars(text.data() + e + 2, text.data() + text.size(), exponent);
  char exponent_sign = text[e + 1];
  return (value < 0 ? "-" : " ") + text.substr(0, e + 1) + exponent_sign + Printf("%04d", exponent);
}

std::string FormatInt(std::int64_t value) { return std::to_string(value); }

}  // namespace zuruza
