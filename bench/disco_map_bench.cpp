// The occupancy map of the 200,000-file tree: what keeping every size adds to
// the walk, plus laying out and drawing the map at 1280x1024, against the walk
// itself (target: at most a fifth of it), and a repaint of the drawn map
// (target: 30 ms).
// Usage: disco_map_bench [TREE_DIR] (default ./bench-data/tree).
#include <QApplication>
#include <algorithm>
#include <cstdio>

#include "analysis/disco.h"
#include "analysis/disco_map_window.h"
#include "bench/bench_util.h"

using namespace zuruza;

int main(int argc, char** argv) {
  bench::ThreadsFromEnvironment();
  const std::string root = bench::EnsureTree(argc > 1 ? argv[1] : "bench-data/tree");
  bench::CountingSink sink;
  DiskOccupancy plain(sink);
  DiskOccupancy keeping(sink);
  keeping.set_keep_sizes(true);
  const OccupancyRequest request{root, "99", false, ""};
  // Interleaved, best of each: on a busy machine the difference is small
  // beside the noise of one walk.
  double walk = 1e9;
  double walk_keeping = 1e9;
  for (int round = 0; round < 7; ++round) {
    walk = std::min(walk, bench::BestOf(0, [&] { plain.RunOccupancy(request); }));
    walk_keeping = std::min(walk_keeping, bench::BestOf(0, [&] { keeping.RunOccupancy(request); }));
  }
  std::printf("%-28s walk %.3f s, keeping %zu sizes %.3f s\n", "occupancy map, sizes", walk,
              keeping.sizes().size(), walk_keeping);

  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  OccupancyMap map;
  map.resize(1280, 1024);
  const double draw = bench::BestOf(3, [&] {
    map.SetSizes(&keeping.sizes());
    map.Picture();
  });
  std::printf("%-28s %zu cells laid out and drawn in %.3f s\n", "occupancy map, picture",
              map.Cells().size(), draw);
  bench::PrintRatio("occupancy map, build", std::max(0.0, walk_keeping - walk) + draw, walk, "walk",
                    0.2);

  // A repaint marks the selection too: the item the search for it meets last.
  map.Select(map.Cells().back().node);
  map.show();
  QApplication::processEvents();
  const double repaint = bench::BestOf(10, [&] { map.repaint(); }) * 1000;
  std::printf("%-28s %.1f ms at 1280x1024 (target <= 30 ms) %s\n", "occupancy map, repaint",
              repaint, repaint <= 30 ? "OK" : "SLOWER");
  return 0;
}
