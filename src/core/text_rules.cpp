#include "core/text_rules.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "base/utf8.h"

namespace zuruza {

namespace {

bool IsBlankByte(char c) { return static_cast<unsigned char>(c) <= 32; }

}  // namespace

void UpperAsciiInto(std::string_view text, std::string& out) {
  out.assign(text);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
}

std::string UpperAscii(std::string_view text) {
  std::string result;
  UpperAsciiInto(text, result);
  return result;
}

bool Occurs(std::string_view needle, std::string_view haystack) {
  // Called for every name of a walk, so it leans on the library's memchr-based search.
  if (needle.empty()) return false;
  return haystack.find(needle) != std::string_view::npos;
}

std::string Substring(std::string_view text, long long start, long long count) {
  if (start < 1) start = 1;
  if (text.empty() || count < 1) return {};
  const auto size = static_cast<unsigned long long>(text.size());
  const auto first = static_cast<unsigned long long>(start - 1);
  if (first >= size) return {};
  // Compared without adding, so a huge count cannot overflow.
  const auto length = std::min(static_cast<unsigned long long>(count), size - first);
  return std::string(
      text.substr(static_cast<std::size_t>(first), static_cast<std::size_t>(length)));
}

namespace {

bool IsContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// The byte offset where the character `chars` (0-based) starts, or the size.
std::size_t Utf8Offset(std::string_view text, unsigned long long chars, std::size_t from = 0) {
  std::size_t i = from;
  while (i < text.size() && chars > 0) {
    ++i;
    while (i < text.size() && IsContinuation(text[i])) ++i;
    --chars;
  }
  return i;
}

}  // namespace

std::string Utf8Substring(std::string_view text, long long start, long long count) {
  if (start < 1) start = 1;
  if (text.empty() || count < 1) return {};
  const std::size_t first = Utf8Offset(text, static_cast<unsigned long long>(start - 1));
  const std::size_t last = Utf8Offset(text, static_cast<unsigned long long>(count), first);
  return std::string(text.substr(first, last - first));
}

std::int64_t Utf8Length(std::string_view text) {
  std::int64_t characters = 0;
  for (char c : text) characters += !IsContinuation(c);
  return characters;
}

bool IsValidUtf8(std::string_view text) {
  for (std::size_t pos = 0; pos < text.size();) {
    if (static_cast<unsigned char>(text[pos]) < 0x80) {
      ++pos;  // the usual case, without a call
      continue;
    }
    const Utf8Char c = DecodeUtf8At(text, pos);
    if (!c.valid) return false;
    pos += c.size;
  }
  return true;
}

std::string CharSubstring(std::string_view text, long long start, long long count) {
  return IsValidUtf8(text) ? Utf8Substring(text, start, count) : Substring(text, start, count);
}

std::int64_t CharLength(std::string_view text) {
  return IsValidUtf8(text) ? Utf8Length(text) : static_cast<std::int64_t>(text.size());
}

std::string CharPrefix(std::string_view text, long long count) {
  // Most texts are far shorter than their limit: no scan needed then.
  if (count >= 0 && text.size() <= static_cast<unsigned long long>(count)) return std::string(text);
  return CharSubstring(text, 1, count);
}

std::string Trim(std::string_view text) {
  std::size_t first = 0;
  std::size_t last = text.size();
  while (first < last && IsBlankByte(text[first])) ++first;
  while (last > first && IsBlankByte(text[last - 1])) --last;
  return std::string(text.substr(first, last - first));
}

bool IsBlank(std::string_view text) { return std::all_of(text.begin(), text.end(), IsBlankByte); }

int CompareBytes(std::string_view a, std::string_view b) {
  const std::size_t common = std::min(a.size(), b.size());
  if (common > 0) {
    // memcmp compares as unsigned char, which is the order wanted here.
    if (int result = std::memcmp(a.data(), b.data(), common); result != 0)
      return result < 0 ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

namespace {

char UpperByte(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool EqualsUpper(const char* text, const char* upper, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i) {
    if (UpperByte(text[i]) != upper[i]) return false;
  }
  return true;
}

#if defined(__SSE2__)
// The bytes a-z of a 16-byte chunk upper-cased; others unchanged. Bytes of
// 128 and more compare as negative, so they never count as letters.
__m128i UpperChunk(__m128i bytes) {
  const __m128i lower = _mm_and_si128(_mm_cmpgt_epi8(bytes, _mm_set1_epi8('a' - 1)),
                                      _mm_cmplt_epi8(bytes, _mm_set1_epi8('z' + 1)));
  return _mm_sub_epi8(bytes, _mm_and_si128(lower, _mm_set1_epi8(0x20)));
}
#endif

}  // namespace

std::size_t FindUpperAscii(std::string_view text, std::string_view upper_needle, std::size_t from) {
  const std::size_t k = upper_needle.size();
  if (k == 0 || from > text.size() || text.size() - from < k) return std::string_view::npos;
  const char* s = text.data();
  const std::size_t last_start = text.size() - k;  // the last place a match can begin
  std::size_t i = from;
#if defined(__SSE2__)
  // Compare the needle's first and last bytes at 16 places at once; check
  // the bytes between only where both agree.
  const __m128i first = _mm_set1_epi8(upper_needle[0]);
  const __m128i last = _mm_set1_epi8(upper_needle[k - 1]);
  for (; i + 16 <= last_start + 1; i += 16) {
    const __m128i at_first = UpperChunk(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i)));
    const __m128i at_last =
        UpperChunk(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i + k - 1)));
    unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(
        _mm_and_si128(_mm_cmpeq_epi8(at_first, first), _mm_cmpeq_epi8(at_last, last))));
    while (mask != 0) {
      const std::size_t at = i + static_cast<std::size_t>(__builtin_ctz(mask));
      if (EqualsUpper(s + at + 1, upper_needle.data() + 1, k > 2 ? k - 2 : 0)) return at;
      mask &= mask - 1;
    }
  }
#endif
  for (; i <= last_start; ++i) {
    if (UpperByte(s[i]) == upper_needle[0] &&
        EqualsUpper(s + i + 1, upper_needle.data() + 1, k - 1))
      return i;
  }
  return std::string_view::npos;
}

}  // namespace zuruza
