#include "core/text_rules.h"

#include <gtest/gtest.h>

#include <string>

namespace zuruza {
namespace {

using namespace std::string_literals;

TEST(TextRules, UpperAsciiChangesOnlyLowercaseAsciiLetters) {
  struct Row {
    const char* name;
    std::string text, expected;
  };
  const Row rows[] = {{"letters and neighbours", "`az{@AZ[", "`AZ{@AZ["},
                      {"utf8 and latin1 bytes kept", "caf\xc3\xa9\xe1", "CAF\xc3\xa9\xe1"},
                      {"embedded zero", "a\0b"s, "A\0B"s}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(UpperAscii(row.text), row.expected);
  }
}

TEST(TextRules, OccursFindsExactByteRuns) {
  struct Row {
    const char* name;
    std::string needle, haystack;
    bool expected;
  };
  const Row rows[] = {
      {"empty needle", "", "abc", false},
      {"both empty", "", "", false},
      {"empty haystack", "a", "", false},
      {"whole", "abc", "abc", true},
      {"suffix", "bc", "abc", true},
      {"longer than haystack", "abcd", "abc", false},
      {"case differs", "ABC", "abc", false},
      {"split run", "ac", "abc", false},
      {"after partial match", "aab", "aaab", true},
      {"zero byte", "\0"s, "a\0b"s, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(Occurs(row.needle, row.haystack), row.expected);
  }
}

TEST(TextRules, SubstringCountsFromOneAndClampsTheRange) {
  struct Row {
    const char* name;
    std::string text;
    long long start, count;
    std::string expected;
  };
  const Row rows[] = {
      {"middle", "abcdef", 2, 3, "bcd"},
      {"count past end", "abcdef", 4, 100, "def"},
      {"last byte", "abcdef", 6, 1, "f"},
      {"start past end", "abcdef", 7, 1, ""},
      {"start zero as one", "abcdef", 0, 2, "ab"},
      {"negative start as one", "abcdef", -5, 2, "ab"},
      {"zero count", "abcdef", 2, 0, ""},
      {"negative count", "abcdef", 2, -1, ""},
      {"empty text", "", 1, 5, ""},
      {"huge count", "abcdef", 3, 0x7fffffffffffffffLL, "cdef"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(Substring(row.text, row.start, row.count), row.expected);
  }
}

TEST(TextRules, Utf8SubstringNeverCutsACharacter) {
  struct Row {
    const char* name;
    std::string text;
    long long start, count;
    std::string expected;
  };
  const Row rows[] = {
      {"ascii as bytes", "abcdef", 2, 3, "bcd"},
      {"two-byte letter counts once", "a\xc3\xb1oxyz", 3, 3, "oxy"},
      {"starts on the letter", "a\xc3\xb1o", 2, 1, "\xc3\xb1"},
      {"four-byte character", "\xf0\x9f\x98\x80z", 1, 1, "\xf0\x9f\x98\x80"},
      {"count past end", "\xe2\x82\xac\xe2\x82\xac", 2, 9, "\xe2\x82\xac"},
      {"start past end", "\xc3\xb1", 2, 1, ""},
      {"start zero as one", "\xc3\xb1x", 0, 1, "\xc3\xb1"},
      {"huge count", "ab\xc3\xb1", 2, 0x7fffffffffffffffLL, "b\xc3\xb1"},
      {"zero count", "abc", 1, 0, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(Utf8Substring(row.text, row.start, row.count), row.expected);
  }
  EXPECT_EQ(Utf8Length("a\xc3\xb1o \xe2\x82\xac"), 5);
}

// Wherever characters are counted, UTF-8 text counts characters and an
// 8-bit (Latin-1) text counts bytes, never cutting or miscounting either.
TEST(TextRules, CharactersAreUtf8SequencesOrBytesOfAnEightBitText) {
  EXPECT_EQ(CharSubstring("a\xc3\xb1o", 1, 2), "a\xc3\xb1");
  EXPECT_EQ(CharSubstring("a\xf1o", 1, 2), "a\xf1");
  EXPECT_EQ(CharLength("a\xc3\xb1o"), 3);
  EXPECT_EQ(CharLength("a\xf1o"), 3);
  EXPECT_EQ(CharPrefix("\xc3\xa9\xc3\xa9\xc3\xa9", 2), "\xc3\xa9\xc3\xa9");
  EXPECT_EQ(CharPrefix("ab", 5), "ab");
}

TEST(TextRules, ValidUtf8RejectsWhatADecoderWouldReplace) {
  struct Row {
    const char* name;
    std::string text;
    bool valid;
  };
  const Row rows[] = {
      {"empty", "", true},
      {"ascii", "plain text\r\n", true},
      {"two, three and four bytes", "\xc3\xb1 \xe2\x82\xac \xf0\x9f\x98\x80", true},
      {"latin-1 letter", "a\xf1o", false},
      {"cut at the end", "caf\xc3", false},
      {"stray continuation", "\x80", false},
      {"overlong slash", "\xc0\xaf", false},
      {"overlong three bytes", "\xe0\x80\xaf", false},
      {"surrogate", "\xed\xa0\x80", false},
      {"past U+10FFFF", "\xf4\x90\x80\x80", false},
      {"last code point", "\xf4\x8f\xbf\xbf", true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(IsValidUtf8(row.text), row.valid);
  }
}

TEST(TextRules, TrimRemovesControlBytesAndBlanksButNotHighBytes) {
  struct Row {
    const char* name;
    std::string text, expected;
    bool blank;
  };
  const Row rows[] = {
      {"empty", "", "", true},
      {"only blanks", "  \t\r\n", "", true},
      {"zero and 32", "\0 x \0"s, "x", false},
      {"inner blanks kept", " a b ", "a b", false},
      {"byte 33 kept", "!a!", "!a!", false},
      {"bytes 127 and 160 kept",
       "\x7f"
       "a\xa0",
       "\x7f"
       "a\xa0",
       false},
      {"byte 255 is not blank", "\xff", "\xff", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(Trim(row.text), row.expected);
    EXPECT_EQ(IsBlank(row.text), row.blank);
  }
}

TEST(TextRules, CompareBytesOrdersUnsignedWithPrefixFirst) {
  struct Row {
    const char* name;
    std::string a, b;
    int sign;
  };
  const Row rows[] = {
      {"equal", "abc", "abc", 0},
      {"both empty", "", "", 0},
      {"prefix first", "ab", "abc", -1},
      {"longer after", "abc", "ab", 1},
      {"byte order", "abd", "abc", 1},
      {"upper before lower", "B", "a", -1},
      {"high byte after ascii", "\xe9", "z", 1},
      {"zero byte before others", "a\0"s, "a\x01", -1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    int result = CompareBytes(row.a, row.b);
    EXPECT_EQ((result > 0) - (result < 0), row.sign);
  }
}

// The case-blind search must agree with upper-casing and finding, at every
// offset of a long text (the fast path takes 16 bytes at a time).
TEST(TextRules, FindUpperAsciiAgreesWithUpperCaseAndFind) {
  std::string text;
  for (int i = 0; i < 300; ++i) text += "ab_Cd\xc3\xa1\r\n\xe9zZ"[i * 7 % 13];
  const std::string needles[] = {"A",        "AB",       "_CD",   "Z",    "ZZA",
                                 "\xc3\xa1", "\xc3\x81", "\r\nE", "NOPE", "B_CD\xc3\xa1\r\n"};
  const std::string upper = UpperAscii(text);
  for (const std::string& needle : needles) {
    SCOPED_TRACE(needle);
    for (std::size_t from = 0; from <= text.size() + 1; from += 7) {
      EXPECT_EQ(FindUpperAscii(text, needle, from),
                from > text.size() ? std::string::npos : upper.find(needle, from));
    }
  }
  EXPECT_EQ(FindUpperAscii("abc", ""), std::string::npos);
  EXPECT_EQ(FindUpperAscii("", "A"), std::string::npos);
}

}  // namespace
}  // namespace zuruza
