// The walk the duplicate tools share: depth first from a directory (its path
// ending in a separator), each directory below counted and shown on the
// second status bar as "Directorios Examinados: N (name)", every other entry
// handed over with its directory. Directories that cannot be read are
// skipped and named in `skipped`.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "core/report_sink.h"
#include "core/skipped_entries.h"
#include "platform/directory_reader.h"

namespace zuruza {

using FileVisitor = std::function<void(const std::string& dir, const DirEntry& entry)>;

void WalkFiles(DirectoryReader& reader, const std::string& dir, ReportSink& sink,
               SkippedEntries& skipped, std::int32_t& dirs_examined, const FileVisitor& visit);

}  // namespace zuruza
