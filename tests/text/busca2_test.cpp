#include "text/busca2.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "base/errors.h"
#include "core/text_rules.h"
#include "platform/testing/identity.h"
#include "platform/testing/open_watch.h"
#include "platform/testing/special_files.h"
#include "platform/testing/system_traits.h"
#include "support/as_nobody.h"
#include "support/scripted_prompter.h"
#include "support/temp_tree.h"

namespace zuruza {
namespace {

using testing::ScriptedPrompter;
using testing::TempTree;

// Buffer sizes that put segment ends and matches on every side of a boundary.
constexpr std::size_t kBufferSizes[] = {1, 2, 3, 5, 16, kInFileBufferSize};

// Keeps every status text in the order the search set it.
class HistorySink : public ReportSink {
 public:
  void ClearReport() override { lines.clear(); }
  void AddReportLine(std::string_view text) override { lines.emplace_back(text); }
  void ShowProgress(StatusBar, std::string_view text) override { statuses.emplace_back(text); }
  void SetStatus(StatusBar, std::string_view text) override { statuses.emplace_back(text); }
  void LetEventsRun() override {}
  std::string LastStatus() const { return statuses.empty() ? "" : statuses.back(); }

  std::vector<std::string> lines;
  std::vector<std::string> statuses;
};

// The reading rule spelled out byte by byte: a segment ends after a CR or an LF.
std::vector<std::string> ReferenceSegments(std::string_view bytes) {
  std::vector<std::string> segments;
  std::string segment;
  for (char c : bytes) {
    segment += c;
    if (c == '\r' || c == '\n') segments.push_back(std::move(segment)), segment.clear();
  }
  if (!segment.empty()) segments.push_back(segment);
  return segments;
}

std::vector<std::string> ReferenceListing(std::string_view bytes, const std::string& text) {
  std::vector<std::string> listed;
  for (const std::string& segment : ReferenceSegments(bytes)) {
    if (Occurs(text, segment)) listed.push_back(segment);
  }
  return listed;
}

bool ReferenceFound(std::string_view bytes, const std::string& text) {
  for (const std::string& segment : ReferenceSegments(bytes)) {
    if (Occurs(UpperAscii(text), UpperAscii(segment))) return true;
  }
  return false;
}

std::string Printable(std::string_view bytes) {
  std::string out;
  for (unsigned char c : bytes) {
    if (c == '\r')
      out += "\\r";
    else if (c == '\n')
      out += "\\n";
    else if (c < 32 || c >= 127)
      out += "\\x" + std::to_string(c);
    else
      out += static_cast<char>(c);
  }
  return out;
}

class InFileSearchTest : public ::testing::Test {
 protected:
  // "En un Fichero" over `path` with the answer `text`.
  std::vector<std::string> ListSegments(const std::string& path, const std::string& text,
                                        std::size_t buffer_size = kInFileBufferSize) {
    prompter_.input_answers = {text};
    prompter_.dialog_answers = {path};
    InFileSearch search(prompter_, buffer_size);
    sink_ = HistorySink();
    Counted(search, [&] { search.SearchOneFile(sink_); });
    return sink_.lines;
  }
  // "En varios ficheros" over `names` with the answer `text`.
  std::vector<std::string> FindInFiles(const std::vector<std::string>& names,
                                       const std::string& text,
                                       std::size_t buffer_size = kInFileBufferSize) {
    prompter_.input_answers = {text};
    InFileSearch search(prompter_, buffer_size);
    sink_ = HistorySink();
    Counted(search, [&] { search.SearchSeveralFiles(names, sink_); });
    return sink_.lines;
  }
  // Runs the search and keeps its BytesRead, also when it stops on an error.
  template <typename Body>
  void Counted(const InFileSearch& search, Body body) {
    try {
      body();
    } catch (...) {
      bytes_read_ = search.bytes_read();
      throw;
    }
    bytes_read_ = search.bytes_read();
  }
  // The error text a search stops with, or "" when it ends normally.
  template <typename Body>
  static std::string ErrorOf(Body body) {
    try {
      body();
    } catch (const IoError& error) {
      return error.what();
    }
    return "";
  }

  TempTree tree_;
  ScriptedPrompter prompter_;
  HistorySink sink_;
  double bytes_read_ = -1;
};

TEST_F(InFileSearchTest, OneFileListsEverySegmentHoldingTheExactString) {
  struct Row {
    const char* name;
    std::string content, text;
    std::vector<std::string> listed;
  } rows[] = {
      {"CR LF: the CR ends the listed segment",
       "xx abc yy\r\nzz\r\nabc\r\n",
       "abc",
       {"xx abc yy\r", "abc\r"}},
      {"lone LF ends its segment", "abc1\nno\nabc2\n", "abc", {"abc1\n", "abc2\n"}},
      {"lone CR ends its segment", "abc\rabc", "abc", {"abc\r", "abc"}},
      {"no line end: one segment, listed once", "..abc..abc..", "abc", {"..abc..abc.."}},
      {"never across a CR", "ab\rc", "abc", {}},
      {"never across a CR LF", "xab\r\nc", "ab\r\nc", {}},
      {"never across an LF", "ab\nc", "ab\nc", {}},
      {"LF alone matches only the LF segments", "a\r\nb\r\nc", "\n", {"\n", "\n"}},
      {"a string ending in CR matches at the segment end", "abc\r\nabc\n", "abc\r", {"abc\r"}},
      {"Ctrl-Z and NUL are ordinary bytes",
       std::string("a\x1a"
                   "b\0c\r\nz\x1ay\r\nfoo",
                   15),
       "\x1a"
       "b",
       {std::string("a\x1a"
                    "b\0c\r",
                    6)}},
      {"bytes after a Ctrl-Z are still read", "x\x1ay\r\nfoo", "foo", {"foo"}},
      {"case counts", "foto.jpg\r\nFOTO.JPG\r\n", "JPG", {"FOTO.JPG\r"}},
      {"accented letters are plain bytes", "canción\r\nCANCIÓN\r\n", "ción", {"canción\r"}},
      {"an empty string finds nothing", "abc\r\n", "", {}},
      {"an empty file lists nothing", "", "abc", {}},
  };
  for (const Row& row : rows) {
    tree_.AddFile("f.bin", row.content);
    for (std::size_t buffer_size : kBufferSizes) {
      SCOPED_TRACE(std::string(row.name) + ", buffer " + std::to_string(buffer_size));
      EXPECT_EQ(ListSegments(tree_.Path("f.bin"), row.text, buffer_size), row.listed);
      EXPECT_EQ(sink_.LastStatus(), BytesReadText(static_cast<double>(row.content.size())));
    }
  }
}

TEST_F(InFileSearchTest, SeveralFilesFoldOnlyAsciiLetters) {
  struct Row {
    const char* name;
    std::string content, text;
    bool found;
  } rows[] = {
      {"lower-case string, upper-case file", "FOTO.JPG\r\n", "jpg", true},
      {"upper-case string, lower-case file", "foto.jpg\r\n", "JPG", true},
      {"mixed case", "Foto.JpG", "fOTO.jPg", true},
      {"accented capitals are other bytes", "CANCIÓN\r\n", "canción", false},
      {"same accented bytes, letters folded", "canción\r\n", "CANCIóN", true},
      {"only a-z fold: @ is not `", "a@b", "a`b", false},
      {"only a-z fold: [ is not {", "a[b", "a{b", false},
      {"never across a CR LF", "ab\r\nc", "abc", false},
      {"never across an LF", "b\nc", "B\nC", false},
      {"a string ending in LF", "x\n", "X\n", true},
      {"Ctrl-Z is ordinary",
       "a\x1a"
       "bc",
       "\x1a"
       "BC",
       true},
      {"an empty string finds nothing", "abc", "", false},
      {"an empty file holds nothing", "", "a", false},
  };
  for (const Row& row : rows) {
    tree_.AddFile("f.bin", row.content);
    for (std::size_t buffer_size : kBufferSizes) {
      SCOPED_TRACE(std::string(row.name) + ", buffer " + std::to_string(buffer_size));
      const std::vector<std::string> expected =
          row.found ? std::vector<std::string>{tree_.Path("f.bin")} : std::vector<std::string>{};
      EXPECT_EQ(FindInFiles({tree_.Path("f.bin")}, row.text, buffer_size), expected);
      EXPECT_EQ(bytes_read_, static_cast<double>(row.content.size()));
    }
  }
}

TEST_F(InFileSearchTest, BothSearchesAgreeWithTheByteByByteReadingAtEveryBufferSize) {
  std::mt19937 random(2024);
  const std::string alphabet("aAbB\r\n\x1a", 7);
  auto pick = [&](std::size_t length) {
    std::string text;
    for (std::size_t i = 0; i < length; ++i) text += alphabet[random() % alphabet.size()];
    return text;
  };
  for (int round = 0; round < 300; ++round) {
    const std::string content = pick(random() % 48);
    const std::string text = pick(1 + random() % 4);
    tree_.AddFile("f.bin", content);
    for (std::size_t buffer_size :
         {std::size_t{1}, std::size_t{2}, std::size_t{3}, std::size_t{7}, std::size_t{64}}) {
      SCOPED_TRACE("content '" + Printable(content) + "', string '" + Printable(text) +
                   "', buffer " + std::to_string(buffer_size));
      EXPECT_EQ(ListSegments(tree_.Path("f.bin"), text, buffer_size),
                ReferenceListing(content, text));
      EXPECT_EQ(FindInFiles({tree_.Path("f.bin")}, text, buffer_size).size(),
                ReferenceFound(content, text) ? 1u : 0u);
    }
  }
}

TEST_F(InFileSearchTest, LongLineIsSearchedAcrossBuffersAndListedWhole) {
  // 2 MiB without a line end, read 64 KiB at a time: the string straddles a
  // boundary, and the segment that holds it began many buffers earlier.
  const std::size_t buffer_size = 64 * 1024;
  std::string line(2 * 1024 * 1024, 'x');
  line.replace(5 * buffer_size - 3, 6, "Zuruza");
  tree_.AddFile("long.bin", "corta\r\n" + line + "\nfin Zuruza");
  EXPECT_EQ(ListSegments(tree_.Path("long.bin"), "Zuruza", buffer_size),
            (std::vector<std::string>{line + "\n", "fin Zuruza"}));
  EXPECT_EQ(FindInFiles({tree_.Path("long.bin")}, "zURUZA", buffer_size).size(), 1u);

  tree_.AddFile("tail.bin", line + "Zuruza");  // the match ends the file
  EXPECT_EQ(ListSegments(tree_.Path("tail.bin"), "Zuruza", buffer_size),
            std::vector<std::string>{line + "Zuruza"});
  EXPECT_EQ(ListSegments(tree_.Path("tail.bin"), "Zuruza!", buffer_size),
            std::vector<std::string>{});
}

TEST_F(InFileSearchTest, OneFileStatusCountsBytesUpToSegmentEnds) {
  const std::string content = "ab\r\ncdefgh\r\nij\nklmnopqrstu";
  tree_.AddFile("f.txt", content);
  ListSegments(tree_.Path("f.txt"), "zz", 4);
  ASSERT_GE(sink_.statuses.size(), 2u);
  EXPECT_EQ(sink_.statuses.front(), "Analizado el fichero...");
  EXPECT_EQ(sink_.statuses.back(), "Analizados: 26 bytes.");
  EXPECT_EQ(bytes_read_, 26.0);
  // Each text shown while reading counts whole segments: the ends 3, 4, 11,
  // 12 and 15 (or none yet).
  const std::vector<std::string> possible = {BytesReadText(0),  BytesReadText(3),
                                             BytesReadText(4),  BytesReadText(11),
                                             BytesReadText(12), BytesReadText(15)};
  for (std::size_t i = 1; i + 1 < sink_.statuses.size(); ++i) {
    SCOPED_TRACE(sink_.statuses[i]);
    EXPECT_NE(std::find(possible.begin(), possible.end(), sink_.statuses[i]), possible.end());
  }
  EXPECT_EQ(BytesReadText(1234567890123.0), "Analizados: 1234567890123 bytes.");
}

TEST_F(InFileSearchTest, OneFileAsksTheStringThenTheFile) {
  tree_.AddFile("f.txt", "foto.jpg\r\nfoto.png\r\n");
  prompter_.input_answers = {std::nullopt};  // Cancel gives the default ".jpg"
  prompter_.dialog_answers = {tree_.Path("f.txt")};
  InFileSearch search(prompter_);
  search.SearchOneFile(sink_);
  EXPECT_EQ(prompter_.prompts, std::vector<std::string>{"Qué buscas?"});
  EXPECT_EQ(sink_.lines, std::vector<std::string>{"foto.jpg\r"});
  EXPECT_EQ(sink_.LastStatus(), "Analizados: 20 bytes.");
}

TEST_F(InFileSearchTest, CancelledOpenDialogClearsTheListAndLeavesTheStatus) {
  sink_.lines = {"nombres", "escritos"};
  prompter_.dialog_answers = {std::nullopt};
  InFileSearch search(prompter_);
  search.SearchOneFile(sink_);
  EXPECT_TRUE(sink_.lines.empty());
  EXPECT_TRUE(sink_.statuses.empty());
  EXPECT_EQ(search.bytes_read(), 0.0);
}

TEST_F(InFileSearchTest, SeveralFilesCountEveryByteOfEveryFileAndListNamesAsWritten) {
  tree_.AddFile("a.txt", std::string(90, '.') + "FOTO.JPG\r\n");  // 100 bytes, found early
  tree_.AddFile("b.txt", std::string(50, 'j'));
  tree_.AddFile("c.txt", "x.jpg");
  const std::string relative = tree_.root() + "./c.txt";
  const std::vector<std::string> names = {tree_.Path("a.txt"), tree_.Path("b.txt"), relative};
  EXPECT_EQ(FindInFiles(names, "jpg", 7),
            (std::vector<std::string>{tree_.Path("a.txt"), relative}));
  EXPECT_EQ(bytes_read_, 155.0);
  EXPECT_EQ(prompter_.messages,
            std::vector<std::string>{"Se va a buscar en los ficheros de MEMO1"});
  EXPECT_EQ(prompter_.prompts, std::vector<std::string>{"Qué buscas?"});
  // Each file: its name first; the count so far is the last text before the next name.
  const std::string finals[] = {"Analizados: 100 bytes.", "Analizados: 150 bytes.",
                                "Analizados: 155 bytes."};
  std::size_t at = 0;
  for (std::size_t k = 0; k < names.size(); ++k) {
    SCOPED_TRACE(names[k]);
    const auto name = std::find(sink_.statuses.begin() + static_cast<std::ptrdiff_t>(at),
                                sink_.statuses.end(), "Analizado " + names[k]);
    ASSERT_NE(name, sink_.statuses.end());
    at = static_cast<std::size_t>(name - sink_.statuses.begin());
    if (k > 0) {
      EXPECT_EQ(sink_.statuses[at - 1], finals[k - 1]);
    }
  }
  EXPECT_EQ(sink_.LastStatus(), finals[2]);
}

TEST_F(InFileSearchTest, SeveralFilesWithAnEmptyStringStillReadEveryFile) {
  tree_.AddFile("a.txt", std::string(100, 'a'));
  tree_.AddFile("b.txt", std::string(50, 'b'));
  EXPECT_TRUE(FindInFiles({tree_.Path("a.txt"), tree_.Path("b.txt")}, "").empty());
  EXPECT_EQ(sink_.LastStatus(), "Analizados: 150 bytes.");
}

TEST_F(InFileSearchTest, SeveralFilesWithAnEmptyListOnlyAskAndClear) {
  sink_.lines = {"antes"};
  prompter_.input_answers = {std::string("jpg")};
  InFileSearch search(prompter_);
  search.SearchSeveralFiles({}, sink_);
  EXPECT_EQ(prompter_.messages,
            std::vector<std::string>{"Se va a buscar en los ficheros de MEMO1"});
  EXPECT_EQ(prompter_.prompts, std::vector<std::string>{"Qué buscas?"});
  EXPECT_TRUE(sink_.lines.empty());
  EXPECT_TRUE(sink_.statuses.empty());
}

TEST_F(InFileSearchTest, NameThatCannotBeOpenedStopsTheRunKeepingEarlierNames) {
  tree_.AddFile("a.txt", "jpg");
  tree_.AddFile("c.txt", "jpg");
  const bool links = testing::CanMakeLinks();
  if (links) tree_.AddLink("roto", "no-hay");
  struct Row {
    const char* name;
    std::string bad_name, error;
  } rows[] = {
      {"missing file", tree_.Path("no-existe.txt"), "File not found"},
      {"empty name", "", "File not found"},
      {"link to nothing", tree_.Path("roto"), "File not found"},
      {"a file used as a directory", tree_.Path("a.txt/x"), "Invalid filename"},
      {"a directory", tree_.root(), "File access denied"},
  };
  for (const Row& row : rows) {
    if (!links && row.bad_name == tree_.Path("roto")) continue;  // no link made
    SCOPED_TRACE(row.name);
    std::vector<std::string> listed;
    EXPECT_EQ(
        ErrorOf([&] {
          listed = FindInFiles({tree_.Path("a.txt"), row.bad_name, tree_.Path("c.txt")}, "JPG");
        }),
        row.error);
    EXPECT_EQ(sink_.lines, std::vector<std::string>{tree_.Path("a.txt")});
    EXPECT_EQ(sink_.LastStatus(), "Analizado " + row.bad_name);
    EXPECT_EQ(bytes_read_, 3.0);  // c.txt was never read
  }
  prompter_.input_answers = {std::string("jpg")};
  prompter_.dialog_answers = {tree_.Path("no-existe.txt")};
  InFileSearch search(prompter_);
  EXPECT_EQ(ErrorOf([&] { search.SearchOneFile(sink_); }), "File not found");
}

TEST_F(InFileSearchTest, FifoInTheListIsRefusedWithoutWaitingForAWriter) {
  if (!testing::HasFifos()) GTEST_SKIP() << "no fifos on this system";
  tree_.AddFile("a.txt", "jpg");
  tree_.AddFile("c.txt", "jpg");
  ASSERT_TRUE(testing::MakeFifo(tree_.Path("fifo"), 0644));
  tree_.AddLink("enlace-fifo", tree_.Path("fifo"));
  tree_.AddLink("enlace-fichero", tree_.Path("c.txt"));
  // The kernel tells every open of the fifo; there must be none.
  std::optional<testing::OpenWatch> watch;
  ASSERT_NO_THROW(watch.emplace(tree_.Path("fifo")));
  for (const std::string& special : {tree_.Path("fifo"), tree_.Path("enlace-fifo")}) {
    SCOPED_TRACE(special);
    // Run aside: opening the fifo would block until a writer came.
    auto run = std::async(std::launch::async, [&] {
      return ErrorOf([&] {
        FindInFiles({tree_.Path("a.txt"), special, tree_.Path("c.txt")}, "jpg");
      });
    });
    if (run.wait_for(std::chrono::seconds(20)) == std::future_status::timeout) {
      std::ofstream writer(tree_.Path("fifo"));  // lets the search go on
      ADD_FAILURE() << "the search opened the fifo and waited";
    }
    EXPECT_EQ(run.get(), "File access denied");
    EXPECT_EQ(sink_.lines, std::vector<std::string>{tree_.Path("a.txt")});
  }
  EXPECT_FALSE(watch->SawOpen()) << "the fifo was opened";
  watch.reset();
  // A link to a regular file is searched like the file.
  EXPECT_EQ(FindInFiles({tree_.Path("enlace-fichero")}, "JPG"),
            std::vector<std::string>{tree_.Path("enlace-fichero")});

  prompter_.input_answers = {std::string("jpg")};
  prompter_.dialog_answers = {tree_.Path("fifo")};
  InFileSearch search(prompter_);
  EXPECT_EQ(ErrorOf([&] { search.SearchOneFile(sink_); }), "File access denied");
}

TEST_F(InFileSearchTest, UnreadableFileIsRefusedWithAccessDenied) {
  if (!testing::HasPermissionBits()) GTEST_SKIP() << "no permission bits that deny a read";
  tree_.AddFile("secreto.txt", "jpg");
  ASSERT_NO_THROW(
      std::filesystem::permissions(tree_.Path("secreto.txt"), std::filesystem::perms::none));
  ASSERT_TRUE(testing::MakeWorldTraversable(tree_.root()));
  EXPECT_AS_NOBODY(testing::RunAsNobody(
      [&] { return testing::UserMay(tree_.root(), testing::kMayEnter); },
      [&] {
        return ErrorOf([&] { FindInFiles({tree_.Path("secreto.txt")}, "jpg"); }) ==
               "File access denied";
      }));
}

}  // namespace
}  // namespace zuruza
