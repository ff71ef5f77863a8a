#include "core/report_file.h"

#include "base/errors.h"

namespace zuruza {

void ReportFile::OpenReportFile(const std::string& path, bool append) {
  // A report still open from before is closed quietly first.
  writer_.reset();
  if (path.empty()) throw IoError(kFileNotFound);
  writer_ = std::make_unique<TextWriter>(
      path, append ? TextWriter::Mode::kAppend : TextWriter::Mode::kReplace);
}

void ReportFile::WriteReportLine(std::string_view text) {
  if (writer_) writer_->WriteLine(text);
}

void ReportFile::CloseReportFile() {
  // Taken out first, so the report counts as closed even when Close throws.
  std::unique_ptr<TextWriter> writer = std::move(writer_);
  if (writer) writer->Close();
}

ReportFileCloser::~ReportFileCloser() {
  try {
    if (file_.IsOpen()) file_.CloseReportFile();
  } catch (const Error&) {
  }
}

}  // namespace zuruza
