// Every walk reports the same, byte for byte, whether its directories are
// read ahead on threads or each one when the walk reaches it.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "analysis/compara.h"
#include "analysis/disco.h"
#include "analysis/repes.h"
#include "navigation/backup.h"
#include "navigation/vcd.h"
#include "platform/fs.h"
#include "platform/testing/system_traits.h"
#include "search/busca.h"
#include "support/as_nobody.h"
#include "support/random_tree.h"
#include "support/recording_sink.h"
#include "support/scripted_prompter.h"
#include "support/temp_tree.h"

namespace zuruza {
namespace {

using testing::RecordingSink;
using testing::ScriptedPrompter;
using testing::TempTree;

// What a walk leaves: its pane lines, its report file, its skipped entries.
using Walk = std::function<std::vector<std::string>(
    const std::string& root, const std::string& other, const std::string& scratch)>;

std::vector<std::string> WithReport(std::vector<std::string> lines, const std::string& report) {
  std::error_code ignored;
  if (std::filesystem::exists(report, ignored)) {
    std::ifstream in(report, std::ios::binary);
    lines.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  return lines;
}

std::vector<std::string> Search(const std::string& root, const std::string& text, bool index,
                                const std::string& scratch) {
  RecordingSink sink;
  ScriptedPrompter prompter;
  FileSearch search(sink, prompter, LocaleFormats{});
  search.set_clock([] { return CivilDateTime{{2026, 12, 8}, 12, 0, 0}; });
  search.SetIndexMode(index);
  SearchRequest request;
  // "/", or the drive's root ("C:\") on Windows.
  request.drive_root = std::filesystem::path(root).root_path().string();
  request.directory = root;
  request.search_text = text;
  request.list_dates = request.list_size = true;
  request.write_report = true;
  request.report_path = scratch + "report.txt";
  search.RunSearch(request);
  for (const SkippedEntry& entry : search.skipped().entries()) sink.lines.push_back(entry.path);
  return WithReport(sink.lines, request.report_path);
}

const struct {
  const char* name;
  Walk walk;
} kWalks[] = {
    {"search", [](auto& root, auto&, auto& scratch) { return Search(root, "", false, scratch); }},
    {"search by name",
     [](auto& root, auto&, auto& scratch) { return Search(root, "A", false, scratch); }},
    {"index", [](auto& root, auto&, auto& scratch) { return Search(root, "", true, scratch); }},
    {"duplicates",
     [](auto& root, auto&, auto& scratch) {
       RecordingSink sink;
       ScriptedPrompter prompter;
       DuplicateFinder finder(sink, prompter, LocaleFormats{});
       finder.RunDuplicateSearch({root, true, scratch + "repes.txt", true, false, "", true});
       return WithReport(sink.lines, scratch + "repes.txt");
     }},
    {"occupancy",
     [](auto& root, auto&, auto&) {
       RecordingSink sink;
       DiskOccupancy occupancy(sink);
       occupancy.RunOccupancy({root, "9", false, ""});
       return sink.lines;
     }},
    {"comparison",
     [](auto& root, auto& other, auto&) {
       RecordingSink sink;
       ScriptedPrompter prompter;
       TreeComparator comparator(sink, prompter);
       comparator.CompareTrees({root, other, false, ""});
       return sink.lines;
     }},
    {"directory tree",
     [](auto& root, auto&, auto&) {
       RecordingSink sink;
       DirectoryTree tree(sink);
       tree.WalkDirectoryTree(root.substr(0, root.size() - 1));
       return tree.entries();
     }},
    {"backup",
     [](auto& root, auto&, auto& scratch) {
       RecordingSink sink;
       ScriptedPrompter prompter;
       BackupCopier copier(sink, prompter);
       copier.RunBackupJob({root, scratch + "copy", "", true});
       std::vector<std::string> lines = copier.copied_list();
       for (const auto& entry : std::filesystem::recursive_directory_iterator(scratch + "copy"))
         lines.push_back(entry.path().string().substr(scratch.size()));
       std::sort(lines.begin() + static_cast<std::ptrdiff_t>(copier.copied_list().size()),
                 lines.end());
       return lines;
     }},
};

TEST(WalkReports, AreTheSameReadAheadOrNot) {
  testing::WalkThreadsForTest threads;
  for (unsigned seed : {1u, 2u}) {
    TempTree tree;
    testing::FillRandomTree(tree, seed, 40, 600);
    TempTree other;
    testing::FillRandomTree(other, seed + 100, 40, 600);
    for (const auto& [name, walk] : kWalks) {
      std::vector<std::string> reports[2];
      for (unsigned i = 0; i < 2; ++i) {
        threads.Set(i == 0 ? 0 : 3);
        TempTree scratch;
        reports[i] = walk(tree.root(), other.root(), scratch.root());
      }
      EXPECT_GT(reports[0].size(), 2u) << name;
      EXPECT_EQ(reports[0], reports[1]) << name << ", seed " << seed;
    }
  }
}

// A folder that cannot be listed and one that lists but cannot be entered:
// the walks name what they could not read the same way with read-ahead.
TEST(WalkReports, AreTheSameReadAheadOrNotWhereFoldersCannotBeRead) {
  if (!testing::HasPermissionBits()) GTEST_SKIP() << "no permission bits that deny a listing";
  testing::WalkThreadsForTest threads;
  TempTree trees[2];
  for (unsigned seed : {5u, 6u}) {
    TempTree& tree = trees[seed - 5];
    testing::FillRandomTree(tree, seed, 20, 50);
    for (const char* folder : {"locked/", "unsearchable/"}) {
      tree.AddFile(std::string(folder) + "inside.txt", "abc");
      tree.AddDirectory(std::string(folder) + "below/");
    }
    std::filesystem::permissions(tree.Path("locked"), std::filesystem::perms::none);
    std::filesystem::permissions(tree.Path("unsearchable"), std::filesystem::perms(0444));
    ASSERT_TRUE(testing::MakeWorldTraversable(tree.root()));
  }
  // The walks' own outputs go below a folder every user may write in.
  TempTree scratch;
  std::filesystem::permissions(scratch.root(), std::filesystem::perms::all);
  EXPECT_AS_NOBODY(testing::RunAsNobody(
      [&] { return testing::UserMay(scratch.root(), testing::kMayWrite | testing::kMayEnter); },
      [&] {
        int run = 0;
        for (const auto& [name, walk] : kWalks) {
          std::vector<std::string> reports[2];
          for (unsigned i = 0; i < 2; ++i) {
            threads.Set(i == 0 ? 0 : 3);
            const std::string own = scratch.Path(std::to_string(++run)) + kPathSep;
            std::filesystem::create_directory(own);
            reports[i] = walk(trees[0].root(), trees[1].root(), own);
          }
          if (reports[0] != reports[1]) return false;
        }
        return true;
      }));
}

}  // namespace
}  // namespace zuruza
