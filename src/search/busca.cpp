#include "search/busca.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "base/errors.h"
#include "core/numbers.h"
#include "core/text_rules.h"
#include "platform/clock.h"
#include "search/listing.h"

namespace zuruza {

namespace {

constexpr std::string_view kProgressLabel = "Directorios/ficheros Examinados: ";
constexpr std::size_t kMaxInventoryPath = 1000;

}  // namespace

std::string StartDirectory(const SearchRequest& request) {
  std::string dir = Trim(request.directory);
  if (dir.empty()) return WithTrailingSep(request.drive_root);
  return WithTrailingSep(dir);
}

std::int64_t MinimumSize(std::string_view text) {
  // Read as every number the user types is read (leading blanks allowed);
  // what is no number means no minimum, and a number too large for 64 bits
  // is a minimum that no file reaches.
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  return std::max<std::int64_t>(ParseIntegerClamped(text).value_or(0), 0);
}

std::string PathAtCaret(std::string_view text, std::size_t caret) {
  caret = std::min(caret, text.size());
  std::size_t lf = caret == 0 ? std::string_view::npos : text.rfind('\n', caret - 1);
  std::size_t begin = lf == std::string_view::npos ? 0 : lf + 1;
  std::size_t end = text.find('\r', caret);
  // The pane joins its lines with LF alone, so an LF ends the line too.
  end = std::min(end, text.find('\n', caret));
  if (end == std::string_view::npos) end = text.size();
  std::string line = Trim(text.substr(begin, end - begin));
  if (std::size_t gt = line.find('>'); gt != std::string::npos) {
    line = Trim(CharPrefix(std::string_view(line).substr(gt + 1), kMaxInventoryPath));
  }
  return line;
}

FileSearch::FileSearch(ReportSink& sink, Prompter& prompter, LocaleFormats formats)
    : sink_(sink), prompter_(prompter), formats_(std::move(formats)), now_(LocalNow) {}

void FileSearch::SetIndexMode(bool on) {
  state_.index_mode = on;
  if (on) state_.last_listed_dir.clear();
}

void FileSearch::RunSearch(SearchRequest& request) {
  state_.dirs_examined = 0;
  state_.match_count = 0;
  state_.files_examined = 0;
  state_.total_bytes = 0;
  request_ = &request;
  upper_text_ = IsBlank(request.search_text) ? std::string() : UpperAscii(request.search_text);
  min_size_ = MinimumSize(request.min_size);
  dates_read_ = false;
  new_write_time_.reset();

  std::string start_dir = StartDirectory(request);
  if (!IsBlank(request.directory)) request.directory = start_dir;
  // A start directory that cannot be read is an error before any report.
  skipped_.Clear();
  RequireReadableDirectory(start_dir);

  // A failure closes the report file, keeping what was written before it.
  ReportFileCloser close_on_exit(report_);

  if (request.write_report) {
    // A listing is created or appended to in one step: two runs indexing
    // into a missing listing at once both keep their block.
    report_.OpenReportFile(request.report_path, state_.index_mode);
  }
  if (state_.index_mode) WriteListingHeader(start_dir);

  // A search by name stats only the entries whose names pass; an index
  // lists files alone.
  const EntryDetail detail = state_.index_mode     ? EntryDetail::kFiles
                             : upper_text_.empty() ? EntryDetail::kEvery
                                                   : EntryDetail::kKinds;
  {
    DirectoryReader reader(detail);
    SearchDirectory(reader, start_dir);
  }
  WriteClosingLines();
  sink_.SetStatus(StatusBar::kStatusBar1, std::string(kProgressLabel) +
                                              FormatInt(state_.dirs_examined) + "/" +
                                              FormatInt(state_.files_examined));
  request_ = nullptr;
}

void FileSearch::WriteListingHeader(const std::string& start_dir) {
  const SearchRequest& request = *request_;
  std::string comment =
      prompter_.InputBox("Introduce el comentario que desees al indexar el direcorio",
                         "Escribe el comentario. Etiqueta del DVD/CD.", "DVD/CD N.??" + start_dir);
  std::string place = IsBlank(request.directory) ? request.drive_text : start_dir;
  report_.WriteReportLine(ListingHeader(place, now_(), comment, formats_));
  report_.WriteReportLine(kListingColumnTitles);
  report_.WriteReportLine(kListingDashes);
}

void FileSearch::WriteClosingLines() {
  const bool dates = request_->list_dates;
  std::string count_line;
  if (state_.index_mode) {
    count_line = "Se han encontrado " + FormatInt(state_.match_count) + " ficheros.";
    sink_.AddReportLine(count_line);
  } else {
    count_line = "Se han encontrado " + FormatInt(state_.match_count) + " coincidencias. (" +
                 FormatFixed12(state_.total_bytes) + " bytes.)";
    sink_.AddReportLine("");
    sink_.AddReportLine(count_line);
  }
  if (dates) {
    sink_.AddReportLine(
        "Las fechas son: Fecha creacion; fecha ultimo acceso; fecha ultima modificacion");
  }
  if (report_.IsOpen()) {
    report_.WriteReportLine("");
    report_.WriteReportLine(count_line);
    if (dates) {
      report_.WriteReportLine(
          "Las fechas son: Fecha creacion; fecha ultimo acceso; fecha ultima escritura");
    }
    report_.CloseReportFile();
  }
}

void FileSearch::SearchDirectory(DirectoryReader& reader, const std::string& dir_path) {
  std::vector<DirEntry> entries;
  // A directory that cannot be enumerated contributes nothing; it is named
  // among the skipped entries.
  if (!ListForWalk(reader, dir_path, entries, skipped_)) return;

  std::string progress;
  for (DirEntry& entry : entries) {
    if (entry.IsDirectory()) {
      if (entry.name != "." && entry.name != "..") {
        ++state_.dirs_examined;
        progress.assign(kProgressLabel);
        progress += FormatInt(state_.dirs_examined);
        progress += '/';
        progress += FormatInt(state_.files_examined);
        progress += " (";
        progress += entry.name;
        progress += ')';
        sink_.ShowProgress(StatusBar::kStatusBar1, progress);
        std::string sub_path = dir_path;
        sub_path += entry.name;
        sub_path += kPathSep;
        SearchDirectory(reader, sub_path);
      }
    } else {
      ++state_.files_examined;
    }

    if (state_.index_mode) {
      if (!entry.IsDirectory()) WriteListingLine(dir_path, entry);
      continue;
    }
    if (Matches(dir_path, entry)) ListEntry(dir_path, entry);
  }
}

bool FileSearch::Matches(const std::string& dir_path, DirEntry& entry) {
  // The date fields are read at the first entry tested, whatever its name,
  // so that an invalid one always stops the search there.
  if (!dates_read_) {
    const int year = now_().date.year;
    if (!IsBlank(request_->older_than)) {
      older_than_ = ParseDateTime(request_->older_than, formats_, year);
    } else {
      older_than_.reset();
    }
    if (!IsBlank(request_->newer_than)) {
      newer_than_ = ParseDateTime(request_->newer_than, formats_, year);
    } else {
      newer_than_.reset();
    }
    dates_read_ = true;
  }

  if (!upper_text_.empty()) {
    UpperAsciiInto(entry.name, upper_name_);
    if (!Occurs(upper_text_, upper_name_)) return false;
  }
  if (!DetailForWalk(dir_path, entry, skipped_)) return false;
  if (static_cast<std::int64_t>(entry.size) < min_size_) return false;

  // Local date-time fields: where the clocks go back an hour repeats and
  // where they go forward one is skipped, and the person means what the
  // clock showed.
  if (older_than_ || newer_than_) {
    const CivilDateTime written = LocalFromUnix(entry.write_time);
    if (older_than_ && !(written < *older_than_)) return false;
    if (newer_than_ && !(written > *newer_than_)) return false;
  }
  return true;
}

std::string FileSearch::Suffixes(const DirEntry& entry) const {
  std::string suffix;
  if (request_->list_size)
    suffix += " (" + FormatInt(static_cast<std::int64_t>(entry.size)) + " bytes)";
  if (request_->list_dates) {
    suffix += " (" + FormatDate(UtcFromUnix(entry.creation_time).date, formats_) + ";" +
              FormatDate(UtcFromUnix(entry.access_time).date, formats_) + ";" +
              FormatDate(UtcFromUnix(entry.write_time).date, formats_) + ")";
  }
  return suffix;
}

void FileSearch::ListEntry(const std::string& dir_path, const DirEntry& entry) {
  std::string line = dir_path;
  line += entry.name;
  if (request_->list_size || request_->list_dates) line += Suffixes(entry);
  sink_.AddReportLine(line);
  report_.WriteReportLine(line);
  state_.total_bytes += static_cast<double>(entry.size);
  ++state_.match_count;

  if (request_->change_date) {
    if (!new_write_time_) {
      CivilDateTime midnight{ParseDate(request_->new_date, formats_, now_().date.year), 0, 0, 0};
      new_write_time_ = UnixFromLocal(midnight);
    }
    // Entries that cannot be re-dated keep their date, silently.
    if (entry.kind == EntryKind::kFile) SetWriteTime(dir_path + entry.name, *new_write_time_);
  }
}

void FileSearch::WriteListingLine(const std::string& dir_path, const DirEntry& entry) {
  const bool same_dir = dir_path == state_.last_listed_dir;
  std::string suffix;
  if (request_->list_size)
    suffix = " (" + FormatInt(static_cast<std::int64_t>(entry.size)) + " bytes)";
  report_.WriteReportLine(ListingFileLine(static_cast<double>(entry.size),
                                          LocalFromUnix(entry.write_time), dir_path, entry.name,
                                          same_dir, suffix, formats_));
  state_.last_listed_dir = dir_path;
  state_.total_bytes = static_cast<double>(entry.size);
  ++state_.match_count;
}

}  // namespace zuruza
