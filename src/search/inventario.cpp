#include "search/inventario.h"

#include <optional>

#include "core/errors.h"
#include "core/numbers.h"
#include "core/text_rules.h"
#include "platform/fs.h"
#include "platform/paths.h"
#include "search/busca.h"
#include "search/listing.h"

namespace zuruza {

namespace {

constexpr std::size_t kMaxListedPath = 1000;

// ASCII upper-casing into a reused buffer: this runs once per listing line.
void UpperInto(std::string_view text, std::string& out) {
  out.assign(text);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
}

// The size field: from the second byte to just before the first ")"; 0 when
// it does not read as a whole number.
double LineSize(std::string_view line) {
  std::size_t close = line.find(')');
  if (close == std::string_view::npos || close < 1) return 0;
  std::string_view field = line.substr(1, close - 1);
  while (!field.empty() && field.front() == ' ') field.remove_prefix(1);
  std::optional<std::int64_t> size = ParseInteger(field);
  return size ? static_cast<double>(*size) : 0;
}

// The date field: between the first ")" and the first ">"; the zero date
// (30/12/1899) when it does not read as a date and time.
CivilDateTime LineDate(std::string_view line, const LocaleFormats& formats, int current_year) {
  std::size_t close = line.find(')');
  std::size_t gt = line.find('>');
  if (close == std::string_view::npos || gt == std::string_view::npos || gt <= close) return {};
  try {
    return ParseDateTime(line.substr(close + 1, gt - close - 1), formats, current_year);
  } catch (const ConversionError&) {
    return {};
  }
}

// The directory of a full-path line: the path after the first ">", trimmed,
// cut just after its last separator.
std::string LineDirectory(std::string_view line) {
  std::size_t gt = line.find('>');
  std::string path =
      gt == std::string_view::npos ? std::string() : Trim(Substring(line, static_cast<long long>(gt) + 2, kMaxListedPath));
  std::size_t sep = path.rfind(kPathSep);
  if (sep != std::string::npos) path.resize(sep + 1);
  return path;
}

}  // namespace

std::vector<std::string> LoadListingIndex(const std::string& program_dir) {
  const std::string index_path = program_dir + std::string(kListingIndexName);
  if (!PathExists(index_path)) {
    MakeDirectories(program_dir);
    TextWriter writer(index_path, TextWriter::Mode::kReplace);
    writer.WriteLine(kDefaultListingName);
    writer.Close();
  }
  std::vector<std::string> listings;
  TextReader reader(index_path);
  std::string line;
  while (reader.ReadLine(line)) {
    if (IsBlank(line)) continue;  // a stray empty line names no listing
    listings.push_back(line.find(kPathSep) != std::string::npos ? line : program_dir + line);
  }
  return listings;
}

void AddToListingIndex(const std::string& program_dir, std::string_view listing_path) {
  MakeDirectories(program_dir);
  TextWriter writer(program_dir + std::string(kListingIndexName), TextWriter::Mode::kAppend);
  writer.WriteLine(listing_path);
  writer.Close();
}

std::vector<std::string> DefaultResultsFileCandidates() {
  return {HomeDirectory() + std::string(kResultsFileName),
          TempDirectory() + "zelq" + kPathSep + std::string(kResultsFileName)};
}

ResultsFile CreateResultsFile(const std::vector<std::string>& candidates) {
  for (std::size_t i = 0; i < candidates.size(); ++i) {
    const std::string& path = candidates[i];
    try {
      if (i > 0) {
        std::size_t sep = path.rfind(kPathSep);
        if (sep != std::string::npos) MakeDirectories(path.substr(0, sep + 1));
      }
      return ResultsFile{path, std::make_unique<TextWriter>(path, TextWriter::Mode::kReplace)};
    } catch (const IoError&) {
      if (i + 1 == candidates.size()) throw;
    }
  }
  throw IoError(kFileNotFound);
}

ListingSearchResult SearchIndexedDisks(const std::string& listing_path,
                                       const ListingSearchRequest& request, ResultsFile& results,
                                       ReportSink& sink, Prompter& prompter,
                                       const LocaleFormats& formats, int current_year,
                                       std::size_t pane_capacity) {
  ListingSearchResult result;
  sink.ClearReport();
  TextReader listing(listing_path);

  const std::string upper_text = IsBlank(request.search_text) ? std::string() : UpperAscii(request.search_text);
  const double min_size = static_cast<double>(MinimumSize(request.min_size));
  std::optional<CivilDateTime> older_than, newer_than;
  bool bounds_read = false;

  std::string line, upper_line, pending_header, current_dir;
  bool header_pending = false;
  std::size_t pane_lines = 0, file_lines = 0;
  auto add = [&](const std::string& text) {
    ++file_lines;
    if (pane_lines < pane_capacity) {
      sink.AddReportLine(text);
      ++pane_lines;
    }
    results.writer->WriteLine(text);
  };

  while (listing.ReadLine(line)) {
    prompter.ProcessEvents();
    ++result.lines_read;
    if (line.find(kListingHeaderMark) != std::string::npos) {
      pending_header = line;
      header_pending = true;
      continue;
    }
    const bool same_dir = line.find(kSameDirMark) != std::string::npos;
    if (!same_dir) current_dir = LineDirectory(line);

    // The bounds are read at the first line tested, so that an invalid one
    // stops the search there.
    if (!bounds_read) {
      if (!IsBlank(request.older_than)) older_than = ParseDateTime(request.older_than, formats, current_year);
      if (!IsBlank(request.newer_than)) newer_than = ParseDateTime(request.newer_than, formats, current_year);
      bounds_read = true;
    }
    if (!upper_text.empty()) {
      UpperInto(line, upper_line);
      if (!Occurs(upper_text, upper_line)) continue;
    }
    if (LineSize(line) < min_size) continue;
    if (older_than || newer_than) {
      CivilDateTime date = LineDate(line, formats, current_year);
      if (older_than && !(date < *older_than)) continue;
      if (newer_than && !(date > *newer_than)) continue;
    }

    if (header_pending) {
      ++result.lines_added;
      add(pending_header);
      header_pending = false;
    }
    if (same_dir) {
      std::string mark = std::string(kSameDirMark) + kPathSep;
      std::size_t at = line.find(mark);
      if (at != std::string::npos) line.replace(at, mark.size(), current_dir);
    }
    ++result.lines_added;
    ++result.matches;
    sink.ShowProgress(StatusBar::kStatusBar1, "Coincidencias:" + FormatInt(result.matches) + " de " +
                                                  FormatInt(result.lines_read) + " ficheros.");
    add(line);
  }

  ++result.lines_added;  // the empty line and the count are counted as one
  add("");
  add("Coincidencias Encontradas: " + FormatInt(result.matches));
  results.writer->Close();

  if (pane_lines < file_lines) {
    sink.ClearReport();
    result.pane_overflowed = true;
  }
  sink.SetStatus(StatusBar::kStatusBar1, "FIN. Buscar en Discos Indexados. Coincidencias:" +
                                             FormatInt(result.matches) + " de " +
                                             FormatInt(result.lines_read) + " ficheros.");
  return result;
}

int ListIndexedDisks(const std::string& listing_path, ReportSink& sink) {
  sink.ClearReport();
  TextReader listing(listing_path);
  int count = 0;
  std::string line;
  while (listing.ReadLine(line)) {
    if (line.find(kListingHeaderMark) == std::string::npos) continue;
    sink.AddReportLine(line);
    ++count;
  }
  sink.SetStatus(StatusBar::kStatusBar1, "FIN. Ver Discos Indexados. Coincidencias: " + FormatInt(count));
  return count;
}

}  // namespace zuruza
