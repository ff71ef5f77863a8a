#include "core/text_rules.h"

#include <gtest/gtest.h>

#include <string>

namespace zuruza {
namespace {

using namespace std::string_literals;

TEST(TextRules, UpperAsciiChangesOnlyLowercaseAsciiLetters) {
  struct Row {
    const char* name;
    std::string text;
    std::string expected;
  };
  const Row rows[] = {
      {"empty", "", ""},
      {"letters", "abcxyz", "ABCXYZ"},
      {"already upper", "ABC", "ABC"},
      {"around the range", "`az{@AZ[", "`AZ{@AZ["},
      {"utf8 accent kept", "caf\xc3\xa9", "CAF\xc3\xa9"},
      {"latin1 byte kept", "\xe1\xf1", "\xe1\xf1"},
      {"embedded zero", "a\0b"s, "A\0B"s},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(UpperAscii(row.text), row.expected);
  }
}

TEST(TextRules, OccursFindsExactByteRuns) {
  struct Row {
    const char* name;
    std::string needle;
    std::string haystack;
    bool expected;
  };
  const Row rows[] = {
      {"empty needle", "", "abc", false},
      {"empty needle and haystack", "", "", false},
      {"empty haystack", "a", "", false},
      {"whole", "abc", "abc", true},
      {"prefix", "ab", "abc", true},
      {"suffix", "bc", "abc", true},
      {"middle", "b", "abc", true},
      {"longer than haystack", "abcd", "abc", false},
      {"case differs", "ABC", "abc", false},
      {"split run", "ac", "abc", false},
      {"after partial match", "aab", "aaab", true},
      {"high bytes", "\xc3\xa9", "caf\xc3\xa9", true},
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
    long long start;
    long long count;
    std::string expected;
  };
  const Row rows[] = {
      {"from start", "abcdef", 1, 3, "abc"},
      {"middle", "abcdef", 2, 3, "bcd"},
      {"count past end", "abcdef", 4, 100, "def"},
      {"last byte", "abcdef", 6, 1, "f"},
      {"start past end", "abcdef", 7, 1, ""},
      {"start zero counts as one", "abcdef", 0, 2, "ab"},
      {"negative start counts as one", "abcdef", -5, 2, "ab"},
      {"zero count", "abcdef", 2, 0, ""},
      {"negative count", "abcdef", 2, -1, ""},
      {"empty text", "", 1, 5, ""},
      {"huge count", "abcdef", 3, 0x7fffffffffffffffLL, "cdef"},
      {"huge start", "abcdef", 0x7fffffffffffffffLL, 1, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(Substring(row.text, row.start, row.count), row.expected);
  }
}

TEST(TextRules, TrimRemovesControlBytesAndBlanksButNotHighBytes) {
  struct Row {
    const char* name;
    std::string text;
    std::string expected;
    bool blank;
  };
  const Row rows[] = {
      {"empty", "", "", true},
      {"only blanks", "  \t\r\n", "", true},
      {"zero and 32", "\0 x \0"s, "x", false},
      {"inner blanks kept", " a b ", "a b", false},
      {"byte 33 kept", "!a!", "!a!", false},
      {"byte 127 kept", "\x7f" "a", "\x7f" "a", false},
      {"byte 160 kept", "\xa0" "a\xa0", "\xa0" "a\xa0", false},
      {"byte 255 is not blank", "\xff", "\xff", false},
      {"control bytes", "\x01\x1f" "a\x1f", "a", false},
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
    std::string a;
    std::string b;
    int sign;
  };
  const Row rows[] = {
      {"equal", "abc", "abc", 0},
      {"both empty", "", "", 0},
      {"empty before any", "", "a", -1},
      {"prefix first", "ab", "abc", -1},
      {"longer after", "abc", "ab", 1},
      {"byte order", "abd", "abc", 1},
      {"uppercase before lowercase", "B", "a", -1},
      {"high byte after ascii", "\xe9", "z", 1},
      {"ascii before high byte", "z", "\x80", -1},
      {"zero byte before others", "a\0"s, "a\x01", -1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    int result = CompareBytes(row.a, row.b);
    EXPECT_EQ((result > 0) - (result < 0), row.sign);
  }
}

}  // namespace
}  // namespace zuruza
