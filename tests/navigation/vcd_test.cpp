#include "navigation/vcd.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <ostream>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/errors.h"
#include "platform/fs.h"
#include "platform/path.h"
#include "platform/testing/environment.h"
#include "platform/testing/system_traits.h"
#include "support/as_nobody.h"
#include "support/recording_sink.h"
#include "support/temp_tree.h"

namespace zuruza {
namespace {

using testing::RecordingSink;
using testing::TempTree;
using Lines = std::vector<std::string>;

// Paths and entries are written here with "/"; the tools use the system's
// separator.
std::string Native(std::string_view path) {
  std::string native(path);
  for (char& c : native)
    if (c == '/') c = kPathSep;
  return native;
}

// --- the walk ---

TEST(VcdWalk, ListsDirectoriesBeforeTheirSubdirectoriesInListingOrder) {
  TempTree tree("b/c/\na/z/y/\na/file.txt\nB2/\na/z/notes.txt=1\nb/c/d.txt\n");
  RecordingSink sink;
  DirectoryTree vcd(sink);
  vcd.BuildTree(tree.root());
  Lines expected{tree.Path("a"), tree.Path("a/z"), tree.Path("a/z/y"), tree.Path("b"),
                 tree.Path("b/c")};
  // "B2" comes first in byte order, last where listings ignore case.
  expected.insert(ListingNameLess("B2", "a") ? expected.begin() : expected.end(), tree.Path("B2"));
  EXPECT_EQ(vcd.entries(), expected);
  EXPECT_EQ(vcd.directories_examined(), 6u);
  EXPECT_EQ(sink.status1, "Se han examinado 6 directorios");
  EXPECT_EQ(sink.progress_calls, 6);
}

TEST(VcdWalk, ListsButDoesNotEnterOtherFileSystemsMountedBelowTheDrive) {
  TempTree tree("a/b/c/\nm/inner/\nmx/inner/\n");
  RecordingSink sink;
  DirectoryTree vcd(sink);
  const std::string base = EntryBase(tree.root());
  // The drive's own mount point, one above it and one elsewhere stop nothing;
  // "m/" (trailing separator as a table may write it) is a boundary, "mx" is not.
  const std::string real = ResolvePath(base);  // the mount table names real paths
  vcd.SetMountPoints({Native("/"), real, real + Native("/m/"), Native("/elsewhere/a")});
  vcd.BuildTree(tree.root());
  EXPECT_EQ(vcd.entries(), (Lines{tree.Path("a"), tree.Path("a/b"), tree.Path("a/b/c"),
                                  tree.Path("m"), tree.Path("mx"), tree.Path("mx/inner")}));
  EXPECT_EQ(sink.status1, "Se han examinado 6 directorios");
}

TEST(VcdWalk, AppendsToWhatIsThere) {
  TempTree tree("x/\ny/\n");
  RecordingSink sink;
  DirectoryTree vcd(sink);
  vcd.WalkDirectoryTree(tree.Path("x"));
  vcd.WalkDirectoryTree(EntryBase(tree.root()));
  EXPECT_EQ(vcd.entries(), (Lines{tree.Path("x"), tree.Path("y")}));
}

TEST(VcdWalk, ShowsEachDirectoryWhileWalking) {
  TempTree tree("only/\n");
  RecordingSink sink;
  DirectoryTree vcd(sink);
  vcd.WalkDirectoryTree(EntryBase(tree.root()));
  EXPECT_EQ(sink.status1, tree.Path("only"));
}

TEST(VcdWalk, NeverFollowsLinks) {
  if (!::zuruza::testing::CanMakeLinks()) GTEST_SKIP() << "no symbolic links on this system";
  TempTree tree("a/\na/loop->..\nup->.\nfar->a\n");
  RecordingSink sink;
  DirectoryTree vcd(sink);
  vcd.BuildTree(tree.root());
  EXPECT_EQ(vcd.entries(), (Lines{tree.Path("a")}));
}

TEST(VcdWalk, AnUnreadableRootGivesAnEmptyTree) {
  TempTree tree;
  RecordingSink sink;
  DirectoryTree vcd(sink);
  vcd.SetEntries({"/old"});
  vcd.BuildTree(tree.Path("missing"));
  EXPECT_TRUE(vcd.empty());
  EXPECT_EQ(sink.status1, "Se han examinado 0 directorios");
}

TEST(VcdWalk, EntriesHaveNoDoubledOrTrailingSeparator) {
  EXPECT_EQ(EntryBase(Native("/")), "");
  EXPECT_EQ(EntryBase(Native("/media/usb/")), Native("/media/usb"));
  EXPECT_EQ(EntryBase(Native("/media/usb")), Native("/media/usb"));
  TempTree tree("d/\n");
  RecordingSink sink;
  DirectoryTree vcd(sink);
  vcd.BuildTree(tree.root() + kPathSep);
  ASSERT_EQ(vcd.size(), 1u);
  EXPECT_EQ(vcd.entries()[0].find(std::string(2, kPathSep)), std::string::npos);
  EXPECT_NE(vcd.entries()[0].back(), kPathSep);
}

// --- the match key ---

struct MatchRow {
  const char* text;
  std::string entry;
  bool matches;
};

// Shown in test names, so that each row reads as what it checks.
void PrintTo(const MatchRow& row, std::ostream* out) {
  *out << "'" << row.text << "' in " << row.entry.substr(0, 24)
       << (row.matches ? " matches" : " does not");
}

class MatchKeyTable : public ::testing::TestWithParam<MatchRow> {};

TEST_P(MatchKeyTable, MatchesOnlyTheLastComponent) {
  RecordingSink sink;
  DirectoryTree vcd(sink);
  vcd.SetEntries({Native(GetParam().entry)});
  EXPECT_EQ(vcd.FindNextMatch(Native(GetParam().text), -1), GetParam().matches ? 0 : -1)
      << "'" << GetParam().text << "' in " << GetParam().entry;
}

INSTANTIATE_TEST_SUITE_P(
    MatchKey, MatchKeyTable,
    ::testing::Values(MatchRow{"/WIN", "/c/WINDOWS", true}, MatchRow{"/WIN", "/c/OLDWIN", false},
                      MatchRow{"WIN", "/c/WINDOWS", true}, MatchRow{"WIN", "/c/OLDWIN", true},
                      MatchRow{"ARCHIVO", "/home/ARCHIVO/FOTOS", false},
                      MatchRow{"FOTOS", "/home/ARCHIVO/FOTOS", true},
                      MatchRow{"/fot", "/home/ARCHIVO/FOTOS", true},
                      MatchRow{"windows", "/c/WINDOWS", true},
                      MatchRow{"WINDOWS", "/c/windows", true}, MatchRow{"ñ", "/home/Ñandú", false},
                      MatchRow{"Ñ", "/home/Ñandú", true}, MatchRow{"andú", "/home/Ñandú", true},
                      MatchRow{"", "/home/ana", false},
                      MatchRow{"B", "/" + std::string(198, 'a') + "bc", true},
                      MatchRow{"BC", "/" + std::string(198, 'a') + "bc", false},
                      // 200 characters, not bytes: the key keeps a whole "ñ" at its end.
                      MatchRow{"A\xC3\xB1", "/" + std::string(198, 'a') + "\xC3\xB1" + "c", true},
                      MatchRow{"\xC3\xB1"
                               "C",
                               "/" + std::string(198, 'a') + "\xC3\xB1" + "c", false}));

TEST(MatchKey, IsTheUpperCasedLastComponentCutAt200Bytes) {
  EXPECT_EQ(MatchKey(Native("/home/ana/Fotos")), Native("/FOTOS"));
  EXPECT_EQ(MatchKey(Native("/home")), Native("/HOME"));
  EXPECT_EQ(MatchKey(Native("/home/Ñandú")), Native("/Ñ") + std::string("ANDú"));
  const std::string key = MatchKey(Native("/x/") + std::string(300, 'q'));
  EXPECT_EQ(key.size(), kMatchKeyLimit);
  EXPECT_EQ(key, Native("/") + std::string(199, 'Q'));
}

// --- the cyclic search ---

class VcdSearch : public ::testing::Test {
 protected:
  // Indexes 0, 2 and 4 hold "doc".
  void SetUp() override {
    vcd_.SetEntries(
        {Native("/a/doc1"), Native("/a/x"), Native("/a/doc2"), Native("/a/y"), Native("/a/doc3")});
  }
  RecordingSink sink_;
  DirectoryTree vcd_{sink_};
};

TEST_F(VcdSearch, ForwardStartsAfterTheSelectionAndWraps) {
  EXPECT_EQ(vcd_.FindNextMatch("doc", 2), 4);
  EXPECT_EQ(vcd_.FindNextMatch("doc", 4), 0);
  EXPECT_EQ(vcd_.FindNextMatch("doc", 0), 2);
  EXPECT_EQ(vcd_.FindNextMatch("doc", 1), 2);
}

TEST_F(VcdSearch, WithoutASelectionTheFirstEntryIsExaminedLast) {
  EXPECT_EQ(vcd_.FindNextMatch("doc", -1), 2);
  EXPECT_EQ(vcd_.FindNextMatch("doc1", -1), 0);
}

TEST_F(VcdSearch, ExaminesEveryOtherEntryBeforeTheSelectedOne) {
  // Every entry matches: the step from k is always k+1, wrapping to 0.
  const std::string sep(1, kPathSep);
  for (std::ptrdiff_t k = 0; k < 5; ++k) EXPECT_EQ(vcd_.FindNextMatch(sep, k), (k + 1) % 5);
  for (std::ptrdiff_t k = 0; k < 5; ++k) EXPECT_EQ(vcd_.FindPreviousMatch(sep, k), (k + 4) % 5);
}

TEST_F(VcdSearch, ASingleMatchingEntryStaysSelected) {
  EXPECT_EQ(vcd_.FindNextMatch("doc2", 2), 2);
  EXPECT_EQ(vcd_.FindPreviousMatch("doc2", 2), 2);
  EXPECT_EQ(vcd_.FindNextMatch(Native("/y"), 3), 3);
}

TEST_F(VcdSearch, BackwardWrapsToTheLastEntry) {
  EXPECT_EQ(vcd_.FindPreviousMatch("doc", -1), 4);
  EXPECT_EQ(vcd_.FindPreviousMatch("doc", 4), 2);
  EXPECT_EQ(vcd_.FindPreviousMatch("doc", 2), 0);
  EXPECT_EQ(vcd_.FindPreviousMatch("doc", 0), 4);
}

TEST_F(VcdSearch, NothingFoundGivesNoSelection) {
  EXPECT_EQ(vcd_.FindNextMatch("zzz", 2), -1);
  EXPECT_EQ(vcd_.FindPreviousMatch("zzz", 2), -1);
  EXPECT_EQ(vcd_.FindNextMatch("", 2), -1);
  EXPECT_EQ(vcd_.FindNextMatch("a", 0), -1);  // "a" is no last component
  vcd_.Clear();
  EXPECT_EQ(vcd_.FindNextMatch("doc", -1), -1);
  EXPECT_EQ(vcd_.FindPreviousMatch("doc", -1), -1);
}

TEST_F(VcdSearch, ASelectionPastTheEndCountsAsTheLastEntry) {
  EXPECT_EQ(vcd_.FindNextMatch("doc", 99), 0);
}

// --- the cache file ---

// Points the user's cache directory into a temporary tree for the test
// ($XDG_CACHE_HOME on Linux, %LOCALAPPDATA% on Windows).
class VcdCache : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"XDG_CACHE_HOME", "LOCALAPPDATA"}) {
      if (const char* value = getenv(name)) saved_.emplace_back(name, value);
      ::zuruza::testing::SetEnv(name, cache_.root());
    }
  }
  void TearDown() override {
    for (const char* name : {"XDG_CACHE_HOME", "LOCALAPPDATA"}) ::zuruza::testing::UnsetEnv(name);
    for (const auto& [name, value] : saved_) ::zuruza::testing::SetEnv(name, value);
  }
  // The cache LoadTreeCache reads, wherever this system keeps it.
  static std::string CacheText(const std::string& mount_point) {
    std::ifstream in(CacheFilePath(mount_point), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }

  TempTree cache_;
  TempTree drive_{"uno/\nuno/dos/\ntres/\nuno/dos/f.txt\n"};
  RecordingSink sink_;
  std::vector<std::pair<std::string, std::string>> saved_;
};

TEST_F(VcdCache, SavedThenLoadedGivesTheSameList) {
  DirectoryTree built(sink_);
  built.BuildTree(drive_.root());
  built.SaveTreeCache(drive_.root());
  EXPECT_EQ(CacheText(drive_.root()), drive_.Path("tres") + "\r\n" + drive_.Path("uno") + "\r\n" +
                                          drive_.Path("uno/dos") + "\r\n");
  EXPECT_FALSE(PathExists(CacheFilePath(drive_.root()) + ".tmp"));

  DirectoryTree loaded(sink_);
  loaded.LoadTreeCache(drive_.root());
  EXPECT_EQ(loaded.entries(), built.entries());
  EXPECT_EQ(loaded.FindNextMatch("DOS", -1), 2);
}

TEST_F(VcdCache, AnEmptyTreeGivesAnEmptyFile) {
  TempTree empty;
  DirectoryTree vcd(sink_);
  vcd.BuildTree(empty.root());
  vcd.SaveTreeCache(empty.root());
  EXPECT_TRUE(IsExistingFile(CacheFilePath(empty.root())));
  EXPECT_EQ(CacheText(empty.root()), "");
  vcd.SetEntries({"/x"});
  vcd.LoadTreeCache(empty.root());
  EXPECT_TRUE(vcd.empty());
}

TEST_F(VcdCache, AMissingCacheGivesAnEmptyList) {
  DirectoryTree vcd(sink_);
  vcd.SetEntries({"/left/over"});
  vcd.LoadTreeCache(drive_.root());
  EXPECT_TRUE(vcd.empty());
  EXPECT_EQ(vcd.FindNextMatch("over", -1), -1);
}

TEST_F(VcdCache, BlankLinesAreSkipped) {
  const std::string cache = CacheFilePath(drive_.root());
  std::filesystem::create_directories(std::filesystem::path(cache).parent_path());
  std::ofstream(cache, std::ios::binary) << "/a\r\n\r\n  \r\n/a/b\r\n\r\n";
  DirectoryTree vcd(sink_);
  vcd.LoadTreeCache(drive_.root());
  EXPECT_EQ(vcd.entries(), (Lines{"/a", "/a/b"}));
}

TEST_F(VcdCache, ACacheThatCannotBeReadIsAnIoError) {
  std::filesystem::create_directories(CacheFilePath(drive_.root()));
  DirectoryTree vcd(sink_);
  EXPECT_THROW(vcd.LoadTreeCache(drive_.root()), IoError);
  EXPECT_TRUE(vcd.empty());
}

TEST_F(VcdCache, AFailedWriteLeavesThePreviousCache) {
  if (!::zuruza::testing::HasPermissionBits()) GTEST_SKIP() << "no permission bits on this system";
  DirectoryTree vcd(sink_);
  vcd.SetEntries({"/kept"});
  vcd.SaveTreeCache(drive_.root());
  // The cache's folder takes no new file: the write cannot start.
  ASSERT_TRUE(::zuruza::testing::MakeWorldTraversable(cache_.root()));
  const std::string folder = cache_.Path("zuruza/vcd");
  std::filesystem::permissions(folder, std::filesystem::perms(0555));
  vcd.SetEntries({"/new", "/newer"});
  const std::string cache = CacheFilePath(drive_.root());
  EXPECT_AS_NOBODY(::zuruza::testing::RunAsNobody([&] { return IsExistingFile(cache); },
                                                  [&] {
                                                    try {
                                                      vcd.SaveTreeCache(drive_.root());
                                                    } catch (const IoError&) {
                                                      return true;
                                                    }
                                                    return false;
                                                  }));
  std::filesystem::permissions(folder, std::filesystem::perms(0755));
  EXPECT_EQ(CacheText(drive_.root()), "/kept\r\n");
}

TEST_F(VcdCache, NamesWithLineEndOrCtrlZBytesStayOneEntryEach) {
  if (!::zuruza::testing::NamesAreBytes()) GTEST_SKIP() << "names are no bytes on this system";
  TempTree drive;
  for (const char* name : {"b\rc", "d\ne", "f\x1ag", "h\r\ni", "z"}) drive.AddDirectory(name);
  DirectoryTree built(sink_);
  built.BuildTree(drive.root());
  built.SaveTreeCache(drive.root());
  const Lines expected{drive.Path("b?c"), drive.Path("d?e"), drive.Path("f?g"), drive.Path("h??i"),
                       drive.Path("z")};
  DirectoryTree loaded(sink_);
  loaded.LoadTreeCache(drive.root());
  EXPECT_EQ(loaded.entries(), expected);
  EXPECT_EQ(built.size(), expected.size());
}

TEST(VcdCacheName, GivesDifferentMountPointsDifferentNames) {
  const Lines mounts{"/",    "/root",  "/a/b",       "/a_b",      "/a%5Fb",
                     "/a%b", "/a%25b", "/media/usb", "/media_usb"};
  for (std::size_t i = 0; i < mounts.size(); ++i) {
    for (std::size_t j = i + 1; j < mounts.size(); ++j) {
      EXPECT_NE(CacheFileName(Native(mounts[i])), CacheFileName(Native(mounts[j])))
          << mounts[i] << " " << mounts[j];
    }
  }
}

}  // namespace
}  // namespace zuruza
