// The byte-level text rules every tool shares. Texts are raw bytes (names and
// file contents are never decoded); only the ASCII letters have case.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zuruza {

// Upper-cases the ASCII letters a-z only; every other byte is kept, so
// accented letters and UTF-8 sequences never change.
std::string UpperAscii(std::string_view text);
// The same into `out`, reusing its storage (for loops over many names).
void UpperAsciiInto(std::string_view text, std::string& out);

// True when `needle` is a contiguous run of bytes of `haystack`, compared
// exactly. An empty needle occurs nowhere.
bool Occurs(std::string_view needle, std::string_view haystack);

// The run of at most `count` bytes of `text` from the 1-based position
// `start`. A start below 1 counts as 1; a start past the end, a count below 1
// or an empty text give the empty string.
std::string Substring(std::string_view text, long long start, long long count);
// The same counting characters of UTF-8 text instead of bytes: a character is
// a byte that is not a continuation byte (10xxxxxx) with the continuation
// bytes after it, so a character is never cut.
std::string Utf8Substring(std::string_view text, long long start, long long count);
// The characters of UTF-8 text, counted as Utf8Substring counts them.
std::int64_t Utf8Length(std::string_view text);
// True when `text` is well-formed UTF-8 (no overlong forms, surrogates or
// code points past U+10FFFF).
bool IsValidUtf8(std::string_view text);

// Characters of a text as this program counts them wherever it counts or
// cuts characters (columns, padding, length limits): text is UTF-8, so a
// well-formed text counts each UTF-8 sequence as one character; a text that
// is not well-formed UTF-8 (an 8-bit file) counts its bytes.
std::string CharSubstring(std::string_view text, long long start, long long count);
std::int64_t CharLength(std::string_view text);
// The first `count` characters of `text` (all of it when shorter).
std::string CharPrefix(std::string_view text, long long count);

// Where `upper_needle` (already upper-cased) first occurs in `text`
// upper-cased, at or after `from`, without copying the text: the same answer
// as UpperAscii(text).find(upper_needle, from). Fast on long texts (16 bytes
// at a time where the processor allows). An empty needle: npos.
std::size_t FindUpperAscii(std::string_view text, std::string_view upper_needle,
                           std::size_t from = 0);

// Removes blanks and control characters (bytes 0-32) from both ends.
std::string Trim(std::string_view text);

// True when the text holds nothing but blanks and control characters.
bool IsBlank(std::string_view text);

// Byte-by-byte order as unsigned values, a prefix before the longer text.
// Negative, zero or positive like strcmp.
int CompareBytes(std::string_view a, std::string_view b);

}  // namespace zuruza
