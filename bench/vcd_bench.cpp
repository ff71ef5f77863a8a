// The change-directory tool: rebuilding the tree list of the 200,000-file
// tree (walk and cache write) against find TREE -type d, a forward search
// step over a 200,000-entry list, and the window taking such a list from its
// cache.
// Usage: vcd_bench [TREE_DIR] (default ./bench-data/tree).
#include <QApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "bench/bench_util.h"
#include "navigation/vcd.h"
#include "navigation/vcd_window.h"
#include "platform/fs.h"

using namespace zuruza;

namespace {

constexpr int kListSize = 200000;

// Paths shaped like a real disk: a few levels of ordinary names.
std::vector<std::string> SyntheticList() {
  std::vector<std::string> entries;
  entries.reserve(kListSize);
  for (int i = 0; i < kListSize; ++i) {
    entries.push_back("/home/usuario/proyectos/grupo" + std::to_string(i % 100) + "/parte" +
                      std::to_string((i / 100) % 20) + "/carpeta_" + std::to_string(i));
  }
  return entries;
}

double Milliseconds(const std::function<void()>& body) { return bench::BestOf(20, body) * 1000.0; }

}  // namespace

int main(int argc, char** argv) {
  bench::ThreadsFromEnvironment();
  std::string root = bench::EnsureTree(argc > 1 ? argv[1] : "bench-data/tree");
  if (root.front() != kPathSep) root = CurrentDirectory() + root;
  // The cache goes beside the benchmark data, not into the user's own.
  const std::string cache = CurrentDirectory() + "bench-data/vcd-cache";
  setenv("XDG_CACHE_HOME", cache.c_str(), 1);

  bench::CountingSink sink;
  DirectoryTree tree(sink);
  auto rebuild = [&] {
    tree.BuildTree(root);
    tree.SaveTreeCache(root);
  };
  double ours = bench::BestOf(3, rebuild);
  std::printf("listed %zu directories\n", tree.size());
  double theirs =
      bench::BestOf(3, [&] { bench::Shell("find '" + root + "' -type d > /dev/null"); });
  bench::PrintWalkRatios("vcd, rebuild tree + cache", ours, bench::OneThreadWalk(3, rebuild),
                         theirs, "find -type d", 0.5);

  DirectoryTree list(sink);
  list.SetEntries(SyntheticList());
  std::ptrdiff_t found = 0;
  // The only match is the selected entry: the step examines every other one.
  double last = Milliseconds([&] { found = list.FindNextMatch("carpeta_0", 0); });
  std::printf("%-28s %.3f ms over %d entries, found %td (target < 20 ms) %s\n",
              "vcd, forward step, worst", last, kListSize, found, last < 20 ? "OK" : "SLOWER");
  double none = Milliseconds([&] { found = list.FindNextMatch("no-esta", 100); });
  std::printf("%-28s %.3f ms over %d entries, found %td (target < 20 ms) %s\n",
              "vcd, forward step, none", none, kListSize, found, none < 20 ? "OK" : "SLOWER");
  double back =
      Milliseconds([&] { found = list.FindPreviousMatch("carpeta_199999", kListSize - 1); });
  std::printf("%-28s %.3f ms over %d entries, found %td\n", "vcd, backward step, worst", back,
              kListSize, found);

  // The window filling its list from a 200,000-entry cache.
  const std::string synthetic_drive = "/vcd-bench-synthetic";
  list.SaveTreeCache(synthetic_drive);
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  Tform_vcd window;
  double fill = Milliseconds([&] { window.SetDriveForTesting(synthetic_drive); });
  std::printf("%-28s %.1f ms for %d entries\n", "vcd window, cache to list", fill,
              window.ListBox1->count());
  auto start = std::chrono::steady_clock::now();
  window.VerArbol1->trigger();
  window.show();
  QApplication::processEvents();
  std::chrono::duration<double, std::milli> shown = std::chrono::steady_clock::now() - start;
  std::printf("%-28s %.1f ms\n", "vcd window, list shown", shown.count());
  bench::Shell("rm -rf '" + cache + "'");
  return 0;
}
