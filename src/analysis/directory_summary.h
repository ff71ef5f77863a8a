// The per-directory summary that ends every duplicate report: for each
// directory holding repeated files, how many and how many kilobytes, in the
// order the directories had their first repeated file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/report_file.h"
#include "core/report_sink.h"

namespace zuruza {

class DirectorySummary {
 public:
  void Clear();
  // One more repeated file of `size` bytes in `directory` (compared byte for
  // byte). The table has no fixed bound: every directory keeps its line.
  void AddToDirectorySummary(std::string_view directory, std::uint64_t size);
  // The empty lines, the titles (the file's and the pane's differ) and one
  // line per directory: count;kilobytes;directory, the kilobytes rounded to
  // the nearest whole number, halves to the even one. The file stays open
  // for what follows the summary.
  void WriteDirectorySummary(ReportSink& sink, ReportFile& file) const;

  struct Entry {
    std::string directory;
    std::int32_t files = 0;
    double kilobytes = 0;
  };
  const std::vector<Entry>& entries() const { return entries_; }

 private:
  std::vector<Entry> entries_;
  std::unordered_map<std::string, std::size_t> index_;
};

}  // namespace zuruza
