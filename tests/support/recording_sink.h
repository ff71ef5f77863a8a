// A ReportSink that records what a job writes, for tests and headless runs.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/report_sink.h"

namespace zuruza::testing {

class RecordingSink : public ReportSink {
 public:
  void ClearReport() override { lines.clear(); }
  void AddReportLine(std::string_view text) override { lines.emplace_back(text); }
  void ShowProgress(StatusBar bar, std::string_view text) override {
    Status(bar) = std::string(text);
    ++progress_calls;
  }
  void SetStatus(StatusBar bar, std::string_view text) override { Status(bar) = std::string(text); }
  void LetEventsRun() override {
    ++events_let_run;
    if (on_events) on_events();
  }

  std::string& Status(StatusBar bar) {
    return bar == StatusBar::kStatusBar1   ? status1
           : bar == StatusBar::kStatusBar2 ? status2
                                           : status1_panel1;
  }

  std::vector<std::string> lines;
  std::string status1;
  std::string status2;
  std::string status1_panel1;
  int progress_calls = 0;
  int events_let_run = 0;
  std::function<void()> on_events;  // acts while the job lets events run
};

}  // namespace zuruza::testing
