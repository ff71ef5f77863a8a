#include "base/utf8.h"

#include <algorithm>

namespace zuruza {

namespace {

bool Continuation(unsigned char byte, unsigned char low = 0x80, unsigned char high = 0xBF) {
  return byte >= low && byte <= high;
}

// A byte order mark at the start is not shown.
std::size_t SkippedPrefix(std::string_view text) {
  return text.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
}

int Utf16Units(const Utf8Char& c) { return c.valid && c.code > 0xFFFF ? 2 : 1; }

}  // namespace

Utf8Char DecodeUtf8At(std::string_view text, std::size_t pos) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[pos + i]); };
  const std::size_t left = text.size() - pos;
  const unsigned char lead = byte(0);
  if (lead < 0x80) return {lead, 1, true};
  if (lead >= 0xC2 && lead <= 0xDF) {
    if (left >= 2 && Continuation(byte(1))) {
      return {(char32_t(lead & 0x1F) << 6) | (byte(1) & 0x3F), 2, true};
    }
    return {};
  }
  if (lead >= 0xE0 && lead <= 0xEF) {
    // No overlong forms (E0 80..9F) and no surrogates (ED A0..BF).
    const unsigned char low = lead == 0xE0 ? 0xA0 : 0x80;
    const unsigned char high = lead == 0xED ? 0x9F : 0xBF;
    if (left >= 3 && Continuation(byte(1), low, high) && Continuation(byte(2))) {
      return {(char32_t(lead & 0x0F) << 12) | (char32_t(byte(1) & 0x3F) << 6) | (byte(2) & 0x3F), 3,
              true};
    }
    return {};
  }
  if (lead >= 0xF0 && lead <= 0xF4) {
    // No overlong forms (F0 80..8F) and nothing past U+10FFFF (F4 90..).
    const unsigned char low = lead == 0xF0 ? 0x90 : 0x80;
    const unsigned char high = lead == 0xF4 ? 0x8F : 0xBF;
    if (left >= 4 && Continuation(byte(1), low, high) && Continuation(byte(2)) &&
        Continuation(byte(3))) {
      return {(char32_t(lead & 0x07) << 18) | (char32_t(byte(1) & 0x3F) << 12) |
                  (char32_t(byte(2) & 0x3F) << 6) | (byte(3) & 0x3F),
              4, true};
    }
  }
  return {};
}

std::size_t NextBoundary(std::string_view text, std::size_t pos) {
  return pos >= text.size() ? text.size() : pos + DecodeUtf8At(text, pos).size;
}

std::size_t PrevBoundary(std::string_view text, std::size_t pos) {
  if (pos == 0) return 0;
  // A valid character cannot start inside another one, so the first that
  // ends exactly here is the one before; otherwise a lone byte is.
  for (std::size_t back = 2; back <= 4 && back <= pos; ++back) {
    const Utf8Char c = DecodeUtf8At(text, pos - back);
    if (c.valid && c.size == back) return pos - back;
  }
  return pos - 1;
}

std::size_t SnapToBoundary(std::string_view text, std::size_t pos) {
  pos = std::min(pos, text.size());
  for (std::size_t back = 1; back <= 3 && back <= pos; ++back) {
    const Utf8Char c = DecodeUtf8At(text, pos - back);
    if (c.valid && c.size > back) return pos - back;
  }
  return pos;
}

int Utf16Index(std::string_view text, std::size_t byte) {
  std::size_t pos = SkippedPrefix(text);
  int units = 0;
  while (pos < byte && pos < text.size()) {
    const Utf8Char c = DecodeUtf8At(text, pos);
    units += Utf16Units(c);
    pos += c.size;
  }
  return units;
}

std::size_t ByteIndex(std::string_view text, int index) {
  std::size_t pos = SkippedPrefix(text);
  int units = 0;
  while (units < index && pos < text.size()) {
    const Utf8Char c = DecodeUtf8At(text, pos);
    units += Utf16Units(c);
    pos += c.size;
  }
  return pos;
}

}  // namespace zuruza
