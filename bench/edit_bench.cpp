// The line editor's disk operations, headless, against the standard tools:
// the sort of a 500,000-line CR LF file of random words against
// LC_ALL=C sort -f -s, the removal of repeated lines of a 90,000-line file
// against awk '!seen[$0]++', and a line filter against grep -v -F.
// The sort's output is also compared byte for byte with sort's.
#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "bench/bench_util.h"
#include "core/prompter.h"
#include "text/edit.h"

using namespace zuruza;

namespace {

// Answers the file names and the operation's parameter.
struct Answers : Prompter {
  std::string input, output, parameter;
  void ShowMessage(std::string_view) override {}
  void ShowError(std::string_view text) override {
    std::fprintf(stderr, "error: %.*s\n", int(text.size()), text.data());
  }
  std::string InputBox(std::string_view caption, std::string_view, std::string_view) override {
    if (caption == "Fichero a Procesar") return input;
    if (caption == "Fichero a GENERAR") return output;
    return parameter;
  }
  bool AskOkCancel(std::string_view) override { return false; }
  std::optional<std::string> OpenFileDialog(std::string_view, std::string_view) override {
    return std::nullopt;
  }
  std::optional<std::string> SaveFileDialog(std::string_view, std::string_view,
                                            std::string_view) override {
    return std::nullopt;
  }
};

void MakeWords(const std::string& path, int lines, int vocabulary, unsigned seed) {
  std::mt19937 rng(seed);
  std::vector<std::string> words;
  for (int i = 0; i < vocabulary; ++i) {
    std::string word(3 + rng() % 8, ' ');
    for (char& c : word) c = static_cast<char>((rng() % 4 == 0 ? 'A' : 'a') + rng() % 26);
    words.push_back(word);
  }
  std::ofstream out(path, std::ios::binary);
  std::string line;
  for (int i = 0; i < lines; ++i) {
    line.clear();
    for (unsigned w = 1 + rng() % 5; w > 0; --w)
      line.append(words[rng() % words.size()]).append(w > 1 ? " " : "");
    out << line << "\r\n";
  }
}

}  // namespace

int main() {
  bench::Shell("mkdir -p bench-data");
  const std::string words = "bench-data/edit-words.txt";
  const std::string repeated = "bench-data/edit-repeated.txt";
  MakeWords(words, 500000, 20000, 3);
  // Few enough lines of few enough words that many of them repeat.
  MakeWords(repeated, 90000, 60, 4);

  Answers prompter;
  bench::CountingSink pane;
  LineEditor editor(prompter, pane);
  std::vector<std::string> no_pane;
  auto run = [&](EditOperation operation, const std::string& input, const std::string& output,
                 const std::string& parameter) {
    prompter.input = input;
    prompter.output = output;
    prompter.parameter = parameter;
    editor.Run(operation, {"", true}, no_pane);
  };

  double ours = bench::BestOf(
      3, [&] { run(EditOperation::kSortFile, words, "bench-data/edit-sorted.txt", ""); });
  double theirs = bench::BestOf(3, [&] {
    bench::Shell("LC_ALL=C sort -f -s " + words + " > bench-data/edit-sorted-sort.txt");
  });
  bench::Shell(
      "cmp -s bench-data/edit-sorted.txt bench-data/edit-sorted-sort.txt || echo 'sort: outputs "
      "differ'");
  bench::PrintRatio("sort 500,000 lines", ours, theirs, "sort -f -s", 2.0);

  ours = bench::BestOf(3, [&] {
    run(EditOperation::kRemoveRepeatedLines, repeated, "bench-data/edit-unique.txt", "");
  });
  theirs = bench::BestOf(3, [&] {
    bench::Shell("LC_ALL=C awk '!seen[$0]++' " + repeated + " > bench-data/edit-unique-awk.txt");
  });
  bench::Shell(
      "cmp -s bench-data/edit-unique.txt bench-data/edit-unique-awk.txt || echo 'repeated: outputs "
      "differ'");
  std::printf("(%ld repeated lines listed)\n", pane.lines - 2);
  bench::PrintRatio("repeated lines 90,000", ours, theirs, "awk !seen", 1.5);

  // A word of the vocabulary that some lines hold.
  std::string needle;
  {
    std::ifstream in(words, std::ios::binary);
    std::getline(in, needle);
    needle = needle.substr(0, needle.find_first_of(" \r"));
  }
  ours = bench::BestOf(3, [&] {
    run(EditOperation::kRemoveLinesContaining, words, "bench-data/edit-filtered.txt", needle);
  });
  theirs = bench::BestOf(3, [&] {
    bench::Shell("LC_ALL=C grep -v -F '" + needle + "' " + words +
                 " > bench-data/edit-filtered-grep.txt");
  });
  bench::Shell(
      "cmp -s bench-data/edit-filtered.txt bench-data/edit-filtered-grep.txt || echo 'filter: "
      "outputs differ'");
  bench::PrintRatio("filter lines (contains)", ours, theirs, "grep -v -F", 2.0);
  return 0;
}
