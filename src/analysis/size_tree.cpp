#include "analysis/size_tree.h"

#include <algorithm>

#include "platform/fs.h"

namespace zuruza {

void SizeTree::Clear() {
  nodes_.clear();
  names_.clear();
}

SizeTree::Index SizeTree::Add(Index parent, std::string_view name, bool folder) {
  const auto index = static_cast<Index>(nodes_.size());
  Node& node = nodes_.emplace_back();
  node.name_start = static_cast<std::uint32_t>(names_.size());
  node.name_length = static_cast<std::uint32_t>(name.size());
  node.parent = parent;
  node.folder = folder;
  names_.append(name);
  if (parent != kNone) {
    node.next_sibling = nodes_[parent].first_child;
    nodes_[parent].first_child = index;
  }
  return index;
}

SizeTree::Index SizeTree::AddRoot(std::string_view path) {
  Clear();
  return Add(kNone, path, true);
}

SizeTree::Index SizeTree::AddFolder(Index parent, std::string_view name, std::int32_t line) {
  const Index index = Add(parent, name, true);
  nodes_[index].line = line;
  return index;
}

void SizeTree::AddFile(Index parent, std::string_view name, std::uint64_t size) {
  nodes_[Add(parent, name, false)].size = size;
  nodes_[parent].size += size;
}

void SizeTree::CloseFolder(Index folder) {
  const Index parent = nodes_[folder].parent;
  if (parent != kNone) nodes_[parent].size += nodes_[folder].size;
}

std::string_view SizeTree::Name(Index node) const {
  return std::string_view(names_).substr(nodes_[node].name_start, nodes_[node].name_length);
}

std::int32_t SizeTree::LineOf(Index node) const {
  for (; node != kNone; node = nodes_[node].parent) {
    if (nodes_[node].line >= 0) return nodes_[node].line;
  }
  return -1;
}

std::string SizeTree::PathOf(Index node) const {
  std::vector<std::string_view> names;
  for (; node != kNone; node = nodes_[node].parent) names.push_back(Name(node));
  std::reverse(names.begin(), names.end());
  std::string path(names.front());
  for (std::size_t i = 1; i < names.size(); ++i) {
    if (!path.empty() && path.back() != kPathSep) path += kPathSep;
    path += names[i];
  }
  return path;
}

}  // namespace zuruza
