// The file search's matching: the name test, the size and date filters, the re-dating.
#include "search/busca.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <time.h>

#include <cstdint>
#include <string>
#include <vector>

#include "base/errors.h"
#include "platform/fs.h"
#include "platform/testing/environment.h"
#include "platform/testing/system_traits.h"
#include "search/busca_test_support.h"
#include "support/temp_tree.h"

namespace zuruza::busca_test {
namespace {

using testing::TempTree;

TEST_F(FileSearchTest, EmptyTextListsEveryEntryDescendingFirstWithDotEntries) {
  TempTree tree("sub/x.txt=abc\ntop.txt=12345\n");
  const std::string& r = tree.root();
  std::vector<std::string> lines = Run(Request(r));
  std::vector<std::string> expected = {
      r + ".",
      r + "..",
      tree.Path("sub/."),
      tree.Path("sub/.."),
      tree.Path("sub/x.txt"),
      r + "sub",  // a directory is listed after what was found inside it
      r + "top.txt",
      "",
      "Se han encontrado 7 coincidencias. (           8 bytes.)"};
  EXPECT_EQ(lines, expected);
  EXPECT_EQ(sink_.status1, "Directorios/ficheros Examinados: 1/2");
}

TEST_F(FileSearchTest, ProgressNamesEachSubdirectoryBeforeItIsEntered) {
  TempTree tree("a/b/\nf1\n");
  Run(Request(tree.root(), "zzz"));
  EXPECT_EQ(sink_.progress_calls, 2);
  EXPECT_EQ(sink_.status1, "Directorios/ficheros Examinados: 2/1");
}

TEST_F(FileSearchTest, NameTestIsAsciiCaseInsensitiveAndExactForOtherBytes) {
  // Names that differ in more than case: some systems take those as one.
  TempTree tree("Carta.DOC\nmi carta.doc\nmapa.txt\nÁrbol.txt\nmi árbol.txt\n lead.txt\n");
  const std::string& r = tree.root();
  struct Row {
    std::string text;
    std::vector<std::string> names;
  } rows[] = {
      {"CARTA", {"Carta.DOC", "mi carta.doc"}},
      {"árbol", {"mi árbol.txt"}},  // the accented capital is another byte sequence
      {" lead", {" lead.txt"}},     // compared as typed, leading blank included
      {"lead ", {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    sink_.lines.clear();
    std::vector<std::string> lines = Run(Request(r, row.text));
    std::vector<std::string> expected;
    for (const std::string& name : row.names) expected.push_back(r + name);
    expected.push_back("");
    expected.push_back("Se han encontrado " + std::to_string(row.names.size()) +
                       " coincidencias. (           0 bytes.)");
    EXPECT_EQ(lines, expected);
  }
}

TEST_F(FileSearchTest, TextOfBlanksAloneMatchesEveryEntry) {
  TempTree tree("a.txt\n");
  std::vector<std::string> lines = Run(Request(tree.root(), "   "));
  EXPECT_EQ(lines.back(), "Se han encontrado 3 coincidencias. (           0 bytes.)");
}

TEST_F(FileSearchTest, MinimumSizeCountsOnlyWholeNumbersAboveZero) {
  TempTree tree("small=12\nexact=1234\nbig=123456\n");
  struct Row {
    std::string min;
    int count;
  } rows[] = {{"", 5},  {"0", 5}, {"-4", 5}, {"abc", 5}, {"4", 2},
              {"5", 1}, {"2", 3}, {"7", 0},  {"  4", 2}, {"4 ", 5}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.min);
    sink_.lines.clear();
    SearchRequest request = Request(tree.root(), "");
    request.min_size = row.min;
    std::vector<std::string> lines = Run(request);
    EXPECT_EQ(search_.state().match_count, row.count);
  }
}

TEST_F(FileSearchTest, DateWindowIsStrictOnBothSides) {
  TempTree tree("old\nmid\nnew\n");
  tree.SetWriteTime("old", k1990_01_01);  // exactly midnight of the default date
  tree.SetWriteTime("mid", k1990_01_01 + 1);
  tree.SetWriteTime("new", k2001_02_04_10h);
  struct Row {
    std::string newer, older;
    std::vector<std::string> names;
  } rows[] = {
      // names in listing order
      {"01/01/1990", "", {"mid", "new"}},
      {"01/01/1990", "04/02/2001 10:00:00", {"mid"}},
      {"01/01/1990", "04/02/2001 10:00:01", {"mid", "new"}},
      {"04/02/2001", "", {"new"}},
      {"", "01/01/1990 00:00:01", {"old"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.newer + " / " + row.older);
    sink_.lines.clear();
    SearchRequest request = Request(tree.root(), "");
    request.newer_than = row.newer;
    request.older_than = row.older;
    std::vector<std::string> lines;
    for (const std::string& line : Run(request)) {
      // The dot entries carry the directory's own date: left out here.
      if (line.rfind(tree.root(), 0) == 0 && line.back() != '.') lines.push_back(line);
    }
    std::vector<std::string> expected;
    for (const std::string& name : row.names) expected.push_back(tree.root() + name);
    EXPECT_EQ(lines, expected);
  }
}

TEST_F(FileSearchTest, InvalidDateStopsAtFirstEntryTestedKeepingEarlierLines) {
  TempTree tree("a/x.txt\nb.txt\n");
  SearchRequest request = Request(tree.root(), "x.txt");
  request.older_than = "31/02/2001";
  request.write_report = true;
  request.report_path = tree.Path("report.txt");
  try {
    search_.RunSearch(request);
    FAIL() << "expected a conversion error";
  } catch (const ConversionError& error) {
    EXPECT_STREQ(error.what(), "'31/02/2001' is not a valid date and time");
  }
  EXPECT_TRUE(sink_.lines.empty());
  // The start directory's "." is the first entry tested: no progress text yet,
  // and the report file holds nothing but what was written.
  EXPECT_EQ(sink_.status1, "");
  EXPECT_EQ(tree.ReadFile("report.txt"), "");
}

TEST_F(FileSearchTest, InvalidDateStopsTheSearchEvenWhenNoNameMatches) {
  TempTree tree("a.txt\nsub/b.txt\n");
  for (bool older : {true, false}) {
    SCOPED_TRACE(older ? "older than" : "newer than");
    sink_.lines.clear();
    SearchRequest request = Request(tree.root(), "zzz");
    (older ? request.older_than : request.newer_than) = "31/02/2001";
    EXPECT_THROW(search_.RunSearch(request), ConversionError);
    EXPECT_TRUE(sink_.lines.empty());  // no "0 coincidencias" closing lines
  }
}

TEST_F(FileSearchTest, DateWindowComparesLocalClockTimesAcrossClockChanges) {
  if (!::zuruza::testing::TimeZoneFollowsTz())
    GTEST_SKIP() << "the time zone does not follow TZ on this system";
  if (!PathExists("/usr/share/zoneinfo/Europe/Madrid")) GTEST_SKIP() << "no time zone data";
  ::zuruza::testing::SetEnv("TZ", "Europe/Madrid");  // TearDown puts the zone back
  tzset();
  TempTree tree("f\n");
  constexpr long long k2024_10_27_second_0210 =
      1729991400;                                     // 01:10 UTC, after the clocks went back
  constexpr long long k2024_03_31_0310 = 1711847400;  // 01:10 UTC; 02:30 never showed that day
  struct Row {
    long long written;
    std::string newer, older;
    bool listed;
  } rows[] = {
      {k2024_10_27_second_0210, "", "27/10/2024 02:30:00", true},
      {k2024_10_27_second_0210, "27/10/2024 02:30:00", "", false},
      {k2024_10_27_second_0210, "27/10/2024 02:09:59", "27/10/2024 02:10:01", true},
      {k2024_03_31_0310, "31/03/2024 02:30:00", "", true},
      {k2024_03_31_0310, "", "31/03/2024 02:30:00", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.newer + " / " + row.older);
    tree.SetWriteTime("f", row.written);
    SearchRequest request = Request(tree.root(), "f");
    request.newer_than = row.newer;
    request.older_than = row.older;
    Run(request);
    EXPECT_EQ(search_.state().match_count, row.listed ? 1 : 0);
  }
}

TEST_F(FileSearchTest, MinimumSizeBeyondSixtyFourBitsIsAMinimumNothingReaches) {
  TempTree tree("big=123456\nsub/\n");
  tree.SetWriteTime("big", k2001_02_04_10h);
  for (const char* min :
       {"9223372036854775808", "+99999999999999999999", "  18446744073709551616"}) {
    SCOPED_TRACE(min);
    SearchRequest request = Request(tree.root(), "");
    request.min_size = min;
    request.change_date = true;
    request.new_date = "15/03/2005";
    Run(request);
    EXPECT_EQ(search_.state().match_count, 0);
    EXPECT_EQ(MinimumSize(min), INT64_MAX);
  }
  EXPECT_EQ(StatPath(tree.Path("big"))->write_time, k2001_02_04_10h * 1'000'000'000);
  EXPECT_EQ(MinimumSize("-99999999999999999999"), 0);
  EXPECT_EQ(MinimumSize("99999999999999999999x"), 0);
}

TEST_F(FileSearchTest, InvalidNewDateStopsWhenFirstEntryIsRedated) {
  TempTree tree("x.txt\n");
  SearchRequest request = Request(tree.root(), "x.txt");
  request.change_date = true;
  request.new_date = "1/1/1990 10:00";
  EXPECT_THROW(
      {
        try {
          search_.RunSearch(request);
        } catch (const ConversionError& error) {
          EXPECT_STREQ(error.what(), "'1/1/1990 10:00' is not a valid date");
          throw;
        }
      },
      ConversionError);
  EXPECT_EQ(sink_.lines, std::vector<std::string>{tree.root() + "x.txt"});
}

TEST_F(FileSearchTest, ChangeDateRedatesListedFilesToMidnightOnly) {
  TempTree tree("hit.txt\nmiss.txt\nhitdir/\n");
  tree.SetWriteTime("hit.txt", k2001_02_04_10h);
  tree.SetWriteTime("miss.txt", k2001_02_04_10h);
  SearchRequest request = Request(tree.root(), "hit");
  request.change_date = true;
  request.new_date = "15/03/2005";
  Run(request);
  EXPECT_EQ(StatPath(tree.Path("hit.txt"))->write_time, 1110844800LL * 1'000'000'000);
  EXPECT_EQ(StatPath(tree.Path("miss.txt"))->write_time, k2001_02_04_10h * 1'000'000'000);
  EXPECT_EQ(search_.state().match_count, 2);  // the directory is listed, not re-dated
}

TEST_F(FileSearchTest, LinksAreEntriesNeverFollowed) {
  if (!::zuruza::testing::CanMakeLinks()) GTEST_SKIP() << "no symbolic links on this system";
  TempTree tree("d/f.txt\nd/up->..\nd/self->.\n");
  std::vector<std::string> lines = Run(Request(tree.root(), "up"));
  EXPECT_EQ(lines[0], tree.Path("d/up"));
  EXPECT_EQ(search_.state().dirs_examined, 1);
}

TEST_F(FileSearchTest, NamesThatAreNotUtf8AreListedByteForByte) {
  if (!::zuruza::testing::NamesAreBytes()) GTEST_SKIP() << "names are no bytes on this system";
  TempTree tree(std::string("caf\xe9.txt\n"));
  std::vector<std::string> lines = Run(Request(tree.root(), "CAF"));
  EXPECT_EQ(lines[0], tree.root() + "caf\xe9.txt");
}

}  // namespace
}  // namespace zuruza::busca_test
