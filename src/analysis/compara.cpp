#include "analysis/compara.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "base/errors.h"
#include "core/numbers.h"
#include "platform/fs.h"

namespace zuruza {

namespace {

// The entry of that name in a listing (sorted by byte order after "." and
// ".."), or nullptr.
const DirEntry* FindByName(const std::vector<DirEntry>& entries, const std::string& name) {
  auto less = [](const DirEntry& entry, const std::string& key) {
    return std::string_view(entry.name).compare(key) < 0;
  };
  auto begin = entries.begin();
  while (begin != entries.end() && (begin->name == "." || begin->name == "..")) ++begin;
  auto it = std::lower_bound(begin, entries.end(), name, less);
  if (it != entries.end() && it->name == name) return &*it;
  // "." and ".." themselves are not looked up by this walk.
  return nullptr;
}

}  // namespace

void TreeComparator::AddLine(const std::string& line) {
  sink_.AddReportLine(line);
  report_.WriteReportLine(line);
}

void TreeComparator::CompareTrees(const CompareRequest& request) {
  directories_examined_ = files_examined_ = files_different_ = 0;
  // Each text gets its separator, as typed: "/a/" walks "/a//".
  auto root = [](const std::string& text) {
    return text.empty() ? std::string(".") + kPathSep : text + kPathSep;
  };
  ReportFileCloser close_on_exit(report_);
  if (request.write_report) report_.OpenReportFile(request.report_path, false);

  sink_.ClearReport();
  AddLine("LISTA DE ARCHIVOS QUE NO SON IGUALES:");
  {
    // Each tree read ahead on its own; only files are compared.
    DirectoryReader first(EntryDetail::kFiles);
    DirectoryReader second(EntryDetail::kFiles);
    WalkCompare(first, second, root(request.first), root(request.second));
  }

  const std::string result =
      "Se han encontrado " + FormatInt(files_different_) + " archivos diferentes.";
  prompter_.ShowMessage(result);
  if (report_.IsOpen()) {
    report_.WriteReportLine("");
    report_.WriteReportLine("Se han examinado " + FormatInt(directories_examined_) +
                            " directorios");
    report_.WriteReportLine(result);
    report_.CloseReportFile();
  }
}

void TreeComparator::WalkCompare(DirectoryReader& first, DirectoryReader& second,
                                 const std::string& a, const std::string& b) {
  std::vector<DirEntry> entries;
  if (!first.List(a, entries)) return;  // skipped without a message
  // One listing of the second tree's directory serves every file of this
  // one; a missing directory there lists nothing, so all files differ.
  std::vector<DirEntry> others;
  bool others_read = false;
  for (const DirEntry& entry : entries) {
    if (entry.IsDirectory()) {
      if (entry.name == "." || entry.name == "..") continue;
      ++directories_examined_;
      sink_.ShowProgress(
          StatusBar::kStatusBar2,
          "Directorios Examinados: " + FormatInt(directories_examined_) + " (" + entry.name + ")");
      WalkCompare(first, second, a + entry.name + kPathSep, b + entry.name + kPathSep);
      continue;
    }
    ++files_examined_;
    sink_.ShowProgress(
        StatusBar::kStatusBar1,
        "Archivos Examinados: " + FormatInt(files_examined_) + " (" + entry.name + ")");
    if (!others_read) {
      second.List(b, others);
      others_read = true;
    }
    const DirEntry* other = FindByName(others, entry.name);
    if (other == nullptr || other->size != entry.size) {
      ++files_different_;
      AddLine(a + entry.name);
    }
  }
}

}  // namespace zuruza
