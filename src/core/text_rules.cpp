#include "core/text_rules.h"

#include <algorithm>
#include <cstring>

namespace zuruza {

namespace {

bool IsBlankByte(char c) { return static_cast<unsigned char>(c) <= 32; }

}  // namespace

std::string UpperAscii(std::string_view text) {
  std::string result(text);
  for (char& c : result) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
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
  return std::string(text.substr(static_cast<std::size_t>(first), static_cast<std::size_t>(length)));
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
    if (int result = std::memcmp(a.data(), b.data(), common); result != 0) return result < 0 ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

}  // namespace zuruza
