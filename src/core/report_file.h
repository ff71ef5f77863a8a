// The copy of a report in a file, for the "Generar Fichero." option.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "core/text_file.h"

namespace zuruza {

class ReportFile {
 public:
  // Opens the file for writing: created or emptied, or appended to when
  // `append` is true (created when missing, in the same step, so that no
  // other writer's lines are lost in between). The path is taken as typed;
  // an empty path or a missing directory throws IoError.
  void OpenReportFile(const std::string& path, bool append);
  // Writes the text and CR LF. Does nothing when the file is not open.
  void WriteReportLine(std::string_view text);
  // Flushes and closes; errors (a full disk) throw IoError.
  void CloseReportFile();
  bool IsOpen() const { return writer_ != nullptr; }

 private:
  std::unique_ptr<TextWriter> writer_;
};

// Closes a job's report file when the job leaves, by any way: a failure
// keeps what was written before it. A close that fails then is not reported
// again over the error that ended the job.
class ReportFileCloser {
 public:
  explicit ReportFileCloser(ReportFile& file) : file_(file) {}
  ReportFileCloser(const ReportFileCloser&) = delete;
  ReportFileCloser& operator=(const ReportFileCloser&) = delete;
  ~ReportFileCloser();

 private:
  ReportFile& file_;
};

}  // namespace zuruza
