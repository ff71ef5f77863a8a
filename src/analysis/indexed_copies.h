// "¿Ya está en un disco indexado?": for every file of a tree, whether a disk
// inventory listing already holds a file of the same name (byte for byte)
// and the same size, and where. The report lists the files found under the
// header of each disk that keeps them, in listing order, then the total.
//
// Blocking. The listing is read once into an index in memory (32 bytes a
// file line plus its name, each directory once), on a thread of its own
// while the tree is walked depth first, as the duplicate finder walks it, letting events run
// through ReportSink::ShowProgress for every directory and file examined.
// Failures (a base directory or a listing that cannot be read, a report file
// that cannot be created, a minimum that is not a number) throw
// zuruza::Error where they are met. Listing lines that cannot be read are
// skipped and counted; directories below the base that cannot be read are
// skipped and named in skipped().
#pragma once

#include <cstdint>
#include <string>

#include "core/dates.h"
#include "core/report_file.h"
#include "core/report_sink.h"
#include "core/skipped_entries.h"
#include "platform/directory_reader.h"
#include "platform/fs.h"

namespace zuruza {

// The texts and ticks of the window's fields.
struct IndexedCopiesRequest {
  std::string base_directory;  // empty means the current directory
  std::string listing_path;
  bool min_size_filter = false;
  std::string min_size;  // bytes, read when the first file is met
  bool write_report = false;
  std::string report_path;
};

class IndexedCopyFinder {
 public:
  // The header's date is shown as the listing wrote it, so `formats` is not
  // needed to read it; the windows hand every job their formats alike.
  IndexedCopyFinder(ReportSink& sink, LocaleFormats formats);

  void Run(const IndexedCopiesRequest& request);

  // Files examined: those at or above the minimum, empty files aside.
  std::int64_t files_examined() const { return files_examined_; }
  // Files kept on at least one indexed disk, and their bytes (each once).
  std::int64_t files_found() const { return files_found_; }
  std::uint64_t bytes_found() const { return bytes_found_; }
  // Listing lines that are no part of a block and no file line.
  std::int64_t damaged_lines() const { return damaged_lines_; }
  // What the last run could not read and went past.
  const SkippedEntries& skipped() const { return skipped_; }

 private:
  // The listing's index and what the walk found in it, for one run.
  struct Scan;

  void ExamineFile(const std::string& dir, const DirEntry& entry, Scan& scan);
  // Looks a file the walk met up in the listing read meanwhile.
  void LookUp(const std::string& dir, const std::string& name, std::uint64_t size, Scan& scan);
  void AddLine(const std::string& line);

  ReportSink& sink_;
  const IndexedCopiesRequest* request_ = nullptr;
  ReportFile report_;
  SkippedEntries skipped_;
  std::int32_t dirs_examined_ = 0;
  std::int64_t files_examined_ = 0;
  std::int64_t files_found_ = 0;
  std::uint64_t bytes_found_ = 0;
  std::int64_t damaged_lines_ = 0;
  bool min_size_read_ = false;
  std::int64_t min_size_ = 0;
};

}  // namespace zuruza
