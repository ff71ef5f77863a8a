#include "analysis/repes.h"

#include <algorithm>
#include <memory>
#include <numeric>
#include <optional>
#include <unordered_map>
#include <utility>

#include "analysis/file_walk.h"
#include "base/errors.h"
#include "core/numbers.h"
#include "core/text_rules.h"
#include "platform/clock.h"
#include "platform/path.h"

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
  met_.clear();
  met_dirs_.clear();
  differing_.clear();
  not_compared_.clear();
  left_uncompared_ = 0;
  bytes_compared_ = 0;
  stop_requested_ = false;
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
  const std::string title =
      request.by_content ? "LISTA DE ARCHIVOS DE MISMO CONTENIDO" : "LISTA DE ARCHIVOS REPETIDOS";
  AddLine(request.min_size_filter ? title + " de más de " + request.min_size + " bytes."
                                  : title + ": ");
  AddLine(request.by_content ? "(Se buscan ficheros de mismo contenido, sea cual sea su nombre)"
                             : "(Se buscan ficheros de mismo tamaño y mismo nombre)");
  if (request.details)
    AddLine("Fecha creacion; Fecha ultimo acceso; Fecha ultima modificación; Tamaño; Nombre");

  repeated_bytes_ = 0;
  {
    // Only files are compared: directories are not stat'ed.
    DirectoryReader reader(EntryDetail::kFiles);
    WalkFiles(reader, start, sink_, skipped_, dirs_examined_,
              [this](const std::string& dir, const DirEntry& entry) { ExamineFile(dir, entry); });
  }
  if (request.by_content) {
    GroupByContent();
  } else if (request.check_content) {
    CheckRepeatsByContent();
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
  // What the content checks set apart follows the summary.
  const auto section = [this](const char* title, const std::vector<std::string>& lines) {
    if (lines.empty()) return;
    for (const std::string& line : {std::string(), std::string(title)}) {
      sink_.AddReportLine(line);
      report_.WriteReportLine(line);
    }
    for (const std::string& line : lines) {
      sink_.AddReportLine(line);
      report_.WriteReportLine(line);
    }
  };
  section("Mismo nombre y tamaño, contenido distinto:", differing_);
  if (left_uncompared_ > 0)
    not_compared_.push_back("Comparación interrumpida: " + FormatInt(left_uncompared_) +
                            " ficheros sin comparar");
  section("No se han podido comparar:", not_compared_);
  if (report_.IsOpen()) report_.CloseReportFile();
  request_ = nullptr;
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

  if (request_->by_content) {
    // Empty files are all alike and free nothing; fifos, devices and links
    // are never opened.
    if (entry.kind == EntryKind::kFile && entry.size > 0) Remember(dir, entry);
  } else if (auto found = index_.find(Key{entry.name, entry.size}); found != index_.end()) {
    if (request_->check_content) {
      Remember(dir, entry, found->second);
    } else {
      ReportRepeat(dir, entry, *table_[found->second]);
    }
  } else if (table_.size() < capacity_) {
    table_.push_back(
        std::make_unique<Entry>(Entry{entry.name, dir, entry.size, entry.write_time, false}));
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

void DuplicateFinder::Remember(const std::string& dir, const DirEntry& entry, std::size_t first) {
  // The walk meets a directory's files one after the other.
  if (met_dirs_.empty() || met_dirs_.back() != dir) met_dirs_.push_back(dir);
  met_.push_back({static_cast<std::uint32_t>(met_dirs_.size() - 1), entry, first});
}

void DuplicateFinder::ReportRepeat(const std::string& dir, const DirEntry& entry, Entry& first) {
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
}

std::vector<ContentSets> DuplicateFinder::Compare(
    const std::vector<std::vector<ContentFile>>& groups) {
  const ContentProgress progress = [this](std::size_t taken, std::size_t total,
                                          const std::string& reading) {
    sink_.ShowProgress(StatusBar::kStatusBar1,
                       "Comparando contenido: " + FormatInt(static_cast<std::int64_t>(taken)) +
                           " de " + FormatInt(static_cast<std::int64_t>(total)) + " (" +
                           std::string(FileNameOf(reading)) + ")");
    sink_.LetEventsRun();  // "Parar" is seen here
    return !stop_requested_;
  };
  return CompareGroups(groups, WalkThreads(), progress, bytes_compared_);
}

void DuplicateFinder::NoteNotCompared(const ContentFile& file, const ContentSets& sets,
                                      std::size_t index) {
  // Once stopped, what was left is counted, not named file by file.
  if (sets.outcome[index] == ContentOutcome::kNotCompared) {
    ++left_uncompared_;
  } else {
    not_compared_.push_back(file.path + ";" + sets.trouble[index]);
  }
}

void DuplicateFinder::CheckRepeatsByContent() {
  // Each first copy with its repeats, in the order the first copies were met.
  std::vector<std::vector<std::size_t>> repeats_of(table_.size());
  for (std::size_t i = 0; i < met_.size(); ++i) repeats_of[met_[i].first].push_back(i);
  std::vector<std::size_t> firsts;
  std::vector<std::vector<ContentFile>> groups;
  for (std::size_t first = 0; first < table_.size(); ++first) {
    if (repeats_of[first].empty()) continue;
    const Entry& origin = *table_[first];
    firsts.push_back(first);
    groups.push_back({{origin.directory + origin.name, origin.size, origin.write_time}});
    for (std::size_t repeat : repeats_of[first]) groups.back().push_back(ContentOf(met_[repeat]));
  }
  const std::vector<ContentSets> all_sets = Compare(groups);
  std::vector<bool> alike(met_.size(), false);
  for (std::size_t g = 0; g < groups.size(); ++g) {
    const std::vector<ContentFile>& files = groups[g];
    const ContentSets& sets = all_sets[g];
    const std::vector<std::size_t>& repeats = repeats_of[firsts[g]];
    const bool origin_read = sets.outcome[0] == ContentOutcome::kCompared;
    if (!origin_read) NoteNotCompared(files[0], sets, 0);
    for (std::size_t k = 1; k < files.size(); ++k) {
      const ContentOutcome outcome = sets.outcome[k];
      if (outcome != ContentOutcome::kCompared && outcome != ContentOutcome::kHardLink) {
        NoteNotCompared(files[k], sets, k);
      } else if (!origin_read) {
        not_compared_.push_back(files[k].path + ";" + "no se ha podido leer " + files[0].path);
      } else if (SetOf(sets, k) == SetOf(sets, 0)) {
        alike[repeats[k - 1]] = true;
      } else {
        differing_.push_back(files[k].path + ";" + files[0].path);
      }
    }
  }
  // Listed in the order the walk met them, as without the check.
  for (std::size_t i = 0; i < met_.size(); ++i) {
    if (alike[i]) ReportRepeat(DirOf(met_[i]), met_[i].entry, *table_[met_[i].first]);
  }
}

void DuplicateFinder::GroupByContent() {
  // Only files that share their size with another are read.
  std::vector<std::size_t> order(met_.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(order.begin(), order.end(), [this](std::size_t a, std::size_t b) {
    return met_[a].entry.size < met_[b].entry.size;
  });
  struct Group {
    std::uint64_t size = 0;
    std::vector<std::size_t> files;                          // in walk order
    std::vector<std::pair<std::size_t, std::size_t>> links;  // another name, the file
  };
  // Every size two files or more share, compared as one group.
  std::vector<std::vector<std::size_t>> same_sizes;
  std::vector<std::vector<ContentFile>> to_compare;
  for (std::size_t i = 0, j = 0; i < order.size(); i = j) {
    const std::uint64_t size = met_[order[i]].entry.size;
    for (j = i + 1; j < order.size() && met_[order[j]].entry.size == size;) ++j;
    if (j - i < 2) continue;
    same_sizes.emplace_back(order.begin() + static_cast<std::ptrdiff_t>(i),
                            order.begin() + static_cast<std::ptrdiff_t>(j));
    to_compare.emplace_back();
    for (std::size_t index : same_sizes.back()) to_compare.back().push_back(ContentOf(met_[index]));
  }
  const std::vector<ContentSets> all_sets = Compare(to_compare);
  std::vector<Group> groups;
  for (std::size_t g = 0; g < to_compare.size(); ++g) {
    const std::vector<std::size_t>& same_size = same_sizes[g];
    const std::vector<ContentFile>& files = to_compare[g];
    const ContentSets& sets = all_sets[g];
    std::unordered_map<std::size_t, Group> by_set;
    for (std::size_t k = 0; k < files.size(); ++k) {
      switch (sets.outcome[k]) {
        case ContentOutcome::kCompared:
          by_set[SetOf(sets, k)].files.push_back(same_size[k]);
          break;
        case ContentOutcome::kHardLink:
          by_set[SetOf(sets, k)].links.emplace_back(same_size[k], same_size[sets.first_alike[k]]);
          break;
        default:
          NoteNotCompared(files[k], sets, k);
      }
    }
    for (auto& [set, group] : by_set) {
      if (group.files.size() < 2) continue;
      group.size = files[0].size;
      groups.push_back(std::move(group));
    }
  }

  // The groups that hold most bytes first; equal ones as the walk met them.
  std::sort(groups.begin(), groups.end(), [](const Group& a, const Group& b) {
    const double bytes_a = static_cast<double>(a.size) * static_cast<double>(a.files.size());
    const double bytes_b = static_cast<double>(b.size) * static_cast<double>(b.files.size());
    return bytes_a != bytes_b ? bytes_a > bytes_b : a.files[0] < b.files[0];
  });
  std::int64_t number = 0;
  for (const Group& group : groups) {
    AddLine("");
    AddLine("Grupo " + FormatInt(++number) + ": " +
            FormatInt(static_cast<std::int64_t>(group.files.size())) + " ficheros de " +
            GroupedBytes(group.size));
    for (std::size_t file : group.files) {
      const Met& met = met_[file];
      const std::string path = DirOf(met) + met.entry.name;
      AddLine(request_->details ? FileDetails(met.entry) + ";" + path : path);
      // The first of a group is the one kept; the others are its repetitions.
      if (file != group.files[0]) {
        repeated_bytes_ += static_cast<double>(met.entry.size);
        summary_.AddToDirectorySummary(DirOf(met), met.entry.size);
        ++repeated_files_;
      }
      for (const auto& [link, target] : group.links) {
        if (target != file) continue;
        const Met& name = met_[link];
        AddLine(DirOf(name) + name.entry.name + " (enlace duro de " + path + ")");
      }
    }
  }
}

std::string DuplicateFinder::FileDetails(const DirEntry& entry) const {
  auto compact = [&](UnixNanos when) {
    return CompactDate(FormatDate(UtcFromUnix(when).date, formats_));
  };
  return compact(entry.creation_time) + ";" + compact(entry.access_time) + ";" +
         compact(entry.write_time) + ";" + FormatInt(static_cast<std::int64_t>(entry.size));
}

}  // namespace zuruza
