// What the window tests share: the lines a report pane shows, and the
// program itself started for its batch commands, as cron starts it.
#pragma once

#include <QtTest>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/report_pane.h"
#include "platform/testing/child_process.h"

// The batch commands need the program the build made; ctest names it.
#define ZURUZA_SKIP_WITHOUT_PROGRAM() \
  if (qEnvironmentVariableIsEmpty("ZURUZA_TEST_BINARY")) QSKIP("ZURUZA_TEST_BINARY not set")

namespace zuruza::testing {

using Environment = std::vector<std::pair<std::string, std::optional<std::string>>>;

// No display at all.
inline const Environment kWithoutDisplay = {{"DISPLAY", std::nullopt},
                                            {"WAYLAND_DISPLAY", std::nullopt},
                                            {"QT_QPA_PLATFORM", std::nullopt}};

// The program, its arguments given as bytes.
inline ProgramRun RunZuruza(const std::vector<std::string>& arguments,
                            const Environment& environment = kWithoutDisplay) {
  return RunProgramBytes(qEnvironmentVariable("ZURUZA_TEST_BINARY").toStdString(), arguments,
                         environment);
}

inline std::vector<std::string> PaneLines(const ReportPane& pane) {
  std::vector<std::string> lines;
  for (std::size_t i = 0; i < pane.LineCount(); ++i) lines.push_back(pane.Line(i));
  return lines;
}

}  // namespace zuruza::testing
