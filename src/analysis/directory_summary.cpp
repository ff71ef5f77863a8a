#include "analysis/directory_summary.h"

#include <cmath>

#include "core/numbers.h"

namespace zuruza {

void DirectorySummary::Clear() {
  entries_.clear();
  index_.clear();
}

void DirectorySummary::AddToDirectorySummary(std::string_view directory, std::uint64_t size) {
  auto [it, added] = index_.try_emplace(std::string(directory), entries_.size());
  if (added) entries_.push_back(Entry{std::string(directory), 0, 0});
  Entry& entry = entries_[it->second];
  entry.files += 1;
  entry.kilobytes += static_cast<double>(size) / 1024;
}

void DirectorySummary::WriteDirectorySummary(ReportSink& sink, ReportFile& file) const {
  if (file.IsOpen()) {
    file.WriteReportLine("");
    file.WriteReportLine("");
    file.WriteReportLine("Informe Resumen de directorios");
    file.WriteReportLine("N. Ficheros; Tamaño; Nombre Directorio");
  }
  sink.AddReportLine("");
  sink.AddReportLine("");
  sink.AddReportLine("Informe Resumen de directorios");
  sink.AddReportLine("N. Ficheros; Tamaño en KB; Nombre Directorio");
  for (const Entry& entry : entries_) {
    // nearbyint rounds halves to the even neighbour in the default mode.
    std::string line = FormatInt(entry.files) + ";" +
                       FormatFixed(std::nearbyint(entry.kilobytes), 0) + ";" + entry.directory;
    sink.AddReportLine(line);
    file.WriteReportLine(line);
  }
}

}  // namespace zuruza
