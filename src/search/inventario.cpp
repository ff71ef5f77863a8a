#include "search/inventario.h"

#include <cstdint>
#include <cstring>
#include <fstream>
#include <optional>

#include "base/bytes.h"
#include "base/errors.h"
#include "core/numbers.h"
#include "core/text_rules.h"
#include "platform/fs.h"
#include "platform/line_ends.h"
#include "platform/path.h"
#include "platform/paths.h"
#include "search/busca.h"
#include "search/inventario_detail.h"
#include "search/listing.h"

namespace zuruza {

namespace {

// The next header mark in a block at or after `from`: a byte search of the
// C library skips through the many "(" of the file lines much faster than a
// plain find.
std::size_t FindHeaderMark(std::string_view block, std::size_t from) {
  if (from >= block.size()) return std::string_view::npos;
  const char* mark = FindBytes(block.data() + from, block.size() - from, kListingHeaderMark.data(),
                               kListingHeaderMark.size());
  return mark == nullptr ? std::string_view::npos : static_cast<std::size_t>(mark - block.data());
}

// Whether `text` ends with a line end, by the line rules of TextReader: a
// line ends at a CR, at a CR LF taken as one, or at a lone LF where this
// system's lines end so (platform/line_ends.h).
bool EndsWithLineEnd(std::string_view text) {
  if (text.empty()) return false;
  if (text.back() == '\r') return true;
  return text.back() == '\n' &&
         (kLoneLfEndsLine || (text.size() > 1 && text[text.size() - 2] == '\r'));
}

// Start of the line holding the byte at `at` (not itself a line-end byte) of
// a block of whole lines: just after the last line end before it.
std::size_t LineStart(std::string_view block, std::size_t at) {
  if constexpr (!kLoneLfEndsLine) {
    // Every line end holds a CR; the LF of a CR LF goes with it.
    const char* cr = FindLastByte(block.data(), '\r', at);
    if (cr == nullptr) return 0;
    std::size_t start = static_cast<std::size_t>(cr - block.data()) + 1;
    if (start < at && block[start] == '\n') ++start;
    return start;
  }
  // The C library's search runs far faster than a byte loop. Listings end their lines with
  // CR LF or LF, so the LF found first bounds the search for a lone CR.
  std::size_t start = 0;
  if (const char* lf = FindLastByte(block.data(), '\n', at); lf != nullptr) {
    start = static_cast<std::size_t>(lf - block.data()) + 1;
  }
  if (const char* cr = FindLastByte(block.data() + start, '\r', at - start); cr != nullptr) {
    start = static_cast<std::size_t>(cr - block.data()) + 1;
  }
  return start;
}

// Where the line holding the byte at `at` ends: its first line-end byte, or
// the block's end.
std::size_t LineStop(std::string_view block, std::size_t at) {
  const std::size_t stop = kLoneLfEndsLine ? block.find_first_of("\r\n", at) : block.find('\r', at);
  return stop == std::string_view::npos ? block.size() : stop;
}

// The directory of the last line before `end` that is neither a header nor
// an abbreviated line, searching back; false when none is in the block.
bool DirectoryBefore(std::string_view block, std::size_t end, std::string& dir) {
  while (end > 0) {
    // The line ending just before `end`: drop its line end first.
    std::size_t stop = end;
    if (EndsWithLineEnd(block.substr(0, stop)) && block[stop - 1] == '\n') --stop;
    if (stop > 0 && block[stop - 1] == '\r') --stop;  // a CR alone, or the CR of a CR LF
    std::size_t start = LineStart(block, stop);
    std::string_view line = block.substr(start, stop - start);
    if (!IsListingHeader(line) && !IsAbbreviatedListingLine(line)) {
      dir = ListingLineDirectory(line);
      return true;
    }
    end = start;
  }
  return false;
}

// Whether a line of the listing index is a path of its own rather than a
// file beside the index: on Windows a person may write "d:" or "/" in it.
bool IsWholePath(std::string_view line) {
  if (line.find(kPathSep) != std::string_view::npos) return true;
  return kPathSep == '\\' && line.find_first_of("/:") != std::string_view::npos;
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
    listings.push_back(IsWholePath(line) ? line : program_dir + line);
  }
  return listings;
}

void AddToListingIndex(const std::string& program_dir, std::string_view listing_path) {
  MakeDirectories(program_dir);
  const std::string index_path = program_dir + std::string(kListingIndexName);
  TextWriter writer(index_path, TextWriter::Mode::kAppend);
  // A hand-edited index may end without a line end: the new name must not
  // be glued onto its last line.
  if (std::ifstream existing(index_path, std::ios::binary); existing.seekg(-1, std::ios::end)) {
    const int last = existing.get();
    if (last != '\r' && last != '\n') writer.WriteLine("");
  }
  writer.WriteLine(listing_path);
  writer.Close();
}

std::vector<std::string> DefaultResultsFileCandidates() {
  std::vector<std::string> candidates;
  for (const std::string& folder : ResultsFolders())
    candidates.push_back(folder + std::string(kResultsFileName));
  return candidates;
}

ResultsFile CreateResultsFile(const std::vector<std::string>& candidates) {
  for (std::size_t i = 0; i < candidates.size(); ++i) {
    const std::string& path = candidates[i];
    try {
      if (i > 0) {
        if (const std::string folder = FolderOf(path); !folder.empty()) MakeDirectories(folder);
      }
      return ResultsFile{path, std::make_unique<TextWriter>(path, TextWriter::Mode::kReplace)};
    } catch (const IoError&) {
      if (i + 1 == candidates.size()) throw;
    }
  }
  throw IoError(kFileNotFound);
}

namespace {

// What "Buscar un Fichero" keeps while it reads a listing: the criteria, the
// header waiting for its disk's first match, the directory of the last
// full-path line, the counters, and where matches go.
class ListingMatcher {
 public:
  ListingMatcher(const ListingSearchRequest& request, ResultsFile& results, ReportSink& sink,
                 const LocaleFormats& formats, int current_year, std::size_t pane_capacity)
      : request_(request),
        results_(results),
        sink_(sink),
        formats_(formats),
        current_year_(current_year),
        pane_capacity_(pane_capacity),
        min_size_(MinimumSize(request.min_size)) {}

  void SetPendingHeader(std::string_view header) {
    pending_header_.assign(header);
    header_pending_ = true;
  }
  std::string& current_dir() { return current_dir_; }

  // The date bounds are read at the first line tested, so that an invalid
  // one stops the search there.
  void ReadBounds() {
    if (bounds_read_) return;
    if (!IsBlank(request_.older_than))
      older_than_ = ParseDateTime(request_.older_than, formats_, current_year_);
    if (!IsBlank(request_.newer_than))
      newer_than_ = ParseDateTime(request_.newer_than, formats_, current_year_);
    bounds_read_ = true;
  }

  // The size and date tests of a line whose text already matched.
  bool PassesFilters(std::string_view line) const {
    if (ListingLineSize(line) < min_size_) return false;
    if (older_than_ || newer_than_) {
      CivilDateTime date = ListingLineDate(line, formats_, current_year_);
      if (older_than_ && !(date < *older_than_)) return false;
      if (newer_than_ && !(date > *newer_than_)) return false;
    }
    return true;
  }

  // A matching line: its disk's header first, then the line with "<d>" given
  // its directory back. `line_number` counts the lines read so far.
  void Emit(std::string_view line, bool same_dir, int line_number) {
    if (header_pending_) {
      ++result_.lines_added;
      Add(pending_header_);
      header_pending_ = false;
    }
    line_.assign(line);
    if (same_dir) {
      std::string mark = std::string(kSameDirMark) + kPathSep;
      std::size_t at = line_.find(mark);
      if (at != std::string::npos) line_.replace(at, mark.size(), current_dir_);
    }
    ++result_.lines_added;
    ++result_.matches;
    sink_.ShowProgress(StatusBar::kStatusBar1, "Coincidencias:" + FormatInt(result_.matches) +
                                                   " de " + FormatInt(line_number) + " ficheros.");
    Add(line_);
  }

  ListingSearchResult Finish(int lines_read) {
    result_.lines_read = lines_read;
    ++result_.lines_added;  // the empty line and the count are counted as one
    Add("");
    Add("Coincidencias Encontradas: " + FormatInt(result_.matches));
    results_.writer->Close();
    if (pane_lines_ < file_lines_) {
      sink_.ClearReport();
      result_.pane_overflowed = true;
    }
    sink_.SetStatus(StatusBar::kStatusBar1,
                    "FIN. Buscar en Discos Indexados. Coincidencias:" + FormatInt(result_.matches) +
                        " de " + FormatInt(lines_read) + " ficheros.");
    return result_;
  }

 private:
  void Add(const std::string& text) {
    ++file_lines_;
    if (pane_lines_ < pane_capacity_) {
      sink_.AddReportLine(text);
      ++pane_lines_;
    }
    results_.writer->WriteLine(text);
  }

  const ListingSearchRequest& request_;
  ResultsFile& results_;
  ReportSink& sink_;
  const LocaleFormats& formats_;
  const int current_year_;
  const std::size_t pane_capacity_;
  const std::int64_t min_size_;  // compared exactly, however large
  std::optional<CivilDateTime> older_than_, newer_than_;
  bool bounds_read_ = false;
  std::string pending_header_;
  bool header_pending_ = false;
  std::string current_dir_;
  std::string line_;
  std::size_t pane_lines_ = 0, file_lines_ = 0;
  ListingSearchResult result_;
};

// Line by line: every line is tested. Serves an empty search text, where
// every line matches anyway.
ListingSearchResult SearchLineByLine(TextReader& listing, const std::string& upper_text,
                                     ListingMatcher& matcher, ReportSink& sink) {
  std::string line, upper_line;
  int lines_read = 0;
  while (listing.ReadLine(line)) {
    sink.LetEventsRun();
    ++lines_read;
    if (IsListingHeader(line)) {
      matcher.SetPendingHeader(line);
      continue;
    }
    const bool same_dir = IsAbbreviatedListingLine(line);
    if (!same_dir) matcher.current_dir() = ListingLineDirectory(line);
    matcher.ReadBounds();
    if (!upper_text.empty()) {
      UpperAsciiInto(line, upper_line);
      if (!Occurs(upper_text, upper_line)) continue;
    }
    if (matcher.PassesFilters(line)) matcher.Emit(line, same_dir, lines_read);
  }
  return matcher.Finish(lines_read);
}

// Block by block: the text is looked for in a whole block of lines at once,
// and only the lines where it occurs are taken apart; headers and
// directories are found when a match needs them. Gives exactly the result of
// SearchLineByLine for a text without line-end bytes.
ListingSearchResult SearchByBlocks(TextReader& listing, const std::string& upper_text,
                                   ListingMatcher& matcher, ReportSink& sink) {
  std::string_view block;
  int lines_before = 0;  // lines of the blocks already done
  bool tested_any = false;
  while (listing.ReadBlock(block)) {
    sink.LetEventsRun();
    if (!tested_any) {
      // The bounds are read at the first line that is not a header.
      std::string_view rest = block, line;
      while (NextLine(rest, line)) {
        if (!IsListingHeader(line)) {
          matcher.ReadBounds();
          tested_any = true;
          break;
        }
      }
    }
    std::size_t counted = 0;       // line ends counted up to here
    int line_ends = 0;             // ... and how many
    std::size_t headers_seen = 0;  // headers looked for up to here
    std::size_t from = 0;
    for (;;) {
      const std::size_t at = FindUpperAscii(block, upper_text, from);
      if (at == std::string_view::npos) break;
      const std::size_t start = LineStart(block, at);
      const std::size_t stop = LineStop(block, at);
      from = stop;
      const std::string_view line = block.substr(start, stop - start);
      if (IsListingHeader(line)) continue;  // headers are never tested

      // The last header before this line waits for its disk's first match.
      for (std::size_t h = headers_seen; h < start;) {
        std::size_t mark = FindHeaderMark(block.substr(0, start), h);
        if (mark == std::string_view::npos) break;
        std::size_t header_start = LineStart(block, mark);
        std::size_t header_stop = LineStop(block, mark);
        matcher.SetPendingHeader(block.substr(header_start, header_stop - header_start));
        h = header_stop;
      }
      headers_seen = start;
      line_ends += static_cast<int>(CountLineEnds(block.substr(counted, start - counted)));
      counted = start;
      if (!matcher.PassesFilters(line)) continue;
      const bool same_dir = IsAbbreviatedListingLine(line);
      if (same_dir) DirectoryBefore(block, start, matcher.current_dir());
      matcher.Emit(line, same_dir, lines_before + line_ends + 1);
    }

    // Carry to the next block: its headers, its last directory, its lines.
    for (std::size_t h = headers_seen;;) {
      std::size_t mark = FindHeaderMark(block, h);
      if (mark == std::string_view::npos) break;
      std::size_t header_start = LineStart(block, mark);
      std::size_t header_stop = LineStop(block, mark);
      matcher.SetPendingHeader(block.substr(header_start, header_stop - header_start));
      h = header_stop;
    }
    DirectoryBefore(block, block.size(), matcher.current_dir());
    line_ends += static_cast<int>(CountLineEnds(block.substr(counted)));
    // A last line without an end still counts.
    if (!EndsWithLineEnd(block)) ++line_ends;
    lines_before += line_ends;
  }
  return matcher.Finish(lines_before);
}

}  // namespace

namespace detail {

ListingSearchResult SearchListing(const std::string& listing_path,
                                  const ListingSearchRequest& request, ResultsFile& results,
                                  ReportSink& sink, const LocaleFormats& formats, int current_year,
                                  std::size_t pane_capacity, std::size_t read_buffer,
                                  bool line_by_line) {
  sink.ClearReport();
  TextReader listing(listing_path, read_buffer);
  ListingMatcher matcher(request, results, sink, formats, current_year, pane_capacity);
  const std::string upper_text =
      IsBlank(request.search_text) ? std::string() : UpperAscii(request.search_text);
  if (line_by_line || upper_text.empty() || upper_text.find_first_of("\r\n") != std::string::npos) {
    return SearchLineByLine(listing, upper_text, matcher, sink);
  }
  return SearchByBlocks(listing, upper_text, matcher, sink);
}

}  // namespace detail

ListingSearchResult SearchIndexedDisks(const std::string& listing_path,
                                       const ListingSearchRequest& request, ResultsFile& results,
                                       ReportSink& sink, const LocaleFormats& formats,
                                       int current_year, std::size_t pane_capacity) {
  return detail::SearchListing(listing_path, request, results, sink, formats, current_year,
                               pane_capacity, 0, false);
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
  sink.SetStatus(StatusBar::kStatusBar1,
                 "FIN. Ver Discos Indexados. Coincidencias: " + FormatInt(count));
  return count;
}

}  // namespace zuruza
