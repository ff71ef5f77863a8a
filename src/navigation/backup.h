// The backup copier: copies a directory tree into a destination, recreating
// its directories, copying a file only when the destination has none of that
// name or an older one (last-write times to the millisecond). When a copy
// fails (a full disk, typically) the person is asked to change the disk: OK
// recreates the destination directories and tries again, Cancel stops.
//
// Blocking; lets events run at every directory and around every copy, so a
// "Parar" (RequestStop) is seen between files. The copied-files list goes to
// the sink's report lines, the progress to its status bars. A source that
// cannot be read, or a destination inside the source tree, throws
// zuruza::Error before anything is created; directories and entries below
// the source that cannot be read are skipped and named in skipped().
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/prompter.h"
#include "core/report_sink.h"
#include "core/skipped_entries.h"
#include "platform/directory_reader.h"

namespace zuruza {

struct BackupRequest {
  std::string source;       // Edit1
  std::string destination;  // Edit2
  std::string report_path;  // Label8: "Fichero del Informe" or empty means none
  bool batch_mode = false;  // no "Finalizado." message
};

enum class BackupEnd {
  kFinished,     // the summary was written
  kNothingToDo,  // the destination text occurs in the source text: nothing copied
  kStopped,      // "Parar" or Cancel
};

// Digits grouped in threes with ".": 1234567 -> "1.234.567".
std::string GroupDigits(double value);

// Creates every level of a path, ignoring failures (existing levels, no
// medium). Blanks and control characters around it are dropped first.
void CreatePath(const std::string& path);

class BackupCopier {
 public:
  BackupCopier(ReportSink& sink, Prompter& prompter);

  BackupEnd RunBackupJob(const BackupRequest& request);
  // "Parar": the walk stops before the next file.
  void RequestStop() { stop_requested_ = true; }

  const std::vector<std::string>& copied_list() const { return copied_list_; }
  std::int32_t directories_processed() const { return directories_processed_; }
  std::int32_t files_copied() const { return files_copied_; }
  double bytes_copied() const { return bytes_copied_; }
  // What the last run could not read and went past.
  const SkippedEntries& skipped() const { return skipped_; }

 private:
  void CopyTree(DirectoryReader& reader, const std::string& source_dir,
                const std::string& dest_dir);
  enum class FileCopy { kCopied, kNothingToCopy, kCancelled };
  FileCopy CopyOneFile(const std::string& source_dir, const std::string& dest_dir,
                       const std::string& name, std::uint64_t size);
  void AddToList(std::string line);

  ReportSink& sink_;
  Prompter& prompter_;
  std::vector<std::string> copied_list_;
  std::int32_t directories_processed_ = 0;
  std::int32_t files_copied_ = 0;
  double bytes_copied_ = 0;
  bool stop_requested_ = false;
  SkippedEntries skipped_;
};

}  // namespace zuruza
