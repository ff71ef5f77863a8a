#include "analysis/treemap_layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "analysis/file_kinds.h"

namespace zuruza {
namespace {

using Files = std::vector<std::pair<std::string, std::uint64_t>>;

// A size tree from paths below a root: "a/b/f" makes the folders a and a/b.
SizeTree MakeTree(const Files& files) {
  SizeTree tree;
  std::map<std::string, SizeTree::Index> folders = {{"", tree.AddRoot("/raiz/")}};
  std::vector<SizeTree::Index> opened;
  for (const auto& [path, size] : files) {
    std::string parent;
    for (std::size_t slash = path.find('/'); slash != std::string::npos;
         slash = path.find('/', slash + 1)) {
      const std::string folder = path.substr(0, slash);
      if (folders.count(folder) == 0) {
        const std::string name = folder.substr(parent.empty() ? 0 : parent.size() + 1);
        folders[folder] = tree.AddFolder(folders[parent], name, -1);
        opened.push_back(folders[folder]);
      }
      parent = folder;
    }
    tree.AddFile(folders[parent], path.substr(parent.empty() ? 0 : parent.size() + 1), size);
  }
  // Deepest first: a folder is closed after everything below it.
  for (auto it = opened.rbegin(); it != opened.rend(); ++it) tree.CloseFolder(*it);
  return tree;
}

bool Inside(const MapRect& inner, const MapRect& outer) {
  constexpr double kSlack = 1e-6;
  return inner.x >= outer.x - kSlack && inner.y >= outer.y - kSlack &&
         inner.x + inner.width <= outer.x + outer.width + kSlack &&
         inner.y + inner.height <= outer.y + outer.height + kSlack;
}

bool Overlap(const MapRect& a, const MapRect& b) {
  constexpr double kSlack = 1e-6;
  return a.x + kSlack < b.x + b.width && b.x + kSlack < a.x + a.width &&
         a.y + kSlack < b.y + b.height && b.y + kSlack < a.y + a.height;
}

Files RandomFiles(unsigned seed, int count) {
  std::mt19937 random(seed);
  Files files;
  for (int i = 0; i < count; ++i) {
    std::string path;
    for (unsigned depth = random() % 4; depth > 0; --depth)
      path += "d" + std::to_string(random() % 3) + "/";
    files.emplace_back(path + "f" + std::to_string(i) + ".jpg", 1 + random() % 10000);
  }
  return files;
}

TEST(Treemap, AreasAreProportionalToSizesAndCellsNestWithoutOverlap) {
  for (unsigned seed : {1u, 2u, 3u}) {
    const SizeTree tree = MakeTree(RandomFiles(seed, 300));
    const MapRect bounds{0, 0, 800, 600};
    // No frames and no merging: every file's area is its share of the whole.
    MapOptions exact;
    exact.frame = 0;
    exact.min_cell = 0;
    const double scale = bounds.Area() / static_cast<double>(tree.Size(tree.root()));
    int files = 0;
    for (const MapCell& cell : LayOutTreemap(tree, tree.root(), bounds, exact)) {
      if (cell.kind != CellKind::kFile) continue;
      ++files;
      EXPECT_NEAR(cell.rect.Area(), static_cast<double>(cell.size) * scale, 1.0);
      EXPECT_EQ(cell.family, FileFamily::kImage);
    }
    EXPECT_EQ(files, 300);

    // With frames and headers: each cell lies in its folder's cell, beside its
    // siblings, and the rows add up to the room inside the folder.
    MapOptions framed;
    framed.header = 10;
    const std::vector<MapCell> cells = LayOutTreemap(tree, tree.root(), bounds, framed);
    for (std::size_t i = 0; i < cells.size(); ++i) {
      ASSERT_GT(cells[i].end, i);
      for (std::size_t j = i + 1; j < cells[i].end; ++j) {
        ASSERT_TRUE(Inside(cells[j].rect, cells[i].rect)) << i << " " << j;
      }
      for (std::size_t j = cells[i].end; j < cells.size() && cells[j].depth >= cells[i].depth;
           j = cells[j].end) {
        if (cells[j].depth == cells[i].depth) {
          ASSERT_FALSE(Overlap(cells[i].rect, cells[j].rect)) << i << " " << j;
        }
      }
      const double x = cells[i].rect.x + cells[i].rect.width / 2;
      const double y = cells[i].rect.y + cells[i].rect.height / 2;
      if (cells[i].kind != CellKind::kFolder) {
        EXPECT_EQ(CellAt(cells, x, y), static_cast<std::ptrdiff_t>(i));
      }
    }
    EXPECT_EQ(CellAt(cells, -1, 5), -1);
    EXPECT_EQ(CellAt(cells, 800, 5), -1);
  }
}

TEST(Treemap, CellsAreKeptNearlySquare) {
  Files files;
  for (int i = 0; i < 100; ++i) files.emplace_back("f" + std::to_string(i), 1000);
  const SizeTree tree = MakeTree(files);
  MapOptions options;
  options.frame = 0;
  for (const MapCell& cell : LayOutTreemap(tree, tree.root(), {0, 0, 400, 300}, options)) {
    const double ratio =
        std::max(cell.rect.width, cell.rect.height) / std::min(cell.rect.width, cell.rect.height);
    EXPECT_LT(ratio, 2.0) << cell.rect.width << "x" << cell.rect.height;
  }
}

TEST(Treemap, ItemsTooSmallToSeeAreMergedIntoOneCellOfTheirFolder) {
  Files files = {{"big/grande.mkv", 10'000'000}};
  for (int i = 0; i < 10000; ++i) files.emplace_back("big/p" + std::to_string(i), 10);
  const SizeTree tree = MakeTree(files);
  MapOptions options;
  options.frame = 0;
  const std::vector<MapCell> cells = LayOutTreemap(tree, tree.root(), {0, 0, 400, 300}, options);
  ASSERT_EQ(cells.size(), 4u);  // root, big, grande.mkv, the rest
  const MapCell& rest = cells[3];
  EXPECT_EQ(rest.kind, CellKind::kMerged);
  EXPECT_EQ(rest.merged, 10000u);
  EXPECT_EQ(rest.size, 100'000u);
  EXPECT_NEAR(rest.rect.Area(), 400.0 * 300 * 100'000 / 10'100'000, 1.0);
  EXPECT_EQ(cells[2].family, FileFamily::kVideo);
  // An item merged away shows in its folder's merged cell.
  SizeTree::Index small = tree.FirstChild(cells[1].node);
  EXPECT_EQ(CellOf(cells, tree, small), 3);
  EXPECT_EQ(CellOf(cells, tree, cells[2].node), 2);
}

TEST(Treemap, EmptyFilesAndFoldersTakeNoRoom) {
  const SizeTree empty = MakeTree({{"a/cero", 0}, {"vacio.txt", 0}});
  const std::vector<MapCell> alone = LayOutTreemap(empty, empty.root(), {0, 0, 100, 100});
  ASSERT_EQ(alone.size(), 1u);  // the root's frame only
  EXPECT_EQ(alone[0].size, 0u);

  const SizeTree some = MakeTree({{"a/cero", 0}, {"uno.txt", 1}, {"dos.txt", 0}});
  const std::vector<MapCell> cells = LayOutTreemap(some, some.root(), {0, 0, 100, 100});
  ASSERT_EQ(cells.size(), 2u);
  EXPECT_EQ(some.Name(cells[1].node), "uno.txt");
  for (const MapCell& cell : cells) EXPECT_TRUE(std::isfinite(cell.rect.Area()));
  EXPECT_TRUE(LayOutTreemap(some, some.root(), {0, 0, 0, 50}).empty());
}

TEST(Treemap, LargestItemsComeFirstEqualOnesByName) {
  const SizeTree tree = MakeTree({{"b", 5}, {"c/x", 1234567}, {"a", 5}, {"d", 0}, {"e", 7}});
  EXPECT_EQ(
      LargestItems(tree, tree.root()),
      (std::vector<std::string>{"c: 1.234.567 bytes", "e: 7 bytes", "a: 5 bytes", "b: 5 bytes"}));
  EXPECT_EQ(LargestItems(tree, tree.root(), 2).size(), 2u);
}

TEST(FileFamilies, AreToldByTheExtensionInAnyCase) {
  const std::pair<const char*, FileFamily> rows[] = {
      {"foto.JPG", FileFamily::kImage},     {"peli.mkv", FileFamily::kVideo},
      {"cancion.Mp3", FileFamily::kAudio},  {"copia.tar.gz", FileFamily::kArchive},
      {"carta.pdf", FileFamily::kDocument}, {"main.cpp", FileFamily::kCode},
      {".bashrc", FileFamily::kOther},      {"sin_extension", FileFamily::kOther},
      {"punto.", FileFamily::kOther},       {"raro.jpgx", FileFamily::kOther},
  };
  for (const auto& [name, family] : rows) EXPECT_EQ(FamilyOf(name), family) << name;
  EXPECT_EQ(FamilyCaption(FileFamily::kImage), "Imágenes");
}

}  // namespace
}  // namespace zuruza
