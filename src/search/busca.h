// The file search: walks a directory tree depth first and lists every entry
// whose name contains a text, optionally limited by a minimum size and a
// window of last-write dates, to the report pane and an optional report
// file, closing with the totals. In index mode the same walk writes the
// block of a disk inventory listing instead.
//
// Blocking; runs on the caller's thread and lets events run through
// ReportSink::ShowProgress once per subdirectory. Failures (a start
// directory that cannot be read, a report file that cannot be written, an
// invalid date) throw zuruza::Error at the point they are met: the lines
// already reported stay, no closing lines are added. Entries below the start
// that cannot be read are skipped and named in skipped().
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "core/dates.h"
#include "core/prompter.h"
#include "core/report_file.h"
#include "core/report_sink.h"
#include "core/skipped_entries.h"
#include "platform/directory_reader.h"
#include "platform/fs.h"

namespace zuruza {

// The texts and ticks of the search window's fields.
struct SearchRequest {
  std::string drive_text;     // DriveComboBox1: the selected drive's text
  std::string drive_root;     // that drive's root directory, trailing separator
  std::string directory;      // Edit6: start directory; blank means the drive's root
  std::string search_text;    // Edit1: blank means every entry
  std::string min_size;       // tam_min: bytes; no minimum unless a whole number > 0
  std::string newer_than;     // Edit4: date and time; blank means no lower bound
  std::string older_than;     // Edit3: date and time; blank means no upper bound
  bool change_date = false;   // CheckBox2: re-date every listed entry...
  std::string new_date;       // Edit5: ...to midnight of this date
  bool list_dates = false;    // CheckBox3
  bool list_size = false;     // CheckBox4
  bool write_report = false;  // CheckBox1
  std::string report_path;    // Edit2
};

// Counters and state of the last run, kept after it ends.
struct SearchState {
  bool index_mode = false;
  std::int32_t dirs_examined = 0;
  std::int32_t files_examined = 0;
  std::int32_t match_count = 0;
  double total_bytes = 0;
  std::string last_listed_dir;  // index mode: directory of the last listing line
};

// The start directory of a request: the trimmed directory field with a
// trailing separator, or the drive's root when the field is blank.
std::string StartDirectory(const SearchRequest& request);

// Minimum size from the field: 0 unless it is a whole number greater than 0.
std::int64_t MinimumSize(std::string_view text);

// The path named on the pane line under the caret (a byte offset into
// `pane_text`): the line trimmed, and for an inventory line only the text
// after its first ">" (at most 1000 characters), trimmed again.
std::string PathAtCaret(std::string_view pane_text, std::size_t caret);

class FileSearch {
 public:
  FileSearch(ReportSink& sink, Prompter& prompter, LocaleFormats formats);

  // Runs the whole search. Writes the normalised start directory back into
  // request.directory when the field was not blank, as the window shows it.
  void RunSearch(SearchRequest& request);

  // Switches index mode on (from "Indexar un Nuevo Disco") or off (from
  // "Buscar"). Switching it on empties the last listed directory.
  void SetIndexMode(bool on);

  const SearchState& state() const { return state_; }
  // What the last run could not read and went past.
  const SkippedEntries& skipped() const { return skipped_; }
  // The clock used for the index header and for two-digit years (tests fix it).
  void set_clock(std::function<CivilDateTime()> now) { now_ = std::move(now); }

 private:
  void SearchDirectory(DirectoryReader& reader, const std::string& dir_path);
  // Reads the entry's size and times when its name passes and the listing
  // left them out.
  bool Matches(const std::string& dir_path, DirEntry& entry);
  void ListEntry(const std::string& dir_path, const DirEntry& entry);
  void WriteListingLine(const std::string& dir_path, const DirEntry& entry);
  void WriteListingHeader(const std::string& start_dir);
  void WriteClosingLines();
  std::string Suffixes(const DirEntry& entry) const;

  ReportSink& sink_;
  Prompter& prompter_;
  LocaleFormats formats_;
  std::function<CivilDateTime()> now_;
  SearchState state_;
  SkippedEntries skipped_;
  ReportFile report_;

  // The request of the run under way, and what is read from it once.
  const SearchRequest* request_ = nullptr;
  std::string upper_text_;  // empty when every name matches
  std::int64_t min_size_ = 0;
  // Parsed at the first entry tested; compared with the entries' local
  // date and time as the clock showed them, not as instants.
  std::optional<CivilDateTime> older_than_;
  std::optional<CivilDateTime> newer_than_;
  std::optional<UnixNanos> new_write_time_;  // parsed at the first re-dating
  bool dates_read_ = false;
  std::string upper_name_;  // reused buffer
};

}  // namespace zuruza
