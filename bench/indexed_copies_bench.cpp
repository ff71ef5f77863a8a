// "¿Ya está en un disco indexado?" over the 200,000-file tree against a
// listing of about 1,000,000 lines (the tree indexed, five times over),
// against the plain name-and-size duplicate search of the same tree: both
// walk the tree and look every file up by name and size; ours reads the
// listing first. Also prints the time to read the listing alone and the
// peak memory.
// Usage: indexed_copies_bench [TREE_DIR] (default ./bench-data/tree).
#include <cstdio>

#include "analysis/indexed_copies.h"
#include "analysis/repes.h"
#include "bench/bench_util.h"
#include "core/dates.h"
#include "platform/testing/process_settings.h"
#include "search/busca.h"

using namespace zuruza;

namespace {

long PeakMegabytes() { return static_cast<long>(testing::PeakMemoryBytes() / (1024 * 1024)); }

}  // namespace

int main(int argc, char** argv) {
  bench::ThreadsFromEnvironment();
  std::string root = bench::EnsureTree(argc > 1 ? argv[1] : "bench-data/tree");
  const std::string listing = "bench-data/copies-listing.txt";
  const std::string big = "bench-data/copies-listing-1m.txt";
  bench::CountingSink sink;
  bench::SilentPrompter prompter;

  std::remove(listing.c_str());
  {
    FileSearch search(sink, prompter, LocaleFormats{});
    search.SetIndexMode(true);
    SearchRequest request;
    request.drive_root = "/";
    request.directory = root;
    request.write_report = true;
    request.report_path = listing;
    search.RunSearch(request);
  }
  // Five disks holding the same files: about a million lines.
  bench::Shell("cat " + listing + " " + listing + " " + listing + " " + listing + " " + listing +
               " > " + big);

  long before = PeakMegabytes();
  IndexedCopyFinder finder(sink, LocaleFormats{});
  // An empty tree: the time is that of reading the listing.
  bench::Shell("mkdir -p bench-data/empty");
  double load = bench::BestOf(3, [&] {
    finder.Run({"bench-data/empty", big, false, "", false, ""});
  });
  auto look_up = [&] { finder.Run({root, big, false, "", false, ""}); };
  double ours = bench::BestOf(3, look_up);
  std::printf("examined %lld files, %lld kept on indexed disks; listing read in %.3f s\n",
              static_cast<long long>(finder.files_examined()),
              static_cast<long long>(finder.files_found()), load);

  DuplicateFinder duplicates(sink, prompter, LocaleFormats{});
  const DuplicateRequest plain{root, false, "", false, false, "", true};
  double name_and_size = bench::BestOf(3, [&] { duplicates.RunDuplicateSearch(plain); });
  bench::PrintRatio("inventory look-up", ours, name_and_size, "name-and-size", 1.5);
  std::printf("peak memory %ld MB before the look-up, %ld MB after\n", before, PeakMegabytes());
  return 0;
}
