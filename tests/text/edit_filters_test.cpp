#include "text/edit_filters.h"

#include <gtest/gtest.h>

#include <string>

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

class FilterTest : public ::testing::Test {
 protected:
  std::string Filter(const std::string& content, const LineFilter& filter) {
    tree_.AddFile("in.txt", content);
    TextReader input(tree_.Path("in.txt"));
    TextWriter output(tree_.Path("out.txt"), TextWriter::Mode::kReplace);
    FilterLines(input, output, filter);
    output.Close();
    return tree_.ReadFile("out.txt");
  }
  std::string ToLf(const std::string& content) {
    tree_.AddFile("in.txt", content);
    TextReader input(tree_.Path("in.txt"));
    TextWriter output(tree_.Path("out.txt"), TextWriter::Mode::kReplace);
    ConvertLineEndsToLf(input, output);
    output.Close();
    return tree_.ReadFile("out.txt");
  }

  TempTree tree_;
};

TEST_F(FilterTest, LengthFiltersSplitAtExactlyN) {
  const std::string lines = "\r\nab\r\nabc\r\nabcd\r\n\r\nx";
  struct Row {
    LineFilterKind kind;
    long long n;
    std::string expected;
  } rows[] = {
      {LineFilterKind::kRemoveShort, 0, "ab\r\nabc\r\nabcd\r\nx\r\n"},  // only the empty lines go
      {LineFilterKind::kRemoveLong, 0, "\r\n\r\n"},                     // only the empty lines stay
      {LineFilterKind::kRemoveShort, 3, "abcd\r\n"},  // a line of N characters goes
      {LineFilterKind::kRemoveLong, 3, "\r\nab\r\nabc\r\n\r\nx\r\n"},  // and stays here
      {LineFilterKind::kRemoveShort, -1, "\r\nab\r\nabc\r\nabcd\r\n\r\nx\r\n"},
      {LineFilterKind::kRemoveLong, -1, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::to_string(static_cast<int>(row.kind)) + " N=" + std::to_string(row.n));
    EXPECT_EQ(Filter(lines, {row.kind, row.n, ""}), row.expected);
  }
  // "año" is three characters in UTF-8 and in Latin-1 alike.
  EXPECT_EQ(Filter("a\xc3\xb1o\r\na\xf1o\r\n", {LineFilterKind::kRemoveLong, 3, ""}),
            "a\xc3\xb1o\r\na\xf1o\r\n");
}

TEST_F(FilterTest, SubstringFiltersAreCaseSensitiveAndAnEmptyStringOccursNowhere) {
  const std::string lines = "abc\r\nABC\r\nxabcx\r\n\r\nzzz";
  struct Row {
    LineFilterKind kind;
    std::string text, expected;
  } rows[] = {
      {LineFilterKind::kRemoveContaining, "abc", "ABC\r\n\r\nzzz\r\n"},
      {LineFilterKind::kRemoveNotContaining, "abc", "abc\r\nxabcx\r\n"},
      {LineFilterKind::kRemoveContaining, "", "abc\r\nABC\r\nxabcx\r\n\r\nzzz\r\n"},
      {LineFilterKind::kRemoveNotContaining, "", ""},
      {LineFilterKind::kRemoveContaining, "c\r\nA",
       "abc\r\nABC\r\nxabcx\r\n\r\nzzz\r\n"},  // never across lines
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(Filter(lines, {row.kind, 0, row.text}), row.expected);
  }
}

TEST_F(FilterTest, LoneLfEndsTheLineAndCtrlZEndsTheInput) {
  // On Windows a lone LF is a byte of its line.
  EXPECT_EQ(Filter("uno\ndos\n", {LineFilterKind::kRemoveShort, 2, ""}),
            kLoneLfEndsLine ? "uno\r\ndos\r\n" : "uno\ndos\n\r\n");
  EXPECT_EQ(Filter("uno\r\ndos\x1atres\r\n", {LineFilterKind::kRemoveShort, 0, ""}),
            "uno\r\ndos\r\n");
  EXPECT_EQ(
      Filter(std::string("a\0b\r\n\xff\r\n", 8), {LineFilterKind::kRemoveContaining, 0, "\xff"}),
      std::string("a\0b\r\n", 5));
}

TEST_F(FilterTest, LineEndsBecomeASingleLf) {
  struct Row {
    std::string in, out;
  } rows[] = {
      {"a\r\nb\r\n", "a\nb\n"},
      // Already LF: unchanged; where a lone LF stays in its line, one line.
      {"a\nb\n", kLoneLfEndsLine ? "a\nb\n" : "a\nb\n\n"},
      {"a\rb", "a\nb\n"},
      {"a\r\n\r\nb\x1a\r\n", "a\n\nb\n"},
      {"", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::PrintToString(row.in));
    EXPECT_EQ(ToLf(row.in), row.out);
  }
}

class EditRepeatedLinesTest : public ::testing::Test {
 protected:
  void Run(const std::string& content) {
    tree_.AddFile("in.txt", content);
    prompter_.input_answers = {tree_.Path("in.txt"), tree_.Path("out.txt")};
    std::vector<std::string> pane;
    editor_.Run(EditOperation::kRemoveRepeatedLines, {"", true}, pane);
  }
  static std::string Warning() {
    return "AVISO: Ordenar solo ficheros hasta un máximo de 90000 lineas y hasta 255 caracteres de "
           "longitud por "
           "línea.";
  }

  TempTree tree_;
  ScriptedPrompter prompter_;
  RecordingSink pane_;
  LineEditor editor_{prompter_, pane_};
};

TEST_F(EditRepeatedLinesTest, KeepsFirstOccurrencesAndListsTheLaterOnesInThePane) {
  pane_.lines = {"texto anterior"};
  Run("x\r\ny\r\nx\r\nX\r\ny\r\nx\r\n");
  EXPECT_EQ(tree_.ReadFile("out.txt"), "x\r\ny\r\nX\r\n");
  EXPECT_EQ(pane_.lines,
            (std::vector<std::string>{"LINEAS ELIMINADAS por estar repetidas",
                                      "--------------------------------------", "x", "y", "x"}));
  EXPECT_EQ(prompter_.messages, (std::vector<std::string>{Warning(), "Fichero Procesado"}));
}

TEST_F(EditRepeatedLinesTest, ComparesWholeLinesByteForByte) {
  Run(std::string("a\0b\r\na\0c\r\na\r\n\r\n\r\na \r\na\0b", 24));
  EXPECT_EQ(tree_.ReadFile("out.txt"), std::string("a\0b\r\na\0c\r\na\r\n\r\na \r\n", 19));
  EXPECT_EQ(pane_.lines.size(), 4u);
  EXPECT_EQ(pane_.lines[2], "");
  EXPECT_EQ(pane_.lines[3], std::string("a\0b", 3));
}

TEST_F(EditRepeatedLinesTest, AcceptsNinetyThousandLines) {
  std::string content;
  for (int i = 0; i < 90000; ++i) content += std::to_string(i % 10) + "\r\n";
  Run(content);
  EXPECT_EQ(tree_.ReadFile("out.txt"), "0\r\n1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n9\r\n");
  EXPECT_EQ(pane_.lines.size(), 2u + 90000 - 10);
}

TEST_F(EditRepeatedLinesTest, RefusesNinetyThousandAndOneLinesEvenWhenRepeated) {
  pane_.lines = {"texto anterior"};
  std::string content;
  for (int i = 0; i < 90001; ++i) content += "igual\r\n";
  Run(content);
  EXPECT_EQ(tree_.ReadFile("out.txt"), "");
  EXPECT_EQ(pane_.lines, std::vector<std::string>{"texto anterior"});
  EXPECT_EQ(prompter_.messages,
            (std::vector<std::string>{Warning(), "El fichero tiene más de 90000 líneas",
                                      "Fichero Procesado"}));
}

}  // namespace
}  // namespace zuruza
