#include "core/text_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "core/errors.h"
#include "support/temp_tree.h"

namespace zuruza {
namespace {

using namespace std::string_literals;
using testing::TempTree;

std::vector<std::string> ReadAll(TextReader& reader) {
  std::vector<std::string> lines;
  std::string line;
  while (reader.ReadLine(line)) lines.push_back(line);
  return lines;
}

std::vector<std::string> ReadAll(const std::string& path) {
  TextReader reader(path);
  return ReadAll(reader);
}

// The code of the IoError the call throws, or -1 when it throws none.
template <typename Call>
int IoCodeOf(Call call) {
  try {
    call();
  } catch (const IoError& error) {
    return error.code();
  }
  return -1;
}

TEST(TextReader, SplitsLinesByTheLineRules) {
  struct Row {
    const char* name;
    std::string content;
    std::vector<std::string> lines;
    std::uint64_t consumed;
  };
  const Row rows[] = {
      {"empty file", "", {}, 0},
      {"no line end", "abc", {"abc"}, 3},
      {"cr lf", "a\r\nb\r\n", {"a", "b"}, 6},
      {"cr lf then text", "a\r\nb", {"a", "b"}, 4},
      {"lone cr", "a\rb", {"a", "b"}, 3},
      {"lone lf stays inside line", "a\nb\r\n", {"a\nb"}, 5},
      {"lf only file", "\n", {"\n"}, 1},
      {"two crs", "a\r\r", {"a", ""}, 3},
      {"lf cr is lf then line end", "a\n\r\n", {"a\n"}, 4},
      {"second lf starts a line", "a\r\n\n", {"a", "\n"}, 4},
      {"blank lines", "\r\n\r\n", {"", ""}, 4},
      {"single cr", "\r", {""}, 1},
      {"ctrl-z ends file mid line", "ab\x1a" "cd\r\n", {"ab"}, 2},
      {"ctrl-z at start", "\x1a" "abc", {}, 0},
      {"ctrl-z after cr", "a\r\x1a" "b", {"a"}, 2},
      {"ctrl-z after cr lf", "a\r\n\x1a", {"a"}, 3},
      {"ctrl-z on second line", "a\r\nb\x1a\r\nc", {"a", "b"}, 4},
      {"zero bytes kept", "a\0b\r\n"s, {"a\0b"s}, 5},
      {"high bytes kept", "\xc3\xa9\xff\r\n", {"\xc3\xa9\xff"}, 5},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TempTree tree;
    tree.AddFile("f.txt", row.content);
    TextReader reader(tree.Path("f.txt"));
    EXPECT_EQ(ReadAll(reader), row.lines);
    EXPECT_EQ(reader.BytesConsumed(), row.consumed);
    EXPECT_TRUE(reader.AtEnd());
    std::string line = "left over";
    EXPECT_FALSE(reader.ReadLine(line));
    EXPECT_EQ(line, "");
  }
}

TEST(TextReader, AtEndTellsWhetherAnotherLineFollows) {
  struct Row {
    const char* name;
    std::string content;
    std::vector<bool> at_end_before_each_read;  // the last entry is before the failing read
  };
  const Row rows[] = {
      {"empty", "", {true}},
      {"only ctrl-z", "\x1a", {true}},
      {"one line", "a\r\n", {false, true}},
      {"empty line", "\r", {false, true}},
      {"ctrl-z after line", "a\r\n\x1a" "b", {false, true}},
      {"two lines", "a\rb", {false, false, true}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TempTree tree;
    tree.AddFile("f.txt", row.content);
    TextReader reader(tree.Path("f.txt"));
    std::string line;
    for (bool at_end : row.at_end_before_each_read) {
      EXPECT_EQ(reader.AtEnd(), at_end);
      EXPECT_EQ(reader.ReadLine(line), !at_end);
    }
  }
}

// The reader's buffer size is its own business, so the CR, LF and Ctrl-Z are
// placed around every power of two a buffer could plausibly have.
TEST(TextReader, LineEndsSplitAcrossReadsAreJoined) {
  TempTree tree;
  for (int power = 12; power <= 20; ++power) {
    for (int shift = -2; shift <= 1; ++shift) {
      const std::size_t length = static_cast<std::size_t>((1 << power) + shift);
      SCOPED_TRACE("line of " + std::to_string(length) + " bytes");
      const std::string long_line(length, 'x');
      tree.AddFile("crlf.txt", long_line + "\r\ny\r\n");
      EXPECT_EQ(ReadAll(tree.Path("crlf.txt")), (std::vector<std::string>{long_line, "y"}));
      tree.AddFile("crcr.txt", long_line + "\r\r\n");
      EXPECT_EQ(ReadAll(tree.Path("crcr.txt")), (std::vector<std::string>{long_line, ""}));
      tree.AddFile("ctrlz.txt", long_line + "\x1a" "y\r\n");
      EXPECT_EQ(ReadAll(tree.Path("ctrlz.txt")), (std::vector<std::string>{long_line}));
      tree.AddFile("crz.txt", long_line + "\r\x1a" "y");
      EXPECT_EQ(ReadAll(tree.Path("crz.txt")), (std::vector<std::string>{long_line}));
    }
  }
}

TEST(TextReader, ReadsManyLinesAndCountsEveryByte) {
  TempTree tree;
  std::string content;
  std::vector<std::string> expected;
  for (int i = 0; i < 100000; ++i) {
    expected.push_back(std::string(static_cast<std::size_t>(i % 97), static_cast<char>('a' + i % 26)) +
                       std::to_string(i));
    content += expected.back();
    content += i % 3 == 0 ? "\r" : "\r\n";
  }
  tree.AddFile("big.txt", content);
  TextReader reader(tree.Path("big.txt"));
  EXPECT_EQ(ReadAll(reader), expected);
  EXPECT_EQ(reader.BytesConsumed(), content.size());
}

TEST(TextReader, RewindStartsAgainFromTheFirstLine) {
  TempTree tree;
  tree.AddFile("f.txt", "one\r\ntwo\r\nthree\x1a" "four");
  TextReader reader(tree.Path("f.txt"));
  std::string line;
  ASSERT_TRUE(reader.ReadLine(line));
  ASSERT_TRUE(reader.ReadLine(line));
  EXPECT_EQ(reader.BytesConsumed(), 10u);
  reader.Rewind();
  EXPECT_EQ(reader.BytesConsumed(), 0u);
  EXPECT_EQ(ReadAll(reader), (std::vector<std::string>{"one", "two", "three"}));
  // Also after the Ctrl-Z has ended the file.
  reader.Rewind();
  EXPECT_FALSE(reader.AtEnd());
  EXPECT_EQ(ReadAll(reader), (std::vector<std::string>{"one", "two", "three"}));
}

TEST(TextReader, OpenFailuresThrowRuntimeCodes) {
  TempTree tree("file.txt=x\ndir/\n");
  struct Row {
    const char* name;
    std::string path;
    int code;
  };
  const Row rows[] = {
      {"missing file", tree.Path("none.txt"), kFileNotFound},
      {"missing directory", tree.Path("nodir/none.txt"), kFileNotFound},
      {"empty path", "", kFileNotFound},
      {"directory", tree.Path("dir"), kFileAccessDenied},
      {"file used as directory", tree.Path("file.txt/x"), kInvalidFilename},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(IoCodeOf([&] { TextReader reader(row.path); }), row.code);
  }
}

TEST(TextReader, UnreadableFileIsAccessDenied) {
  if (geteuid() == 0) GTEST_SKIP() << "root reads every file";
  TempTree tree("secret.txt=x");
  ASSERT_EQ(chmod(tree.Path("secret.txt").c_str(), 0), 0);
  EXPECT_EQ(IoCodeOf([&] { TextReader reader(tree.Path("secret.txt")); }), kFileAccessDenied);
}

TEST(TextWriter, EndsEveryLineWithCrLf) {
  TempTree tree;
  TextWriter writer(tree.Path("out.txt"), TextWriter::Mode::kReplace);
  EXPECT_TRUE(writer.IsOpen());
  writer.WriteLine("one");
  writer.WriteLine("");
  writer.Write("raw");
  writer.WriteLine("\xc3\xa9\n");
  writer.Close();
  EXPECT_FALSE(writer.IsOpen());
  EXPECT_EQ(tree.ReadFile("out.txt"), "one\r\n\r\nraw\xc3\xa9\n\r\n");
}

TEST(TextWriter, ReplaceEmptiesAndAppendKeeps) {
  struct Row {
    const char* name;
    TextWriter::Mode mode;
    bool existing;
    std::string expected;
  };
  const Row rows[] = {
      {"replace existing", TextWriter::Mode::kReplace, true, "new\r\n"},
      {"append existing", TextWriter::Mode::kAppend, true, "old line\r\nnew\r\n"},
      {"replace creates", TextWriter::Mode::kReplace, false, "new\r\n"},
      {"append creates", TextWriter::Mode::kAppend, false, "new\r\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TempTree tree;
    if (row.existing) tree.AddFile("out.txt", "old line\r\n");
    TextWriter writer(tree.Path("out.txt"), row.mode);
    writer.WriteLine("new");
    writer.Close();
    EXPECT_EQ(tree.ReadFile("out.txt"), row.expected);
  }
}

TEST(TextWriter, LargeOutputSurvivesBufferingAndReadsBack) {
  TempTree tree;
  std::vector<std::string> lines;
  for (int i = 0; i < 50000; ++i) lines.push_back(std::string(static_cast<std::size_t>(i % 61), 'q') + std::to_string(i));
  lines.push_back(std::string(300000, 'L'));
  lines.push_back("after the long one");
  {
    TextWriter writer(tree.Path("out.txt"), TextWriter::Mode::kReplace);
    for (const std::string& line : lines) writer.WriteLine(line);
    writer.Close();
  }
  EXPECT_EQ(ReadAll(tree.Path("out.txt")), lines);
}

TEST(TextWriter, DestructorFlushesWhatWasWritten) {
  TempTree tree;
  {
    TextWriter writer(tree.Path("out.txt"), TextWriter::Mode::kReplace);
    writer.WriteLine("kept");
  }
  EXPECT_EQ(tree.ReadFile("out.txt"), "kept\r\n");
}

TEST(TextWriter, UseAfterCloseThrowsAndCloseAgainDoesNothing) {
  TempTree tree;
  TextWriter writer(tree.Path("out.txt"), TextWriter::Mode::kReplace);
  writer.Close();
  EXPECT_NO_THROW(writer.Close());
  EXPECT_THROW(writer.WriteLine("late"), IoError);
  EXPECT_THROW(writer.Flush(), IoError);
}

TEST(TextWriter, OpenFailuresThrowRuntimeCodes) {
  TempTree tree("dir/\nfile.txt=x\n");
  struct Row {
    const char* name;
    std::string path;
    int code;
  };
  const Row rows[] = {
      {"missing directory", tree.Path("nodir/out.txt"), kFileNotFound},
      {"empty path", "", kFileNotFound},
      {"directory", tree.Path("dir"), kFileAccessDenied},
      {"file used as directory", tree.Path("file.txt/out.txt"), kInvalidFilename},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(IoCodeOf([&] { TextWriter writer(row.path, TextWriter::Mode::kReplace); }), row.code);
    EXPECT_EQ(IoCodeOf([&] { TextWriter writer(row.path, TextWriter::Mode::kAppend); }), row.code);
  }
}

class TextWriterFullDisk : public ::testing::Test {
 protected:
  void SetUp() override {
    if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full here";
  }
};

TEST_F(TextWriterFullDisk, CloseReportsDiskFullAndStillCloses) {
  TextWriter writer("/dev/full", TextWriter::Mode::kReplace);
  writer.WriteLine("buffered");
  try {
    writer.Close();
    ADD_FAILURE() << "nothing thrown";
  } catch (const IoError& error) {
    EXPECT_EQ(error.code(), kDiskFull);
    EXPECT_STREQ(error.what(), "Disk full");
  }
  EXPECT_FALSE(writer.IsOpen());
}

TEST_F(TextWriterFullDisk, FlushReportsDiskFullOnce) {
  TextWriter writer("/dev/full", TextWriter::Mode::kAppend);
  writer.WriteLine("buffered");
  EXPECT_EQ(IoCodeOf([&] { writer.Flush(); }), kDiskFull);
  EXPECT_EQ(IoCodeOf([&] { writer.Close(); }), -1);
}

TEST_F(TextWriterFullDisk, WriteThatOverflowsTheBufferReportsDiskFull) {
  TextWriter writer("/dev/full", TextWriter::Mode::kReplace);
  EXPECT_EQ(IoCodeOf([&] {
              for (int i = 0; i < 100; ++i) writer.WriteLine(std::string(1 << 20, 'x'));
            }),
            kDiskFull);
}

}  // namespace
}  // namespace zuruza
