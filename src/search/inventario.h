// The disk inventory: listings of indexed disks (written by the search walk
// in index mode), the index of listings beside the program, and the two
// searches over a listing that need no disk at hand.
//
// Blocking; a listing is streamed line by line, never held whole. Failures
// (a listing that cannot be read, an invalid date) throw zuruza::Error.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/dates.h"
#include "core/prompter.h"
#include "core/report_sink.h"
#include "core/text_file.h"

namespace zuruza {

inline constexpr std::string_view kListingIndexName = "_indice_listados.txt";
inline constexpr std::string_view kDefaultListingName = "_indice_discos.txt";
inline constexpr std::string_view kResultsFileName = "_buscazzz.txt";

// The listings named in the index "_indice_listados.txt" of `program_dir`
// (a directory with its trailing separator), created holding the default
// listing's name when missing. A line holding a separator (on Windows also a
// '/' or a drive's ':') is a whole path; any other line is a file name in
// `program_dir`.
std::vector<std::string> LoadListingIndex(const std::string& program_dir);

// Appends a listing path as a new line of the index.
void AddToListingIndex(const std::string& program_dir, std::string_view listing_path);

// The results file of a listing search, created (or emptied) at the first of
// `candidates` that can be created; the fallback's directory is made when
// missing. Throws the error of the last candidate when none can be created.
struct ResultsFile {
  std::string path;
  std::unique_ptr<TextWriter> writer;
};
ResultsFile CreateResultsFile(const std::vector<std::string>& candidates);
// _buscazzz.txt in each of the results folders, in their order.
std::vector<std::string> DefaultResultsFileCandidates();

struct ListingSearchRequest {
  std::string search_text;  // Edit1: blank means every line
  std::string min_size;     // tam_min
  std::string newer_than;   // Edit4
  std::string older_than;   // Edit3
};

struct ListingSearchResult {
  int lines_read = 0;
  int matches = 0;
  int lines_added = 0;
  // The pane could not take every line: the results file holds them all.
  bool pane_overflowed = false;
};

// "Buscar un Fichero": empties the pane, tests every line of the listing
// (disk headers aside) against the text, size and dates, and adds each match
// to the pane and the results file, preceded by its disk's header the first
// time; "<d>" lines are given their directory back. The pane receives at most
// `pane_capacity` lines; when more were found it is emptied and the result
// says so. Closes the results file. Lets events run while it reads.
ListingSearchResult SearchIndexedDisks(const std::string& listing_path,
                                       const ListingSearchRequest& request, ResultsFile& results,
                                       ReportSink& sink, const LocaleFormats& formats,
                                       int current_year, std::size_t pane_capacity);

// "Ver Discos Indexados": empties the pane and lists the header of every
// indexed disk of the listing. Returns how many.
int ListIndexedDisks(const std::string& listing_path, ReportSink& sink);

}  // namespace zuruza
