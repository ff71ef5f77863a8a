// The line editor's operations as its menu runs them: the questions, the
// file pair, the messages and the failures.
#include "text/edit.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "base/errors.h"
#include "platform/fs.h"
#include "platform/line_ends.h"
#include "platform/testing/child_process.h"
#include "platform/testing/process_settings.h"
#include "platform/testing/system_traits.h"
#include "support/recording_sink.h"
#include "support/scripted_prompter.h"
#include "support/temp_tree.h"

namespace zuruza {
namespace {

using testing::RecordingSink;
using testing::ScriptedPrompter;
using testing::TempTree;
using Answers = std::deque<std::optional<std::string>>;

constexpr EditOperation kDiskOnly[] = {
    EditOperation::kRemoveShortLines,
    EditOperation::kRemoveLinesContaining,
    EditOperation::kRemoveLongLines,
    EditOperation::kRemoveLinesNotContaining,
    EditOperation::kRemoveRepeatedLines,
    EditOperation::kLineEndsToLf,
    EditOperation::kSortFile,
};

class EditorTest : public ::testing::Test {
 protected:
  // Runs `operation` in disk mode over `content` in "in.txt"; the answers
  // are given in the order they are asked.
  std::string RunOnFile(EditOperation operation, const std::string& content, Answers answers,
                        const std::string& insert = "") {
    tree_.AddFile("in.txt", content);
    prompter_.input_answers = std::move(answers);
    Run(operation, insert, true);
    EXPECT_EQ(tree_.ReadFile("in.txt"), content) << "the input file changed";
    return tree_.ReadFile("out.txt");
  }
  void Run(EditOperation operation, const std::string& insert, bool disk_mode) {
    editor_.Run(operation, {insert, disk_mode}, pane_lines_);
  }
  std::optional<std::string> In() const { return tree_.Path("in.txt"); }
  std::optional<std::string> Out() const { return tree_.Path("out.txt"); }
  bool Exists(const std::string& relative) const {
    return std::filesystem::exists(tree_.Path(relative));
  }

  TempTree tree_;
  ScriptedPrompter prompter_;
  RecordingSink pane_;
  LineEditor editor_{prompter_, pane_};
  std::vector<std::string> pane_lines_;
};

TEST_F(EditorTest, EachTwoModeOperationTransformsEveryLineOfTheFile) {
  const std::string content = "C:\\dir\\f.txt\r\n/home/ana/notas\r\nabcdef";
  struct Row {
    EditOperation operation;
    Answers parameters;
    std::string expected;
  } rows[] = {
      {EditOperation::kInsertAtStart, {}, "XYC:\\dir\\f.txt\r\nXY/home/ana/notas\r\nXYabcdef\r\n"},
      {EditOperation::kInsertAtEnd, {}, "C:\\dir\\f.txtXY\r\n/home/ana/notasXY\r\nabcdefXY\r\n"},
      {EditOperation::kInsertAtColumn,
       {"3"},
       "C:XY\\dir\\f.txt\r\n/hXYome/ana/notas\r\nabXYcdef\r\n"},
      {EditOperation::kNumberLines, {"F"}, "C:\\dir\\f.txt1\r\n/home/ana/notas2\r\nabcdef3\r\n"},
      {EditOperation::kNumberLines,
       {std::nullopt},
       "1C:\\dir\\f.txt\r\n2/home/ana/notas\r\n3abcdef\r\n"},
      {EditOperation::kExtractColumns, {"0", "2"}, "C:\\\r\n/ho\r\nabc\r\n"},
      {EditOperation::kExtractDirectories, {}, "C:\\dir\\\r\n/home/ana/\r\n\r\n"},
  };
  for (Row& row : rows) {
    SCOPED_TRACE(static_cast<int>(row.operation));
    prompter_.messages.clear();
    Answers answers = row.parameters;
    answers.push_back(In());
    answers.push_back(Out());
    EXPECT_EQ(RunOnFile(row.operation, content, answers, "XY"), row.expected);
    EXPECT_EQ(prompter_.messages, std::vector<std::string>{"Fichero Procesado"});
  }
}

TEST_F(EditorTest, AsksTheFileNamesAfterTheParametersWithTheTmpDefault) {
  EXPECT_EQ(RunOnFile(EditOperation::kInsertAtColumn, "abc", {"2", In(), std::nullopt}), "");
  EXPECT_EQ(prompter_.prompts,
            (std::vector<std::string>{"En qué COLUMNA?", "Nombre con PATH", "Nombre con PATH"}));
  EXPECT_EQ(tree_.ReadFile("in.txt.tmp"), "abc\r\n");  // Cancel: the suggested name
  EXPECT_EQ(editor_.file_names().input, tree_.Path("in.txt"));
  EXPECT_EQ(editor_.file_names().output, tree_.Path("in.txt.tmp"));
}

TEST_F(EditorTest, FiltersAskTheirParameterAfterTheFileNames) {
  EXPECT_EQ(RunOnFile(EditOperation::kRemoveShortLines, "a\r\nabc\r\n", {In(), Out(), "1"}),
            "abc\r\n");
  EXPECT_EQ(prompter_.prompts,
            (std::vector<std::string>{"Nombre con PATH", "Nombre con PATH",
                                      "Con MENOS o IGUAL número de caracteres de..."}));
  EXPECT_EQ(RunOnFile(EditOperation::kRemoveLongLines, "a\r\nabc\r\n", {In(), Out(), "1"}),
            "a\r\n");
  EXPECT_EQ(RunOnFile(EditOperation::kRemoveLinesContaining, "a\r\nabc\r\n", {In(), Out(), "bc"}),
            "a\r\n");
  EXPECT_EQ(
      RunOnFile(EditOperation::kRemoveLinesNotContaining, "a\r\nabc\r\n", {In(), Out(), "bc"}),
      "abc\r\n");
  EXPECT_EQ(RunOnFile(EditOperation::kLineEndsToLf, "a\r\nabc\r\n", {In(), Out()}), "a\nabc\n");
}

TEST_F(EditorTest, DiskOnlyOperationsOnlySaySoWithoutDiskMode) {
  for (EditOperation operation : kDiskOnly) {
    SCOPED_TRACE(static_cast<int>(operation));
    ScriptedPrompter prompter;
    LineEditor editor(prompter, pane_);
    std::vector<std::string> pane = {"uno"};
    editor.Run(operation, {"", false}, pane);
    EXPECT_EQ(prompter.messages,
              std::vector<std::string>{"Esta opción SOLO funciona con ficheros del DISCO."});
    EXPECT_TRUE(prompter.prompts.empty());
    EXPECT_EQ(pane, std::vector<std::string>{"uno"});
  }
}

TEST_F(EditorTest, PaneModeRewritesEachLineNumberedByItsPosition) {
  pane_lines_ = {"abc", "", "C:\\x\\y"};
  prompter_.input_answers = {std::string("f")};
  Run(EditOperation::kNumberLines, "", false);
  EXPECT_EQ(pane_lines_, (std::vector<std::string>{"abc1", "2", "C:\\x\\y3"}));
  Run(EditOperation::kExtractDirectories, "", false);
  EXPECT_EQ(pane_lines_, (std::vector<std::string>{"", "", "C:\\x\\"}));
  EXPECT_TRUE(prompter_.messages.empty());

  pane_lines_.clear();
  Run(EditOperation::kInsertAtStart, "X", false);
  EXPECT_TRUE(pane_lines_.empty());
  EXPECT_TRUE(prompter_.messages.empty());
}

TEST_F(EditorTest, ReadsTheLineRulesOfTextFiles) {
  struct Row {
    std::string content, expected;
  } rows[] = {
      {"", ""},  // no lines, still an output
      // Lone LF: a line end, kept in the output (on Windows a byte of its line).
      {"uno\ndos\n", kLoneLfEndsLine ? "-uno\n-dos\n" : "-uno\ndos\n\r\n"},
      {"a\r\nb", "-a\r\n-b\r\n"},    // a last line without its end
      {"a\rb\r\n", "-a\r\n-b\r\n"},  // a lone CR ends a line
      {"a\r\n\x1a"
       "b\r\nc\r\n",
       "-a\r\n"},  // nothing after a Ctrl-Z
      {"a\x1a", "-a\r\n"},
      {"\r\n\r\n", "-\r\n-\r\n"},
      {std::string("\0\xff\r\n", 4), std::string("-\0\xff\r\n", 5)},  // bytes as they are
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::PrintToString(row.content));
    prompter_.messages.clear();
    EXPECT_EQ(RunOnFile(EditOperation::kInsertAtStart, row.content, {In(), Out()}, "-"),
              row.expected);
    EXPECT_EQ(prompter_.messages, std::vector<std::string>{"Fichero Procesado"});
  }
}

TEST_F(EditorTest, AnLfFileStaysAnLfFile) {
  if (!kLoneLfEndsLine) GTEST_SKIP() << "a lone LF does not end a line on this system";
  const std::string content = "./b\n./a\n./b\n";
  struct Row {
    EditOperation operation;
    Answers answers;
    std::string expected;
  } rows[] = {
      {EditOperation::kSortFile, {In(), Out()}, "./a\n./b\n./b\n"},
      {EditOperation::kRemoveRepeatedLines, {In(), Out()}, "./b\n./a\n"},
      {EditOperation::kRemoveLinesContaining, {In(), Out(), "a"}, "./b\n./b\n"},
      {EditOperation::kRemoveShortLines, {In(), Out(), "2"}, content},
      {EditOperation::kInsertAtEnd, {In(), Out()}, "./b!\n./a!\n./b!\n"},
      {EditOperation::kLineEndsToLf, {In(), Out()}, content},
  };
  for (Row& row : rows) {
    SCOPED_TRACE(static_cast<int>(row.operation));
    EXPECT_EQ(RunOnFile(row.operation, content, row.answers, "!"), row.expected);
  }
}

TEST_F(EditorTest, ColumnsOfAFileCountCharacters) {
  struct Row {
    EditOperation operation;
    Answers parameters;
    std::string content, expected;
  } rows[] = {
      {EditOperation::kExtractColumns, {"1", "2"}, "año\r\n", "añ\r\n"},
      {EditOperation::kExtractColumns, {"3", "3"}, "año\r\n", "o\r\n"},
      {EditOperation::kInsertAtColumn, {"3"}, "año\r\n", "añXo\r\n"},
      // An 8-bit line counts its bytes.
      {EditOperation::kExtractColumns, {"1", "2"}, "a\xf1o\r\n", "a\xf1\r\n"},
      {EditOperation::kInsertAtColumn, {"3"}, "a\xf1o\r\n", "a\xf1Xo\r\n"},
  };
  for (Row& row : rows) {
    SCOPED_TRACE(row.content + " " + std::to_string(static_cast<int>(row.operation)));
    Answers answers = row.parameters;
    answers.push_back(In());
    answers.push_back(Out());
    EXPECT_EQ(RunOnFile(row.operation, row.content, answers, "X"), row.expected);
  }
}

TEST_F(EditorTest, AnEarlierOutputIsReplacedNeverWrittenThrough) {
  tree_.AddFile("otro.txt", "ajeno");
  ASSERT_NO_THROW(std::filesystem::create_hard_link(tree_.Path("otro.txt"), tree_.Path("out.txt")));
  EXPECT_EQ(RunOnFile(EditOperation::kInsertAtStart, "b\r\na\r\n", {In(), Out()}, "-"),
            "-b\r\n-a\r\n");
  EXPECT_EQ(tree_.ReadFile("otro.txt"), "ajeno");
}

// A line larger than the memory, met in a child whose address space is
// capped a little above what it already uses. Not under AddressSanitizer,
// whose shadow memory alone is far beyond any such cap.
#if defined(__SANITIZE_ADDRESS__)
#define ZURUZA_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZURUZA_ADDRESS_SANITIZER 1
#endif
#endif

TEST_F(EditorTest, ALineLargerThanTheMemoryEndsWithAMessageAndChangesNoFile) {
  if (!testing::HasPosixProcesses()) GTEST_SKIP() << "no forked child whose memory can be capped";
#ifdef ZURUZA_ADDRESS_SANITIZER
  GTEST_SKIP() << "the address space cannot be capped under AddressSanitizer";
#endif
  const std::string content(48u << 20, 'x');
  tree_.AddFile("in.txt", content);
  tree_.AddFile("out.txt", "antiguo");
  for (EditOperation operation : {EditOperation::kInsertAtEnd, EditOperation::kSortFile}) {
    SCOPED_TRACE(static_cast<int>(operation));
    std::optional<int> code;
    ASSERT_NO_THROW(code = testing::RunInChild([&] {
                      if (!testing::CapAddressSpace(16u << 20)) return 3;
                      prompter_.input_answers = {In(), Out()};
                      try {
                        Run(operation, "!", true);
                      } catch (const Error& error) {
                        return std::string(error.what()) == kLineTooLongMessage ? 0 : 1;
                      }
                      return 2;
                    }));
    ASSERT_TRUE(code.has_value()) << "the child did not exit";
    ASSERT_NE(*code, 3) << "the address space could not be capped";
    EXPECT_EQ(*code, 0) << "the operation did not end with the message";
    EXPECT_EQ(tree_.ReadFile("out.txt"), "antiguo");
    std::vector<DirEntry> entries;
    ListDirectory(tree_.root(), entries);
    EXPECT_EQ(entries.size(), 4u) << "a temporary file was left";  // ".", "..", in.txt, out.txt
  }
}

TEST_F(EditorTest, NonNumericAnswerStopsBeforeAnyFileIsNamed) {
  tree_.AddFile("in.txt", "abc\r\n");
  for (EditOperation operation : {EditOperation::kInsertAtColumn, EditOperation::kExtractColumns}) {
    SCOPED_TRACE(static_cast<int>(operation));
    prompter_.prompts.clear();
    prompter_.input_answers = {std::string("abc"), In(), Out()};
    try {
      Run(operation, "XY", true);
      FAIL() << "no error";
    } catch (const ConversionError& error) {
      EXPECT_STREQ(error.what(), "'abc' is not a valid integer value");
    }
    EXPECT_EQ(prompter_.prompts.size(), 1u);
    EXPECT_FALSE(Exists("out.txt"));
  }
}

TEST_F(EditorTest, NonNumericLengthCreatesNoOutput) {
  tree_.AddFile("out.txt", "antes\r\n");
  try {
    RunOnFile(EditOperation::kRemoveLongLines, "abc\r\n", {In(), Out(), "x1"});
    FAIL() << "no error";
  } catch (const ConversionError& error) {
    EXPECT_STREQ(error.what(), "'x1' is not a valid integer value");
  }
  EXPECT_EQ(tree_.ReadFile("out.txt"), "antes\r\n");
  EXPECT_TRUE(prompter_.messages.empty());
  // A missing input is found before the question.
  prompter_.prompts.clear();
  prompter_.input_answers = {tree_.Path("falta.txt"), Out(), "5"};
  EXPECT_THROW(Run(EditOperation::kRemoveShortLines, "", true), IoError);
  EXPECT_EQ(prompter_.prompts.size(), 2u);
}

TEST_F(EditorTest, MissingInputIsFileNotFoundAndCreatesNothing) {
  for (EditOperation operation :
       {EditOperation::kInsertAtEnd, EditOperation::kSortFile, EditOperation::kRemoveRepeatedLines,
        EditOperation::kRemoveShortLines}) {
    SCOPED_TRACE(static_cast<int>(operation));
    prompter_.input_answers = {tree_.Path("falta.txt"), Out()};
    try {
      Run(operation, "", true);
      FAIL() << "no error";
    } catch (const IoError& error) {
      EXPECT_STREQ(error.what(), "File not found");
    }
    EXPECT_FALSE(Exists("out.txt"));
  }
  prompter_.input_answers = {std::string(""), std::nullopt};  // Cancel on both boxes
  EXPECT_THROW(Run(EditOperation::kLineEndsToLf, "", true), IoError);
}

TEST_F(EditorTest, OutputInAMissingDirectoryIsAnIoError) {
  tree_.AddFile("in.txt", "abc\r\n");
  prompter_.input_answers = {In(), tree_.Path("falta/out.txt")};
  try {
    Run(EditOperation::kInsertAtEnd, "", true);
    FAIL() << "no error";
  } catch (const IoError& error) {
    EXPECT_STREQ(error.what(), "File not found");
  }
  EXPECT_EQ(tree_.ReadFile("in.txt"), "abc\r\n");
}

TEST_F(EditorTest, RefusesAnOutputThatIsTheInputFileUnderAnyName) {
  const std::string content = "b\r\na\r\n";
  tree_.AddFile("in.txt", content);
  tree_.AddDirectory("sub");
  ASSERT_NO_THROW(std::filesystem::create_hard_link(tree_.Path("in.txt"), tree_.Path("duro.txt")));
  std::vector<std::string> spellings = {
      tree_.Path("in.txt"),
      tree_.Path("sub/../in.txt"),
      tree_.root() + "./in.txt",
      tree_.Path("duro.txt"),
  };
  if (testing::CanMakeLinks()) {
    tree_.AddLink("enlace.txt", tree_.Path("in.txt"));
    spellings.push_back(tree_.Path("enlace.txt"));
  }
  for (const std::string& output : spellings) {
    for (EditOperation operation : {EditOperation::kSortFile, EditOperation::kInsertAtStart}) {
      SCOPED_TRACE(output + " " + std::to_string(static_cast<int>(operation)));
      prompter_.input_answers = {In(), output};
      try {
        Run(operation, "X", true);
        FAIL() << "no error";
      } catch (const Error& error) {
        EXPECT_EQ(std::string(error.what()), kSameFileMessage);
      }
      EXPECT_EQ(tree_.ReadFile("in.txt"), content);
    }
  }
  // A copy under another name is another file.
  tree_.AddFile("copia.txt", content);
  prompter_.input_answers = {In(), tree_.Path("copia.txt")};
  Run(EditOperation::kSortFile, "", true);
  EXPECT_EQ(tree_.ReadFile("copia.txt"), "a\r\nb\r\n");
}

TEST_F(EditorTest, OneLineOfAHundredMegabytesStreamsThrough) {
  const std::string line(100u << 20, 'z');
  tree_.AddFile("in.txt", line);
  auto output_size = [&] {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(tree_.Path("out.txt"), error);
    EXPECT_FALSE(error);
    return error ? 0 : static_cast<std::size_t>(size);
  };
  prompter_.input_answers = {In(), Out()};
  Run(EditOperation::kInsertAtEnd, "!", true);
  EXPECT_EQ(output_size(), line.size() + 3);
  prompter_.input_answers = {In(), Out(), "y"};
  Run(EditOperation::kRemoveLinesContaining, "", true);
  EXPECT_EQ(output_size(), line.size() + 2);
}

}  // namespace
}  // namespace zuruza
