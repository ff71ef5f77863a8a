#include "search/inventario.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <time.h>

#include "base/errors.h"
#include "platform/fs.h"
#include "platform/line_ends.h"
#include "platform/testing/environment.h"
#include "platform/testing/system_traits.h"
#include "search/busca.h"
#include "support/recording_sink.h"
#include "support/scripted_prompter.h"
#include "support/temp_tree.h"

namespace zuruza {
namespace {

using testing::RecordingSink;
using testing::ScriptedPrompter;
using testing::TempTree;

constexpr long long k2001_02_03_10h20m30s = 981195630;  // UTC

class InventoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::zuruza::testing::SetEnv("TZ", "UTC");
    tzset();
  }
  void TearDown() override {
    ::zuruza::testing::UnsetEnv("TZ");
    tzset();
  }

  // Indexes `dir` into the listing with `comment`, as "Indexar un Nuevo Disco" does.
  void Index(const std::string& dir, const std::string& listing, const std::string& comment) {
    RecordingSink sink;
    ScriptedPrompter prompter;
    prompter.input_answers = {comment};
    FileSearch search(sink, prompter, LocaleFormats{});
    search.set_clock([] { return CivilDateTime{{2026, 12, 8}, 9, 30, 0}; });
    search.SetIndexMode(true);
    SearchRequest request;
    request.drive_root = "/";
    request.directory = dir;
    request.write_report = true;
    request.report_path = listing;
    search.RunSearch(request);
  }

  ListingSearchResult Search(const std::string& listing, ListingSearchRequest request,
                             std::size_t capacity = 1000) {
    ResultsFile results = CreateResultsFile({tree_.Path("results.txt")});
    return SearchIndexedDisks(listing, request, results, sink_, LocaleFormats{}, 2026, capacity);
  }

  // Two disks: fotos (a subdirectory interrupting the files of its parent) and docs.
  std::string TwoDisks() {
    tree_.AddFile("fotos/a.jpg", "1234");
    tree_.AddFile("fotos/m/viaje.jpg", "12");
    tree_.AddFile("fotos/z.jpg", "123456");
    tree_.AddFile("docs/carta.doc", std::string(1536, 'x'));
    for (const char* file : {"fotos/a.jpg", "fotos/m/viaje.jpg", "fotos/z.jpg", "docs/carta.doc"}) {
      tree_.SetWriteTime(file, k2001_02_03_10h20m30s);
    }
    std::string listing = tree_.Path("listado.txt");
    Index(tree_.Path("fotos"), listing, "DVD 1");
    Index(tree_.Path("docs"), listing, "DVD 2");
    return listing;
  }

  TempTree tree_;
  RecordingSink sink_;
  ScriptedPrompter prompter_;
};

TEST_F(InventoryTest, FirstUseCreatesTheIndexNamingTheDefaultListing) {
  const std::string program_dir = tree_.Path("data/zuruza/");
  EXPECT_EQ(LoadListingIndex(program_dir),
            std::vector<std::string>{program_dir + "_indice_discos.txt"});
  EXPECT_EQ(tree_.ReadFile("data/zuruza/_indice_listados.txt"), "_indice_discos.txt\r\n");
  AddToListingIndex(program_dir, "/media/otros/cds.txt");
  AddToListingIndex(program_dir, "mas.txt");
  EXPECT_EQ(LoadListingIndex(program_dir),
            (std::vector<std::string>{program_dir + "_indice_discos.txt", "/media/otros/cds.txt",
                                      program_dir + "mas.txt"}));
  // A hand-edited index whose last line has no end keeps that line whole.
  tree_.AddFile("data/zuruza/_indice_listados.txt", "uno.txt\r\ndos.txt");
  AddToListingIndex(program_dir, "tres.txt");
  EXPECT_EQ(LoadListingIndex(program_dir),
            (std::vector<std::string>{program_dir + "uno.txt", program_dir + "dos.txt",
                                      program_dir + "tres.txt"}));
}

TEST_F(InventoryTest, SearchShowsEachDisksHeaderOnceWithDirectoriesExpanded) {
  std::string listing = TwoDisks();
  ListingSearchResult result = Search(listing, {"JPG", "", "", ""});
  const std::string fotos = tree_.Path("fotos/");
  std::vector<std::string> expected = {
      fotos + " (Listado generado el 08/12/2026 09:30:00) DVD 1",
      "(           4) 03/02/2001 10:20:30> " + fotos + "a.jpg",
      "(           2) 03/02/2001 10:20:30> " + tree_.Path("fotos/m/viaje.jpg"),
      // The parent's files after the subdirectory's start again with a full path.
      "(           6) 03/02/2001 10:20:30> " + fotos + "z.jpg", "", "Coincidencias Encontradas: 3"};
  EXPECT_EQ(sink_.lines, expected);
  EXPECT_EQ(result.matches, 3);
  EXPECT_EQ(result.lines_added, 5);
  EXPECT_FALSE(result.pane_overflowed);
  EXPECT_EQ(sink_.status1, "FIN. Buscar en Discos Indexados. Coincidencias:3 de 14 ficheros.");
  std::string file;
  for (const std::string& line : expected) file += line + "\r\n";
  EXPECT_EQ(tree_.ReadFile("results.txt"), file);
}

TEST_F(InventoryTest, AbbreviatedLinesAreTestedWithTheirMarkNotTheirDirectory) {
  tree_.AddFile("d/uno.txt");
  tree_.AddFile("d/dos.txt");
  std::string listing = tree_.Path("l.txt");
  Index(tree_.Path("d"), listing, "CD");
  const std::string d = std::string(1, kPathSep) + "d" + kPathSep;
  Search(listing, {d, "", "", ""});
  ASSERT_EQ(sink_.lines.size(), 4u);
  EXPECT_NE(sink_.lines[1].find(d + "dos.txt"), std::string::npos);  // only the full-path line
}

TEST_F(InventoryTest, EmptyTextListsEveryLineButHeadersTitlesIncluded) {
  std::string listing = TwoDisks();
  Search(listing, {"", "", "", ""});
  // 14 lines: 12 tested and listed, 2 headers shown before them, 2 closing lines.
  EXPECT_EQ(sink_.lines.size(), 16u);
  EXPECT_EQ(sink_.lines[1], "Tamaño (bytes)  FECHA                 NOMBRE");
  EXPECT_EQ(sink_.lines[2], "-------------- -------------------- -----------------------");
}

TEST_F(InventoryTest, SizeAndDatesFilterAndUnreadableFieldsCountAsZero) {
  std::string listing = tree_.Path("hecho.txt");
  TempTree& t = tree_;
  t.AddFile("hecho.txt",
            "X (Listado generado el 01/01/2020) a\r\n"
            "(        1536) 03/02/2001 10:20:30> /x/big.doc\r\n"
            "(          10) 03/02/2001         > /x/small.doc\r\n"
            "(   nonsense) 03/02/2001         > /x/badsize.doc\r\n"
            "(         999) 99/99/2001         > /x/baddate.doc\r\n");
  struct Row {
    ListingSearchRequest request;
    int matches;
  } rows[] = {
      {{".doc", "100", "", ""}, 2},                  // big, baddate
      {{".doc", "", "03/02/2001", ""}, 1},           // only big is later than midnight
      {{".doc", "", "", "03/02/2001 10:20:30"}, 3},  // all but big
      {{".doc", "", "01/01/1900", ""}, 3},           // the zero date is 1899
      {{".doc", "9223372036854775808", "", ""}, 0},  // past 64 bits: still a minimum
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.request.min_size + "|" + row.request.newer_than + "|" +
                 row.request.older_than);
    EXPECT_EQ(Search(listing, row.request).matches, row.matches);
  }
}

TEST_F(InventoryTest, FailuresLeaveAnEmptyPane) {
  std::string listing = TwoDisks();
  sink_.lines = {"old report"};
  EXPECT_THROW(Search(tree_.Path("missing.txt"), {"", "", "", ""}), IoError);
  EXPECT_TRUE(sink_.lines.empty());
  EXPECT_EQ(tree_.ReadFile("results.txt"), "");
  try {
    Search(listing, {"", "", "", "1/13/2001"});
    FAIL() << "expected a conversion error";
  } catch (const ConversionError& error) {
    EXPECT_STREQ(error.what(), "'1/13/2001' is not a valid date and time");
  }
}

TEST_F(InventoryTest, PaneOverflowLeavesTheWholeResultInTheFile) {
  std::string listing = TwoDisks();
  ListingSearchResult result = Search(listing, {".", "", "", ""}, 3);
  EXPECT_TRUE(result.pane_overflowed);
  EXPECT_TRUE(sink_.lines.empty());
  std::string results = tree_.ReadFile("results.txt");
  // The four files and the two count lines of the blocks hold a ".".
  EXPECT_NE(results.find("Coincidencias Encontradas: 6\r\n"), std::string::npos);
  EXPECT_NE(results.find("carta.doc"), std::string::npos);
}

TEST_F(InventoryTest, ListIndexedDisksShowsOneHeaderPerRun) {
  std::string listing = TwoDisks();
  Index(tree_.Path("docs"), listing, "DVD 2 otra vez");
  EXPECT_EQ(ListIndexedDisks(listing, sink_), 3);
  EXPECT_EQ(sink_.lines[2],
            tree_.Path("docs/") + " (Listado generado el 08/12/2026 09:30:00) DVD 2 otra vez");
  EXPECT_EQ(sink_.status1, "FIN. Ver Discos Indexados. Coincidencias: 3");
}

TEST_F(InventoryTest, NamesWithLineEndOrCtrlZBytesCannotHideLaterDisks) {
  if (!::zuruza::testing::NamesAreBytes()) GTEST_SKIP() << "names are no bytes on this system";
  tree_.AddFile(
      "raro/a\x1a"
      "b.txt",
      "1");                             // Ctrl-Z would end the listing
  tree_.AddFile("raro/c\rd.txt", "1");  // CR would split its line
  std::string listing = tree_.Path("listado.txt");
  Index(tree_.Path("raro"), listing, "DISCO RARO");
  tree_.AddFile("docs/carta.doc", "x");
  Index(tree_.Path("docs"), listing, "DVD 2");
  EXPECT_EQ(ListIndexedDisks(listing, sink_), 2);
  sink_.lines.clear();
  const ListingSearchResult found = Search(listing, {"carta", "", "", ""});
  EXPECT_EQ(found.matches, 1);
  ASSERT_EQ(sink_.lines.size(), 4u);  // header, line, blank, count
  EXPECT_NE(sink_.lines[1].find(tree_.Path("docs/carta.doc")), std::string::npos);
  sink_.lines.clear();
  EXPECT_EQ(Search(listing, {".txt", "", "", ""}).matches, 2);
  ASSERT_EQ(sink_.lines.size(), 5u);
  EXPECT_NE(sink_.lines[1].find("a?b.txt"), std::string::npos);
  EXPECT_NE(sink_.lines[2].find("c?d.txt"), std::string::npos);
}

TEST_F(InventoryTest, LfEndedListingAndIndexReadAsTheirCrLfForms) {
  if (!kLoneLfEndsLine) GTEST_SKIP() << "a lone LF ends no line on this system";
  const std::string listing = TwoDisks();
  std::string lf_text = tree_.ReadFile("listado.txt");
  for (std::size_t at; (at = lf_text.find("\r\n")) != std::string::npos;) lf_text.erase(at, 1);
  tree_.AddFile("lf.txt", lf_text);  // as a Linux tool leaves it
  for (const char* text : {"JPG", "<D>", "VIAJE", "", "Se han"}) {
    SCOPED_TRACE(text);
    const ListingSearchResult crlf = Search(listing, {text, "", "", ""});
    const std::vector<std::string> crlf_lines = sink_.lines;
    const ListingSearchResult lf = Search(tree_.Path("lf.txt"), {text, "", "", ""});
    EXPECT_EQ(sink_.lines, crlf_lines);
    EXPECT_EQ(lf.matches, crlf.matches);
    EXPECT_EQ(lf.lines_read, crlf.lines_read);
  }
  EXPECT_EQ(ListIndexedDisks(tree_.Path("lf.txt"), sink_), 2);

  const std::string program_dir = tree_.Path("prog/");
  tree_.AddFile("prog/_indice_listados.txt", "uno.txt\n/otra/dos.txt\ntres.txt\n");
  EXPECT_EQ(LoadListingIndex(program_dir),
            (std::vector<std::string>{program_dir + "uno.txt", "/otra/dos.txt",
                                      program_dir + "tres.txt"}));
}

TEST_F(InventoryTest, ListedDirectoriesAreCutAtCharactersNotBytes) {
  // A path with no separator is a directory whole, cut at 1000 characters.
  const std::string name = std::string(998, 'a') + "\xC3\xA9";
  tree_.AddFile("l.txt",
                "X (Listado generado el 01/01/2020) a\r\n"
                "(           1) 03/02/2001         > " +
                    name +
                    "zz\r\n"
                    "(           1) 03/02/2001         > <d>" +
                    kPathSep + "f.txt\r\n");
  EXPECT_EQ(Search(tree_.Path("l.txt"), {"f.txt", "", "", ""}).matches, 1);
  ASSERT_EQ(sink_.lines.size(), 4u);
  EXPECT_EQ(sink_.lines[1], "(           1) 03/02/2001         > " + name + "f.txt");
}

TEST_F(InventoryTest, ResultsFileFallsBackToTheSecondPlace) {
  ResultsFile results =
      CreateResultsFile({tree_.Path("no/such/dir/r.txt"), tree_.Path("zelq/r.txt")});
  EXPECT_EQ(results.path, tree_.Path("zelq/r.txt"));
  EXPECT_THROW(CreateResultsFile({tree_.Path("no/such/dir/r.txt")}), IoError);
}

}  // namespace
}  // namespace zuruza
