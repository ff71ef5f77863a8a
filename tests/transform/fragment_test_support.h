// What the fragment tests share: the fixture, the status log, test bytes and a tiny tmpfs.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "core/report_sink.h"
#include "platform/fs.h"
#include "platform/testing/child_process.h"
#include "platform/testing/scratch_space.h"
#include "support/scripted_prompter.h"
#include "support/temp_tree.h"
#include "transform/fragment.h"

namespace zuruza::fragment_test {

using Texts = std::vector<std::string>;

// Every status text in order, progress and final alike.
class StatusLog : public ReportSink {
 public:
  void ClearReport() override {}
  void AddReportLine(std::string_view) override {}
  void ShowProgress(StatusBar bar, std::string_view text) override { SetStatus(bar, text); }
  void SetStatus(StatusBar bar, std::string_view text) override {
    EXPECT_EQ(bar, StatusBar::kStatusBar1);
    texts.emplace_back(text);
  }
  void LetEventsRun() override { ++events_let_run; }
  Texts texts;
  int events_let_run = 0;
};

// Bytes that differ from their neighbours, so a misplaced block shows.
inline std::string Bytes(std::size_t count) {
  std::string bytes(count, '\0');
  for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
  return bytes;
}

// The names in a directory other than "." and "..".
inline Texts Names(const std::string& dir) {
  std::vector<DirEntry> entries;
  ListDirectory(dir, entries);
  Texts names;
  for (const DirEntry& entry : entries)
    if (entry.name != "." && entry.name != "..") names.push_back(entry.name);
  return names;
}

class FragmentTest : public ::testing::Test {
 protected:
  std::int64_t Split(const std::string& source, const std::string& size,
                     const std::string& dest = "partes") {
    return fragmenter_.SplitFile({tree_.Path(source), tree_.Path(dest), size});
  }
  std::int64_t Join(const std::string& first, const std::string& output) {
    return fragmenter_.JoinFragments({tree_.Path(first), tree_.Path(output)});
  }

  testing::TempTree tree_{"partes/\n"};
  StatusLog sink_;
  testing::ScriptedPrompter prompter_;
  Fragmenter fragmenter_{sink_, prompter_};
};

// Runs `check` in a child process that sees a tmpfs of 64 KiB at `dir`, in
// a mount namespace of its own. Unavailable where no namespace can be made.
enum class TmpfsResult { kPassed, kFailed, kUnavailable };

inline TmpfsResult OnTinyTmpfs(const std::string& dir, const std::function<bool()>& check) {
  std::optional<int> code;
  try {
    code = testing::RunInChild([&] {
      if (!testing::MountScratchTmpfs(dir, 64u << 10)) return 3;
      return check() ? 0 : 1;
    });
  } catch (const std::runtime_error&) {
    return TmpfsResult::kUnavailable;
  }
  return code == 0   ? TmpfsResult::kPassed
         : code == 3 ? TmpfsResult::kUnavailable
                     : TmpfsResult::kFailed;
}

// In the child a failed expectation cannot reach the test: it is printed.
inline bool Holds(bool condition, const char* what) {
  if (!condition) std::fprintf(stderr, "does not hold: %s\n", what);
  return condition;
}

}  // namespace zuruza::fragment_test

// Skips where OnTinyTmpfs is unavailable; fails when the check in the child did not hold.
#define EXPECT_ON_TINY_TMPFS(result)                                               \
  do {                                                                             \
    const ::zuruza::fragment_test::TmpfsResult tmpfs_result = (result);            \
    if (tmpfs_result == ::zuruza::fragment_test::TmpfsResult::kUnavailable)        \
      GTEST_SKIP() << "no private tmpfs can be mounted here (no mount namespace)"; \
    EXPECT_EQ(tmpfs_result, ::zuruza::fragment_test::TmpfsResult::kPassed)         \
        << "the check in the child failed";                                        \
  } while (false)
