#include "text/edit_ops.h"

#include <gtest/gtest.h>

#include <string>

#include "base/errors.h"
#include "support/scripted_prompter.h"
#include "support/temp_tree.h"

namespace zuruza {
namespace {

using testing::ScriptedPrompter;
using testing::TempTree;

LineTransform Transform(LineOperation operation, std::string insert = "") {
  LineTransform transform;
  transform.operation = operation;
  transform.insert = std::move(insert);
  return transform;
}

TEST(EditLineTransform, InsertsFromAColumnKeepingAtMost500CharactersAfterIt) {
  const std::string long_line = std::string(300, 'a') + std::string(300, 'b');
  struct Row {
    long long column;
    std::string line, expected;
  } rows[] = {
      {3, "abcdef", "abXYcdef"},
      {10, "abc", "abcXY"},  // past the end: at the end, no filler
      {4, "abc", "abcXY"},
      {3, "abc", "abXYc"},
      {1, "abc", "XYabc"},
      {0, "abc", "XYabc"},
      {-7, "abc", "XYabc"},
      {3, "", "XY"},
      {1, long_line, "XY" + long_line.substr(0, 500)},
      {3, long_line, "aaXY" + long_line.substr(2, 500)},
      {599, long_line, long_line.substr(0, 598) + "XY" + "bb"},
  };
  LineTransform transform = Transform(LineOperation::kInsertAtColumn, "XY");
  for (const Row& row : rows) {
    SCOPED_TRACE("column " + std::to_string(row.column) + " of '" + row.line.substr(0, 20) + "'");
    transform.column = row.column;
    EXPECT_EQ(transform.Apply(row.line, 1), row.expected);
  }
}

TEST(EditLineTransform, InsertsAtStartAndEndEvenAnEmptyString) {
  EXPECT_EQ(Transform(LineOperation::kInsertAtStart, "> ").Apply("abc", 1), "> abc");
  EXPECT_EQ(Transform(LineOperation::kInsertAtEnd, ";").Apply("abc", 1), "abc;");
  EXPECT_EQ(Transform(LineOperation::kInsertAtEnd, "").Apply("abc", 1), "abc");
  EXPECT_EQ(Transform(LineOperation::kInsertAtStart, "x").Apply("", 1), "x");
}

TEST(EditLineTransform, NumberGoesFirstOnlyForAnswersStartingWithP) {
  struct Row {
    std::optional<std::string> answer;  // nullopt: Cancel, which answers "P"
    std::string expected;
  } rows[] = {
      {"p", "7abc"}, {"P", "7abc"}, {"principio", "7abc"}, {std::nullopt, "7abc"}, {"f", "abc7"},
      {"F", "abc7"}, {"x", "abc7"}, {"", "abc7"},          {" p", "abc7"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.answer.value_or("(Cancel)"));
    ScriptedPrompter prompter;
    prompter.input_answers = {row.answer};
    const LineTransform transform = AskLineTransform(LineOperation::kNumberLines, "", prompter);
    EXPECT_EQ(transform.Apply("abc", 7), row.expected);
    EXPECT_EQ(prompter.prompts, std::vector<std::string>{"Al principio(P) o al final(F)"});
  }
  LineTransform transform = Transform(LineOperation::kNumberLines);
  EXPECT_EQ(transform.Apply("", 500000), "500000");
}

TEST(EditLineTransform, ExtractsColumnsCountingFromTheFirstWhenTheStartIsBelowOne) {
  struct Row {
    long long from, to;
    std::string line, expected;
  } rows[] = {
      {3, 5, "abcdefg", "cde"},       {5, 3, "abcdefg", ""},
      {0, 2, "abcdefg", "abc"},       {-1, 1, "abcdefg", "abc"},
      {1, 255, "abcdefg", "abcdefg"}, {6, 100, "abcdefg", "fg"},
      {8, 9, "abcdefg", ""},          {1, 255, "", ""},
      {4, 4, "abcdefg", "d"},
  };
  LineTransform transform = Transform(LineOperation::kExtractColumns);
  for (const Row& row : rows) {
    SCOPED_TRACE(std::to_string(row.from) + " to " + std::to_string(row.to) + " of '" + row.line +
                 "'");
    transform.from = row.from;
    transform.to = row.to;
    EXPECT_EQ(transform.Apply(row.line, 1), row.expected);
  }
}

TEST(EditLineTransform, DirectoriesKeepEverythingUpToTheLastSeparator) {
  struct Row {
    std::string line, expected;
  } rows[] = {
      {"C:\\dir\\sub\\file.txt", "C:\\dir\\sub\\"},
      {"C:file", "C:"},
      {"file.txt", ""},
      {"", ""},
      {"/home/ana/notas.txt", "/home/ana/"},
      {"/home/ana/", "/home/ana/"},
      {"docs/a\\b.txt", "docs/a\\"},
      {"x\\y/z", "x\\y/"},
      {"http://host", "http://"},
  };
  const LineTransform transform = Transform(LineOperation::kExtractDirectories);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    EXPECT_EQ(transform.Apply(row.line, 1), row.expected);
  }
}

TEST(EditLineTransform, NonNumericAnswerStopsAtTheFirstWrongQuestion) {
  ScriptedPrompter prompter;
  prompter.input_answers = {std::string("abc")};
  try {
    AskLineTransform(LineOperation::kInsertAtColumn, "XY", prompter);
    FAIL() << "no error";
  } catch (const ConversionError& error) {
    EXPECT_STREQ(error.what(), "'abc' is not a valid integer value");
  }

  ScriptedPrompter extract;
  extract.input_answers = {std::string("1x"), std::string("5")};
  EXPECT_THROW(AskLineTransform(LineOperation::kExtractColumns, "", extract), ConversionError);
  EXPECT_EQ(extract.prompts, std::vector<std::string>{"Desde qué Columna?"});

  ScriptedPrompter defaults;  // Cancel everywhere: 1 to 255
  LineTransform transform = AskLineTransform(LineOperation::kExtractColumns, "", defaults);
  EXPECT_EQ(defaults.prompts,
            (std::vector<std::string>{"Desde qué Columna?", "Hasta qué Columna?"}));
  EXPECT_EQ(transform.Apply(std::string(300, 'z'), 1), std::string(255, 'z'));
}

TEST(EditPane, SplitAndJoinGiveTheTextBack) {
  struct Row {
    std::string text;
    std::vector<std::string> lines;
  } rows[] = {
      {"", {}},
      {"a", {"a"}},
      {"a\n", {"a"}},
      {"a\n\nb", {"a", "", "b"}},
      {"\n", {""}},
      {"\n\n", {"", ""}},
      {"uno\ndos\n", {"uno", "dos"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    PaneText pane = SplitPaneText(row.text);
    EXPECT_EQ(pane.lines, row.lines);
    EXPECT_EQ(JoinPaneText(pane), row.text);
  }
}

TEST(EditPane, LoadingEndsLinesAtEveryBreakAndStopsAtNul) {
  TempTree tree;
  struct Row {
    std::string bytes, text;
  } rows[] = {
      {"a\r\nb\rc\nd", "a\nb\nc\nd"},
      {"a\r\n", "a\n"},
      {"a\n\rb", "a\n\nb"},
      {"a\r\rb", "a\n\nb"},
      {std::string("uno\r\ndos\0tres\r\n", 15), "uno\ndos"},
      {"x\x1ay", "x\x1ay"},  // Ctrl-Z is an ordinary character here
      {"", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    tree.AddFile("carga.txt", row.bytes);
    EXPECT_EQ(LoadPaneFile(tree.Path("carga.txt")), row.text);
  }
  try {
    LoadPaneFile(tree.Path("no-existe.txt"));
    FAIL() << "no error";
  } catch (const IoError& error) {
    EXPECT_STREQ(error.what(), "File not found");
  }
}

TEST(EditPane, SavingSeparatesLinesWithCrLfAndAddsNoneAtTheEnd) {
  TempTree tree;
  struct Row {
    std::string text, bytes;
  } rows[] = {
      {"a\nb", "a\r\nb"}, {"a\nb\n", "a\r\nb\r\n"}, {"", ""},
      {"\n", "\r\n"},     {"á\n\x1a", "á\r\n\x1a"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    SavePaneFile(tree.Path("graba.txt"), row.text);  // the second time over an existing file
    EXPECT_EQ(tree.ReadFile("graba.txt"), row.bytes);
  }
  // A loaded file saves back unchanged when its breaks are CR LF.
  tree.AddFile("ida.txt", "uno\r\n\r\ndos\r\n");
  SavePaneFile(tree.Path("vuelta.txt"), LoadPaneFile(tree.Path("ida.txt")));
  EXPECT_EQ(tree.ReadFile("vuelta.txt"), "uno\r\n\r\ndos\r\n");
  EXPECT_THROW(SavePaneFile(tree.Path("falta/graba.txt"), "x"), IoError);
}

TEST(EditCaret, ShowsLineAndCharactersBeforeTheCaret) {
  struct Row {
    std::int64_t line_index;
    std::string before, label;
  } rows[] = {
      {0, "", "(1:0)"},
      {0, "abc", "(1:3)"},
      {2, "", "(3:0)"},
      {1, "a", "(2:1)"},
      {0, "áé", "(1:2)"},  // one character each, two bytes each
      {41, "12345678901", "(42:11)"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.label);
    EXPECT_EQ(CaretLabel(row.line_index, row.before), row.label);
  }
}

}  // namespace
}  // namespace zuruza
