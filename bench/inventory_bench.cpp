// The disk inventory: indexing the 200,000-file tree into a listing against
// find TREE -type f -printf '%s %TY %p\n', and "Buscar un Fichero" over a
// listing of about 1,000,000 lines for a text in about 1% of them against
// grep -i -F -c TEXT LISTING. Prints the ratios and the peak memory.
// Usage: inventory_bench [TREE_DIR] (default ./bench-data/tree).
#include <cstdio>

#include "bench/bench_util.h"
#include "core/dates.h"
#include "core/text_file.h"
#include "platform/testing/process_settings.h"
#include "search/busca.h"
#include "search/inventario.h"

using namespace zuruza;

namespace {

long PeakMegabytes() { return static_cast<long>(testing::PeakMemoryBytes() / (1024 * 1024)); }

}  // namespace

int main(int argc, char** argv) {
  bench::ThreadsFromEnvironment();
  std::string root = bench::EnsureTree(argc > 1 ? argv[1] : "bench-data/tree");
  const std::string listing = "bench-data/listing.txt";
  bench::CountingSink sink;
  bench::SilentPrompter prompter;

  auto index_disk = [&] {
    std::remove(listing.c_str());
    FileSearch search(sink, prompter, LocaleFormats{});
    search.SetIndexMode(true);
    SearchRequest request;
    request.drive_root = "/";
    request.directory = root;
    request.write_report = true;
    request.report_path = listing;
    search.RunSearch(request);
  };
  double index = bench::BestOf(3, index_disk);
  double find = bench::BestOf(3, [&] {
    bench::Shell("find '" + root + "' -type f -printf '%s %TY %p\\n' > bench-data/find-index.txt");
  });
  bench::PrintWalkRatios("index a disk", index, bench::OneThreadWalk(3, index_disk), find, "find",
                         0.5);

  // Five blocks of the same disk: about a million lines.
  const std::string big = "bench-data/listing-1m.txt";
  bench::Shell("cat " + listing + " " + listing + " " + listing + " " + listing + " " + listing +
               " > " + big);
  const std::string text = "_1_19";  // one file in ten of one directory in about eighteen
  long before = PeakMegabytes();
  int matches = 0;
  double ours = bench::BestOf(3, [&] {
    ResultsFile results = CreateResultsFile({"bench-data/results.txt"});
    ListingSearchRequest request{text, "", "01/01/1990", ""};
    matches =
        SearchIndexedDisks(big, request, results, sink, LocaleFormats{}, 2026, 500000).matches;
  });
  // Into a file: GNU grep stops at the first match when its output is
  // /dev/null, even when counting.
  double grep = bench::BestOf(3, [&] {
    bench::Shell("grep -i -F -c '" + text + "' " + big + " > bench-data/grep-count.txt");
  });
  std::printf("listing search found %d lines\n", matches);
  bench::PrintRatio("search a listing", ours, grep, "grep", 3.0);
  std::printf("peak memory %ld MB before the listing search, %ld MB after (listing streamed)\n",
              before, PeakMegabytes());
  return 0;
}
