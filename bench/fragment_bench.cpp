// The splitter and joiner on a 1 GiB file: splitting into fragments of
// 2000000 bytes against split -b 2000000, and joining them back against cat
// of the pieces. The source is made once and kept; the pieces are removed.
// Usage: fragment_bench [DATA_DIR] (default ./bench-data).
#include <cstdio>
#include <filesystem>

#include "bench/bench_util.h"
#include "core/prompter.h"
#include "transform/fragment.h"

using namespace zuruza;

namespace {
// Seconds of one run after `prepare`; the best of three.
double Timed(const std::function<void()>& prepare, const std::function<void()>& body) {
  return bench::BestAfter(3, prepare, body);
}
}  // namespace

int main(int argc, char** argv) {
  const std::string data = argc > 1 ? argv[1] : "bench-data";
  const std::string source = data + "/fragment-1g.bin";
  std::error_code error;
  if (std::filesystem::file_size(source, error) != (1ULL << 30) || error) {
    std::fprintf(stderr, "making %s ...\n", source.c_str());
    bench::Shell("mkdir -p '" + data + "' && head -c 1G /dev/urandom > '" + source + "'");
  }
  const std::string ours = data + "/fragment-ours", theirs = data + "/fragment-split";
  bench::CountingSink sink;
  bench::SilentPrompter prompter(true);
  Fragmenter fragmenter(sink, prompter);

  auto fresh = [](const std::string& dir) {
    return [dir] { bench::Shell("rm -rf '" + dir + "' && mkdir -p '" + dir + "' && sync"); };
  };
  std::int64_t fragments = 0;
  const double split_ours = Timed(fresh(ours), [&] {
    fragments = fragmenter.SplitFile({source, ours, "2000000"});
  });
  const double split_theirs = Timed(fresh(theirs), [&] {
    bench::Shell("split -b 2000000 '" + source + "' '" + theirs + "/x.'");
  });
  std::printf("%lld fragments\n", static_cast<long long>(fragments));
  bench::PrintRatio("split, 2000000-byte pieces", split_ours, split_theirs, "split -b", 1.3);

  const std::string joined_ours = ours + "/joined", joined_theirs = theirs + "/joined";
  auto remove = [](const std::string& file) {
    return [file] { bench::Shell("rm -f '" + file + "' && sync"); };
  };
  const double join_ours = Timed(remove(joined_ours), [&] {
    fragmenter.JoinFragments({ours + "/fragment-1g.001", joined_ours});
  });
  const double join_theirs = Timed(remove(joined_theirs), [&] {
    bench::Shell("cat '" + theirs + "'/x.* > '" + joined_theirs + "'");
  });
  bench::PrintRatio("join", join_ours, join_theirs, "cat", 1.3);
  bench::Shell("cmp -s '" + source + "' '" + joined_ours + "'");

  bench::Shell("rm -rf '" + ours + "' '" + theirs + "'");
  return 0;
}
