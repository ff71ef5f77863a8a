// Listing a directory: the order, kinds, sizes and times of its entries, and its subdirectories.
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/fs.h"
#include "platform/fs_test_support.h"
#include "platform/testing/file_times.h"
#include "platform/testing/special_files.h"
#include "platform/testing/system_traits.h"
#include "platform/time_resolution.h"
#include "support/as_nobody.h"
#include "support/temp_tree.h"

namespace zuruza::fs_test {
namespace {

using testing::TempTree;

std::vector<std::string> Names(const std::vector<DirEntry>& entries) {
  std::vector<std::string> names;
  for (const DirEntry& entry : entries) names.push_back(entry.name);
  return names;
}

const DirEntry* Find(const std::vector<DirEntry>& entries, const std::string& name) {
  for (const DirEntry& entry : entries)
    if (entry.name == name) return &entry;
  return nullptr;
}

// --- ListDirectory ---

TEST(ListDirectory, DotEntriesFirstThenByteOrder) {
  TempTree tree("b\nC\na\n_\n.hidden\n10\n9\nZ/\n~\n");
  std::vector<DirEntry> entries;
  ASSERT_TRUE(ListDirectory(tree.root(), entries));
  // Where case does not tell names apart, NTFS order: upper-cased, so "_"
  // (0x5F) comes after every letter.
  const bool case_folded = ListingNameLess("a", "C");
  EXPECT_EQ(Names(entries), case_folded ? (std::vector<std::string>{".", "..", ".hidden", "10", "9",
                                                                    "a", "b", "C", "Z", "_", "~"})
                                        : (std::vector<std::string>{".", "..", ".hidden", "10", "9",
                                                                    "C", "Z", "_", "a", "b", "~"}));
}

TEST(ListDirectory, BytesAbove127SortAfterAscii) {
  // Signed char comparison would put these before every ASCII name.
  TempTree tree;
  for (const char* name : {"\xC3\xA9t\xC3\xA9", "z", "\x7F"}) tree.AddFile(name);
  // Names that are not UTF-8 exist only where names are bytes.
  const bool bytes = testing::NamesAreBytes();
  if (bytes) {
    tree.AddFile("\x80");
    tree.AddFile("\xFF");
  }
  std::vector<DirEntry> entries;
  ASSERT_TRUE(ListDirectory(tree.root(), entries));
  EXPECT_EQ(Names(entries),
            bytes ? (std::vector<std::string>{".", "..", "z", "\x7F", "\x80", "\xC3\xA9t\xC3\xA9",
                                              "\xFF"})
                  : (std::vector<std::string>{".", "..", "z", "\x7F", "\xC3\xA9t\xC3\xA9"}));
}

TEST(ListDirectory, ShorterNameSortsBeforeItsExtension) {
  // "a.b" rather than "a.": Windows drops a name's trailing dots.
  TempTree tree("ab\na\nabc\na.b\n");
  std::vector<DirEntry> entries;
  ASSERT_TRUE(ListDirectory(tree.root(), entries));
  EXPECT_EQ(Names(entries), (std::vector<std::string>{".", "..", "a", "a.b", "ab", "abc"}));
}

TEST(ListDirectory, DotEntriesAreDirectoriesOfSizeZeroWithTimes) {
  TempTree tree("sub/\nsub/f=1234\n");
  std::vector<DirEntry> entries;
  ASSERT_TRUE(ListDirectory(tree.Path("sub"), entries));
  ASSERT_GE(entries.size(), 2u);
  for (int i = 0; i < 2; ++i) {
    SCOPED_TRACE(entries[i].name);
    EXPECT_EQ(entries[i].kind, EntryKind::kDirectory);
    EXPECT_TRUE(entries[i].IsDirectory());
    EXPECT_EQ(entries[i].size, 0u);
    EXPECT_GT(entries[i].write_time, 0);
  }
  EXPECT_EQ(entries[0].write_time, StatPath(tree.Path("sub"))->write_time);
  EXPECT_EQ(entries[1].write_time, StatPath(tree.root())->write_time);
}

TEST(ListDirectory, KindsOfEntries) {
  TempTree tree("file=x\ndir/\n");
  // Links and fifos where the system has them.
  const bool links = testing::CanMakeLinks();
  if (links) {
    tree.AddLink("link_to_dir", "dir");
    tree.AddLink("link_to_file", "file");
    tree.AddLink("dangling", "nowhere");
  }
  const bool fifos = testing::HasFifos();
  if (fifos) {
    ASSERT_TRUE(testing::MakeFifo(tree.Path("fifo"), 0644));
  }
  std::vector<DirEntry> entries;
  ASSERT_TRUE(ListDirectory(tree.root(), entries));
  struct Row {
    const char* name;
    EntryKind kind;
    bool made;
  };
  const Row rows[] = {{"file", EntryKind::kFile, true},
                      {"dir", EntryKind::kDirectory, true},
                      {"link_to_dir", EntryKind::kSymlink, links},
                      {"link_to_file", EntryKind::kSymlink, links},
                      {"dangling", EntryKind::kSymlink, links},
                      {"fifo", EntryKind::kOther, fifos}};
  std::size_t made = 0;
  for (const Row& row : rows) {
    if (!row.made) continue;
    ++made;
    SCOPED_TRACE(row.name);
    const DirEntry* entry = Find(entries, row.name);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->kind, row.kind);
    EXPECT_EQ(entry->IsDirectory(), row.kind == EntryKind::kDirectory);
  }
  EXPECT_EQ(entries.size(), 2u + made);
}

TEST(ListDirectory, SizesOfFilesAndZeroForDirectories) {
  TempTree tree("empty\nfive=12345\ndir/\ndir/inner=abcdefghij\n");
  std::vector<DirEntry> entries;
  ASSERT_TRUE(ListDirectory(tree.root(), entries));
  EXPECT_EQ(Find(entries, "empty")->size, 0u);
  EXPECT_EQ(Find(entries, "five")->size, 5u);
  EXPECT_EQ(Find(entries, "dir")->size, 0u);
}

TEST(ListDirectory, SizeBeyondFourGibibytesKeepsAllBits) {
  TempTree tree("big\n");
  const std::uint64_t size = (5ull << 30) + 7;  // sparse: takes no disk space
  ASSERT_NO_THROW(std::filesystem::resize_file(tree.Path("big"), size));
  std::vector<DirEntry> entries;
  ASSERT_TRUE(ListDirectory(tree.root(), entries));
  ASSERT_NE(Find(entries, "big"), nullptr);
  EXPECT_EQ(Find(entries, "big")->size, size);
}

TEST(ListDirectory, TimesAreNanosecondsSinceEpoch) {
  TempTree tree("f=x\nold=y\n");
  SetTimes(tree.Path("f"), {1'600'000'000, 123'456'789}, {1'500'000'000, 987'654'321});
  SetTimes(tree.Path("old"), {-10, 0}, {-1, 250'000'000});  // before 1970
  std::vector<DirEntry> entries;
  ASSERT_TRUE(ListDirectory(tree.root(), entries));
  const DirEntry* f = Find(entries, "f");
  ASSERT_NE(f, nullptr);
  // Cut down to the step the file system keeps them in.
  const UnixNanos step = testing::FileTimeStep();
  EXPECT_EQ(f->write_time, FloorToStep(1'500'000'000 * kSecond + 987'654'321, step));
  EXPECT_EQ(f->access_time, FloorToStep(1'600'000'000 * kSecond + 123'456'789, step));
  const DirEntry* old = Find(entries, "old");
  ASSERT_NE(old, nullptr);
  EXPECT_EQ(old->write_time, -750'000'000);
  EXPECT_EQ(old->access_time, -10 * kSecond);
}

TEST(ListDirectory, CreationTimeIsBirthTimeOrElseWriteTime) {
  TempTree tree("f=x\n");
  SetTimes(tree.Path("f"), {1'000'000'000, 0}, {1'100'000'000, 0});
  std::vector<DirEntry> entries;
  ASSERT_TRUE(ListDirectory(tree.root(), entries));
  const testing::FileTimes times = TimesOf(tree.Path("f"));
  const DirEntry* f = Find(entries, "f");
  ASSERT_NE(f, nullptr);
  if (times.birth) {
    EXPECT_EQ(f->creation_time, times.birth->seconds * kSecond + times.birth->nanoseconds);
    // The birth time was not touched by setting the write time.
    EXPECT_NE(f->creation_time, f->write_time);
  } else {
    EXPECT_EQ(f->creation_time, f->write_time);
  }
}

TEST(ListDirectory, LinkTimesAndSizeAreTheLinksOwn) {
  if (!testing::CanMakeLinks()) GTEST_SKIP() << "no symbolic links on this system";
  TempTree tree("target=0123456789\n");
  tree.AddLink("link", "target");
  SetTimes(tree.Path("target"), {1'000'000'000, 0}, {1'000'000'000, 0});
  SetTimes(tree.Path("link"), {1'200'000'000, 0}, {1'200'000'000, 0});
  std::vector<DirEntry> entries;
  ASSERT_TRUE(ListDirectory(tree.root(), entries));
  const DirEntry* link = Find(entries, "link");
  ASSERT_NE(link, nullptr);
  EXPECT_EQ(link->size, std::string("target").size());
  EXPECT_EQ(link->write_time, 1'200'000'000 * kSecond);
}

TEST(ListDirectory, PathWithOrWithoutTrailingSeparator) {
  TempTree tree("d/\nd/x\n");
  std::vector<DirEntry> with_sep, without_sep;
  ASSERT_TRUE(ListDirectory(tree.Path("d/"), with_sep));
  ASSERT_TRUE(ListDirectory(tree.Path("d"), without_sep));
  EXPECT_EQ(Names(with_sep), (std::vector<std::string>{".", "..", "x"}));
  EXPECT_EQ(Names(without_sep), Names(with_sep));
}

TEST(ListDirectory, EmptyDirectoryHasOnlyDotEntries) {
  TempTree tree("empty/\n");
  std::vector<DirEntry> entries;
  ASSERT_TRUE(ListDirectory(tree.Path("empty"), entries));
  EXPECT_EQ(Names(entries), (std::vector<std::string>{".", ".."}));
}

TEST(ListDirectory, FailuresReturnFalseAndClearEntries) {
  TempTree tree("file=x\ndir/\ndir/a\n");
  const bool links = testing::CanMakeLinks();
  if (links) tree.AddLink("link_to_file", "file");
  struct Row {
    std::string path;
    bool needs_link;
  };
  const Row rows[] = {{tree.Path("missing"), false},
                      {tree.Path("file"), false},
                      {tree.Path("file/"), false},
                      {tree.Path("link_to_file"), true},
                      {"", false}};
  for (const Row& row : rows) {
    if (row.needs_link && !links) continue;  // no symbolic links on this system
    SCOPED_TRACE(row.path);
    std::vector<DirEntry> entries;
    ASSERT_TRUE(ListDirectory(tree.Path("dir"), entries));
    ASSERT_FALSE(entries.empty());
    EXPECT_FALSE(ListDirectory(row.path, entries));
    EXPECT_TRUE(entries.empty());
  }
}

TEST(ListDirectory, UnreadableDirectoryFailsAndSaysWhy) {
  if (!testing::HasPermissionBits()) GTEST_SKIP() << "no permission bits that deny a listing";
  TempTree tree("locked/\nlocked/secret\nopen/\nblind/\nblind/x\n");
  ASSERT_TRUE(testing::MakeWorldTraversable(tree.root()));
  ASSERT_NO_THROW(std::filesystem::permissions(tree.Path("locked"), std::filesystem::perms::none));
  // "blind" can be listed, but its entries cannot be stat'ed.
  ASSERT_NO_THROW(std::filesystem::permissions(tree.Path("blind"), std::filesystem::perms(0744)));
  const std::string root = tree.root();
  const std::string locked = tree.Path("locked");
  EXPECT_AS_NOBODY(testing::RunAsNobody(
      [&] {
        std::vector<DirEntry> entries;
        return ListDirectory(root, entries) && Find(entries, "open") != nullptr;
      },
      [&] {
        std::vector<DirEntry> entries{DirEntry{}};
        ListingTrouble trouble;
        const bool locked_fails = !ListDirectory(locked, entries, &trouble) && entries.empty() &&
                                  trouble.error == EACCES && DirectoryAccessError(locked) == EACCES;
        const bool blind_names =
            ListDirectory(tree.Path("blind"), entries, &trouble) && trouble.error == 0 &&
            trouble.unreadable == std::vector<std::pair<std::string, int>>{{"x", EACCES}};
        return locked_fails && blind_names && DirectoryAccessError(root) == 0;
      }));
}

TEST(ListDirectory, SecondListingReplacesTheFirstAndReusesStorage) {
  TempTree tree("big/\nbig/a\nbig/b\nbig/c\nbig/d\nbig/e\nsmall/\nsmall/only\n");
  std::vector<DirEntry> entries;
  ASSERT_TRUE(ListDirectory(tree.Path("big"), entries));
  ASSERT_EQ(entries.size(), 7u);
  const DirEntry* storage = entries.data();
  const std::size_t capacity = entries.capacity();
  ASSERT_TRUE(ListDirectory(tree.Path("small"), entries));
  EXPECT_EQ(Names(entries), (std::vector<std::string>{".", "..", "only"}));
  EXPECT_EQ(entries.data(), storage);
  EXPECT_EQ(entries.capacity(), capacity);
  EXPECT_EQ(entries[2].kind, EntryKind::kFile);
}

TEST(ListDirectory, StaleFieldsFromEarlierListingAreOverwritten) {
  TempTree tree("one/\none/x/\ntwo/\ntwo/x=abc\n");
  SetTimes(tree.Path("two/x"), {7, 0}, {8, 0});
  std::vector<DirEntry> entries;
  ASSERT_TRUE(ListDirectory(tree.Path("one"), entries));
  ASSERT_EQ(entries[2].kind, EntryKind::kDirectory);
  ASSERT_TRUE(ListDirectory(tree.Path("two"), entries));
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[2].kind, EntryKind::kFile);
  EXPECT_EQ(entries[2].size, 3u);
  EXPECT_EQ(entries[2].write_time, 8 * kSecond);
  EXPECT_EQ(entries[2].access_time, 7 * kSecond);
}

TEST(ListDirectory, ManyEntriesAllListedInOrder) {
  TempTree tree;
  std::vector<std::string> expected{".", ".."};
  for (int i = 0; i < 3000; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "f%05d", (i * 7919) % 3000);
    tree.AddFile(name, std::string(static_cast<std::size_t>(i % 5), 'x'));
  }
  for (int i = 0; i < 3000; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "f%05d", i);
    expected.push_back(name);
  }
  std::vector<DirEntry> entries;
  ASSERT_TRUE(ListDirectory(tree.root(), entries));
  EXPECT_EQ(Names(entries), expected);
}

// Deletes and recreates files in a directory until destroyed.
class Churn {
 public:
  Churn(const TempTree& tree, int files) : tree_(tree), files_(files) {
    thread_ = std::thread([this] {
      for (int round = 0; !stop_.load(); ++round) {
        const int i = (round * 7) % files_;
        std::error_code gone;
        std::filesystem::remove(tree_.Path(ListedName(i)), gone);
        Create(tree_, i);
      }
    });
  }
  ~Churn() {
    stop_ = true;
    thread_.join();
  }
  Churn(const Churn&) = delete;
  Churn& operator=(const Churn&) = delete;

  static std::string Name(int i) {
    char name[16];
    std::snprintf(name, sizeof name, "f%05d", i);
    return name;
  }
  static std::string ListedName(int i) { return "listed/" + Name(i); }
  // Made aside and renamed into place, so a listing never sees a half-made file.
  static void Create(const TempTree& tree, int i) {
    const std::string staged = tree.Path("staging/" + Name(i));
    if (!std::ofstream(staged, std::ios::binary | std::ios::trunc)) std::abort();
    std::error_code error;
    std::filesystem::resize_file(staged, static_cast<std::uintmax_t>(i), error);
    if (error) std::abort();
    std::filesystem::rename(staged, tree.Path(ListedName(i)), error);
    if (error) std::abort();
  }

 private:
  const TempTree& tree_;
  const int files_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

TEST(ListDirectory, EntriesVanishingDuringTheListingAreLeftOutOthersKeepTheirOwnData) {
  // Each file's size is the number in its name, so data stat'ed for one entry
  // and reported under another name shows up.
  constexpr int kFiles = 500;
  TempTree tree("listed/\nstaging/\n");
  for (int i = 0; i < kFiles; ++i) Churn::Create(tree, i);
  std::vector<DirEntry> entries;
  int listings_missing_entries = 0;
  {
    Churn churn(tree, kFiles);
    for (int listing = 0; listing < 100; ++listing) {
      ASSERT_TRUE(ListDirectory(tree.Path("listed"), entries));
      if (entries.size() < 2u + kFiles) ++listings_missing_entries;
      for (std::size_t k = 2; k < entries.size(); ++k) {
        const DirEntry& entry = entries[k];
        ASSERT_EQ(entry.name.size(), 6u) << entry.name;
        ASSERT_EQ(entry.kind, EntryKind::kFile) << entry.name;
        ASSERT_EQ(entry.size, std::stoull(entry.name.substr(1))) << entry.name;
        if (k > 2) {
          ASSERT_LT(entries[k - 1].name, entry.name);
        }
      }
    }
  }
  RecordProperty("listings_missing_entries", listings_missing_entries);
}

// --- Listing only the subdirectories ---

TEST(ListDirectory, DirectoriesOnlyInByteOrderLinksLeftOut) {
  testing::TempTree tree("b/\nA/\nz.txt\n\xc3\xa9/\n");
  if (testing::CanMakeLinks()) tree.AddLink("link", "b");
  std::vector<DirEntry> entries(3);  // slots from an earlier listing are reused
  ASSERT_TRUE(ListDirectory(tree.root(), entries, nullptr, EntryDetail::kDirectories));
  std::vector<std::string> names;
  for (const DirEntry& entry : entries) names.push_back(entry.name);
  EXPECT_EQ(names, (std::vector<std::string>{".", "..", "A", "b", "\xc3\xa9"}));
  EXPECT_FALSE(ListDirectory(tree.Path("z.txt"), entries, nullptr, EntryDetail::kDirectories));
  EXPECT_TRUE(entries.empty());
}

}  // namespace
}  // namespace zuruza::fs_test
