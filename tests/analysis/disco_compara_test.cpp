#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "analysis/compara.h"
#include "analysis/disco.h"
#include "base/errors.h"
#include "platform/path.h"
#include "support/recording_sink.h"
#include "support/scripted_prompter.h"
#include "support/temp_tree.h"

namespace zuruza {
namespace {

using testing::RecordingSink;
using testing::ScriptedPrompter;
using testing::TempTree;
using Lines = std::vector<std::string>;

class OccupancyTest : public ::testing::Test {
 protected:
  Lines Run(const std::string& depth, bool report = false) {
    OccupancyRequest request{tree_.Path("raiz"), depth, report, tree_.Path("ccc.tmp")};
    occupancy_.RunOccupancy(request);
    return sink_.lines;
  }

  // raiz: 10 bytes at the top, fotos (1000 + viaje 1234567), un_nombre_muy_largo (empty).
  TempTree tree_{"raiz/top.bin=0123456789\nraiz/fotos/a=" + std::string(1000, 'x') +
                 "\nraiz/fotos/viaje/b=" + std::string(1234567, 'y') +
                 "\nraiz/un_nombre_muy_largo/\n"};
  RecordingSink sink_;
  DiskOccupancy occupancy_{sink_};
};

TEST_F(OccupancyTest, TreeLinesIndentNamesAndLineUpSizes) {
  const std::string root = tree_.Path("raiz/");
  EXPECT_EQ(Run("99"),
            (Lines{"|fotos              1.235.567", "     |viaje              1.234.567",
                   "|un_nombre_muy_largo              0", "", "Se han examinado 3 directorios",
                   "La ocupación de " + root + " es:       1.235.577 bytes."}));
  EXPECT_EQ(sink_.status1, "Directorios Examinados: 3 (un_nombre_muy_largo)");
}

TEST_F(OccupancyTest, OtherFileSystemsMountedBelowAreListedNotCounted) {
  // As /proc below "/": its line is there, nothing below it is counted.
  occupancy_.SetMountPoints({"/", ResolvePath(tree_.Path("raiz/fotos")), "/elsewhere"});
  EXPECT_EQ(Run("99"),
            (Lines{"|fotos                      0", "|un_nombre_muy_largo              0", "",
                   "Se han examinado 2 directorios",
                   "La ocupación de " + tree_.Path("raiz/") + " es:              10 bytes."}));
}

TEST_F(OccupancyTest, KeptSizesHoldEveryFolderAndFileWithTheirTreeLines) {
  Run("1");
  EXPECT_TRUE(occupancy_.sizes().empty());  // kept only when asked
  occupancy_.set_keep_sizes(true);
  Run("1");
  const SizeTree& sizes = occupancy_.sizes();
  ASSERT_EQ(sizes.size(), 7u);  // raiz, top.bin, fotos, a, viaje, b, un_nombre_muy_largo
  EXPECT_EQ(sizes.Size(sizes.root()), 1235577u);
  EXPECT_EQ(sizes.PathOf(sizes.root()), tree_.Path("raiz/"));
  std::map<std::string, SizeTree::Index> by_path;
  for (SizeTree::Index node = 0; node < sizes.size(); ++node) by_path[sizes.PathOf(node)] = node;
  const SizeTree::Index viaje = by_path.at(tree_.Path("raiz/fotos/viaje"));
  EXPECT_EQ(sizes.Size(viaje), 1234567u);
  EXPECT_EQ(sizes.Size(by_path.at(tree_.Path("raiz/fotos"))), 1235567u);
  // Below the depth a folder has no line of its own: its folder's stands for it.
  EXPECT_EQ(sizes.LineOf(by_path.at(tree_.Path("raiz/fotos/viaje/b"))), 0);
  EXPECT_EQ(sizes.LineOf(by_path.at(tree_.Path("raiz/un_nombre_muy_largo"))), 1);
  EXPECT_EQ(sizes.LineOf(by_path.at(tree_.Path("raiz/top.bin"))), -1);
}

TEST_F(OccupancyTest, NamesArePaddedByCharactersNotBytes) {
  tree_.AddFile("raiz/a\xc3\xb1o/x", "1");
  const Lines lines = Run("1");
  EXPECT_EQ(lines[0], "|a\xc3\xb1o                        1");
}

TEST_F(OccupancyTest, DepthLimitsTheLinesNotTheTotals) {
  EXPECT_EQ(Run("1").size(), 5u);
  EXPECT_EQ(sink_.lines[0], "|fotos              1.235.567");
  sink_.lines.clear();
  EXPECT_EQ(Run("0"),
            (Lines{"", "Se han examinado 3 directorios",
                   "La ocupación de " + tree_.Path("raiz/") + " es:       1.235.577 bytes."}));
}

TEST_F(OccupancyTest, ReportFileEndsInTheDefaultRealNotation) {
  Run("1", true);
  EXPECT_EQ(tree_.ReadFile("ccc.tmp"),
            "|fotos              1.235.567\r\n|un_nombre_muy_largo              0\r\n\r\n"
            "Se han examinado 3 directorios\r\nLa ocupación de " +
                tree_.Path("raiz/") + " es:  1.23557700000000E+0006\r\n");
}

TEST_F(OccupancyTest, DepthThatIsNoNumberStopsWithAnEmptyPane) {
  try {
    Run("mucho", true);
    FAIL() << "expected a conversion error";
  } catch (const ConversionError& error) {
    EXPECT_STREQ(error.what(), "'mucho' is not a valid integer value");
  }
  EXPECT_TRUE(sink_.lines.empty());
  EXPECT_EQ(tree_.ReadFile("ccc.tmp"), "");
}

TEST_F(OccupancyTest, RootGetsOneSeparatorAndEmptyMeansHere) {
  OccupancyRequest request{tree_.Path("raiz/"), "0", false, ""};
  occupancy_.RunOccupancy(request);
  EXPECT_EQ(sink_.lines.back(),
            "La ocupación de " + tree_.Path("raiz/") + " es:       1.235.577 bytes.");
}

class CompareTest : public ::testing::Test {
 protected:
  Lines Run(bool report = false) {
    comparator_.CompareTrees({tree_.Path("a"), tree_.Path("b"), report, tree_.Path("zzz.tmp")});
    return sink_.lines;
  }
  TempTree tree_{
      "a/same.txt=hola\na/other.txt=hola\nb/same.txt=HOLA\nb/other.txt=adios\nb/extra.txt=x\n"};
  RecordingSink sink_;
  ScriptedPrompter prompter_;
  TreeComparator comparator_{sink_, prompter_};
};

TEST_F(CompareTest, OnlySizesCountAndFilesOnlyInTheSecondTreeNever) {
  const std::string a = tree_.Path("a/");
  EXPECT_EQ(Run(), (Lines{"LISTA DE ARCHIVOS QUE NO SON IGUALES:", a + "other.txt"}));
  EXPECT_EQ(prompter_.messages, Lines{"Se han encontrado 1 archivos diferentes."});
  EXPECT_EQ(sink_.status1, "Archivos Examinados: 2 (same.txt)");
}

TEST_F(CompareTest, MissingSubdirectoryReportsEveryFileBelowIt) {
  tree_.AddFile("a/sub/x.txt", "1");
  tree_.AddFile("a/sub/deep/y.txt", "2");
  const std::string other = tree_.Path("a/other.txt"), y = tree_.Path("a/sub/deep/y.txt"),
                    x = tree_.Path("a/sub/x.txt");
  EXPECT_EQ(Run(true), (Lines{"LISTA DE ARCHIVOS QUE NO SON IGUALES:", other, y, x}));
  EXPECT_EQ(comparator_.directories_examined(), 2);
  EXPECT_EQ(tree_.ReadFile("zzz.tmp"), "LISTA DE ARCHIVOS QUE NO SON IGUALES:\r\n" + other +
                                           "\r\n" + y + "\r\n" + x +
                                           "\r\n\r\nSe han examinado 2 directorios\r\n"
                                           "Se han encontrado 3 archivos diferentes.\r\n");
}

TEST_F(CompareTest, EqualTreesAndEmptyTextsFindNothing) {
  comparator_.CompareTrees({tree_.Path("a"), tree_.Path("a"), false, ""});
  EXPECT_EQ(sink_.lines, Lines{"LISTA DE ARCHIVOS QUE NO SON IGUALES:"});
  // Empty texts mean the current directory: one nothing else writes in.
  const std::filesystem::path saved = std::filesystem::current_path();
  std::filesystem::current_path(tree_.Path("a"));
  comparator_.CompareTrees({"", "", false, ""});
  std::filesystem::current_path(saved);
  EXPECT_EQ(prompter_.messages.back(), "Se han encontrado 0 archivos diferentes.");
}

TEST_F(CompareTest, ReportFileThatCannotBeCreatedStopsBeforeTheWalk) {
  sink_.lines = {"antes"};
  EXPECT_THROW(
      comparator_.CompareTrees({tree_.Path("a"), tree_.Path("b"), true, tree_.Path("no/zzz.tmp")}),
      IoError);
  EXPECT_EQ(sink_.lines, Lines{"antes"});
  EXPECT_TRUE(prompter_.messages.empty());
}

}  // namespace
}  // namespace zuruza
