#include "text/edit_sort.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "base/errors.h"
#include "platform/file.h"
#include "text/edit_files.h"

namespace zuruza {

namespace {

constexpr std::array<unsigned char, 256> MakeUpperTable() {
  std::array<unsigned char, 256> table{};
  for (int i = 0; i < 256; ++i)
    table[i] = static_cast<unsigned char>(i >= 'a' && i <= 'z' ? i - 32 : i);
  return table;
}
constexpr std::array<unsigned char, 256> kUpper = MakeUpperTable();

// Folded comparison from `from` on; the bytes before it are known equal.
int CompareFoldedFrom(std::string_view a, std::string_view b, std::size_t from) {
  const std::size_t common = std::min(a.size(), b.size());
  const auto* pa = reinterpret_cast<const unsigned char*>(a.data());
  const auto* pb = reinterpret_cast<const unsigned char*>(b.data());
  std::size_t i = from;
  while (i < common) {
    // Runs of identical bytes are skipped eight at a time.
    if (i + 8 <= common && std::memcmp(pa + i, pb + i, 8) == 0) {
      i += 8;
      continue;
    }
    const unsigned ca = kUpper[pa[i]], cb = kUpper[pb[i]];
    if (ca != cb) return ca < cb ? -1 : 1;
    ++i;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

// The key's first eight bytes, big-endian, zero-padded: unequal prefixes
// order two keys as their full comparison would (a zero pad only ever meets
// a real byte of a longer key that the shorter one is a prefix of).
std::uint64_t KeyPrefix(std::string_view line) {
  std::uint64_t prefix = 0;
  const std::size_t n = std::min<std::size_t>(line.size(), 8);
  for (std::size_t i = 0; i < n; ++i) {
    prefix |= std::uint64_t{kUpper[static_cast<unsigned char>(line[i])]} << (56 - 8 * i);
  }
  return prefix;
}

struct Entry {
  std::uint64_t prefix;
  std::uint64_t offset;
  std::uint64_t length;
};

// Sorts the lines of `text` (whole lines, the last one may lack its end)
// and hands each, in order, to `emit`.
template <typename Emit>
void SortText(std::string_view text, std::uint64_t line_count, Emit&& emit) {
  std::vector<Entry> entries;
  entries.reserve(static_cast<std::size_t>(line_count));
  std::string_view rest = text, line;
  while (NextLine(rest, line)) {
    entries.push_back(
        {KeyPrefix(line), static_cast<std::uint64_t>(line.data() - text.data()), line.size()});
  }
  const char* base = text.data();
  std::stable_sort(entries.begin(), entries.end(), [base](const Entry& a, const Entry& b) {
    if (a.prefix != b.prefix) return a.prefix < b.prefix;
    const std::string_view la(base + a.offset, a.length), lb(base + b.offset, b.length);
    return CompareFoldedFrom(la, lb, std::min<std::size_t>({8, la.size(), lb.size()})) < 0;
  });
  for (const Entry& entry : entries) emit(std::string_view(base + entry.offset, entry.length));
}

// The scratch files of one sort, removed with it.
class ScratchFiles {
 public:
  explicit ScratchFiles(std::string dir) : dir_(std::move(dir)) {}
  ~ScratchFiles() {
    for (const std::string& path : paths_) RemoveFile(path);
  }
  ScratchFiles(const ScratchFiles&) = delete;
  ScratchFiles& operator=(const ScratchFiles&) = delete;

  // A new empty file of a name nobody else uses.
  std::string Create() {
    std::string name = CreateScratchFile(dir_ + "/.zuruza-orden-");
    paths_.push_back(name);
    return name;
  }
  void Remove(const std::string& path) {
    RemoveFile(path);
    paths_.erase(std::find(paths_.begin(), paths_.end(), path));
  }

 private:
  std::string dir_;
  std::vector<std::string> paths_;
};

// Merges sorted runs, in run order on equal keys, into `output`.
void MergeRuns(const std::vector<std::string>& runs, TextWriter& output) {
  std::vector<std::unique_ptr<TextReader>> readers;
  std::vector<std::string> heads(runs.size());
  std::vector<bool> live(runs.size());
  for (std::size_t i = 0; i < runs.size(); ++i) {
    readers.push_back(std::make_unique<TextReader>(runs[i], 64 * 1024));
    live[i] = readers[i]->ReadLine(heads[i]);
  }
  for (;;) {
    std::size_t best = runs.size();
    for (std::size_t i = 0; i < runs.size(); ++i) {
      if (live[i] && (best == runs.size() || CompareSortKeys(heads[i], heads[best]) < 0)) best = i;
    }
    if (best == runs.size()) return;
    output.WriteLine(heads[best]);
    live[best] = readers[best]->ReadLine(heads[best]);
  }
}

// The external sort: chunks of the budget sorted into runs, merged in
// passes of at most kMergeFanIn runs.
void SortInRuns(TextReader& input, TextWriter& output, const SortOptions& options) {
  ScratchFiles scratch(options.scratch_dir);
  std::vector<std::string> runs;
  std::string chunk;
  std::uint64_t chunk_lines = 0;
  auto flush_chunk = [&] {
    const std::string path = scratch.Create();
    TextWriter run(path, TextWriter::Mode::kReplace);
    SortText(chunk, chunk_lines, [&](std::string_view line) { run.WriteLine(line); });
    run.Close();
    runs.push_back(path);
    chunk.clear();
    chunk_lines = 0;
  };
  input.Rewind();
  std::string_view block, line;
  while (input.ReadBlock(block)) {
    while (NextLine(block, line)) {
      // Each line is kept with a CR LF end, so a chunk holds whole lines.
      chunk.append(line).append("\r\n");
      ++chunk_lines;
      if (chunk.size() >= options.memory_budget) flush_chunk();
    }
  }
  if (!chunk.empty()) flush_chunk();
  std::string().swap(chunk);

  while (runs.size() > kMergeFanIn) {
    std::vector<std::string> merged;
    for (std::size_t first = 0; first < runs.size(); first += kMergeFanIn) {
      const std::vector<std::string> group(
          runs.begin() + static_cast<std::ptrdiff_t>(first),
          runs.begin() + static_cast<std::ptrdiff_t>(std::min(first + kMergeFanIn, runs.size())));
      const std::string path = scratch.Create();
      TextWriter run(path, TextWriter::Mode::kReplace);
      MergeRuns(group, run);
      run.Close();
      for (const std::string& old : group) scratch.Remove(old);
      merged.push_back(path);
    }
    runs.swap(merged);
  }
  MergeRuns(runs, output);
}

}  // namespace

int CompareSortKeys(std::string_view a, std::string_view b) { return CompareFoldedFrom(a, b, 0); }

SortResult SortLines(TextReader& input, TextWriter& output, const SortOptions& options) {
  // One reading counts the lines and, while the bytes fit the budget, keeps
  // them; a file over the line limit is refused as soon as that is known.
  std::string text;
  text.reserve(
      static_cast<std::size_t>(std::min<std::uint64_t>(options.size_hint, options.memory_budget)));
  bool in_memory = true;
  LineCounter counter;
  std::string_view block;
  while (input.ReadBlock(block)) {
    counter.Add(block);
    if (counter.Total() > kSortLineLimit) return SortResult::kTooManyLines;
    if (!in_memory) continue;
    if (text.size() + block.size() > options.memory_budget) {
      in_memory = false;
      std::string().swap(text);
    } else {
      text.append(block);
    }
  }
  if (counter.Total() == 0) return SortResult::kSorted;
  if (in_memory) {
    SortText(text, counter.Total(), [&](std::string_view line) { output.WriteLine(line); });
  } else {
    SortInRuns(input, output, options);
  }
  return SortResult::kSorted;
}

}  // namespace zuruza
