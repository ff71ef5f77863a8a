// Number reading and the number formats of the reports, in one place.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zuruza {

// Reads a decimal integer with an optional sign ("+12", "-3"), surrounded by
// nothing else. Empty text, other characters or a value outside 64 bits give
// nullopt.
std::optional<std::int64_t> ParseInteger(std::string_view text);

// Like ParseInteger, but a whole number past the 64-bit range gives the
// nearest limit instead of nullopt: a bound typed that large is still a
// bound (nothing reaches it), not "no bound".
std::optional<std::int64_t> ParseIntegerClamped(std::string_view text);

// Like ParseInteger but limited to 32 bits, as the runtime's StrToInt; a text
// that does not convert throws ConversionError
// "'<text>' is not a valid integer value".
std::int32_t StrToInt(std::string_view text);

// The same for 64-bit values (sizes of files of any size).
std::int64_t StrToInt64(std::string_view text);

// "%12.0f": the nearest whole number, right-aligned in 12 characters (wider
// values take the room they need).
std::string FormatFixed12(double value);

// Fixed notation with `decimals` decimals, a point as decimal mark, no
// grouping: FormatFixed(19.53, 1) is "19.5".
std::string FormatFixed(double value, int decimals);

// Whole number with "." between groups of three digits: 1234567 -> "1.234.567".
std::string GroupThousands(double value);
// A byte count for a person: "1.234.567 bytes".
std::string GroupedBytes(std::uint64_t bytes);

// The occupancy column: "%12.0f", then from the right a "." between groups
// of three digits, or a blank where the group boundary falls in the padding.
// Up to 12 digits it is always 15 characters: 1234567 -> "      1.234.567".
std::string FormatThousands(double value);

// The runtime's default real notation: sign blank or "-", one digit, ".",
// 14 digits, "E", sign, 4 exponent digits: 1234567 -> " 1.23456700000000E+0006".
std::string FormatDefaultReal(double value);

// Plain decimal without grouping.
std::string FormatInt(std::int64_t value);

}  // namespace zuruza
