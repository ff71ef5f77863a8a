// Random trees for tests that compare two ways of walking them: folders a
// few levels deep, small files whose names and sizes repeat (so duplicates
// occur), links, names with control and non-UTF-8 bytes, and one folder of
// many entries.
#pragma once

#include <random>
#include <string>
#include <vector>

#include "platform/directory_reader.h"
#include "platform/testing/system_traits.h"
#include "support/temp_tree.h"

namespace zuruza::testing {

inline void FillRandomTree(TempTree& tree, unsigned seed, int folders = 40,
                           int big_folder_entries = 3000) {
  std::mt19937 random(seed);
  const bool bytes = NamesAreBytes();
  const std::vector<std::string> names = {"a",
                                          "b.txt",
                                          "\xC3\x91.dat",
                                          bytes ? "x\x01y" : "x y",
                                          bytes ? "tab\tname" : "tab name",
                                          bytes ? "\xff" : "\xC3\xBF",
                                          "UPPER.TXT",
                                          "dup.bin",
                                          ".hidden"};
  std::vector<std::string> dirs = {""};
  for (int i = 0; i < folders; ++i) {
    const std::string& parent = dirs[random() % dirs.size()];
    std::string dir =
        parent + "d" + std::to_string(i) + (i % 7 == 0 ? (bytes ? "\x02" : "~") : "") + "/";
    tree.AddDirectory(dir);
    dirs.push_back(std::move(dir));
  }
  for (const std::string& dir : dirs) {
    for (unsigned files = random() % 6; files > 0; --files) {
      const std::string& name = names[random() % names.size()];
      tree.AddFile(dir + name, std::string(random() % 4, 'z'));
    }
    if (random() % 5 == 0 && CanMakeLinks()) tree.AddLink(dir + "up", "..");
  }
  tree.AddDirectory("big/");
  for (int i = 0; i < big_folder_entries; ++i)
    tree.AddFile("big/f" + std::to_string(random() % 100000), std::string(random() % 3, 'y'));
}

// Sets the walks' read-ahead threads for a test, and puts them back after.
class WalkThreadsForTest {
 public:
  WalkThreadsForTest() : saved_(WalkThreads()) {}
  ~WalkThreadsForTest() { SetWalkThreads(saved_); }
  void Set(unsigned threads) { SetWalkThreads(threads); }

 private:
  unsigned saved_;
};

}  // namespace zuruza::testing
