#include "analysis/repes.h"

#include <memory>
#include <optional>

#include "base/errors.h"
#include "core/numbers.h"
#include "core/text_rules.h"
#include "platform/clock.h"

namespace zuruza {

std::string CompactDate(std::string_view date_text) {
  return Substring(date_text, 7, 4) + Substring(date_text, 4, 2) + Substring(date_text, 1, 2);
}

DuplicateFinder::DuplicateFinder(ReportSink& sink, Prompter& prompter, LocaleFormats formats,
                                 std::size_t capacity)
    : sink_(sink), prompter_(prompter), formats_(std::move(formats)), capacity_(capacity) {}

void DuplicateFinder::AddLine(std::string line) {
  sink_.AddReportLine(line);
  pane_lines_.push_back(std::move(line));
}

void DuplicateFinder::RunDuplicateSearch(const DuplicateRequest& request) {
  if (!request.batch_mode) {
    prompter_.ShowMessage("Se pueden analizar una lista de hasta " +
                          FormatInt(static_cast<std::int64_t>(capacity_)) +
                          " ficheros DIFERENTES como máximo.");
  }
  dirs_examined_ = files_examined_ = repeated_files_ = 0;
  table_.clear();
  index_.clear();
  summary_.Clear();
  pane_lines_.clear();
  min_size_read_ = false;
  request_ = &request;

  // The base text always gets a separator, as typed: "/a/" walks "/a//".
  const std::string start = request.base_directory.empty() ? std::string(".") + kPathSep
                                                           : request.base_directory + kPathSep;

  // A base that cannot be read is an error before the report file is made.
  skipped_.Clear();
  RequireReadableDirectory(start);

  // A failure closes the report file, keeping what was written before it.
  ReportFileCloser close_on_exit(report_);
  if (request.write_report) report_.OpenReportFile(request.report_path, false);

  sink_.ClearReport();
  AddLine(request.min_size_filter
              ? "LISTA DE ARCHIVOS REPETIDOS de más de " + request.min_size + " bytes."
              : std::string("LISTA DE ARCHIVOS REPETIDOS: "));
  AddLine("(Se buscan ficheros de mismo tamaño y mismo nombre)");
  if (request.details)
    AddLine("Fecha creacion; Fecha ultimo acceso; Fecha ultima modificación; Tamaño; Nombre");

  repeated_bytes_ = 0;
  {
    // Only files are compared: directories are not stat'ed.
    DirectoryReader reader(EntryDetail::kFiles);
    WalkForDuplicates(reader, start);
  }

  const std::string result = "Se han encontrado " + FormatInt(repeated_files_) +
                             " archivos repetidos. (" + FormatFixed(repeated_bytes_ / 1024, 1) +
                             " Kb)";
  if (!request.batch_mode) prompter_.ShowMessage(result);
  if (report_.IsOpen()) {
    for (const std::string& line : pane_lines_) report_.WriteReportLine(line);
    report_.WriteReportLine(result);
  }
  summary_.WriteDirectorySummary(sink_, report_);
  request_ = nullptr;
}

void DuplicateFinder::WalkForDuplicates(DirectoryReader& reader, const std::string& dir) {
  std::vector<DirEntry> entries;
  // A directory that cannot be enumerated contributes nothing; it is named
  // among the skipped entries.
  if (!ListForWalk(reader, dir, entries, skipped_)) return;
  for (const DirEntry& entry : entries) {
    if (entry.IsDirectory()) {
      if (entry.name == "." || entry.name == "..") continue;
      ++dirs_examined_;
      sink_.ShowProgress(
          StatusBar::kStatusBar2,
          "Directorios Examinados: " + FormatInt(dirs_examined_) + " (" + entry.name + ")");
      WalkForDuplicates(reader, dir + entry.name + kPathSep);
    } else {
      ExamineFile(dir, entry);
    }
  }
}

void DuplicateFinder::ExamineFile(const std::string& dir, const DirEntry& entry) {
  if (request_->min_size_filter) {
    // Read at the first file, so that a bad number stops the job there.
    if (!min_size_read_) {
      min_size_ = StrToInt64(request_->min_size);
      min_size_read_ = true;
    }
    if (min_size_ > 0 && entry.size < static_cast<std::uint64_t>(min_size_)) return;
  }
  ++files_examined_;

  auto found = index_.find(Key{entry.name, entry.size});
  if (found != index_.end()) {
    Entry& first = *table_[found->second];
    repeated_bytes_ += static_cast<double>(entry.size);
    summary_.AddToDirectorySummary(dir, entry.size);
    if (request_->details) {
      AddLine(FileDetails(entry) + ";" + dir + entry.name);
      if (!first.origin_listed) {
        // The first copy is listed once, right after its first repetition,
        // if it can still be found.
        first.origin_listed = true;
        if (std::optional<DirEntry> origin = StatPath(first.directory + first.name)) {
          AddLine(FileDetails(*origin) + ";" + first.directory + first.name);
        }
      }
    } else {
      AddLine(dir + entry.name);
    }
    ++repeated_files_;
  } else if (table_.size() < capacity_) {
    table_.push_back(std::make_unique<Entry>(Entry{entry.name, dir, entry.size, false}));
    index_.emplace(Key{table_.back()->name, entry.size}, table_.size() - 1);
    if (table_.size() == capacity_) {
      prompter_.ShowMessage(
          "Se llego al tope de ficheros DIFERENTES a analizar. Los resultados pueden no ser "
          "totalmente "
          "correctos.");
    }
  }
  sink_.ShowProgress(StatusBar::kStatusBar1, "Archivos Examinados: " + FormatInt(files_examined_) +
                                                 " (" + entry.name + ")");
}

std::string DuplicateFinder::FileDetails(const DirEntry& entry) const {
  auto compact = [&](UnixNanos when) {
    return CompactDate(FormatDate(UtcFromUnix(when).date, formats_));
  };
  return compact(entry.creation_time) + ";" + compact(entry.access_time) + ";" +
         compact(entry.write_time) + ";" + FormatInt(static_cast<std::int64_t>(entry.size));
}

}  // namespace zuruza
