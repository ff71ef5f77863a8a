#include "analysis/treemap_layout.h"

#include <algorithm>
#include <limits>

#include "core/numbers.h"
#include "core/text_rules.h"

namespace zuruza {
namespace {

struct Item {
  double area = 0;
  std::uint64_t size = 0;
  SizeTree::Index node = SizeTree::kNone;  // kNone: the folder's merged items
  std::uint32_t merged = 0;
};

// The children of a folder that take room, largest first; equal sizes in
// name order, so a layout never depends on the order of a directory read.
std::vector<SizeTree::Index> ChildrenBySize(const SizeTree& tree, SizeTree::Index folder) {
  std::vector<SizeTree::Index> children;
  for (SizeTree::Index child = tree.FirstChild(folder); child != SizeTree::kNone;
       child = tree.NextSibling(child)) {
    if (tree.Size(child) > 0) children.push_back(child);
  }
  std::sort(children.begin(), children.end(), [&](SizeTree::Index a, SizeTree::Index b) {
    if (tree.Size(a) != tree.Size(b)) return tree.Size(a) > tree.Size(b);
    return CompareBytes(tree.Name(a), tree.Name(b)) < 0;
  });
  return children;
}

// The worse aspect ratio of a row's largest and smallest items, the row
// laid along a side of length `side` and holding `sum` of area.
double WorstRatio(double largest, double smallest, double sum, double side) {
  const double side2 = side * side;
  const double sum2 = sum * sum;
  return std::max(side2 * largest / sum2, sum2 / (side2 * smallest));
}

class Layout {
 public:
  Layout(const SizeTree& tree, const MapOptions& options, std::vector<MapCell>& cells)
      : tree_(tree), options_(options), cells_(cells) {}

  void Folder(SizeTree::Index folder, const MapRect& rect, std::uint16_t depth) {
    const std::size_t index = cells_.size();
    MapCell& cell = cells_.emplace_back();
    cell.rect = rect;
    cell.node = folder;
    cell.size = tree_.Size(folder);
    cell.depth = depth;
    cell.kind = CellKind::kFolder;

    MapRect inner{rect.x + options_.frame, rect.y + options_.frame, rect.width - 2 * options_.frame,
                  rect.height - 2 * options_.frame};
    if (options_.header > 0 && inner.height >= 3 * options_.header) {
      inner.y += options_.header;
      inner.height -= options_.header;
    }
    if (inner.width >= options_.min_cell && inner.height >= options_.min_cell)
      Squarify(Items(folder, inner.Area()), inner, folder, depth + 1);
    cells_[index].end = static_cast<std::uint32_t>(cells_.size());
  }

 private:
  // The folder's items as areas of `room`; the ones too small to see come
  // together as one merged item, in its place by size.
  std::vector<Item> Items(SizeTree::Index folder, double room) const {
    const std::vector<SizeTree::Index> children = ChildrenBySize(tree_, folder);
    std::uint64_t total = 0;
    for (SizeTree::Index child : children) total += tree_.Size(child);
    std::vector<Item> items;
    if (total == 0) return items;
    const double scale = room / static_cast<double>(total);
    const double smallest = options_.min_cell * options_.min_cell;
    Item rest;
    for (SizeTree::Index child : children) {
      const double area = static_cast<double>(tree_.Size(child)) * scale;
      if (area >= smallest) {
        items.push_back({area, tree_.Size(child), child, 0});
      } else {
        rest.area += area;
        rest.size += tree_.Size(child);
        ++rest.merged;
      }
    }
    if (rest.merged > 0) {
      const auto place =
          std::upper_bound(items.begin(), items.end(), rest.area,
                           [](double area, const Item& item) { return area > item.area; });
      items.insert(place, rest);
    }
    return items;
  }

  // Rows of items along the shorter side of what is left, each row taking
  // items while that makes its cells squarer.
  void Squarify(const std::vector<Item>& items, MapRect free, SizeTree::Index folder,
                std::uint16_t depth) {
    std::size_t first = 0;
    while (first < items.size()) {
      const double side = std::min(free.width, free.height);
      if (side <= 0) return;
      std::size_t last = first;
      double sum = 0;
      double worst = std::numeric_limits<double>::infinity();
      while (last < items.size()) {
        const double next_sum = sum + items[last].area;
        const double ratio = WorstRatio(items[first].area, items[last].area, next_sum, side);
        if (last > first && ratio > worst) break;
        worst = ratio;
        sum = next_sum;
        ++last;
      }
      const double thickness = sum / side;
      const bool column = free.width >= free.height;
      double along = column ? free.y : free.x;
      for (std::size_t i = first; i < last; ++i) {
        const double length = items[i].area / thickness;
        const MapRect rect = column ? MapRect{free.x, along, thickness, length}
                                    : MapRect{along, free.y, length, thickness};
        Place(items[i], rect, folder, depth);
        along += length;
      }
      if (column) {
        free.x += thickness;
        free.width = std::max(0.0, free.width - thickness);
      } else {
        free.y += thickness;
        free.height = std::max(0.0, free.height - thickness);
      }
      first = last;
    }
  }

  void Place(const Item& item, const MapRect& rect, SizeTree::Index folder, std::uint16_t depth) {
    if (item.node != SizeTree::kNone && tree_.IsFolder(item.node))
      return Folder(item.node, rect, depth);
    MapCell& cell = cells_.emplace_back();
    cell.rect = rect;
    cell.size = item.size;
    cell.depth = depth;
    cell.end = static_cast<std::uint32_t>(cells_.size());
    if (item.node == SizeTree::kNone) {
      cell.node = folder;
      cell.kind = CellKind::kMerged;
      cell.merged = item.merged;
    } else {
      cell.node = item.node;
      cell.kind = CellKind::kFile;
      cell.family = FamilyOf(tree_.Name(item.node));
    }
  }

  const SizeTree& tree_;
  const MapOptions& options_;
  std::vector<MapCell>& cells_;
};

}  // namespace

std::vector<MapCell> LayOutTreemap(const SizeTree& tree, SizeTree::Index folder, MapRect bounds,
                                   const MapOptions& options) {
  std::vector<MapCell> cells;
  if (folder == SizeTree::kNone || folder >= tree.size() || bounds.width <= 0 || bounds.height <= 0)
    return cells;
  Layout(tree, options, cells).Folder(folder, bounds, 0);
  return cells;
}

std::ptrdiff_t CellAt(const std::vector<MapCell>& cells, double x, double y) {
  if (cells.empty() || !cells[0].rect.Contains(x, y)) return -1;
  std::size_t found = 0;
  std::size_t next = 1;
  while (next < cells[found].end) {
    if (cells[next].rect.Contains(x, y)) {
      found = next++;
    } else {
      next = cells[next].end;
    }
  }
  return static_cast<std::ptrdiff_t>(found);
}

std::ptrdiff_t CellOf(const std::vector<MapCell>& cells, const SizeTree& tree,
                      SizeTree::Index node) {
  const auto find = [&](SizeTree::Index wanted, bool merged) -> std::ptrdiff_t {
    for (std::size_t i = 0; i < cells.size(); ++i) {
      if (cells[i].node == wanted && (cells[i].kind == CellKind::kMerged) == merged)
        return static_cast<std::ptrdiff_t>(i);
    }
    return -1;
  };
  for (; node != SizeTree::kNone; node = tree.Parent(node)) {
    if (const std::ptrdiff_t own = find(node, false); own >= 0) return own;
    const SizeTree::Index parent = tree.Parent(node);
    if (parent == SizeTree::kNone) break;
    if (const std::ptrdiff_t merged = tree.Size(node) == 0 ? -1 : find(parent, true); merged >= 0)
      return merged;
  }
  return -1;
}

std::vector<std::string> LargestItems(const SizeTree& tree, SizeTree::Index folder,
                                      std::size_t count) {
  std::vector<std::string> lines;
  for (SizeTree::Index child : ChildrenBySize(tree, folder)) {
    if (lines.size() == count) break;
    lines.push_back(std::string(tree.Name(child)) + ": " + GroupedBytes(tree.Size(child)));
  }
  return lines;
}

}  // namespace zuruza
