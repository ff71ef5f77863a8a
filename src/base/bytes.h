// Byte searches through a block. The C library does them fastest where it
// has them (memrchr and memmem are glibc's); other C libraries get plain
// ones, which give the same answers.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace zuruza {

// The plain searches, for C libraries without the fast ones (and for the
// tests that hold both to the same answers).
namespace plain {

inline const char* FindLastByte(const char* begin, char byte, std::size_t size) {
  for (std::size_t i = size; i > 0; --i) {
    if (begin[i - 1] == byte) return begin + i - 1;
  }
  return nullptr;
}

inline const char* FindBytes(const char* haystack, std::size_t size, const char* needle,
                             std::size_t needle_size) {
  if (needle_size > size) return nullptr;
  const char* end = haystack + size;
  const char* found = std::search(haystack, end, needle, needle + needle_size);
  return found == end && needle_size > 0 ? nullptr : found;
}

}  // namespace plain

// The last `byte` among the `size` bytes at `begin`, or nullptr.
inline const char* FindLastByte(const char* begin, char byte, std::size_t size) {
#if defined(__GLIBC__)
  return static_cast<const char*>(memrchr(begin, byte, size));
#else
  return plain::FindLastByte(begin, byte, size);
#endif
}

// The first place the `needle_size` bytes at `needle` occur among the
// `size` bytes at `haystack`, or nullptr.
inline const char* FindBytes(const char* haystack, std::size_t size, const char* needle,
                             std::size_t needle_size) {
#if defined(__GLIBC__)
  return static_cast<const char*>(memmem(haystack, size, needle, needle_size));
#else
  return plain::FindBytes(haystack, size, needle, needle_size);
#endif
}

}  // namespace zuruza
