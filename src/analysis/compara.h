// The directory comparator: walks a first tree and lists every file whose
// counterpart at the same place in a second tree is missing or of another
// size. Dates and contents play no part; files only in the second tree are
// never reported.
//
// Blocking; lets events run through ReportSink::ShowProgress for every
// directory and every file. Failures (a report file that cannot be created)
// throw zuruza::Error before the walk.
#pragma once

#include <cstdint>
#include <string>

#include "core/prompter.h"
#include "core/report_file.h"
#include "core/report_sink.h"
#include "platform/directory_reader.h"

namespace zuruza {

struct CompareRequest {
  std::string first;          // Edit1: empty means the current directory
  std::string second;         // Edit3
  bool write_report = false;  // CheckBox1
  std::string report_path;    // Edit2
};

class TreeComparator {
 public:
  TreeComparator(ReportSink& sink, Prompter& prompter) : sink_(sink), prompter_(prompter) {}

  // The report file gets the same list as the pane, then the number of
  // directories examined and of files found different.
  void CompareTrees(const CompareRequest& request);

  std::int32_t directories_examined() const { return directories_examined_; }
  std::int32_t files_examined() const { return files_examined_; }
  std::int32_t files_different() const { return files_different_; }

 private:
  void WalkCompare(DirectoryReader& first, DirectoryReader& second, const std::string& a,
                   const std::string& b);
  void AddLine(const std::string& line);

  ReportSink& sink_;
  Prompter& prompter_;
  ReportFile report_;
  std::int32_t directories_examined_ = 0;
  std::int32_t files_examined_ = 0;
  std::int32_t files_different_ = 0;
};

}  // namespace zuruza
