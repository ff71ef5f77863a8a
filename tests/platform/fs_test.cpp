// A single path: its metadata, whether it exists, its write time, and the working directory.
#include "platform/fs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "platform/fs_test_support.h"
#include "platform/testing/file_times.h"
#include "platform/testing/identity.h"
#include "platform/testing/special_files.h"
#include "platform/testing/system_traits.h"
#include "platform/time_resolution.h"
#include "support/as_nobody.h"
#include "support/temp_tree.h"

namespace zuruza::fs_test {
namespace {

using testing::TempTree;

// A time as the file system keeps it: cut down to its step.
UnixNanos Kept(UnixNanos time) { return FloorToStep(time, testing::FileTimeStep()); }

// --- StatPath ---

TEST(StatPath, FileHasNameKindSizeAndTimes) {
  TempTree tree("dir/\ndir/report.txt=hello\n");
  SetTimes(tree.Path("dir/report.txt"), {1'300'000'000, 5}, {1'200'000'000, 6});
  const auto entry = StatPath(tree.Path("dir/report.txt"));
  ASSERT_TRUE(entry.has_value());
  EXPECT_EQ(entry->name, "report.txt");
  EXPECT_EQ(entry->kind, EntryKind::kFile);
  EXPECT_EQ(entry->size, 5u);
  EXPECT_EQ(entry->write_time, Kept(1'200'000'000 * kSecond + 6));
  EXPECT_EQ(entry->access_time, Kept(1'300'000'000 * kSecond + 5));
}

TEST(StatPath, LinkIsNotFollowed) {
  if (!testing::CanMakeLinks()) GTEST_SKIP() << "no symbolic links on this system";
  TempTree tree("dir/\nlink->dir\n");
  const auto entry = StatPath(tree.Path("link"));
  ASSERT_TRUE(entry.has_value());
  EXPECT_EQ(entry->kind, EntryKind::kSymlink);
  EXPECT_FALSE(entry->IsDirectory());
  EXPECT_EQ(entry->name, "link");
}

TEST(StatPath, NameIsLastComponent) {
  TempTree tree("dir/\ndir/sub/\n");
  struct Row {
    std::string path, name;
  };
  const std::string root(1, kPathSep);
  const Row rows[] = {{tree.Path("dir/sub"), "sub"},
                      {tree.Path("dir/sub/"), "sub"},
                      {tree.Path("dir/sub//"), "sub"},
                      {root, root}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path);
    const auto entry = StatPath(row.path);
    ASSERT_TRUE(entry.has_value());
    EXPECT_EQ(entry->name, row.name);
    EXPECT_EQ(entry->kind, EntryKind::kDirectory);
    EXPECT_EQ(entry->size, 0u);
  }
}

TEST(StatPath, RelativePathUsesWorkingDirectory) {
  TempTree tree("f=abc\n");
  const std::string previous = CurrentDirectory();
  ASSERT_NO_THROW(std::filesystem::current_path(tree.root()));
  const auto entry = StatPath("f");
  ASSERT_NO_THROW(std::filesystem::current_path(previous));
  ASSERT_TRUE(entry.has_value());
  EXPECT_EQ(entry->name, "f");
  EXPECT_EQ(entry->size, 3u);
}

TEST(StatPath, MissingOrEmptyPathHasNoEntry) {
  TempTree tree("f\n");
  EXPECT_FALSE(StatPath(tree.Path("missing")).has_value());
  EXPECT_FALSE(StatPath(tree.Path("f/inner")).has_value());
  EXPECT_FALSE(StatPath("").has_value());
}

// --- ExistenceChecks: IsExistingFile, IsExistingDirectory, PathExists ---

TEST(ExistenceChecks, LinksFollowedForFileAndDirectoryButNotForExistence) {
  TempTree tree("file=x\ndir/\n");
  // Links and fifos where the system has them.
  const bool links = testing::CanMakeLinks();
  if (links) {
    tree.AddLink("link_to_file", "file");
    tree.AddLink("link_to_dir", "dir");
    tree.AddLink("dangling", "missing");
  }
  const bool fifos = testing::HasFifos();
  if (fifos) {
    ASSERT_TRUE(testing::MakeFifo(tree.Path("fifo"), 0644));
  }
  struct Row {
    std::string relative;
    bool file, directory, exists;
    bool made = true;
  };
  const Row rows[] = {
      {"file", true, false, true},
      {"dir", false, true, true},
      {"dir/", false, true, true},
      {"link_to_file", true, false, true, links},
      {"link_to_dir", false, true, true, links},
      {"dangling", false, false, true, links},
      {"fifo", false, false, true, fifos},
      {"missing", false, false, false},
      {"file/x", false, false, false},
  };
  for (const Row& row : rows) {
    if (!row.made) continue;
    SCOPED_TRACE(row.relative);
    const std::string path = tree.Path(row.relative);
    EXPECT_EQ(IsExistingFile(path), row.file);
    EXPECT_EQ(IsExistingDirectory(path), row.directory);
    EXPECT_EQ(PathExists(path), row.exists);
  }
  EXPECT_FALSE(PathExists(""));
  EXPECT_FALSE(IsExistingFile(""));
  EXPECT_FALSE(IsExistingDirectory(""));
}

// --- SetWriteTime ---

TEST(SetWriteTime, ChangesWriteTimeAndKeepsAccessTime) {
  TempTree tree("f=content\n");
  SetTimes(tree.Path("f"), {1'000'000'000, 111}, {1'000'000'000, 222});
  const UnixNanos wanted = 1'234'567'890 * kSecond + 987'654'321;
  ASSERT_TRUE(SetWriteTime(tree.Path("f"), wanted));
  const auto entry = StatPath(tree.Path("f"));
  ASSERT_TRUE(entry.has_value());
  EXPECT_EQ(entry->write_time, Kept(wanted));
  EXPECT_EQ(entry->access_time, Kept(1'000'000'000 * kSecond + 111));
  EXPECT_EQ(tree.ReadFile("f"), "content");
}

TEST(SetWriteTime, InstantsAroundEpochAreStoredExactly) {
  TempTree tree("f\n");
  struct Row {
    UnixNanos when;
  };
  const Row rows[] = {{-1}, {-kSecond}, {-kSecond - 1}, {-1'500'000'000}, {0}, {kSecond - 1}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.when);
    ASSERT_TRUE(SetWriteTime(tree.Path("f"), row.when));
    const testing::FileTimes times = TimesOf(tree.Path("f"));
    EXPECT_EQ(times.write.seconds * kSecond + times.write.nanoseconds, Kept(row.when));
    EXPECT_GE(times.write.nanoseconds, 0);
    EXPECT_LT(times.write.nanoseconds, 1'000'000'000);
  }
}

TEST(SetWriteTime, RefusesAnythingButARegularFile) {
  TempTree tree("file=x\ndir/\n");
  // Links and fifos where the system has them.
  const bool links = testing::CanMakeLinks();
  if (links) tree.AddLink("link", "file");
  const bool fifos = testing::HasFifos();
  if (fifos) {
    ASSERT_TRUE(testing::MakeFifo(tree.Path("fifo"), 0644));
  }
  SetTimes(tree.Path("file"), {500, 0}, {500, 0});
  const std::string rows[] = {"dir", "link", "fifo", "missing", "file/x"};
  for (const std::string& relative : rows) {
    if ((relative == "link" && !links) || (relative == "fifo" && !fifos)) continue;
    SCOPED_TRACE(relative);
    const auto before = StatPath(tree.Path(relative));
    EXPECT_FALSE(SetWriteTime(tree.Path(relative), 42 * kSecond));
    const auto after = StatPath(tree.Path(relative));
    ASSERT_EQ(before.has_value(), after.has_value());
    if (before) {
      EXPECT_EQ(after->write_time, before->write_time);
    }
  }
  // The link's target is left alone too.
  EXPECT_EQ(StatPath(tree.Path("file"))->write_time, 500 * kSecond);
}

TEST(SetWriteTime, RefusesReadOnlyFile) {
  TempTree tree("readonly=x\n");
  ASSERT_TRUE(testing::MakeWorldTraversable(tree.root()));
  const std::string path = tree.Path("readonly");
  if (testing::IsSuperuser()) {
    ASSERT_NO_THROW(testing::SetOwnership(path, {testing::kNobodyId, testing::kNobodyId}));
  }
  ASSERT_NO_THROW(std::filesystem::permissions(path, std::filesystem::perms(0444)));
  SetTimes(path, {500, 0}, {500, 0});
  EXPECT_AS_NOBODY(testing::RunAsNobody([&] { return IsExistingFile(path); },
                                        [&] { return !SetWriteTime(path, 42 * kSecond); }));
  EXPECT_EQ(StatPath(path)->write_time, 500 * kSecond);
}

// --- WithTrailingSep ---

// The path with "/" spelled as the system's separator.
std::string Native(std::string path) {
  std::replace(path.begin(), path.end(), '/', kPathSep);
  return path;
}

TEST(WithTrailingSep, AppendsSeparatorOnlyWhenMissing) {
  struct Row {
    std::string in, out;
  };
  const Row rows[] = {{"/home/user", "/home/user/"},
                      {"/home/user/", "/home/user/"},
                      {"/", "/"},
                      {"relative", "relative/"},
                      {"a//", "a//"},
                      {"", ""}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.in);
    EXPECT_EQ(WithTrailingSep(Native(row.in)), Native(row.out));
  }
}

// --- CurrentDirectory ---

TEST(CurrentDirectory, IsWorkingDirectoryWithTrailingSeparator) {
  TempTree tree("sub/\n");
  const std::string previous = CurrentDirectory();
  ASSERT_FALSE(previous.empty());
  EXPECT_EQ(previous.back(), kPathSep);
  std::string resolved;
  ASSERT_NO_THROW(resolved = std::filesystem::canonical(tree.Path("sub")).string());
  ASSERT_NO_THROW(std::filesystem::current_path(resolved));
  const std::string inside = CurrentDirectory();
  ASSERT_NO_THROW(std::filesystem::current_path(previous));
  EXPECT_EQ(inside, resolved + kPathSep);
}

TEST(CurrentDirectory, RootIsASingleSeparator) {
  const std::string previous = CurrentDirectory();
  ASSERT_NO_THROW(std::filesystem::current_path(std::string(1, kPathSep)));
  const std::string root = CurrentDirectory();
  // "/", or the current drive's root ("C:\") on Windows.
  std::string system_root;
  ASSERT_NO_THROW(system_root = std::filesystem::current_path().string());
  ASSERT_NO_THROW(std::filesystem::current_path(previous));
  EXPECT_EQ(root, system_root);
  EXPECT_EQ(root.find(kPathSep), root.size() - 1);
}

}  // namespace
}  // namespace zuruza::fs_test
