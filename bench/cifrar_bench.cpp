// The file cipher: enciphering a 1 GiB file in place (through its companion,
// flushed to the disk and renamed over it) against cp of the same file, and
// against cp followed by sync of the copy, which is what the cipher's flush
// amounts to. Speeds in MB/s; the target is at least half of cp's speed.
// Usage: cifrar_bench [SOURCE] (default ./bench-data/cifrar-1g.bin, made
// once from /dev/urandom and kept).
#include <cstdio>
#include <filesystem>

#include "bench/bench_util.h"
#include "core/prompter.h"
#include "transform/cifrar.h"

using namespace zuruza;

namespace {
double MegabytesPerSecond(double bytes, double seconds) { return bytes / 1e6 / seconds; }
}  // namespace

int main(int argc, char** argv) {
  const std::string source = argc > 1 ? argv[1] : "bench-data/cifrar-1g.bin";
  std::error_code error;
  if (!std::filesystem::exists(source, error)) {
    std::fprintf(stderr, "creating %s (1 GiB of random bytes) ...\n", source.c_str());
    bench::Shell("mkdir -p \"$(dirname '" + source + "')\" && head -c 1G /dev/urandom > '" +
                 source + "'");
  }
  const std::uintmax_t size = std::filesystem::file_size(source, error);
  const double bytes = error ? 0.0 : static_cast<double>(size);
  const std::string work = source + ".cifrado";
  const std::string copy = source + ".copia";

  bench::CountingSink sink;
  bench::SilentPrompter prompter;
  FileCipher cipher(sink, prompter);
  bench::Shell("cp '" + source + "' '" + work + "' && sync '" + work + "'");
  // Each run enciphers the previous result again: the same work every time.
  const double ours = bench::BestOf(
      3, [&] { cipher.CipherFile(work, CipherDirection::kEncipher, "clave de prueba"); });
  const double cp = bench::BestOf(3, [&] { bench::Shell("cp '" + source + "' '" + copy + "'"); });
  const double cp_sync = bench::BestOf(
      3, [&] { bench::Shell("cp '" + source + "' '" + copy + "' && sync '" + copy + "'"); });
  bench::Shell("rm -f '" + work + "' '" + copy + "'");

  std::printf("file of %.0f MB\n", bytes / 1e6);
  std::printf("cipher (flushed)  %8.1f MB/s\n", MegabytesPerSecond(bytes, ours));
  std::printf("cp                %8.1f MB/s  -> cipher at %.0f%% of cp (target >= 50%%)\n",
              MegabytesPerSecond(bytes, cp), 100.0 * cp / ours);
  std::printf("cp && sync        %8.1f MB/s  -> cipher at %.0f%% of cp && sync\n",
              MegabytesPerSecond(bytes, cp_sync), 100.0 * cp_sync / ours);
  bench::PrintRatio("cipher 1 GiB vs cp", ours, cp, "cp", 2.0);
  bench::PrintRatio("cipher 1 GiB vs cp && sync", ours, cp_sync, "cp && sync", 2.0);
  return 0;
}
