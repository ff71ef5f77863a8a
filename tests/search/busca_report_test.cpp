// The file search's report and index listings, its start directory, and what it skips.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/errors.h"
#include "platform/fs.h"
#include "platform/testing/deep_tree.h"
#include "platform/testing/system_traits.h"
#include "search/busca.h"
#include "search/busca_test_support.h"
#include "support/as_nobody.h"
#include "support/recording_sink.h"
#include "support/scripted_prompter.h"
#include "support/temp_tree.h"

namespace zuruza::busca_test {
namespace {

using testing::RecordingSink;
using testing::ScriptedPrompter;
using testing::TempTree;

TEST_F(FileSearchTest, SuffixesCarrySizeThenUtcDates) {
  TempTree tree("carta.doc=" + std::string(1536, 'x') + "\n");
  tree.SetWriteTime("carta.doc", k2001_02_04_10h);
  SearchRequest request = Request(tree.root(), "carta");
  request.list_size = true;
  request.list_dates = true;
  std::vector<std::string> lines = Run(request);
  ASSERT_EQ(lines.size(), 4u);
  const std::string prefix = tree.root() + "carta.doc (1536 bytes) (";
  EXPECT_EQ(lines[0].substr(0, prefix.size()), prefix);
  // The access date was set with the write date; the creation date is today.
  EXPECT_EQ(lines[0].substr(lines[0].size() - 23), ";04/02/2001;04/02/2001)");
  EXPECT_EQ(lines[2], "Se han encontrado 1 coincidencias. (        1536 bytes.)");
  EXPECT_EQ(lines[3],
            "Las fechas son: Fecha creacion; fecha ultimo acceso; fecha ultima modificacion");
}

TEST_F(FileSearchTest, ReportFileRepeatsLinesWithItsOwnClosingWords) {
  TempTree tree("a.txt=abc\n");
  SearchRequest request = Request(tree.root(), "a.txt");
  request.write_report = true;
  request.list_dates = true;
  request.report_path = tree.Path("out.txt");
  Run(request);
  std::string line = sink_.lines[0];
  EXPECT_EQ(tree.ReadFile("out.txt"),
            line +
                "\r\n\r\nSe han encontrado 1 coincidencias. (           3 bytes.)\r\n"
                "Las fechas son: Fecha creacion; fecha ultimo acceso; fecha ultima escritura\r\n");
}

TEST_F(FileSearchTest, ReportPathInMissingDirectoryFailsBeforeAnyLine) {
  TempTree tree("a.txt\n");
  SearchRequest request = Request(tree.root());
  request.write_report = true;
  request.report_path = tree.Path("missing/out.txt");
  EXPECT_THROW(search_.RunSearch(request), IoError);
  EXPECT_TRUE(sink_.lines.empty());
  request.report_path = "";
  EXPECT_THROW(search_.RunSearch(request), IoError);
}

TEST_F(FileSearchTest, StartDirectoryThatCannotBeReadIsAnErrorBeforeTheReport) {
  TempTree tree("file.txt\n");
  for (const std::string& start : {tree.Path("nowhere"), tree.Path("file.txt")}) {
    SCOPED_TRACE(start);
    SearchRequest request = Request(start);
    request.write_report = true;
    request.report_path = tree.Path("out.txt");
    try {
      search_.RunSearch(request);
      ADD_FAILURE() << "no error";
    } catch (const Error& error) {
      EXPECT_EQ(std::string(error.what()), "No existe el directorio: " + start + kPathSep);
    }
    EXPECT_TRUE(sink_.lines.empty());
    EXPECT_FALSE(PathExists(tree.Path("out.txt")));
  }
}

TEST_F(FileSearchTest, StartDirectoryIsTrimmedGivenSeparatorAndWrittenBack) {
  TempTree tree("x.txt\n");
  std::string typed = "  " + tree.root().substr(0, tree.root().size() - 1) + " ";
  SearchRequest request = Request(typed, "x.txt");
  search_.RunSearch(request);
  EXPECT_EQ(request.directory, tree.root());
  EXPECT_EQ(sink_.lines[0], tree.root() + "x.txt");

  SearchRequest on_drive = Request("  ");
  on_drive.drive_root = tree.root();
  EXPECT_EQ(StartDirectory(on_drive), tree.root());
}

TEST_F(FileSearchTest, IndexModeWritesListingBlockAndAppendsTheNext) {
  TempTree tree("disk/a.txt=12\ndisk/sub/b.txt=345\ndisk/z.txt\n");
  tree.SetWriteTime("disk/a.txt", k2001_02_04_10h);
  tree.SetWriteTime("disk/sub/b.txt", k1990_01_01);
  tree.SetWriteTime("disk/z.txt", k2001_02_04_10h + 30);
  const std::string disk = tree.Path("disk/");
  SearchRequest request = Request(disk);
  request.write_report = true;
  request.report_path = tree.Path("listing.txt");
  prompter_.input_answers = {std::string("DVD 7"), std::nullopt};
  search_.SetIndexMode(true);
  Run(request);
  EXPECT_EQ(sink_.lines, std::vector<std::string>{"Se han encontrado 3 ficheros."});
  EXPECT_EQ(prompter_.prompts[0], "Escribe el comentario. Etiqueta del DVD/CD.");

  search_.SetIndexMode(true);
  Run(request);  // the input box cancelled: the default comment stays
  std::string block1 = disk +
                       " (Listado generado el 08/12/2026 12:00:00) DVD 7\r\n"
                       "Tamaño (bytes)  FECHA                 NOMBRE\r\n"
                       "-------------- -------------------- -----------------------\r\n"
                       "(           2) 04/02/2001 10:00:00> " +
                       disk +
                       "a.txt\r\n"
                       "(           3) 01/01/1990         > " +
                       tree.Path("disk/sub/b.txt") +
                       "\r\n"
                       "(           0) 04/02/2001 10:00:30> " +
                       disk +
                       "z.txt\r\n"
                       "\r\nSe han encontrado 3 ficheros.\r\n";
  std::string block2 = block1;
  block2.replace(block2.find("DVD 7"), 5, "DVD/CD N.??" + disk);
  EXPECT_EQ(tree.ReadFile("listing.txt"), block1 + block2);
}

// Asks `during` to run while the first comment is asked for, that is while
// the run has its listing open.
class PromptingRunsBetween : public ScriptedPrompter {
 public:
  std::string InputBox(std::string_view caption, std::string_view prompt,
                       std::string_view default_text) override {
    if (std::function<void()> run = std::exchange(during, nullptr)) run();
    return ScriptedPrompter::InputBox(caption, prompt, default_text);
  }
  std::function<void()> during;
};

TEST_F(FileSearchTest, TwoIndexingRunsIntoAMissingListingBothKeepTheirBlock) {
  TempTree tree("one/a.txt\ntwo/b.txt\n");
  auto index = [&](const std::string& dir, ScriptedPrompter& prompter) {
    RecordingSink sink;
    FileSearch search(sink, prompter, LocaleFormats{});
    search.set_clock([] { return CivilDateTime{{2026, 12, 8}, 12, 0, 0}; });
    search.SetIndexMode(true);
    SearchRequest request = Request(tree.Path(dir));
    request.write_report = true;
    request.report_path = tree.Path("listing.txt");
    search.RunSearch(request);
  };
  ScriptedPrompter second;
  second.input_answers = {std::string("DISCO 2")};
  PromptingRunsBetween first;
  first.input_answers = {std::string("DISCO 1")};
  // The second run starts and ends after the first has opened the listing.
  first.during = [&] { index("two/", second); };
  index("one/", first);
  const std::string listing = tree.ReadFile("listing.txt");
  const std::string block2 =
      tree.Path("two/") + " (Listado generado el 08/12/2026 12:00:00) DISCO 2\r\n";
  const std::string block1 =
      tree.Path("one/") + " (Listado generado el 08/12/2026 12:00:00) DISCO 1\r\n";
  EXPECT_EQ(listing.find(block2), 0u);
  EXPECT_NE(listing.find(tree.Path("two/") + "b.txt\r\n"), std::string::npos);
  EXPECT_NE(listing.find(block1), std::string::npos);
  EXPECT_NE(listing.find(tree.Path("one/") + "a.txt\r\n"), std::string::npos);
}

// A block larger than any write buffer is added whole, even when another run
// adds its own block while this one still walks.
TEST_F(FileSearchTest, AnIndexingBlockIsAddedWholeWhileAnotherRunAddsItsBlock) {
  class HookSink : public RecordingSink {
   public:
    void ShowProgress(StatusBar bar, std::string_view text) override {
      RecordingSink::ShowProgress(bar, text);
      if (text.find("(zz)") != std::string_view::npos) {
        if (std::function<void()> run = std::exchange(on_zz, nullptr)) run();
      }
    }
    std::function<void()> on_zz;
  };
  TempTree tree("two/b.txt\none/zz/c.txt\n");
  for (int i = 0; i < 1500; ++i)
    tree.AddFile("one/big/" + std::string(60, 'n') + std::to_string(i), "");
  auto index = [&](const std::string& dir, const std::string& comment, HookSink& sink) {
    ScriptedPrompter prompter;
    prompter.input_answers = {comment};
    FileSearch search(sink, prompter, LocaleFormats{});
    search.SetIndexMode(true);
    SearchRequest request = Request(tree.Path(dir));
    request.write_report = true;
    request.report_path = tree.Path("listing.txt");
    search.RunSearch(request);
  };
  HookSink first, second;
  first.on_zz = [&] { index("two/", "DISCO 2", second); };
  index("one/", "DISCO 1", first);
  const std::string listing = tree.ReadFile("listing.txt");
  EXPECT_EQ(listing.find(tree.Path("two/")), 0u) << "the second run ended first";
  EXPECT_LT(listing.find(tree.Path("two/") + "b.txt"), listing.find(tree.Path("one/")));
  EXPECT_NE(listing.find(tree.Path("one/zz/") + "c.txt"), std::string::npos);
}

TEST_F(FileSearchTest, IndexModeAbbreviatesRepeatedDirectoryAndPlaceIsDriveText) {
  TempTree tree("d/a\nd/b\n");
  SearchRequest request = Request("");
  request.drive_root = tree.Path("d/");
  request.drive_text = "/media/dvd [FOTOS]";
  request.write_report = true;
  request.list_size = true;
  request.report_path = tree.Path("l.txt");
  search_.SetIndexMode(true);
  Run(request);
  std::string listing = tree.ReadFile("l.txt");
  EXPECT_EQ(listing.rfind("/media/dvd [FOTOS] (Listado generado el ", 0), 0u);
  EXPECT_NE(listing.find("> " + tree.Path("d/") + "a (0 bytes)\r\n"), std::string::npos);
  EXPECT_NE(listing.find("> <d>" + std::string(1, kPathSep) + "b (0 bytes)\r\n"),
            std::string::npos);
}

TEST_F(FileSearchTest, EntriesThatCannotBeReadAreSkippedAndNamed) {
  TempTree tree("open/a.txt\nshut/b.txt\nblind/c.txt\nz.txt\ndeep/\n");
  const std::string root = tree.root();
  // Below the longest path the system takes, the walk goes on past it.
  if (!testing::MakeDeepChain(tree.Path("deep")))
    GTEST_SKIP() << "no chain of folders deeper than the longest path on this system";
  SearchRequest deep = Request(root, "fondo");
  search_.RunSearch(deep);
  testing::RemoveDeep(tree.Path("deep"));
  ASSERT_EQ(search_.skipped().size(), 1u);
  EXPECT_EQ(search_.skipped().entries()[0].path.rfind(tree.Path("deep/ddd"), 0), 0u);
  EXPECT_EQ(search_.skipped().entries()[0].reason, "Invalid filename");

  // As an ordinary user: a folder that cannot be read, one that cannot be
  // searched (its entries cannot be stat'ed).
  if (!::zuruza::testing::HasPermissionBits()) GTEST_SKIP() << "no permission bits on this system";
  ASSERT_TRUE(::zuruza::testing::MakeWorldTraversable(root));
  std::filesystem::permissions(tree.Path("shut"), std::filesystem::perms::none);
  std::filesystem::permissions(tree.Path("blind"), std::filesystem::perms(0744));
  EXPECT_AS_NOBODY(::zuruza::testing::RunAsNobody(
      [&] { return IsExistingDirectory(root); },
      [&] {
        sink_.lines.clear();
        SearchRequest request = Request(root, ".txt");
        search_.RunSearch(request);
        std::vector<std::string> skipped;
        for (const SkippedEntry& entry : search_.skipped().entries())
          skipped.push_back(entry.path + " " + entry.reason);
        return sink_.lines ==
                   std::vector<std::string>{
                       tree.Path("open/a.txt"), root + "z.txt", "",
                       "Se han encontrado 2 coincidencias. (           0 bytes.)"} &&
               skipped == std::vector<std::string>{tree.Path("blind/c.txt") + " File access denied",
                                                   tree.Path("shut/") + " File access denied"};
      }));
}

TEST(PathAtCaret, TakesTheLineUnderTheCaretAndTheInventoryPath) {
  struct Row {
    std::string text;
    std::size_t caret;
    std::string path;
  } rows[] = {
      {"/a/one\n/b/two\n", 9, "/b/two"},
      {"/a/one\n/b/two", 0, "/a/one"},
      {"/a/one\r\n/b/two", 3, "/a/one"},
      {"  /a/sp ace.txt \t", 5, "/a/sp ace.txt"},
      {"(        1536) 03/02/2001 10:20:30> /d/viaje.jpg", 2, "/d/viaje.jpg"},
      // At most 1000 characters after the ">", never half of one.
      {"(1) x> /" + std::string(997, 'a') +
           "\xC3\xB1"
           "b",
       2, "/" + std::string(997, 'a') + "\xC3\xB1"},
      {"", 0, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(PathAtCaret(row.text, row.caret), row.path);
  }
}

}  // namespace
}  // namespace zuruza::busca_test
