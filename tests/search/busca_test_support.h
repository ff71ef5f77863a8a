// The file search as its tests run it: in UTC, with a clock stopped on 08/12/2026 12:00:00.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <time.h>

#include <string>
#include <vector>

#include "platform/testing/environment.h"
#include "search/busca.h"
#include "support/recording_sink.h"
#include "support/scripted_prompter.h"

namespace zuruza::busca_test {

inline constexpr long long k2001_02_04_10h = 981280800;  // 04/02/2001 10:00:00 UTC
inline constexpr long long k1990_01_01 = 631152000;      // 01/01/1990 00:00:00 UTC

class FileSearchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* tz = getenv("TZ");
    saved_tz_ = tz ? tz : "";
    had_tz_ = tz != nullptr;
    ::zuruza::testing::SetEnv("TZ", "UTC");
    tzset();
    search_.set_clock([] { return CivilDateTime{{2026, 12, 8}, 12, 0, 0}; });
  }
  void TearDown() override {
    if (had_tz_)
      ::zuruza::testing::SetEnv("TZ", saved_tz_);
    else
      ::zuruza::testing::UnsetEnv("TZ");
    tzset();
  }

  // A request over `dir` with no criteria but the window's default date.
  SearchRequest Request(const std::string& dir, const std::string& text = "") {
    SearchRequest request;
    request.drive_text = "/";
    request.drive_root = "/";
    request.directory = dir;
    request.search_text = text;
    return request;
  }

  std::vector<std::string> Run(SearchRequest request) {
    search_.RunSearch(request);
    return sink_.lines;
  }

  testing::RecordingSink sink_;
  testing::ScriptedPrompter prompter_;
  FileSearch search_{sink_, prompter_, LocaleFormats{}};
  std::string saved_tz_;
  bool had_tz_ = false;
};

}  // namespace zuruza::busca_test
