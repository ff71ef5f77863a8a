// The walks' read-ahead reader and the listings that stat less: the same
// answers as a full listing, read when the walk reaches each directory.
#include "platform/directory_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/fs.h"
#include "platform/testing/system_traits.h"
#include "support/random_tree.h"
#include "support/temp_tree.h"

namespace zuruza {
namespace {

using testing::TempTree;

// The path with "/" spelled as the system's separator.
std::string Native(std::string path) {
  std::replace(path.begin(), path.end(), '/', kPathSep);
  return path;
}

TEST(WalkOrder, FollowsADepthFirstWalkByComponents) {
  struct Row {
    const char* a;
    const char* b;
    bool less;
  } rows[] = {
      {"/t/a/", "/t/a-x/", true},    // a folder's subtree before its next sibling
      {"/t/a/z/", "/t/a-x/", true},  //
      {"/t/a/", "/t/a/b/", true},    // a folder before what it holds
      {"/t/b/", "/t/a/z/", false},   //
      {"/t/\xff/", "/t/z/", false},  // bytes compare unsigned
      {"/t/a/", "/t/a/", false},
  };
  for (const Row& row : rows)
    EXPECT_EQ(WalkOrder{}(Native(row.a), Native(row.b)), row.less) << row.a << " " << row.b;
}

// Names, kinds and the fields as a full listing has them, once filled in.
std::vector<std::string> Described(const std::string& dir, std::vector<DirEntry> entries) {
  std::vector<std::string> lines;
  for (DirEntry& entry : entries) {
    EXPECT_EQ(FillEntryDetails(dir, entry), 0) << entry.name;
    lines.push_back(entry.name + " " + std::to_string(static_cast<int>(entry.kind)) + " " +
                    std::to_string(entry.size) + " " + std::to_string(entry.write_time) + " " +
                    std::to_string(entry.creation_time));
  }
  return lines;
}

TEST(ListDirectory, EachDetailStatsOnlyWhatItNamesAndKnowsTheKinds) {
  TempTree tree("sub/\nb.txt=hello\na.txt\nz/\n");
  if (testing::CanMakeLinks()) tree.AddLink("link", "b.txt");
  std::vector<DirEntry> every;
  ASSERT_TRUE(ListDirectory(tree.root(), every));
  const std::vector<std::string> expected = Described(tree.root(), every);
  std::vector<DirEntry> folders = every;
  folders.erase(std::remove_if(folders.begin(), folders.end(),
                               [](const DirEntry& entry) { return !entry.IsDirectory(); }),
                folders.end());
  struct Row {
    EntryDetail detail;
    std::set<std::string> detailed;  // "link" only where links can be made
  } rows[] = {
      {EntryDetail::kFiles, {"a.txt", "b.txt", "link"}},
      {EntryDetail::kKinds, {"a.txt"}},
      {EntryDetail::kDirectories, {}},
  };
  for (Row& row : rows) {
    std::vector<DirEntry> entries;
    ListingTrouble trouble;
    ASSERT_TRUE(ListDirectory(tree.root(), entries, &trouble, row.detail));
    if (!testing::CanMakeLinks()) row.detailed.erase("link");
    std::set<std::string> detailed;
    for (const DirEntry& entry : entries) {
      if (entry.detailed) detailed.insert(entry.name);
      // Where each entry's size and times come with its name, every entry
      // but the dot entries comes detailed without a stat.
      if (testing::ListingsReadEveryDetail() && entry.name != "." && entry.name != "..")
        row.detailed.insert(entry.name);
    }
    EXPECT_EQ(detailed, row.detailed) << static_cast<int>(row.detail);
    const bool only_folders = row.detail == EntryDetail::kDirectories;
    EXPECT_EQ(Described(tree.root(), entries),
              only_folders ? Described(tree.root(), folders) : expected)
        << static_cast<int>(row.detail);
    EXPECT_TRUE(trouble.unreadable.empty());
  }
}

// Walks the tree depth first through `reader`, entering only the folders
// `enter` keeps, and checks each answer against a listing made there and then.
int WalkAndCompare(DirectoryReader& reader, const std::string& dir, EntryDetail detail,
                   bool (*enter)(const std::string&)) {
  std::vector<DirEntry> got;
  std::vector<DirEntry> now;
  const bool listed = reader.List(dir, got);
  EXPECT_EQ(listed, ListDirectory(dir, now, nullptr, detail)) << dir;
  // ".." is the parent's ".", compared there; the root's is the shared
  // temporary folder, which tests running alongside change at any moment.
  auto without_parent = [&](const std::vector<DirEntry>& entries) {
    std::vector<std::string> lines = Described(dir, entries);
    std::erase_if(lines, [](const std::string& line) { return line.starts_with(".. "); });
    return lines;
  };
  EXPECT_EQ(without_parent(got), without_parent(now)) << dir;
  int walked = 1;
  for (const DirEntry& entry : got) {
    if (!entry.IsDirectory() || entry.name == "." || entry.name == "..") continue;
    const std::string child = dir + entry.name + kPathSep;
    if (enter(child)) walked += WalkAndCompare(reader, child, detail, enter);
  }
  return walked;
}

TEST(DirectoryReader, AnswersAsAListingWhateverTheWalkSkipsOrTheThreads) {
  TempTree tree;
  testing::FillRandomTree(tree, 7, 120, 500);
  const auto every = [](const std::string&) { return true; };
  const auto some = [](const std::string& path) { return path.size() % 3 != 0; };
  for (unsigned threads : {0u, 1u, 4u}) {
    for (EntryDetail detail : {EntryDetail::kEvery, EntryDetail::kFiles, EntryDetail::kKinds,
                               EntryDetail::kDirectories}) {
      DirectoryReader whole(detail, {}, threads);
      EXPECT_EQ(WalkAndCompare(whole, tree.root(), detail, every), 122) << threads;
      DirectoryReader part(detail, {}, threads);
      WalkAndCompare(part, tree.root(), detail, some);
    }
  }
}

std::vector<std::string> Names(const std::vector<DirEntry>& entries) {
  std::vector<std::string> names;
  for (const DirEntry& entry : entries) names.push_back(entry.name);
  return names;
}

TEST(DirectoryReader, FoldersChangedWhileReadAheadAreAnsweredAsTheyWereOrAreNow) {
  TempTree tree;
  testing::FillRandomTree(tree, 11, 80, 200);
  // The tree's first folder, "d0" and what its name holds on this system.
  std::vector<DirEntry> top;
  ASSERT_TRUE(ListDirectory(tree.root(), top));
  const auto first = std::find_if(top.begin(), top.end(), [](const DirEntry& entry) {
    return entry.IsDirectory() && entry.name.starts_with("d0");
  });
  ASSERT_NE(first, top.end());
  const std::string folder = first->name + "/";
  const std::string changed = tree.Path(folder);
  for (int round = 0; round < 5; ++round) {
    std::vector<DirEntry> before;
    ASSERT_TRUE(ListDirectory(changed, before));
    DirectoryReader reader(EntryDetail::kEvery, {}, 3);
    std::vector<DirEntry> entries;
    ASSERT_TRUE(reader.List(tree.root(), entries));
    // The threads are reading below: the folder goes, and comes back anew.
    // On Windows a folder goes only when the last listing of it ends, and
    // its parent cannot go before: the removal is tried again.
    std::error_code error;
    for (int tries = 0; tries < 1000; ++tries) {
      std::filesystem::remove_all(changed, error);
      if (!error) break;
      std::this_thread::yield();
    }
    ASSERT_FALSE(error) << error.message();
    const std::string fresh = "new" + std::to_string(round);
    tree.AddDirectory(folder + fresh + "/");
    std::vector<DirEntry> got;
    if (!reader.List(changed, got)) continue;  // read while it was gone
    // Any state it went through: as it was or partly removed, or anew.
    const std::vector<std::string> names = Names(got);
    const std::vector<std::string> was = Names(before);
    const bool part_of_old = std::includes(was.begin(), was.end(), names.begin(), names.end());
    const std::vector<std::string> anew = {".", "..", fresh};
    EXPECT_TRUE(part_of_old || names == anew) << round;
  }
}

}  // namespace
}  // namespace zuruza
