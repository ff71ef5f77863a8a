#include "core/report_file.h"

#include <gtest/gtest.h>

#include "base/errors.h"
#include "platform/testing/identity.h"
#include "support/temp_tree.h"

namespace zuruza {
namespace {

using testing::TempTree;

TEST(ReportFile, WritingWhileClosedDoesNothing) {
  ReportFile report;
  EXPECT_NO_THROW(report.WriteReportLine("lost"));
  EXPECT_NO_THROW(report.CloseReportFile());
  EXPECT_FALSE(report.IsOpen());
}

TEST(ReportFile, ReplacesOrAppendsAndReopeningClosesTheFirst) {
  TempTree tree;
  for (bool append : {false, true}) {
    SCOPED_TRACE(append ? "append" : "replace");
    tree.AddFile("report.txt", "old\r\n");
    ReportFile report;
    report.OpenReportFile(tree.Path("report.txt"), append);
    EXPECT_TRUE(report.IsOpen());
    report.WriteReportLine("first");
    report.WriteReportLine("");
    report.OpenReportFile(tree.Path("other.txt"), false);
    report.WriteReportLine("other");
    report.CloseReportFile();
    EXPECT_FALSE(report.IsOpen());
    EXPECT_EQ(tree.ReadFile("report.txt"), append ? "old\r\nfirst\r\n\r\n" : "first\r\n\r\n");
    EXPECT_EQ(tree.ReadFile("other.txt"), "other\r\n");
  }
}

TEST(ReportFile, FailuresThrowAndLeaveItClosed) {
  TempTree tree("dir/\n");
  struct Row {
    const char* name;
    std::string path;
    int open_code;
    int close_code;
  };
  const Row rows[] = {{"empty path", "", kFileNotFound, -1},
                      {"missing directory", tree.Path("nodir/report.txt"), kFileNotFound, -1},
                      {"directory", tree.Path("dir"), kFileAccessDenied, -1},
                      {"full disk", "/dev/full", -1, kDiskFull}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    if (row.path == "/dev/full" && !testing::UserMay("/dev/full", testing::kMayWrite)) continue;
    ReportFile report;
    int open_code = -1, close_code = -1;
    try {
      report.OpenReportFile(row.path, false);
      report.WriteReportLine("line");
    } catch (const IoError& error) {
      open_code = error.code();
    }
    EXPECT_EQ(open_code, row.open_code);
    try {
      report.CloseReportFile();
    } catch (const IoError& error) {
      close_code = error.code();
    }
    EXPECT_EQ(close_code, row.close_code);
    EXPECT_FALSE(report.IsOpen());
  }
}

}  // namespace
}  // namespace zuruza
