// The duplicate finder: walks a tree depth first and lists every file with
// the same name (byte for byte) and the same size as a file met earlier in
// the walk, with its dates and the first copy's when asked, above a minimum
// size when asked, and ends with the per-directory summary.
//
// Blocking; lets events run through ReportSink::ShowProgress for every
// directory and every file examined. Failures (a base directory that cannot
// be read, a report file that cannot be created, a minimum that is not a
// number) throw zuruza::Error where they are met. Directories and entries
// below the base that cannot be read are skipped and named in skipped().
//
// Two checks go beyond name and size, both reading the files (see
// content_sets.h): "Comprobar contenido" keeps as repeated only the files
// whose bytes equal their first copy's, and lists the others after the
// summary; "Buscar por contenido" groups files of equal content whatever
// their names. "Parar" (RequestStop) stops either between files.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "analysis/content_sets.h"
#include "analysis/directory_summary.h"
#include "core/dates.h"
#include "core/prompter.h"
#include "core/report_file.h"
#include "core/report_sink.h"
#include "core/skipped_entries.h"
#include "platform/directory_reader.h"
#include "platform/fs.h"

namespace zuruza {

// The texts and ticks of the duplicate window's fields.
struct DuplicateRequest {
  std::string base_directory;    // Edit1: empty means the current directory
  bool write_report = false;     // CheckBox2
  std::string report_path;       // Edit2
  bool details = false;          // CheckBox1: dates, size and the first copy
  bool min_size_filter = false;  // CheckBox3
  std::string min_size;          // Edit3
  bool batch_mode = false;       // no informative message boxes
  bool check_content = false;    // CheckBox4: a repeated file must hold its first copy's bytes
  bool by_content = false;       // CheckBox5: groups of equal content, whatever the names
};

// How many different files (name and size) the table holds at most.
inline constexpr std::size_t kDistinctFileCapacity = 90000;

// Characters 7-10, 4-5 and 1-2 of a date text: "03/02/2001" -> "20010203".
std::string CompactDate(std::string_view date_text);

class DuplicateFinder {
 public:
  // `capacity` is the table's size (tests make it small).
  DuplicateFinder(ReportSink& sink, Prompter& prompter, LocaleFormats formats,
                  std::size_t capacity = kDistinctFileCapacity);

  void RunDuplicateSearch(const DuplicateRequest& request);
  // The content comparison stops before the next file or block.
  void RequestStop() { stop_requested_ = true; }

  std::int32_t dirs_examined() const { return dirs_examined_; }
  std::int32_t files_examined() const { return files_examined_; }
  std::int32_t repeated_files() const { return repeated_files_; }
  double repeated_bytes() const { return repeated_bytes_; }
  const DirectorySummary& summary() const { return summary_; }
  // What the last run could not read and went past.
  const SkippedEntries& skipped() const { return skipped_; }
  // Bytes the content checks of the last run read.
  std::uint64_t bytes_compared() const { return bytes_compared_; }

 private:
  struct Entry {
    std::string name;
    std::string directory;
    std::uint64_t size;
    UnixNanos write_time;
    bool origin_listed;
  };
  // A file met in the walk, kept for a content check after it; its
  // directory is kept once for all the files met in it.
  struct Met {
    std::uint32_t dir;  // into met_dirs_
    DirEntry entry;
    std::size_t first = 0;  // a repeat's first copy in the table
  };
  // The table's index: (name, size) to the entry, found without copying.
  struct Key {
    std::string_view name;
    std::uint64_t size;
    bool operator==(const Key&) const = default;
  };
  struct KeyHash {
    std::size_t operator()(const Key& key) const {
      return std::hash<std::string_view>()(key.name) ^ (key.size * 0x9e3779b97f4a7c15ULL);
    }
  };

  void ExamineFile(const std::string& dir, const DirEntry& entry);
  void Remember(const std::string& dir, const DirEntry& entry, std::size_t first = 0);
  const std::string& DirOf(const Met& met) const { return met_dirs_[met.dir]; }
  ContentFile ContentOf(const Met& met) const {
    return {DirOf(met) + met.entry.name, met.entry.size, met.entry.write_time};
  }
  // Counts a repeated file and lists it (and its first copy once).
  void ReportRepeat(const std::string& dir, const DirEntry& entry, Entry& first);
  // After the walk: the repeats met compared with their first copies.
  void CheckRepeatsByContent();
  // After the walk: the files met grouped by content.
  void GroupByContent();
  // The groups compared on the walk's threads, progress and "Parar" here.
  std::vector<ContentSets> Compare(const std::vector<std::vector<ContentFile>>& groups);
  // A line naming a file that could not be compared, and why.
  void NoteNotCompared(const ContentFile& file, const ContentSets& sets, std::size_t index);
  std::string FileDetails(const DirEntry& entry) const;
  void AddLine(std::string line);

  ReportSink& sink_;
  Prompter& prompter_;
  LocaleFormats formats_;
  const std::size_t capacity_;
  const DuplicateRequest* request_ = nullptr;
  ReportFile report_;
  DirectorySummary summary_;
  SkippedEntries skipped_;
  // Entries are never moved once stored (a deque-like vector of pointers
  // would do too): the index keeps views of their names.
  std::vector<std::unique_ptr<Entry>> table_;
  std::unordered_map<Key, std::size_t, KeyHash> index_;
  std::vector<std::string> pane_lines_;  // what this job put in the pane
  std::vector<Met> met_;                 // repeats, or every file, for the content checks
  std::vector<std::string> met_dirs_;
  std::vector<std::string> differing_;  // same name and size, other bytes
  std::vector<std::string> not_compared_;
  std::int64_t left_uncompared_ = 0;  // after "Parar"
  std::uint64_t bytes_compared_ = 0;
  bool stop_requested_ = false;
  std::int32_t dirs_examined_ = 0;
  std::int32_t files_examined_ = 0;
  std::int32_t repeated_files_ = 0;
  double repeated_bytes_ = 0;
  bool min_size_read_ = false;
  std::int64_t min_size_ = 0;
};

}  // namespace zuruza
