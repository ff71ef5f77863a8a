// The occupancy tree over the 200,000-file tree against du -b TREE, and the
// comparison of the tree with a copy where 1% of the files were removed or
// resized against rsync -rn --size-only --out-format='%n' TREE/ COPY/.
// Usage: disco_bench [TREE_DIR] (default ./bench-data/tree).
#include <cstdio>

#include "analysis/compara.h"
#include "analysis/disco.h"
#include "bench/bench_util.h"
#include "core/prompter.h"

using namespace zuruza;

int main(int argc, char** argv) {
  bench::ThreadsFromEnvironment();
  std::string root = bench::EnsureTree(argc > 1 ? argv[1] : "bench-data/tree");
  bench::CountingSink sink;
  bench::SilentPrompter prompter;

  DiskOccupancy occupancy(sink);
  auto occupy = [&] { occupancy.RunOccupancy({root, "99", false, ""}); };
  double ours = bench::BestOf(3, occupy);
  double du = bench::BestOf(3, [&] { bench::Shell("du -b '" + root + "' > /dev/null"); });
  std::printf("occupancy %.0f bytes in %d directories\n", occupancy.grand_total(),
              occupancy.directories_examined());
  bench::PrintWalkRatios("occupancy tree", ours, bench::OneThreadWalk(3, occupy), du, "du -b", 0.6);

  const std::string copy = "bench-data/tree-copy";
  bench::Shell("test -d " + copy + " || (cp -a '" + root + "' " + copy + " && find " + copy +
               " -name 'file_3_*' -path '*leaf1*' -delete"
               " && find " +
               copy + " -name 'file_4_*' -path '*leaf2*' -exec sh -c 'echo x >> \"$1\"' _ {} \\;)");
  TreeComparator comparator(sink, prompter);
  auto compare_trees = [&] { comparator.CompareTrees({root, copy, false, ""}); };
  double compare = bench::BestOf(3, compare_trees);
  std::printf("comparison found %d files different\n", comparator.files_different());
  double rsync = bench::BestOf(3, [&] {
    bench::Shell("rsync -rn --size-only --out-format='%n' '" + root + "/' " + copy +
                 "/ > /dev/null");
  });
  bench::PrintWalkRatios("comparison", compare, bench::OneThreadWalk(3, compare_trees), rsync,
                         "rsync -rn", 0.5);
  return 0;
}
