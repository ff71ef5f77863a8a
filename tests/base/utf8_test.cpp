#include "base/utf8.h"

#include <gtest/gtest.h>

#include <string>

namespace zuruza {
namespace {

TEST(Utf8Test, DecodesValidCharactersAndRejectsMalformedOnes) {
  const struct {
    std::string text;
    bool valid;
    std::size_t size;
    char32_t code;
  } cases[] = {
      {"a", true, 1, U'a'},
      {"\xC3\xB3", true, 2, U'\u00F3'},
      {"\xE2\x82\xAC", true, 3, U'\u20AC'},
      {"\xF0\x9F\x98\x80", true, 4, U'\U0001F600'},
      {"\xC0\x80", false, 1, 0},          // overlong
      {"\xE0\x80\x80", false, 1, 0},      // overlong
      {"\xED\xA0\x80", false, 1, 0},      // surrogate
      {"\xF4\x90\x80\x80", false, 1, 0},  // past U+10FFFF
      {"\xE2\x82", false, 1, 0},          // cut short
      {"\x80", false, 1, 0},              // a lone continuation byte
  };
  for (const auto& c : cases) {
    const Utf8Char decoded = DecodeUtf8At(c.text, 0);
    EXPECT_EQ(decoded.valid, c.valid) << c.text;
    EXPECT_EQ(decoded.size, c.size) << c.text;
    if (c.valid) {
      EXPECT_EQ(decoded.code, c.code) << c.text;
    }
  }
}

TEST(Utf8Test, ColumnsMapToShownIndexesAndBack) {
  // A hidden byte order mark, a two-byte letter, a lone byte and a character
  // past U+FFFF (two UTF-16 units).
  const std::string line =
      "\xEF\xBB\xBF"
      "a\xC3\xB3\xFF\xF0\x9F\x98\x80z";
  EXPECT_EQ(Utf16Length(line), 6);
  EXPECT_EQ(Utf16Index(line, 6), 2);  // after the accented letter
  EXPECT_EQ(ByteIndex(line, 0), 3u);
  EXPECT_EQ(ByteIndex(line, 3), 7u);  // after the lone byte
  EXPECT_EQ(ByteIndex(line, 5), 11u);
  EXPECT_EQ(PrevBoundary(line, 11), 7u);
  EXPECT_EQ(NextBoundary(line, 4), 6u);
  EXPECT_EQ(SnapToBoundary(line, 9), 7u);  // inside the four-byte character
}

}  // namespace
}  // namespace zuruza
