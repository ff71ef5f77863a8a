// The batch command "/BUSCA" over the tree of 200,000 files, run as a
// process without a display (as cron runs it), against the same job called
// in this process; and a batch search of an empty folder, against find.
// Usage: batch_bench [TREE_DIR] (default ./bench-data/tree); run from the
// folder that holds the zuruza program's build.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/bench_util.h"
#include "shell/batch_job.h"

using namespace zuruza;

int main(int argc, char** argv) {
  const std::string root = bench::EnsureTree(argc > 1 ? argv[1] : "bench-data/tree");
  const std::string program =
      std::string(argv[0]).substr(0, std::string(argv[0]).rfind('/') + 1) + "zuruza";
  const std::string out = "bench-data/batch-report.txt";
  const auto silent = [](std::string_view) {};

  double in_process = bench::BestOf(3, [&] {
    RunHeadlessBatch({"/BUSCA", root, "", "0", out}, silent);
  });
  double batch = bench::BestOf(3, [&] {
    bench::Shell("env -u DISPLAY -u WAYLAND_DISPLAY '" + program + "' /BUSCA '" + root + "' '' 0 " +
                 out);
  });
  bench::PrintRatio("batch search (process vs in-process job)", batch, in_process, "the job", 1.2);

  bench::Shell("mkdir -p bench-data/empty");
  double empty = bench::BestOf(5, [&] {
    bench::Shell("env -u DISPLAY -u WAYLAND_DISPLAY '" + program +
                 "' /BUSCA bench-data/empty x 0 bench-data/empty-report.txt");
  });
  double find = bench::BestOf(5, [&] { bench::Shell("find bench-data/empty > /dev/null"); });
  std::printf("batch search of an empty folder: %.3f s\n", empty);
  bench::PrintRatio("batch search, empty folder", empty, find, "find", 10);
  return 0;
}
