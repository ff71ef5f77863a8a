// "En varios ficheros" over a list of 10,000 files against
// grep -l -i -F over the same files, and "En un Fichero" over one line of
// 100 MB without a line end against grep -c -F.
#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "bench/bench_util.h"
#include "core/prompter.h"
#include "text/busca2.h"

using namespace zuruza;

namespace {

// Answers every input box with one text and every open dialog with one path.
struct Answers : Prompter {
  std::string text, path;
  void ShowMessage(std::string_view) override {}
  void ShowError(std::string_view) override {}
  std::string InputBox(std::string_view, std::string_view, std::string_view) override {
    return text;
  }
  bool AskOkCancel(std::string_view) override { return false; }
  std::optional<std::string> OpenFileDialog(std::string_view, std::string_view) override {
    return path;
  }
  std::optional<std::string> SaveFileDialog(std::string_view, std::string_view,
                                            std::string_view) override {
    return std::nullopt;
  }
};

constexpr int kFiles = 10000;
const char* const kList = "bench-data/busca2-list.txt";

// Files of 1 to 8 KiB of text lines, CR LF or LF; about one in five holds
// "Zuruza" in some case, somewhere in it.
void MakeFiles() {
  bench::Shell("mkdir -p bench-data/busca2");
  std::mt19937 random(11);
  std::ofstream list(kList, std::ios::binary);
  const char* const spellings[] = {"zuruza", "ZURUZA", "Zuruza", "zuRUza"};
  for (int i = 0; i < kFiles; ++i) {
    char name[64];
    std::snprintf(name, sizeof name, "bench-data/busca2/f%05d.txt", i);
    list << name << '\n';
    std::ostringstream text;
    const std::size_t size = 1024 + random() % (7 * 1024);
    const bool holds = random() % 5 == 0;
    const std::size_t at = random() % size;
    const char* const end = random() % 2 ? "\r\n" : "\n";
    std::size_t written = 0;
    bool put = false;
    while (written < size) {
      std::string line = "linea " + std::to_string(random() % 100000) +
                         " del fichero; texto cualquiera " + std::to_string(random());
      if (holds && !put && written + line.size() >= at) {
        line += spellings[random() % 4];
        put = true;
      }
      line += end;
      text << line;
      written += line.size();
    }
    std::ofstream(name, std::ios::binary) << text.str();
  }
}

std::vector<std::string> ReadList() {
  std::vector<std::string> names;
  std::ifstream list(kList, std::ios::binary);
  for (std::string line; std::getline(list, line);) names.push_back(line);
  return names;
}

}  // namespace

int main() {
  MakeFiles();
  Answers answers;
  answers.text = "zuruza";
  InFileSearch search(answers);
  bench::CountingSink sink;
  long found = 0;
  const double ours = bench::BestOf(5, [&] {
    search.SearchSeveralFiles(ReadList(), sink);
    found = sink.lines;
  });
  const double theirs = bench::BestOf(5, [&] {
    bench::Shell(std::string("LC_ALL=C grep -l -i -F zuruza $(cat ") + kList +
                 ") > bench-data/busca2-grep.txt");
  });
  bench::Shell("test $(wc -l < bench-data/busca2-grep.txt) -eq " + std::to_string(found));
  std::printf("%ld of %d files hold the text, %.0f bytes read\n", found, kFiles,
              search.bytes_read());
  bench::PrintRatio("search in 10,000 files", ours, theirs, "grep -l -i -F", 2.0);

  // One line of 100 MB: the buffer is all the memory it takes, and time
  // grows with the size only.
  bench::Shell(
      "head -c 100000000 /dev/zero | tr '\\0' 'x' > bench-data/busca2-line.bin && "
      "printf 'Zuruza' >> bench-data/busca2-line.bin");
  answers.text = "Zuruzb";
  answers.path = "bench-data/busca2-line.bin";
  const double ours_line = bench::BestOf(3, [&] { search.SearchOneFile(sink); });
  const double theirs_line = bench::BestOf(3, [&] {
    bench::Shell("LC_ALL=C grep -c -F Zuruzb bench-data/busca2-line.bin > /dev/null; true");
  });
  bench::PrintRatio("one 100 MB line", ours_line, theirs_line, "grep -c -F", 2.0);
  return 0;
}
