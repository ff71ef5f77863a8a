// The sizes of a walked tree, every folder and every file, kept for the
// occupancy map: a compact table filled while the walk runs (a folder before
// what it holds), names in one shared buffer, so that hundreds of thousands
// of files cost a few megabytes and no allocation each.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zuruza {

class SizeTree {
 public:
  using Index = std::uint32_t;
  static constexpr Index kNone = ~Index{0};

  void Clear();
  // The walk's root, named by its path as the report writes it.
  Index AddRoot(std::string_view path);
  // A folder met by the walk; `line` is its line in the text tree, or -1.
  Index AddFolder(Index parent, std::string_view name, std::int32_t line);
  void AddFile(Index parent, std::string_view name, std::uint64_t size);
  // Adds a folder's total, now complete, to the folder that holds it.
  void CloseFolder(Index folder);

  std::size_t size() const { return nodes_.size(); }
  bool empty() const { return nodes_.empty(); }
  Index root() const { return nodes_.empty() ? kNone : 0; }

  bool IsFolder(Index node) const { return nodes_[node].folder; }
  std::uint64_t Size(Index node) const { return nodes_[node].size; }
  std::string_view Name(Index node) const;
  Index Parent(Index node) const { return nodes_[node].parent; }
  // Children in no particular order; kNone ends the chain.
  Index FirstChild(Index node) const { return nodes_[node].first_child; }
  Index NextSibling(Index node) const { return nodes_[node].next_sibling; }
  // The folder's line in the text tree, or the line of the nearest folder
  // above it that has one; -1 when none does.
  std::int32_t LineOf(Index node) const;
  // The full path: the root's path, then the names below it.
  std::string PathOf(Index node) const;

 private:
  struct Node {
    std::uint64_t size = 0;
    std::uint32_t name_start = 0;
    std::uint32_t name_length = 0;
    Index parent = kNone;
    Index first_child = kNone;
    Index next_sibling = kNone;
    std::int32_t line = -1;
    bool folder = false;
  };
  Index Add(Index parent, std::string_view name, bool folder);

  std::vector<Node> nodes_;
  std::string names_;
};

}  // namespace zuruza
