#include "analysis/content_sets.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/testing/special_files.h"
#include "platform/testing/system_traits.h"
#include "support/temp_tree.h"

namespace zuruza {
namespace {

using testing::TempTree;
using Indices = std::vector<std::size_t>;

class ContentSetsTest : public ::testing::Test {
 protected:
  // Files of the given contents, named f0, f1, ... as the walk would see them.
  std::vector<ContentFile> Files(const std::vector<std::string>& contents) {
    std::vector<ContentFile> files;
    for (std::size_t i = 0; i < contents.size(); ++i) {
      const std::string name = "f" + std::to_string(made_++);
      tree_.AddFile(name, contents[i]);
      files.push_back(Seen(name));
    }
    return files;
  }
  ContentFile Seen(const std::string& name) {
    const std::optional<DirEntry> entry = StatPath(tree_.Path(name));
    return {tree_.Path(name), entry->size, entry->write_time};
  }
  ContentSets Compare(const std::vector<ContentFile>& files) {
    return comparer_.CompareSameSize(files);
  }

  TempTree tree_;
  int made_ = 0;
  ContentComparer comparer_{[](const ContentFile&) { return true; }};
};

// Long files that share their beginning and part at some byte after it.
std::string Long(char tail, std::size_t part_at = kContentHead + 5000,
                 std::size_t length = kContentHead + 300000) {
  std::string bytes(length, 'x');
  bytes[part_at] = tail;
  return bytes;
}

TEST_F(ContentSetsTest, EqualBytesMakeASetShortOrLongAndEachByteIsReadOnce) {
  const struct {
    std::vector<std::string> contents;
    Indices first_alike;
  } rows[] = {
      {{"abc", "abc", "abd", "abc"}, {0, 0, 2, 0}},
      {{"a", "b"}, {0, 1}},
      {{Long('1'), Long('2'), Long('1'), Long('2', kContentHead + 299999)}, {0, 1, 0, 3}},
      {{Long('1', 10), Long('1', 20), Long('1', 10)}, {0, 1, 0}},  // parting in the beginning
  };
  for (const auto& row : rows) {
    ContentComparer comparer([](const ContentFile&) { return true; });
    const std::vector<ContentFile> files = Files(row.contents);
    const ContentSets sets = comparer.CompareSameSize(files);
    EXPECT_EQ(sets.first_alike, row.first_alike) << row.contents[0].size();
    std::uint64_t total = 0;
    for (const ContentFile& file : files) total += file.size;
    EXPECT_LE(comparer.bytes_read(), total);
  }
}

TEST_F(ContentSetsTest, HardLinksAreOneFileReadOnce) {
  std::vector<ContentFile> files = Files({"same", "same"});
  std::filesystem::create_hard_link(tree_.Path("f0"), tree_.Path("link"));
  files.insert(files.begin() + 1, Seen("link"));
  const ContentSets sets = Compare(files);
  EXPECT_EQ(sets.outcome[1], ContentOutcome::kHardLink);
  EXPECT_EQ(sets.first_alike[1], 0u);
  EXPECT_EQ(SetOf(sets, 2), 0u);
  EXPECT_EQ(comparer_.bytes_read(), 8u);
}

TEST_F(ContentSetsTest, FilesGoneChangedOrNoLongerRegularAreNamedNeverEqual) {
  std::vector<ContentFile> files = Files({"data", "data", "data", "data", "data"});
  std::filesystem::remove(tree_.Path("f1"));
  files[2].write_time += 1;  // written after the walk saw it
  std::filesystem::remove(tree_.Path("f3"));
  if (testing::HasFifos()) {
    ASSERT_TRUE(testing::MakeFifo(tree_.Path("f3")));  // never waited on
  } else {
    tree_.AddDirectory("f3");
  }
  const ContentSets sets = Compare(files);
  EXPECT_EQ(sets.outcome,
            (std::vector<ContentOutcome>{ContentOutcome::kCompared, ContentOutcome::kChanged,
                                         ContentOutcome::kChanged, ContentOutcome::kUnreadable,
                                         ContentOutcome::kCompared}));
  EXPECT_EQ(sets.trouble[1], "ya no existe");
  EXPECT_EQ(sets.trouble[2], "ha cambiado desde el recorrido");
  EXPECT_EQ(sets.first_alike, (Indices{0, 1, 2, 3, 0}));
}

TEST_F(ContentSetsTest, StoppingLeavesTheRestNotCompared) {
  int asked = 0;
  ContentComparer comparer([&](const ContentFile&) { return ++asked < 3; });
  const ContentSets sets = comparer.CompareSameSize(Files({"z", "z", "z", "z"}));
  EXPECT_TRUE(comparer.stopped());
  EXPECT_EQ(sets.outcome[2], ContentOutcome::kNotCompared);
  EXPECT_EQ(sets.outcome[3], ContentOutcome::kNotCompared);
  EXPECT_EQ(sets.first_alike, (Indices{0, 0, 2, 3}));
}

TEST_F(ContentSetsTest, GroupsComparedOnThreadsComeOutAsOnOneThread) {
  std::vector<std::vector<ContentFile>> groups;
  for (int size = 1; size <= 40; ++size) {
    groups.push_back(Files({std::string(size, 'a'), std::string(size, 'b'),
                            std::string(size, size % 2 ? 'a' : 'b'), std::string(size, 'a')}));
  }
  std::vector<ContentSets> results[2];
  for (unsigned threads : {0u, 3u}) {
    std::uint64_t bytes = 0;
    results[threads != 0] = CompareGroups(
        groups, threads, [](std::size_t, std::size_t, const std::string&) { return true; }, bytes);
    EXPECT_EQ(bytes, 40u * 41u / 2u * 4u);
  }
  for (std::size_t g = 0; g < groups.size(); ++g) {
    EXPECT_EQ(results[0][g].first_alike, results[1][g].first_alike) << g;
    EXPECT_EQ(results[1][g].first_alike, (Indices{0, 1, g % 2 == 0 ? 0u : 1u, 0})) << g;
  }
}

TEST_F(ContentSetsTest, HundredsOfLongFilesSharingTheirBeginningAreSplitInBatches) {
  std::vector<std::string> contents;
  for (int i = 0; i < 300; ++i)
    contents.push_back(Long(i % 3 == 0 ? 'a' : 'b', kContentHead + 50, kContentHead + 100));
  const ContentSets sets = Compare(Files(contents));
  for (std::size_t i = 0; i < contents.size(); ++i)
    EXPECT_EQ(sets.first_alike[i], i % 3 == 0 ? 0u : 1u) << i;
}

}  // namespace
}  // namespace zuruza
