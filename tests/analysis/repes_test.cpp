#include "analysis/repes.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <time.h>

#include <filesystem>

#include "base/errors.h"
#include "platform/fs.h"
#include "platform/testing/deep_tree.h"
#include "platform/testing/environment.h"
#include "platform/testing/system_traits.h"
#include "support/recording_sink.h"
#include "support/scripted_prompter.h"
#include "support/temp_tree.h"

namespace zuruza {
namespace {

using testing::RecordingSink;
using testing::ScriptedPrompter;
using testing::TempTree;
using Lines = std::vector<std::string>;

constexpr long long k2001_02_03 = 981158400;  // 03/02/2001 00:00:00 UTC

const Lines kSummaryTitles = {"", "", "Informe Resumen de directorios",
                              "N. Ficheros; Tamaño en KB; Nombre Directorio"};

class DuplicateFinderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::zuruza::testing::SetEnv("TZ", "UTC");
    tzset();
  }
  void TearDown() override {
    ::zuruza::testing::UnsetEnv("TZ");
    tzset();
  }

  DuplicateRequest Request(bool details = false) {
    DuplicateRequest request;
    request.base_directory = tree_.root().substr(0, tree_.root().size() - 1);
    request.details = details;
    return request;
  }

  // The report lines between the header lines and the summary.
  Lines Found() const {
    Lines lines = sink_.lines;
    std::size_t header = lines.size() > 2 && lines[2].rfind("Fecha creacion", 0) == 0 ? 3 : 2;
    auto summary = std::find(lines.begin(), lines.end(), "Informe Resumen de directorios");
    return Lines(lines.begin() + static_cast<long>(header), summary - 2);
  }

  TempTree tree_;
  RecordingSink sink_;
  ScriptedPrompter prompter_;
  DuplicateFinder finder_{sink_, prompter_, LocaleFormats{}};
};

TEST_F(DuplicateFinderTest, ThreeCopiesListTheFirstRightAfterItsFirstRepetition) {
  for (const char* dir : {"X", "Y", "Z"}) {
    tree_.AddFile(std::string(dir) + "/same.txt", "0123456789");
    tree_.SetWriteTime(std::string(dir) + "/same.txt", k2001_02_03);
  }
  finder_.RunDuplicateSearch(Request());
  EXPECT_EQ(Found(), (Lines{tree_.Path("Y/same.txt"), tree_.Path("Z/same.txt")}));
  EXPECT_EQ(prompter_.messages.back(), "Se han encontrado 2 archivos repetidos. (0.0 Kb)");
  EXPECT_EQ(prompter_.messages.front(),
            "Se pueden analizar una lista de hasta 90000 ficheros DIFERENTES como máximo.");

  finder_.RunDuplicateSearch(Request(true));
  Lines found = Found();
  ASSERT_EQ(found.size(), 3u);
  EXPECT_EQ(found[0], found[0].substr(0, 18) + "20010203;10;" + tree_.Path("Y/same.txt"));
  EXPECT_EQ(found[1], found[1].substr(0, 18) + "20010203;10;" + tree_.Path("X/same.txt"));
  EXPECT_EQ(found[2], found[2].substr(0, 18) + "20010203;10;" + tree_.Path("Z/same.txt"));
  EXPECT_EQ(sink_.lines[2],
            "Fecha creacion; Fecha ultimo acceso; Fecha ultima modificación; Tamaño; Nombre");
  EXPECT_EQ(finder_.repeated_files(), 2);
}

TEST_F(DuplicateFinderTest, NamesComparedByteForByteAndSizesMustAgree) {
  tree_.AddFile("a/Foto.jpg", "12");
  tree_.AddFile("b/foto.jpg", "12");   // another name: letter case matters
  tree_.AddFile("c/Foto.jpg", "123");  // another size
  // The same bytes, not UTF-8 where names are bytes (on Windows they are text).
  const std::string cafe = testing::NamesAreBytes() ? "caf\xe9" : "caf\xc3\xa9";
  tree_.AddFile("d/" + cafe, "1");
  tree_.AddFile("e/" + cafe, "1");
  finder_.RunDuplicateSearch(Request());
  EXPECT_EQ(Found(), Lines{tree_.Path("e/" + cafe)});
}

TEST_F(DuplicateFinderTest, MinimumSizeKeepsExactSizeAndIgnoresSmallerFiles) {
  tree_.AddFile("a/big", std::string(100, 'x'));
  tree_.AddFile("b/big", std::string(100, 'x'));
  tree_.AddFile("a/small", std::string(99, 'x'));
  tree_.AddFile("b/small", std::string(99, 'x'));
  DuplicateRequest request = Request();
  request.min_size_filter = true;
  request.min_size = "100";
  finder_.RunDuplicateSearch(request);
  EXPECT_EQ(sink_.lines[0], "LISTA DE ARCHIVOS REPETIDOS de más de 100 bytes.");
  EXPECT_EQ(Found(), Lines{tree_.Path("b/big")});
  EXPECT_EQ(finder_.files_examined(), 2);
  EXPECT_EQ(sink_.status1, "Archivos Examinados: 2 (big)");  // the small files never showed
}

TEST_F(DuplicateFinderTest, MinimumThatIsNoNumberStopsAtTheFirstFile) {
  tree_.AddFile("a/f", "1");
  DuplicateRequest request = Request();
  request.min_size_filter = true;
  request.min_size = "1e6";
  request.write_report = true;
  request.report_path = tree_.Path("out.txt");
  try {
    finder_.RunDuplicateSearch(request);
    FAIL() << "expected a conversion error";
  } catch (const ConversionError& error) {
    EXPECT_STREQ(error.what(), "'1e6' is not a valid integer value");
  }
  EXPECT_EQ(sink_.lines.size(), 2u);  // the header lines stay
  EXPECT_EQ(tree_.ReadFile("out.txt"), "");
}

TEST_F(DuplicateFinderTest, ReportFileThatCannotBeCreatedStopsBeforeTheHeader) {
  DuplicateRequest request = Request();
  request.write_report = true;
  request.report_path = tree_.Path("no/such/out.txt");
  sink_.lines = {"before"};
  EXPECT_THROW(finder_.RunDuplicateSearch(request), IoError);
  EXPECT_EQ(sink_.lines, Lines{"before"});
}

TEST_F(DuplicateFinderTest, BaseThatCannotBeReadIsAnErrorBeforeTheReport) {
  DuplicateRequest request = Request();
  request.base_directory = tree_.Path("nowhere");
  request.write_report = true;
  request.report_path = tree_.Path("out.txt");
  request.batch_mode = true;
  try {
    finder_.RunDuplicateSearch(request);
    ADD_FAILURE() << "no error";
  } catch (const Error& error) {
    EXPECT_EQ(std::string(error.what()), "No existe el directorio: " + tree_.Path("nowhere/"));
  }
  EXPECT_TRUE(sink_.lines.empty());
  EXPECT_FALSE(PathExists(tree_.Path("out.txt")));
}

TEST_F(DuplicateFinderTest, DirectoriesThatCannotBeReadAreSkippedAndNamed) {
  tree_.AddFile("a/f", "1");
  tree_.AddFile("z/f", "1");
  tree_.AddDirectory("deep");
  if (!testing::MakeDeepChain(tree_.Path("deep")))
    GTEST_SKIP() << "no chain of directories deeper than the longest path can be built here";
  finder_.RunDuplicateSearch(Request());
  testing::RemoveDeep(tree_.Path("deep"));
  EXPECT_EQ(Found(), Lines{tree_.Path("z/f")});  // the walk went on past it
  ASSERT_EQ(finder_.skipped().size(), 1u);
  EXPECT_EQ(finder_.skipped().entries()[0].path.rfind(tree_.Path("deep/ddd"), 0), 0u);
}

TEST_F(DuplicateFinderTest, ReportFileGetsPaneLinesResultAndItsOwnSummaryTitle) {
  tree_.AddFile("a/f", std::string(1536, 'x'));
  tree_.AddFile("b/f", std::string(1536, 'x'));
  tree_.AddFile("c/g", std::string(512, 'x'));
  tree_.AddFile("c/sub/g", std::string(512, 'x'));
  tree_.AddFile("d/g", std::string(512, 'x'));
  tree_.AddFile("d/h", std::string(512, 'x'));
  tree_.AddFile("e/h", std::string(512, 'x'));
  tree_.AddFile("e/f", std::string(1536, 'x'));
  DuplicateRequest request = Request();
  request.write_report = true;
  request.report_path = tree_.Path("out.txt");
  request.batch_mode = true;
  finder_.RunDuplicateSearch(request);
  const Lines summary = {"1;2;" + tree_.Path("b/"), "1;0;" + tree_.Path("c/sub/"),
                         "1;0;" + tree_.Path("d/"), "2;2;" + tree_.Path("e/")};
  Lines expected = {"LISTA DE ARCHIVOS REPETIDOS: ",
                    "(Se buscan ficheros de mismo tamaño y mismo nombre)",
                    tree_.Path("b/f"),
                    tree_.Path("c/sub/g"),
                    tree_.Path("d/g"),
                    tree_.Path("e/f"),
                    tree_.Path("e/h")};
  std::string file;
  for (const std::string& line : expected) file += line + "\r\n";
  file +=
      "Se han encontrado 5 archivos repetidos. (4.5 Kb)\r\n\r\n\r\nInforme Resumen de "
      "directorios\r\n"
      "N. Ficheros; Tamaño; Nombre Directorio\r\n";
  for (const std::string& line : summary) file += line + "\r\n";
  expected.insert(expected.end(), kSummaryTitles.begin(), kSummaryTitles.end());
  expected.insert(expected.end(), summary.begin(), summary.end());
  EXPECT_EQ(sink_.lines, expected);
  EXPECT_EQ(tree_.ReadFile("out.txt"), file);
  EXPECT_TRUE(prompter_.messages.empty());  // batch runs show no messages
  EXPECT_EQ(sink_.status2, "Directorios Examinados: 6 (e)");
}

TEST_F(DuplicateFinderTest, NothingFoundStillEndsWithTheSummaryTitles) {
  tree_.AddFile("a/only", "1");
  finder_.RunDuplicateSearch(Request());
  Lines expected = {"LISTA DE ARCHIVOS REPETIDOS: ",
                    "(Se buscan ficheros de mismo tamaño y mismo nombre)"};
  expected.insert(expected.end(), kSummaryTitles.begin(), kSummaryTitles.end());
  EXPECT_EQ(sink_.lines, expected);
  EXPECT_EQ(prompter_.messages.back(), "Se han encontrado 0 archivos repetidos. (0.0 Kb)");
}

TEST_F(DuplicateFinderTest, FullTableWarnsOnceAndLaterFilesOfDroppedNamesAreNotFound) {
  DuplicateFinder small(sink_, prompter_, LocaleFormats{}, 2);
  tree_.AddFile("a/1", "x");
  tree_.AddFile("a/2", "x");  // fills the table
  tree_.AddFile("a/3", "x");  // not stored
  tree_.AddFile("b/1", "x");
  tree_.AddFile("b/3", "x");
  DuplicateRequest request = Request();
  request.batch_mode = true;  // the notice shows all the same
  small.RunDuplicateSearch(request);
  EXPECT_EQ(
      prompter_.messages,
      Lines{"Se llego al tope de ficheros DIFERENTES a analizar. Los resultados pueden no ser "
            "totalmente correctos."});
  EXPECT_EQ(Found(), Lines{tree_.Path("b/1")});
}

TEST_F(DuplicateFinderTest, BaseEndingInSeparatorGetsAnotherOne) {
  tree_.AddFile("a/f", "1");
  tree_.AddFile("b/f", "1");
  DuplicateRequest request;
  request.base_directory = tree_.root();
  finder_.RunDuplicateSearch(request);
  EXPECT_EQ(Found(), Lines{tree_.Path("/b/f")});
}

TEST_F(DuplicateFinderTest, EmptyBaseWalksTheCurrentDirectory) {
  tree_.AddFile("a/f", "1");
  tree_.AddFile("b/f", "1");
  std::filesystem::path saved;
  ASSERT_NO_THROW(saved = std::filesystem::current_path());
  ASSERT_NO_THROW(std::filesystem::current_path(tree_.root()));
  DuplicateRequest request;
  finder_.RunDuplicateSearch(request);
  EXPECT_NO_THROW(std::filesystem::current_path(saved));
  EXPECT_EQ(Found(), Lines{std::string(".") + kPathSep + "b" + kPathSep + "f"});
}

TEST_F(DuplicateFinderTest, CheckingContentKeepsOnlyCopiesThatHoldTheFirstOnesBytes) {
  for (const auto& [dir, text] :
       {std::pair{"a", "hola"}, {"b", "hola"}, {"c", "hole"}, {"d", "hola"}, {"e", "hole"}})
    tree_.AddFile(std::string(dir) + "/x.txt", text);
  DuplicateRequest request = Request();
  finder_.RunDuplicateSearch(request);
  EXPECT_EQ(finder_.repeated_files(), 4);

  request.check_content = true;
  finder_.RunDuplicateSearch(request);
  EXPECT_EQ(Found(), (Lines{tree_.Path("b/x.txt"), tree_.Path("d/x.txt")}));
  EXPECT_EQ(prompter_.messages.back(), "Se han encontrado 2 archivos repetidos. (0.0 Kb)");
  const Lines tail(sink_.lines.end() - 4, sink_.lines.end());
  EXPECT_EQ(tail, (Lines{"", "Mismo nombre y tamaño, contenido distinto:",
                         tree_.Path("c/x.txt") + ";" + tree_.Path("a/x.txt"),
                         tree_.Path("e/x.txt") + ";" + tree_.Path("a/x.txt")}));
  EXPECT_EQ(finder_.bytes_compared(), 20u);
}

TEST_F(DuplicateFinderTest, ContentGroupsGatherEqualFilesWhateverTheirNames) {
  tree_.AddFile("uno.txt", "abc");
  tree_.AddFile("d/otro.bin", "abc");
  tree_.AddFile("d/grande", "0123456789");
  tree_.AddFile("e/copia", "0123456789");
  tree_.AddFile("e/distinto", "0123456788");
  tree_.AddFile("vacio1", "");
  tree_.AddFile("vacio2", "");
  std::filesystem::create_hard_link(tree_.Path("uno.txt"), tree_.Path("e/mismo"));
  DuplicateRequest request = Request();
  request.by_content = true;
  finder_.RunDuplicateSearch(request);
  EXPECT_EQ(Lines(sink_.lines.begin(), sink_.lines.begin() + 2),
            (Lines{"LISTA DE ARCHIVOS DE MISMO CONTENIDO: ",
                   "(Se buscan ficheros de mismo contenido, sea cual sea su nombre)"}));
  // The group holding most bytes first; a hard link is shown, not counted.
  EXPECT_EQ(
      Found(),
      (Lines{"", "Grupo 1: 2 ficheros de 10 bytes", tree_.Path("d/grande"), tree_.Path("e/copia"),
             "", "Grupo 2: 2 ficheros de 3 bytes", tree_.Path("d/otro.bin"), tree_.Path("e/mismo"),
             tree_.Path("uno.txt") + " (enlace duro de " + tree_.Path("e/mismo") + ")"}));
  EXPECT_EQ(finder_.repeated_files(), 2);
  ASSERT_EQ(finder_.summary().entries().size(), 1u);
  EXPECT_EQ(finder_.summary().entries()[0].directory, tree_.Path("e/"));
  EXPECT_EQ(finder_.summary().entries()[0].files, 2);
}

TEST(CompactDate, TakesYearMonthDayPositions) {
  EXPECT_EQ(CompactDate("03/02/2001"), "20010203");
  EXPECT_EQ(CompactDate("2001-02-03"), "2-031-20");  // other formats: the same positions
  EXPECT_EQ(CompactDate(""), "");
}

}  // namespace
}  // namespace zuruza
