// Shared pieces of the benchmarks: the test tree, a wall clock, running the
// standard tool through the shell, a sink that only counts and a prompter
// that asks nobody.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "core/prompter.h"
#include "core/report_sink.h"
#include "platform/directory_reader.h"

namespace zuruza::bench {

// A tree of `dirs` directories (100 top-level ones, the rest spread below
// them two levels deep) holding `files_per_dir` files each, with sizes from 0
// to a few KiB. Built once and kept: a marker file names its shape.
inline std::string EnsureTree(const std::string& root, int dirs = 20000, int files_per_dir = 10) {
  const std::string marker =
      root + "/.tree-" + std::to_string(dirs) + "x" + std::to_string(files_per_dir);
  std::error_code error;
  if (std::filesystem::exists(marker, error)) return root;
  std::string cmd = "rm -rf '" + root + "' && mkdir -p '" + root + "'";
  if (std::system(cmd.c_str()) != 0) std::exit(1);
  std::fprintf(stderr, "building %d directories x %d files in %s ...\n", dirs, files_per_dir,
               root.c_str());
  std::string content(4096, 'z');
  for (int d = 0; d < dirs; ++d) {
    std::string dir = root + "/top" + std::to_string(d % 100);
    std::filesystem::create_directory(dir, error);
    if (d >= 100) {
      dir += "/mid" + std::to_string((d / 100) % 20);
      std::filesystem::create_directory(dir, error);
      dir += "/leaf" + std::to_string(d);
      std::filesystem::create_directory(dir, error);
    }
    for (int f = 0; f < files_per_dir; ++f) {
      std::ofstream out(dir + "/file_" + std::to_string(f) + "_" + std::to_string(d) + ".dat",
                        std::ios::binary);
      out.write(content.data(), (d * 7 + f * 131) % 4096);
    }
  }
  std::ofstream(marker).put('\n');
  return root;
}

// Seconds taken by the best of `runs` calls (the first one warms the caches);
// with no runs, the time of that one call.
inline double BestOf(int runs, const std::function<void()>& body) {
  double best = 1e100;
  for (int i = 0; i < std::max(runs, 1) + (runs > 0 ? 1 : 0); ++i) {
    auto start = std::chrono::steady_clock::now();
    body();
    std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    if ((runs == 0 || i > 0) && took.count() < best) best = took.count();
  }
  return best;
}

// The best of `runs` calls of `body`, each after `prepare` (not timed: it
// resets the data or flushes earlier writes).
inline double BestAfter(int runs, const std::function<void()>& prepare,
                        const std::function<void()>& body) {
  double best = 1e100;
  for (int i = 0; i < runs; ++i) {
    prepare();
    best = std::min(best, BestOf(0, body));
  }
  return best;
}

inline void Shell(const std::string& command) {
  if (std::system(command.c_str()) != 0) {
    std::fprintf(stderr, "failed: %s\n", command.c_str());
    std::exit(1);
  }
}

class CountingSink : public ReportSink {
 public:
  void ClearReport() override { lines = 0; }
  void AddReportLine(std::string_view) override { ++lines; }
  void ShowProgress(StatusBar, std::string_view) override {}
  void SetStatus(StatusBar, std::string_view) override {}
  void LetEventsRun() override {}
  long lines = 0;
};

// Takes every default, confirms nothing, chooses no file; errors (and, when
// asked, messages) go to standard error so that a failed run shows why.
class SilentPrompter : public Prompter {
 public:
  explicit SilentPrompter(bool echo_messages = false) : echo_messages_(echo_messages) {}
  void ShowMessage(std::string_view text) override {
    if (echo_messages_) std::fprintf(stderr, "message: %.*s\n", int(text.size()), text.data());
  }
  void ShowError(std::string_view text) override {
    std::fprintf(stderr, "error: %.*s\n", int(text.size()), text.data());
  }
  std::string InputBox(std::string_view, std::string_view, std::string_view value) override {
    return std::string(value);
  }
  bool AskOkCancel(std::string_view) override { return false; }
  std::optional<std::string> OpenFileDialog(std::string_view, std::string_view) override {
    return std::nullopt;
  }
  std::optional<std::string> SaveFileDialog(std::string_view, std::string_view,
                                            std::string_view) override {
    return std::nullopt;
  }

 private:
  bool echo_messages_;
};

inline void PrintRatio(const char* what, double ours, double theirs, const char* tool,
                       double target) {
  double ratio = ours / theirs;
  std::printf("%-28s ours %.3f s, %s %.3f s, ratio %.2f (target <= %.2f) %s\n", what, ours, tool,
              theirs, ratio, target, ratio <= target ? "OK" : "SLOWER");
}

// ZURUZA_BENCH_THREADS=n sets the threads the walks read ahead with.
inline void ThreadsFromEnvironment() {
  if (const char* threads = std::getenv("ZURUZA_BENCH_THREADS"))
    SetWalkThreads(static_cast<unsigned>(std::atoi(threads)));
}

// The best time of `body` with the walks listing each directory only when
// they reach it, on one thread, as they did before reading ahead.
inline double OneThreadWalk(int runs, const std::function<void()>& body) {
  const unsigned threads = WalkThreads();
  SetWalkThreads(0);
  const double best = BestOf(runs, body);
  SetWalkThreads(threads);
  return best;
}

// Our time against the standard tool's and against the one-thread walk.
inline void PrintWalkRatios(const char* what, double ours, double one_thread, double theirs,
                            const char* tool, double target) {
  PrintRatio(what, ours, theirs, tool, target);
  std::printf("%-28s ours %.3f s, one thread %.3f s, ratio %.2f (%u threads read ahead)\n", "",
              ours, one_thread, ours / one_thread, WalkThreads());
}

}  // namespace zuruza::bench
