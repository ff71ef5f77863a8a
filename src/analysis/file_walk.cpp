#include "analysis/file_walk.h"

#include <vector>

#include "core/numbers.h"

namespace zuruza {

void WalkFiles(DirectoryReader& reader, const std::string& dir, ReportSink& sink,
               SkippedEntries& skipped, std::int32_t& dirs_examined, const FileVisitor& visit) {
  std::vector<DirEntry> entries;
  // A directory that cannot be enumerated contributes nothing; it is named
  // among the skipped entries.
  if (!ListForWalk(reader, dir, entries, skipped)) return;
  for (const DirEntry& entry : entries) {
    if (entry.IsDirectory()) {
      if (entry.name == "." || entry.name == "..") continue;
      ++dirs_examined;
      sink.ShowProgress(
          StatusBar::kStatusBar2,
          "Directorios Examinados: " + FormatInt(dirs_examined) + " (" + entry.name + ")");
      WalkFiles(reader, dir + entry.name + kPathSep, sink, skipped, dirs_examined, visit);
    } else {
      visit(dir, entry);
    }
  }
}

}  // namespace zuruza
