#include "navigation/backup.h"

#include <cerrno>
#include <optional>

#include "base/errors.h"
#include "core/numbers.h"
#include "core/text_file.h"
#include "core/text_rules.h"
#include "platform/copy.h"
#include "platform/fs.h"
#include "platform/path.h"
#include "platform/time_resolution.h"

namespace zuruza {

namespace {

constexpr std::string_view kDefaultReportCaption = "Fichero del Informe";

std::int64_t Milliseconds(UnixNanos t) {
  std::int64_t ms = t / 1'000'000;
  return (t % 1'000'000 < 0) ? ms - 1 : ms;
}

std::string Normalised(const std::string& text) {
  if (text.empty()) return std::string(".") + kPathSep;
  return WithTrailingSep(text);
}

// A separator between names; on Windows a '/' someone typed is one too.
bool IsSeparator(char c) { return c == kPathSep || (kPathSep == '\\' && c == '/'); }

// How many leading bytes of `path` name its root: 0 for a relative path.
std::size_t RootLength(std::string_view path) {
  if (kPathSep == '\\') {
    if (path.size() >= 2 && path[1] == ':') return path.size() > 2 && IsSeparator(path[2]) ? 3 : 2;
    if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
      // A share: "\\server\share" is the root.
      std::size_t end = 2;
      while (end < path.size() && !IsSeparator(path[end])) ++end;
      if (end < path.size()) ++end;
      while (end < path.size() && !IsSeparator(path[end])) ++end;
      return end;
    }
  }
  return !path.empty() && IsSeparator(path[0]) ? 1 : 0;
}

}  // namespace

std::string GroupDigits(double value) { return GroupThousands(value); }

void CreatePath(const std::string& path) {
  const std::string trimmed = Trim(path);
  // Where the levels start: the root, which is no level to create ("/";
  // on Windows "c:" or "\\server\share" too), else "." for a relative path.
  const std::size_t root = RootLength(trimmed);
  std::string current = root > 0 ? trimmed.substr(0, root) : std::string(".");
  if (current.back() == ':') {
    current += '.';  // "c:" alone is the drive's current directory
  } else {
    while (!current.empty() && IsSeparator(current.back())) current.pop_back();
  }
  std::size_t start = root;
  while (start < trimmed.size()) {
    std::size_t end = start;
    while (end < trimmed.size() && !IsSeparator(trimmed[end])) ++end;
    if (end > start) {
      current += kPathSep;
      current += trimmed.substr(start, end - start);
      CreateOneDirectory(current);  // an existing level is fine
    }
    start = end + 1;
  }
}

BackupCopier::BackupCopier(ReportSink& sink, Prompter& prompter)
    : sink_(sink), prompter_(prompter) {}

void BackupCopier::AddToList(std::string line) {
  sink_.AddReportLine(line);
  copied_list_.push_back(std::move(line));
}

BackupEnd BackupCopier::RunBackupJob(const BackupRequest& request) {
  sink_.ClearReport();
  copied_list_.clear();
  stop_requested_ = false;
  directories_processed_ = 0;
  files_copied_ = 0;
  bytes_copied_ = 0;
  skipped_.Clear();

  const std::string source = Normalised(request.source);
  const std::string destination = Normalised(request.destination);
  // The destination text inside the source text: nothing to do, silently.
  if (Occurs(destination, source)) return BackupEnd::kNothingToDo;
  // A source that cannot be read is an error before anything is created.
  RequireReadableDirectory(source);
  // A destination below the source would walk into its own copies: refused.
  if (LiesWithin(destination, source)) {
    throw Error(
        "El directorio destino está dentro del directorio origen: la copia entraría en "
        "sus propias copias. No se copia nada.");
  }

  CreatePath(destination);
  {
    // Directories are only entered; their own times are not needed.
    DirectoryReader reader(EntryDetail::kFiles);
    CopyTree(reader, source, destination);
  }

  if (stop_requested_) {
    prompter_.ShowMessage("No se desea copiar más archivos. Copia Cancelada");
    return BackupEnd::kStopped;
  }
  AddToList(" ");
  AddToList(FormatInt(files_copied_) + " ficheros copiados. (" + GroupDigits(bytes_copied_) +
            " bytes)");
  if (!request.report_path.empty() && request.report_path != kDefaultReportCaption) {
    TextWriter report(request.report_path, TextWriter::Mode::kReplace);
    for (const std::string& line : copied_list_) report.WriteLine(line);
    report.Close();
  }
  if (!request.batch_mode) prompter_.ShowMessage("Finalizado.");
  return BackupEnd::kFinished;
}

void BackupCopier::CopyTree(DirectoryReader& reader, const std::string& source_dir,
                            const std::string& dest_dir) {
  sink_.LetEventsRun();
  std::vector<DirEntry> entries;
  // A directory that cannot be read is skipped and named afterwards.
  if (!ListForWalk(reader, source_dir, entries, skipped_)) return;
  UnixNanos dest_step = 0;  // asked of the file system once a copy is compared
  for (const DirEntry& entry : entries) {
    if (stop_requested_) return;
    if (entry.IsDirectory()) {
      if (entry.name == "." || entry.name == "..") continue;
      ++directories_processed_;
      sink_.ShowProgress(
          StatusBar::kStatusBar1,
          "Directorios Procesados: " + FormatInt(directories_processed_) + " (" + entry.name + ")");
      int create_error = 0;
      CreateOneDirectory(dest_dir + entry.name, &create_error);  // it may exist already
      // What stands there under that name must be a real directory: the
      // copies must never go through a link (into the source, say) or fail
      // on a file one by one.
      const std::optional<DirEntry> there = StatPath(dest_dir + entry.name);
      if (!there) {
        // Nothing could be made there (a path too long, no permission): the
        // subtree is not copied, and named afterwards like an unread folder.
        skipped_.Add(source_dir + entry.name + kPathSep, create_error != 0 ? create_error : ENOENT);
        continue;
      }
      if (there->kind != EntryKind::kDirectory) {
        prompter_.ShowMessage("No se copia el directorio " + source_dir + entry.name +
                              ": en el destino, " + dest_dir + entry.name +
                              " no es un directorio.");
        continue;
      }
      CopyTree(reader, source_dir + entry.name + kPathSep, dest_dir + entry.name + kPathSep);
      continue;
    }
    // Fifos, sockets and devices have no contents to copy and are never opened.
    if (entry.kind == EntryKind::kOther) continue;
    bool copy = true;
    if (std::optional<DirEntry> existing = StatPath(dest_dir + entry.name);
        existing && !existing->IsDirectory()) {
      // Only a destination that is older, to the millisecond, is replaced. A
      // file system with coarser times (FAT, exFAT) holds the source's time
      // cut to its steps, so the source's time is cut alike before comparing.
      if (dest_step == 0) dest_step = WriteTimeStep(dest_dir);
      copy = Milliseconds(existing->write_time) <
             Milliseconds(FloorToStep(entry.write_time, dest_step));
    }
    if (copy) {
      FileCopy result = CopyOneFile(source_dir, dest_dir, entry.name, entry.size);
      if (result == FileCopy::kCancelled) return;
      if (result == FileCopy::kCopied) ++files_copied_;
    }
    sink_.ShowProgress(StatusBar::kStatusBar1Panel1,
                       "Ficheros Procesados: " + FormatInt(files_copied_) + " (" +
                           GroupDigits(bytes_copied_) + " bytes)");
    sink_.LetEventsRun();  // "Parar" is seen between skipped files too
  }
}

BackupCopier::FileCopy BackupCopier::CopyOneFile(const std::string& source_dir,
                                                 const std::string& dest_dir,
                                                 const std::string& name, std::uint64_t size) {
  sink_.LetEventsRun();
  AddToList(source_dir + name);
  sink_.ShowProgress(
      StatusBar::kStatusBar2,
      "Copiando: " + source_dir + name + " (" + GroupDigits(static_cast<double>(size)) + "bytes.)");
  for (;;) {
    std::optional<CopyOutcome> outcome;  // none when the copy failed
    try {
      outcome = CopyFilePreservingTime(source_dir + name, dest_dir + name);
    } catch (const IoError&) {
    }
    sink_.LetEventsRun();
    if (outcome == CopyOutcome::kCopied) break;
    // A file that vanished since the directory was read (or a fifo, a
    // device) has nothing to copy.
    if (outcome == CopyOutcome::kSourceGone) return FileCopy::kNothingToCopy;
    if (stop_requested_) return FileCopy::kCancelled;
    const bool retry = prompter_.AskOkCancel(
        "Se ha producido un error al copiar: " + dest_dir + name + ".\r\n" + "¿Disco lleno?\r\n" +
        "CAMBIA el DISCO y pulsa OK para CONTINUAR.\r\n" + "Pulsa CANCEL para Cancelar la Copia.");
    if (!retry) {
      stop_requested_ = true;
      return FileCopy::kCancelled;
    }
    CreatePath(dest_dir);  // a new, empty disk has none of the directories
    if (stop_requested_) return FileCopy::kCancelled;
  }
  bytes_copied_ += static_cast<double>(size);
  return FileCopy::kCopied;
}

}  // namespace zuruza
