#include "transform/mezcla.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <limits>

#include "base/errors.h"
#include "platform/line_ends.h"
#include "support/scripted_prompter.h"
#include "support/temp_tree.h"

namespace zuruza {
namespace {

using testing::ScriptedPrompter;
using testing::TempTree;

class MergeTest : public ::testing::Test {
 protected:
  std::string Merge(const std::string& first, const std::string& second, MergeRequest request) {
    tree_.AddFile("uno.txt", first);
    tree_.AddFile("dos.txt", second);
    request.first = tree_.Path("uno.txt");
    request.second = tree_.Path("dos.txt");
    request.output = tree_.Path("mezcla.txt");
    merger_.RunMerge(request);
    return tree_.ReadFile("mezcla.txt");
  }
  static MergeRequest Keys(const std::string& separator, const std::string& k1,
                           const std::string& k2) {
    MergeRequest request;
    request.separator = separator;
    request.key1 = k1;
    request.key2 = k2;
    return request;
  }

  TempTree tree_;
  ScriptedPrompter prompter_;
  ColumnMerger merger_{prompter_};
};

TEST(ExtractField, SplitsAtTheWholeSeparatorAndTrims) {
  struct Row {
    std::string line, separator;
    long long column;
    std::string field;
  } rows[] = {
      {"7;Ana;Madrid", ";", 1, "7"},
      {"7;Ana;Madrid", ";", 3, "Madrid"},
      {"7;Ana;Madrid", ";", 4, ""},
      {"7;Ana", ";", 0, ""},
      {"7;Ana", ";", -2, ""},
      {" 7 \t;Ana", ";", 1, "7"},
      {"a | b|c | d", " | ", 2, "b|c"},
      {"a | b|c | d", " | ", 3, "d"},
      {"abc", "", 1, "abc"},
      {"abc", "", 2, ""},
      {";;x", ";", 3, "x"},
      {"a;", ";", 2, ""},
      {"a;b", ";", 2, "b"},
      // Past the last field nothing more is searched, however large the column.
      {"7;Ana", ";", 2147483647, ""},
      {"7;Ana", ";", std::numeric_limits<long long>::max(), ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line + " / '" + row.separator + "' / " + std::to_string(row.column));
    EXPECT_EQ(ExtractField(row.line, row.separator, row.column), row.field);
  }
}

TEST_F(MergeTest, JoinsByKeyFirstSecondLineWinsAndFillsUnmatched) {
  MergeRequest request = Keys(";", "1", "1");
  request.fill = true;
  prompter_.input_answers = {std::string("2")};
  EXPECT_EQ(Merge("7;Ana\r\n9;Luis\r\n 8 ;Eva\r\nx;X\r\n",
                  "7;Madrid;28\r\n8;Sevilla;41\r\n7;Otra;00\r\nX;mayus\r\n", request),
            "7;Ana;7;Madrid;28\r\n9;Luis;;\r\n 8 ;Eva;8;Sevilla;41\r\nx;X;;\r\n");  // keys keep
                                                                                    // their case
  EXPECT_EQ(prompter_.prompts, std::vector<std::string>{"Cuantas columas tiene el fichero 2?"});
  EXPECT_EQ(prompter_.messages, std::vector<std::string>{"HECHO. Ficheros mezclados."});
}

TEST_F(MergeTest, ColumnsPastTheFieldsMatchTheFirstLine) {
  EXPECT_EQ(Merge("a;b\r\nc\r\n", "x;y\r\nz\r\n", Keys(";", "5", "5")), "a;b;x;y\r\nc;x;y\r\n");
}

TEST_F(MergeTest, EmptyFilesAndUnreadKeys) {
  // An empty second file: nothing is compared, so the key texts are never read.
  EXPECT_EQ(Merge("1;a\r\n2;b", "", Keys(";", "no", "no")), "1;a\r\n2;b\r\n");
  EXPECT_EQ(Merge("", "1;x\r\n", Keys(";", "no", "no")), "");
  try {
    Merge("1;a\r\n", "1;x\r\n", Keys(";", "1", "dos"));
    FAIL() << "expected a conversion error";
  } catch (const ConversionError& error) {
    EXPECT_STREQ(error.what(), "'dos' is not a valid integer value");
  }
  EXPECT_EQ(tree_.ReadFile("mezcla.txt"), "");
}

TEST_F(MergeTest, OutputOverAnInputIsRefusedByNameOrByFile) {
  tree_.AddFile("uno.txt", "1;a\r\n");
  tree_.AddFile("dos.txt", "1;b\r\n");
  for (const std::string& output : {tree_.Path("UNO.TXT"), tree_.Path("./dos.txt")}) {
    SCOPED_TRACE(output);
    prompter_.messages.clear();
    MergeRequest request = Keys(";", "1", "1");
    request.first = tree_.Path("uno.txt");
    request.second = tree_.Path("dos.txt");
    request.output = output;
    merger_.RunMerge(request);
    EXPECT_EQ(
        prompter_.messages,
        std::vector<std::string>{"El fichero de SALIDA no puede ser el mismo que el de Entrada"});
  }
  EXPECT_EQ(tree_.ReadFile("dos.txt"), "1;b\r\n");
}

TEST_F(MergeTest, MissingFirstFileLeavesTheOutputUntouched) {
  tree_.AddFile("mezcla.txt", "antiguo");
  MergeRequest request = Keys(";", "1", "1");
  request.first = tree_.Path("falta.txt");
  request.second = tree_.Path("falta2.txt");
  request.output = tree_.Path("mezcla.txt");
  try {
    merger_.RunMerge(request);
    FAIL() << "expected an I/O error";
  } catch (const IoError& error) {
    EXPECT_STREQ(error.what(), "File not found");
  }
  EXPECT_EQ(tree_.ReadFile("mezcla.txt"), "antiguo");
}

TEST_F(MergeTest, LineRulesOfTheInputsHold) {
  // A lone LF ends a line, and the output keeps the first file's line end;
  // Ctrl-Z ends the file. Where a lone LF stays in its line, the first line
  // is "1;a\nb" and its CR makes the output CR LF.
  EXPECT_EQ(Merge("1;a\nb\r2;c\x1a"
                  "3;d\r\n",
                  "2;x\r\n", Keys(";", "1", "1")),
            kLoneLfEndsLine ? "1;a\nb\n2;c;2;x\n" : "1;a\nb\r\n2;c;2;x\r\n");
}

TEST_F(MergeTest, AFillBeyondWhatALineCanHoldIsRefused) {
  tree_.AddFile("mezcla.txt", "anterior");
  MergeRequest request = Keys(";", "1", "1");
  request.fill = true;
  prompter_.input_answers = {std::string("2147483647")};
  EXPECT_EQ(Merge("9;Luis\r\n", "7;x\r\n", request), "anterior");
  EXPECT_EQ(prompter_.messages,
            std::vector<std::string>{"Demasiadas columnas: una línea admite como "
                                     "máximo 1048576 columnas vacias con este separador."});
}

TEST_F(MergeTest, AnEarlierOutputIsReplacedNeverWrittenThrough) {
  tree_.AddFile("otro.txt", "ajeno");
  ASSERT_NO_THROW(
      std::filesystem::create_hard_link(tree_.Path("otro.txt"), tree_.Path("mezcla.txt")));
  EXPECT_EQ(Merge("1;a\r\n", "1;b\r\n", Keys(";", "1", "1")), "1;a;1;b\r\n");
  EXPECT_EQ(tree_.ReadFile("otro.txt"), "ajeno");
}

}  // namespace
}  // namespace zuruza
