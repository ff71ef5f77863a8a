// The backup copier: the first copy of the 200,000-file tree into an empty
// destination against rsync -a TREE/ DST/, and a second, no-op run against
// rsync -a --update TREE/ DST/ on the same unchanged pair.
// Usage: backup_bench [TREE_DIR] (default ./bench-data/tree).
#include <cstdio>

#include "bench/bench_util.h"
#include "core/prompter.h"
#include "navigation/backup.h"

using namespace zuruza;

namespace {
// Seconds of one run after `prepare`; the best of two.
double Timed(const std::function<void()>& prepare, const std::function<void()>& body) {
  return bench::BestAfter(2, prepare, body);
}
}  // namespace

int main(int argc, char** argv) {
  bench::ThreadsFromEnvironment();
  std::string root = bench::EnsureTree(argc > 1 ? argv[1] : "bench-data/tree");
  bench::CountingSink sink;
  bench::SilentPrompter prompter;
  BackupCopier copier(sink, prompter);
  const std::string ours_dst = "bench-data/backup-ours", theirs_dst = "bench-data/backup-rsync";
  auto ours_run = [&] { copier.RunBackupJob({root, ours_dst, "", true}); };
  auto rsync_run = [&] { bench::Shell("rsync -a '" + root + "/' '" + theirs_dst + "/'"); };

  double first = Timed([&] { bench::Shell("rm -rf " + ours_dst + " && sync"); }, ours_run);
  std::printf("copied %d files\n", copier.files_copied());
  double rsync_first = Timed([&] { bench::Shell("rm -rf " + theirs_dst + " && sync"); }, rsync_run);
  bench::PrintRatio("backup, first copy", first, rsync_first, "rsync -a", 1.3);

  double noop = bench::BestOf(3, ours_run);
  std::printf("second run copied %d files\n", copier.files_copied());
  double rsync_noop = bench::BestOf(
      3, [&] { bench::Shell("rsync -a --update '" + root + "/' '" + theirs_dst + "/'"); });
  bench::PrintWalkRatios("backup, nothing to copy", noop, bench::OneThreadWalk(3, ours_run),
                         rsync_noop, "rsync -a --update", 0.6);
  bench::Shell("rm -rf " + ours_dst + " " + theirs_dst);
  return 0;
}
