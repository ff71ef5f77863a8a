// The column merger over two files of 100,000 lines against sort + join of
// the same files.
#include <cstdio>
#include <fstream>
#include <random>

#include "bench/bench_util.h"
#include "core/prompter.h"
#include "transform/mezcla.h"

using namespace zuruza;

int main() {
  bench::Shell("mkdir -p bench-data");
  std::mt19937 rng(7);
  {
    std::ofstream a("bench-data/merge-1.txt", std::ios::binary),
        b("bench-data/merge-2.txt", std::ios::binary);
    for (int i = 0; i < 100000; ++i) {
      a << "k" << rng() % 150000 << ";nombre" << i << ";dato" << rng() % 1000 << "\r\n";
      b << "k" << i << ";ciudad" << rng() % 5000 << ";" << rng() % 100 << "\r\n";
    }
  }
  bench::SilentPrompter prompter;
  ColumnMerger merger(prompter);
  MergeRequest request{"bench-data/merge-1.txt",
                       "bench-data/merge-2.txt",
                       "bench-data/merge-out.txt",
                       ";",
                       "1",
                       "1",
                       false};
  double ours = bench::BestOf(3, [&] { merger.RunMerge(request); });
  double theirs = bench::BestOf(3, [&] {
    bench::Shell(
        "cd bench-data && LC_ALL=C sort -t';' -k1,1 merge-1.txt > m1.s && LC_ALL=C sort -t';' "
        "-k1,1 -u merge-2.txt > m2.s"
        " && LC_ALL=C join -t';' -a1 m1.s m2.s > join-out.txt");
  });
  bench::PrintRatio("column merge", ours, theirs, "sort+join", 2.0);
  return 0;
}
