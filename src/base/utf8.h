// Columns of a line of bytes and the indexes of the string the desktop shows
// for it. A line is shown as ToQt shows it: each valid UTF-8 character as
// QString::fromUtf8 reads it, each byte that starts none as one character of
// its own, and a byte order mark at the start not at all.
#pragma once

#include <cstddef>
#include <string_view>

namespace zuruza {

// One UTF-8 character, or one byte that starts no valid character (no
// overlong forms, no surrogates, nothing past U+10FFFF).
struct Utf8Char {
  char32_t code = 0;
  std::size_t size = 1;
  bool valid = false;
};

Utf8Char DecodeUtf8At(std::string_view text, std::size_t pos);

// The byte offsets of the characters around `pos`.
std::size_t NextBoundary(std::string_view text, std::size_t pos);
std::size_t PrevBoundary(std::string_view text, std::size_t pos);
std::size_t SnapToBoundary(std::string_view text, std::size_t pos);  // at or before

// A byte offset as an index in the shown string, and back.
int Utf16Index(std::string_view text, std::size_t byte);
std::size_t ByteIndex(std::string_view text, int index);
// The length of the shown string.
inline int Utf16Length(std::string_view text) { return Utf16Index(text, text.size()); }

}  // namespace zuruza
