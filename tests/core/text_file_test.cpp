#include "core/text_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "base/errors.h"
#include "platform/fs.h"
#include "platform/line_ends.h"
#include "platform/testing/identity.h"
#include "platform/testing/special_files.h"
#include "platform/testing/system_traits.h"
#include "support/temp_tree.h"

namespace zuruza {
namespace {

using namespace std::string_literals;
using testing::TempTree;
using Lines = std::vector<std::string>;

// Reads every line, checking on the way that AtEnd agrees with ReadLine.
Lines ReadAll(TextReader& reader) {
  Lines lines;
  std::string line;
  for (;;) {
    bool at_end = reader.AtEnd();
    bool got = reader.ReadLine(line);
    EXPECT_EQ(at_end, !got) << "after " << lines.size() << " lines";
    if (!got) return lines;
    lines.push_back(line);
  }
}

Lines ReadAll(const std::string& path) {
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
  constexpr bool lf_ends = kLoneLfEndsLine;
  struct Row {
    const char* name;
    std::string content;
    Lines lines;
    std::uint64_t consumed;
  };
  const Row rows[] = {
      {"empty file", "", {}, 0},
      {"no line end", "abc", {"abc"}, 3},
      {"cr lf", "a\r\nb\r\n", {"a", "b"}, 6},
      {"lone cr", "a\rb", {"a", "b"}, 3},
      // A lone LF ends a line (the first lines given), or on Windows stays
      // inside it (the second).
      {"lone lf ends a line", "a\nb\r\n", lf_ends ? Lines{"a", "b"} : Lines{"a\nb"}, 5},
      {"lf file", "a\nb\n", lf_ends ? Lines{"a", "b"} : Lines{"a\nb\n"}, 4},
      {"two crs", "a\r\r", {"a", ""}, 3},
      {"lf cr lf", "a\n\r\n", lf_ends ? Lines{"a", ""} : Lines{"a\n"}, 4},
      {"second lf is an empty line", "a\r\n\n", lf_ends ? Lines{"a", ""} : Lines{"a", "\n"}, 4},
      {"lf cr is two line ends", "a\n\rb", lf_ends ? Lines{"a", "", "b"} : Lines{"a\n", "b"}, 4},
      {"single cr", "\r", {""}, 1},
      {"ctrl-z ends file mid line",
       "ab\x1a"
       "cd\r\n",
       {"ab"},
       2},
      {"ctrl-z at start",
       "\x1a"
       "abc",
       {},
       0},
      {"ctrl-z after cr",
       "a\r\x1a"
       "b",
       {"a"},
       2},
      {"ctrl-z on second line", "a\r\nb\x1a\r\nc", {"a", "b"}, 4},
      {"zero and high bytes kept", "a\0\xc3\xa9\r\n"s, {"a\0\xc3\xa9"s}, 6},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TempTree tree;
    tree.AddFile("f.txt", row.content);
    TextReader reader(tree.Path("f.txt"));
    EXPECT_EQ(ReadAll(reader), row.lines);
    EXPECT_EQ(reader.BytesConsumed(), row.consumed);
    std::string line = "left over";
    EXPECT_FALSE(reader.ReadLine(line));
    EXPECT_EQ(line, "");
  }
}

// Reading by blocks follows the same rules as reading line by line, whatever
// the buffer's size; the line ends counted agree with the lines that end.
TEST(TextReader, BlocksSplitIntoTheSameLinesAsReadLine) {
  const std::string contents[] = {"",
                                  "abc",
                                  "a\r\nb\r\n",
                                  "a\rb",
                                  "a\nb\r\n",
                                  "a\r\r",
                                  "a\n\r\n",
                                  "a\r\n\n",
                                  "\r",
                                  "ab\x1a"
                                  "cd\r\n",
                                  "\x1a"
                                  "abc",
                                  "a\r\x1a"
                                  "b",
                                  "a\r\nb\x1a\r\nc",
                                  "long line here\r\nand\rmore\nstill\r\n\r\nend",
                                  "a\n\rb\n\n",
                                  "\n",
                                  "x\ny\r"};
  TempTree tree;
  for (const std::string& content : contents) {
    tree.AddFile("f.txt", content);
    const Lines expected = ReadAll(tree.Path("f.txt"));
    for (std::size_t buffer : {1, 2, 3, 5, 8, 64}) {
      SCOPED_TRACE("'" + content + "' with a buffer of " + std::to_string(buffer));
      TextReader reader(tree.Path("f.txt"), buffer);
      Lines lines;
      std::size_t line_ends = 0;
      std::string_view block, line;
      while (reader.ReadBlock(block)) {
        line_ends += CountLineEnds(block);
        while (NextLine(block, line)) lines.emplace_back(line);
      }
      EXPECT_EQ(lines, expected);
      EXPECT_LE(lines.size() - line_ends, 1u);
    }
  }
  EXPECT_EQ(CountLineEnds(std::string(1000, '\r') + "x\r" + std::string(37, 'y')), 1001u);
  // CR LF pairs count once, also where a pair straddles 16-byte chunks.
  std::string mixed;
  for (int i = 0; i < 300; ++i)
    mixed += std::string(static_cast<std::size_t>(i % 7), 'y') + (i % 2 ? "\r\n" : "\n");
  EXPECT_EQ(CountLineEnds(mixed), kLoneLfEndsLine ? 300u : 150u);  // or only the CR LFs
}

// An output made from a file keeps its line ends: the first line end met
// decides, and a file without one reads as CR LF.
TEST(TextReader, TellsTheEndOfItsFirstLine) {
  struct Row {
    std::string content;
    LineEnd end;
  };
  const Row rows[] = {{"", LineEnd::kCrLf},
                      {"abc", LineEnd::kCrLf},
                      // A lone LF, where it ends a line.
                      {"a\nb\r\n", kLoneLfEndsLine ? LineEnd::kLf : LineEnd::kCrLf},
                      {"a\r\nb\n", LineEnd::kCrLf},
                      {"a\rb\n", LineEnd::kCrLf},
                      {"\x1a"
                       "a\n",
                       LineEnd::kCrLf}};
  TempTree tree;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.content);
    tree.AddFile("f.txt", row.content);
    EXPECT_EQ(FirstLineEndOf(tree.Path("f.txt")), row.end);
    TextReader reader(tree.Path("f.txt"), 1);
    std::string_view block;
    while (reader.ReadBlock(block)) {
    }
    EXPECT_EQ(reader.FirstLineEnd(), row.end) << "read by blocks";
  }
}

// The buffer size is the reader's own business, so the line ends are placed
// around every power of two a buffer could plausibly have.
TEST(TextReader, LineEndsSplitAcrossReadsAreJoined) {
  TempTree tree;
  for (int power = 12; power <= 20; ++power) {
    for (int shift = -2; shift <= 1; ++shift) {
      const std::string x(static_cast<std::size_t>((1 << power) + shift), 'x');
      SCOPED_TRACE("line of " + std::to_string(x.size()) + " bytes");
      struct Row {
        const char* name;
        std::string content;
        Lines lines;
      };
      const Row rows[] = {{"cr lf", x + "\r\ny\r\n", {x, "y"}},
                          {"cr cr lf", x + "\r\r\n", {x, ""}},
                          {"ctrl-z",
                           x + "\x1a"
                               "y\r\n",
                           {x}},
                          {"cr ctrl-z",
                           x + "\r\x1a"
                               "y",
                           {x}}};
      for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        tree.AddFile("f.txt", row.content);
        EXPECT_EQ(ReadAll(tree.Path("f.txt")), row.lines);
      }
    }
  }
}

TEST(TextReader, RewindStartsAgainAndCountsFromZero) {
  TempTree tree;
  std::string content;
  Lines expected;
  for (int i = 0; i < 100000; ++i) {
    expected.push_back(std::string(static_cast<std::size_t>(i % 97), 'a') + std::to_string(i));
    content += expected.back() + (i % 3 == 0 ? "\r" : "\r\n");
  }
  tree.AddFile("big.txt", content +
                              "\x1a"
                              "tail");
  TextReader reader(tree.Path("big.txt"));
  EXPECT_EQ(ReadAll(reader), expected);
  EXPECT_EQ(reader.BytesConsumed(), content.size());
  // Also after the Ctrl-Z has ended the file.
  reader.Rewind();
  EXPECT_EQ(reader.BytesConsumed(), 0u);
  EXPECT_EQ(ReadAll(reader), expected);
}

TEST(TextFile, OpenFailuresThrowRuntimeCodes) {
  TempTree tree("file.txt=x\ndir/\n");
  struct Row {
    const char* name;
    std::string path;
    int reader_code, writer_code;
  };
  const Row rows[] = {
      {"missing file", tree.Path("none.txt"), kFileNotFound, -1},
      {"missing directory", tree.Path("nodir/none.txt"), kFileNotFound, kFileNotFound},
      {"empty path", "", kFileNotFound, kFileNotFound},
      {"directory", tree.Path("dir"), kFileAccessDenied, kFileAccessDenied},
      {"file used as directory", tree.Path("file.txt/x"), kInvalidFilename, kInvalidFilename}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(IoCodeOf([&] { TextReader reader(row.path); }), row.reader_code);
    EXPECT_EQ(IoCodeOf([&] { TextWriter writer(row.path, TextWriter::Mode::kAppend); }),
              row.writer_code);
  }
  // Root reads every file; Windows has no bit that denies a read.
  if (testing::HasPermissionBits() && !testing::IsSuperuser()) {
    ASSERT_NO_THROW(
        std::filesystem::permissions(tree.Path("file.txt"), std::filesystem::perms::none));
    EXPECT_EQ(IoCodeOf([&] { TextReader reader(tree.Path("file.txt")); }), kFileAccessDenied);
  }
}

TEST(TextFile, FifoIsRefusedAtOnceInsteadOfWaitingForTheOtherEnd) {
  if (!testing::HasFifos()) GTEST_SKIP() << "no fifos or /dev devices on this system";
  TempTree tree;
  const std::string fifo = tree.Path("pipe");
  ASSERT_TRUE(testing::MakeFifo(fifo, 0600));
  // A blocking open would wait here forever: nobody writes or reads the fifo.
  EXPECT_EQ(IoCodeOf([&] { TextReader reader(fifo); }), kFileAccessDenied);
  EXPECT_EQ(IoCodeOf([&] { TextWriter writer(fifo, TextWriter::Mode::kReplace); }),
            kFileAccessDenied);
  EXPECT_EQ(IoCodeOf([&] { TextReader reader("/dev/zero"); }),
            kFileAccessDenied);  // would never end
  // A device written to, like /dev/null for a report nobody wants, is fine.
  TextWriter discard("/dev/null", TextWriter::Mode::kReplace);
  discard.WriteLine("nada");
  discard.Close();
}

TEST(TextWriter, EndsEveryLineWithCrLfAndRefusesUseAfterClose) {
  TempTree tree;
  TextWriter writer(tree.Path("out.txt"), TextWriter::Mode::kReplace);
  writer.WriteLine("one");
  writer.WriteLine("");
  writer.Write("raw");
  writer.WriteLine("\xc3\xa9\n");
  writer.Close();
  EXPECT_FALSE(writer.IsOpen());
  EXPECT_EQ(tree.ReadFile("out.txt"), "one\r\n\r\nraw\xc3\xa9\n\r\n");
  EXPECT_NO_THROW(writer.Close());
  EXPECT_THROW(writer.WriteLine("late"), IoError);
}

TEST(TextWriter, ReplaceEmptiesAndAppendKeeps) {
  struct Row {
    const char* name;
    TextWriter::Mode mode;
    bool existing;
    std::string expected;
  };
  const Row rows[] = {{"replace existing", TextWriter::Mode::kReplace, true, "new\r\n"},
                      {"append existing", TextWriter::Mode::kAppend, true, "old\r\nnew\r\n"},
                      {"append creates", TextWriter::Mode::kAppend, false, "new\r\n"}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TempTree tree;
    if (row.existing) tree.AddFile("out.txt", "old\r\n");
    {
      TextWriter writer(tree.Path("out.txt"), row.mode);
      writer.WriteLine("new");
    }  // the destructor flushes
    EXPECT_EQ(tree.ReadFile("out.txt"), row.expected);
  }
}

TEST(TextWriter, LargeOutputSurvivesBufferingAndReadsBack) {
  TempTree tree;
  Lines lines;
  for (int i = 0; i < 50000; ++i)
    lines.push_back(std::string(static_cast<std::size_t>(i % 61), 'q') + std::to_string(i));
  lines.insert(lines.begin() + 20000, std::string(300000, 'L'));
  TextWriter writer(tree.Path("out.txt"), TextWriter::Mode::kReplace);
  for (const std::string& line : lines) writer.WriteLine(line);
  writer.Close();
  EXPECT_EQ(ReadAll(tree.Path("out.txt")), lines);
}

// A whole new output shows under its name only once closed; until then, and
// when it is dropped or fails, the name holds what it held before.
TEST(TextWriter, AtomicOutputReplacesOnlyWhenClosed) {
  TempTree tree("out.txt=old\n");
  {
    TextWriter dropped(tree.Path("out.txt"), TextWriter::Mode::kAtomic, LineEnd::kLf);
    dropped.WriteLine(std::string(200000, 'x'));
  }
  EXPECT_EQ(tree.ReadFile("out.txt"), "old");
  TextWriter writer(tree.Path("out.txt"), TextWriter::Mode::kAtomic, LineEnd::kLf);
  writer.WriteLine("new");
  EXPECT_EQ(tree.ReadFile("out.txt"), "old");
  writer.Close();
  EXPECT_EQ(tree.ReadFile("out.txt"), "new\n");
  // Nothing is left beside it: no temporary of either run.
  std::vector<DirEntry> entries;
  ASSERT_TRUE(ListDirectory(tree.root(), entries));
  EXPECT_EQ(entries.size(), 3u) << "., .. and out.txt";
  EXPECT_EQ(IoCodeOf([&] { TextWriter refused(tree.root(), TextWriter::Mode::kAtomic); }),
            kFileAccessDenied);
  // A device as the output (a null device of our own, so a fault cannot
  // replace the machine's) is written to and stays a device.
  const std::string null_device = tree.Path("null");
  if (testing::MakeNullDevice(null_device)) {
    TextWriter device(null_device, TextWriter::Mode::kAtomic);
    device.WriteLine("nada");
    device.Close();
    std::filesystem::file_status status;
    ASSERT_NO_THROW(status = std::filesystem::symlink_status(null_device));
    EXPECT_TRUE(std::filesystem::is_character_file(status));
  }
}

TEST(TextWriter, FullDiskThrowsDiskFullAtFlushWriteAndClose) {
  if (!testing::UserMay("/dev/full", testing::kMayWrite)) GTEST_SKIP() << "no /dev/full here";
  {
    TextWriter writer("/dev/full", TextWriter::Mode::kReplace);
    writer.WriteLine("buffered");
    try {
      writer.Close();
      ADD_FAILURE() << "nothing thrown";
    } catch (const IoError& error) {
      EXPECT_STREQ(error.what(), "Disk full");
    }
    EXPECT_FALSE(writer.IsOpen());
  }
  {
    TextWriter writer("/dev/full", TextWriter::Mode::kAppend);
    writer.WriteLine("buffered");
    EXPECT_EQ(IoCodeOf([&] { writer.Flush(); }), kDiskFull);
    EXPECT_EQ(IoCodeOf([&] { writer.Close(); }), -1) << "the failure is reported once";
  }
  TextWriter writer("/dev/full", TextWriter::Mode::kReplace);
  EXPECT_EQ(IoCodeOf([&] { writer.WriteLine(std::string(1 << 20, 'x')); }), kDiskFull);
}

}  // namespace
}  // namespace zuruza
