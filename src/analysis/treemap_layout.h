// The occupancy map's layout: a squarified treemap of a size tree, each file
// and folder a rectangle whose area is proportional to its size, folders
// framed around what they hold. Items too small to see are merged into one
// cell of their folder, so the number of cells stays bounded by the area,
// not by the number of files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "analysis/file_kinds.h"
#include "analysis/size_tree.h"

namespace zuruza {

struct MapRect {
  double x = 0;
  double y = 0;
  double width = 0;
  double height = 0;
  double Area() const { return width * height; }
  bool Contains(double px, double py) const {
    return px >= x && py >= y && px < x + width && py < y + height;
  }
};

enum class CellKind : std::uint8_t {
  kFolder,
  kFile,
  kMerged,  // the items of a folder too small to draw one by one
};

struct MapCell {
  MapRect rect;
  SizeTree::Index node = SizeTree::kNone;  // a merged cell: the folder its items are in
  std::uint64_t size = 0;                  // a merged cell: its items' total
  std::uint32_t end = 0;                   // one past the last cell inside this one
  std::uint32_t merged = 0;                // a merged cell: how many items
  std::uint16_t depth = 0;                 // 0 for the folder shown
  CellKind kind = CellKind::kFile;
  FileFamily family = FileFamily::kOther;
};

struct MapOptions {
  // An item whose area would be below min_cell squared is merged.
  double min_cell = 3;
  // A folder's frame on each side, and the strip above its contents for its
  // name where the folder is tall enough to spare it.
  double frame = 1;
  double header = 0;
};

// The cells of `folder`'s subtree laid out in `bounds`, a folder before
// what it holds (so a later cell lies on top of an earlier one). Items of
// no size get no cell.
std::vector<MapCell> LayOutTreemap(const SizeTree& tree, SizeTree::Index folder, MapRect bounds,
                                   const MapOptions& options = {});

// The innermost cell at a point, or -1 when the point is outside them all.
std::ptrdiff_t CellAt(const std::vector<MapCell>& cells, double x, double y);

// The cell that shows `node`: its own, else the one of the nearest folder
// above it that has one (a merged item shows in its folder). -1 if none.
std::ptrdiff_t CellOf(const std::vector<MapCell>& cells, const SizeTree& tree,
                      SizeTree::Index node);

// The largest items directly in `folder`, largest first (ties in name
// order), one line each: the name, then its size in grouped digits.
std::vector<std::string> LargestItems(const SizeTree& tree, SizeTree::Index folder,
                                      std::size_t count = 10);

}  // namespace zuruza
