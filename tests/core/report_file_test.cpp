#include "core/report_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "core/errors.h"
#include "support/temp_tree.h"

namespace zuruza {
namespace {

using testing::TempTree;

TEST(ReportFile, WritingWhileClosedDoesNothing) {
  ReportFile report;
  EXPECT_FALSE(report.IsOpen());
  EXPECT_NO_THROW(report.WriteReportLine("lost"));
  EXPECT_NO_THROW(report.CloseReportFile());
  EXPECT_FALSE(report.IsOpen());
}

TEST(ReportFile, ReplacesOrAppendsTheFile) {
  struct Row {
    const char* name;
    bool append;
    const char* expected;
  };
  const Row rows[] = {
      {"replace", false, "first\r\n\r\nlast\r\n"},
      {"append", true, "old\r\nfirst\r\n\r\nlast\r\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TempTree tree;
    tree.AddFile("report.txt", "old\r\n");
    ReportFile report;
    report.OpenReportFile(tree.Path("report.txt"), row.append);
    EXPECT_TRUE(report.IsOpen());
    report.WriteReportLine("first");
    report.WriteReportLine("");
    report.WriteReportLine("last");
    report.CloseReportFile();
    EXPECT_FALSE(report.IsOpen());
    EXPECT_EQ(tree.ReadFile("report.txt"), row.expected);
  }
}

TEST(ReportFile, BadPathsThrowAndLeaveItClosed) {
  TempTree tree("dir/\n");
  struct Row {
    const char* name;
    std::string path;
    int code;
    const char* text;
  };
  const Row rows[] = {
      {"empty path", "", kFileNotFound, "File not found"},
      {"missing directory", tree.Path("nodir/report.txt"), kFileNotFound, "File not found"},
      {"directory", tree.Path("dir"), kFileAccessDenied, "File access denied"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ReportFile report;
    try {
      report.OpenReportFile(row.path, false);
      ADD_FAILURE() << "nothing thrown";
    } catch (const IoError& error) {
      EXPECT_EQ(error.code(), row.code);
      EXPECT_STREQ(error.what(), row.text);
    }
    EXPECT_FALSE(report.IsOpen());
  }
}

TEST(ReportFile, OpeningAgainClosesTheFirstFile) {
  TempTree tree;
  ReportFile report;
  report.OpenReportFile(tree.Path("one.txt"), false);
  report.WriteReportLine("to one");
  report.OpenReportFile(tree.Path("two.txt"), false);
  report.WriteReportLine("to two");
  report.CloseReportFile();
  EXPECT_EQ(tree.ReadFile("one.txt"), "to one\r\n");
  EXPECT_EQ(tree.ReadFile("two.txt"), "to two\r\n");
}

TEST(ReportFile, FullDiskThrowsOnCloseAndLeavesItClosed) {
  if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full here";
  ReportFile report;
  report.OpenReportFile("/dev/full", false);
  report.WriteReportLine("line");
  try {
    report.CloseReportFile();
    ADD_FAILURE() << "nothing thrown";
  } catch (const IoError& error) {
    EXPECT_EQ(error.code(), kDiskFull);
  }
  EXPECT_FALSE(report.IsOpen());
  EXPECT_NO_THROW(report.CloseReportFile());
  EXPECT_NO_THROW(report.WriteReportLine("after"));
}

}  // namespace
}  // namespace zuruza
