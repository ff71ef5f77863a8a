#include "text/edit_sort.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "core/text_rules.h"
#include "platform/line_ends.h"
#include "support/recording_sink.h"
#include "support/scripted_prompter.h"
#include "support/temp_tree.h"
#include "text/edit.h"

namespace zuruza {
namespace {

using testing::RecordingSink;
using testing::ScriptedPrompter;
using testing::TempTree;

std::string CrLf(std::initializer_list<std::string_view> lines) {
  std::string text;
  for (std::string_view line : lines) text.append(line).append("\r\n");
  return text;
}

class SortTest : public ::testing::Test {
 protected:
  std::string Sort(const std::string& content, SortOptions options = {}) {
    tree_.AddFile("in.txt", content);
    options.scratch_dir = tree_.root() + "scratch";
    tree_.AddDirectory("scratch");
    {
      TextReader input(tree_.Path("in.txt"));
      TextWriter output(tree_.Path("out.txt"), TextWriter::Mode::kReplace);
      EXPECT_EQ(SortLines(input, output, options), SortResult::kSorted);
      output.Close();
    }
    return tree_.ReadFile("out.txt");
  }

  // Entries of the scratch directory besides "." and "..".
  int ScratchEntries() const {
    int count = 0;
    for ([[maybe_unused]] const auto& entry :
         std::filesystem::directory_iterator(tree_.root() + "scratch"))
      ++count;
    return count;
  }

  TempTree tree_;
};

TEST_F(SortTest, OrdersByUpperCasedKeyWithEqualKeysInInputOrder) {
  // "á" sorts after every ASCII letter, whether it is one byte or two.
  EXPECT_EQ(Sort(CrLf({"b", "B", "a", "á", "A"})), CrLf({"a", "A", "b", "B", "á"}));
  EXPECT_EQ(Sort(CrLf({"b", "B", "a", "\xe1", "A"})), CrLf({"a", "A", "b", "B", "\xe1"}));
  EXPECT_EQ(Sort(CrLf({"B", "b", "A", "a"})), CrLf({"A", "a", "B", "b"}));
}

TEST_F(SortTest, AShorterKeySortsBeforeTheLongerKeyItBegins) {
  EXPECT_EQ(Sort(CrLf({"ab", "a"})), CrLf({"a", "ab"}));
  EXPECT_EQ(Sort(CrLf({"ab", "A"})), CrLf({"A", "ab"}));
  EXPECT_EQ(Sort(CrLf({"abcdefghij", "ABCDEFGH", "abcdefgh", "abcdefghi"})),
            CrLf({"ABCDEFGH", "abcdefgh", "abcdefghi", "abcdefghij"}));
  // A NUL byte is a character like any other, above the end of a key.
  EXPECT_EQ(Sort(std::string("a\0\r\na\r\n", 6)), std::string("a\r\na\0\r\n", 7));
  EXPECT_EQ(Sort(CrLf({"b", "", "a"})), CrLf({"", "a", "b"}));
}

TEST_F(SortTest, SymbolsBetweenTheCasesSortByTheirBytes) {
  // "_" (95) lies between "Z" (90) and "a" (97): against upper-cased keys it
  // comes after every letter.
  EXPECT_EQ(Sort(CrLf({"_x", "zeta", "Alfa", "[", "9"})), CrLf({"9", "Alfa", "zeta", "[", "_x"}));
}

TEST_F(SortTest, ReadsEveryKindOfLineEnd) {
  EXPECT_EQ(Sort("b\ra\r\nc"), CrLf({"a", "b", "c"}));
  // A lone LF: a line end too, or on Windows a byte of its line.
  EXPECT_EQ(Sort("b\na\n"), kLoneLfEndsLine ? CrLf({"a", "b"}) : CrLf({"b\na\n"}));
  EXPECT_EQ(Sort("b\r\na\r\n\x1az\r\n"), CrLf({"a", "b"}));
  EXPECT_EQ(Sort(""), "");
  EXPECT_EQ(Sort("\x1a"
                 "abc"),
            "");
  EXPECT_EQ(Sort("\r\n\r\n"), "\r\n\r\n");
}

TEST_F(SortTest, BinaryBytesAreSortedAsUnsignedValues) {
  EXPECT_EQ(Sort(CrLf({"\xff", "\x80", "\x01", "z"})), CrLf({"\x01", "z", "\x80", "\xff"}));
}

TEST(SortKeys, AgreeWithTheSharedTextRules) {
  std::mt19937 rng(11);
  const std::string alphabet = std::string("aAbBzZ_[@`{09\x80\xe1\xff") + '\0';
  auto random_text = [&] {
    std::string text(rng() % 20, ' ');
    for (char& c : text) c = alphabet[rng() % alphabet.size()];
    return text;
  };
  auto sign = [](int value) { return (value > 0) - (value < 0); };
  for (int i = 0; i < 20000; ++i) {
    const std::string a = random_text();
    const std::string b = i % 3 == 0 ? UpperAscii(a) + random_text().substr(0, 2) : random_text();
    SCOPED_TRACE(::testing::PrintToString(a) + " vs " + ::testing::PrintToString(b));
    ASSERT_EQ(sign(CompareSortKeys(a, b)), sign(CompareBytes(UpperAscii(a), UpperAscii(b))));
  }
}

TEST_F(SortTest, ChunkedSortGivesTheSameOutputAndRemovesItsScratchFiles) {
  std::mt19937 rng(5);
  std::string content;
  for (int i = 0; i < 3000; ++i) {
    std::string line(rng() % 12, ' ');
    for (char& c : line) c = "aAbBcC_\xe1"[rng() % 8];
    if (i % 500 == 0) line = std::string(5000, 'q');  // longer than a chunk
    content += line + (i % 7 == 0 ? "\r" : "\r\n");
  }
  content += "zz";  // a last line without its end
  const std::string in_memory = Sort(content);
  ASSERT_FALSE(in_memory.empty());
  for (std::size_t budget : {std::size_t{64}, std::size_t{4096}, std::size_t{100000}}) {
    SCOPED_TRACE("budget " + std::to_string(budget));
    SortOptions options;
    options.memory_budget = budget;
    EXPECT_EQ(Sort(content, options), in_memory);
    EXPECT_EQ(ScratchEntries(), 0);
  }
}

TEST_F(SortTest, OneLineOfAHundredMegabytesWithoutLineEnd) {
  std::string line(100u << 20, 'x');
  line[12345] = '\n';  // a lone LF ends a short first line, where it ends lines
  tree_.AddFile("in.txt", line);
  {
    TextReader input(tree_.Path("in.txt"));
    TextWriter output(tree_.Path("out.txt"), TextWriter::Mode::kReplace);
    EXPECT_EQ(SortLines(input, output), SortResult::kSorted);
    output.Close();
  }
  // Checked in place rather than read back whole.
  std::ifstream out(tree_.Path("out.txt"), std::ios::binary | std::ios::ate);
  // Where a lone LF stays in its line, the file is that one line.
  ASSERT_EQ(static_cast<std::size_t>(out.tellg()), line.size() + (kLoneLfEndsLine ? 3 : 2));
  std::string head(12347, ' '), tail(3, ' ');
  out.seekg(0);
  out.read(head.data(), static_cast<std::streamsize>(head.size()));
  out.seekg(-3, std::ios::end);
  out.read(tail.data(), 3);
  EXPECT_EQ(head, kLoneLfEndsLine ? line.substr(0, 12345) + "\r\n" : line.substr(0, 12347));
  EXPECT_EQ(tail, "x\r\n");
}

class SortLimitTest : public ::testing::Test {
 protected:
  // Sorts a file of `lines` tiny lines, in reverse order, through the editor.
  void SortLinesOf(int lines) {
    std::string content;
    content.reserve(static_cast<std::size_t>(lines) * 8);
    for (int i = lines; i > 0; --i)
      content.append(std::to_string(i % 100000 + 100000)).append("\r\n");
    tree_.AddFile("grande.txt", content);
    prompter_.input_answers = {tree_.Path("grande.txt"), std::nullopt};
    std::vector<std::string> pane;
    editor_.Run(EditOperation::kSortFile, {"", true}, pane);
  }

  TempTree tree_;
  ScriptedPrompter prompter_;
  RecordingSink sink_;
  LineEditor editor_{prompter_, sink_};
};

TEST_F(SortLimitTest, SortsFiveHundredThousandLines) {
  SortLinesOf(500000);
  EXPECT_EQ(prompter_.messages,
            (std::vector<std::string>{"AVISO: Ordenar solo ficheros hasta un máximo de 500000 "
                                      "lineas y hasta 255 caracteres de longitud por "
                                      "línea.",
                                      "Fichero Procesado"}));
  const std::string sorted = tree_.ReadFile("grande.txt.tmp");
  EXPECT_EQ(CountLineEnds(sorted), 500000u);
  EXPECT_EQ(sorted.substr(0, 16), "100000\r\n100000\r\n");  // equal keys, both kept
  EXPECT_EQ(sorted.substr(sorted.size() - 8), "199999\r\n");
}

TEST_F(SortLimitTest, RefusesFiveHundredThousandAndOneLinesWithAnEmptyOutput) {
  SortLinesOf(500001);
  ASSERT_EQ(prompter_.messages.size(), 3u);
  EXPECT_EQ(prompter_.messages[1], "El fichero tiene más de 500000 líneas");
  EXPECT_EQ(prompter_.messages[2], "Fichero Procesado");
  EXPECT_EQ(tree_.ReadFile("grande.txt.tmp"), "");
}

}  // namespace
}  // namespace zuruza
