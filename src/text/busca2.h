// The search inside files: "En un Fichero" lists every segment of one file
// that holds the search string (exact bytes); "En varios ficheros" lists the
// names of the files that hold it, ASCII letters compared without case.
//
// A segment is every byte up to and including the first CR or LF, or up to
// the end of the file; a match never spans two segments. Every other byte,
// NUL and Ctrl-Z (26) included, is ordinary: files are raw bytes, text or not.
// BytesRead counts every byte read, one file or the whole list.
//
// Files are read through one buffer, never held whole: a line of 100 MB
// costs the buffer, and only a segment that matches is read again to be
// listed. Only regular files (or links to them) are opened; a fifo, device or
// directory fails with "File access denied" without being opened.
//
// Blocking; progress goes to the sink's status bar, which lets events run.
// Failures (a missing file, a read error) throw IoError and end the search;
// lines already listed stay.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/prompter.h"
#include "core/report_sink.h"

namespace zuruza {

inline constexpr std::string_view kInFilePromptCaption = "Buscando...";
inline constexpr std::string_view kInFilePrompt = "Qué buscas?";
inline constexpr std::string_view kInFileDefaultText = ".jpg";
inline constexpr std::string_view kSeveralFilesNotice = "Se va a buscar en los ficheros de MEMO1";

inline constexpr std::size_t kInFileBufferSize = 256 * 1024;

// "Analizados: <bytes> bytes.", the count as a whole number.
std::string BytesReadText(double bytes_read);

class InFileSearch {
 public:
  // `buffer_size` is the size of each read; tests make it tiny to put
  // segments and matches across buffer boundaries.
  explicit InFileSearch(Prompter& prompter, std::size_t buffer_size = kInFileBufferSize);

  // EnunFichero1Click: asks the string, clears `memo1`, asks the file with the
  // open dialog (Cancel ends here) and adds each segment holding the string,
  // exactly as read (its CR or LF included), as a line of `memo1`.
  void SearchOneFile(ReportSink& memo1);

  // Envariosficheros1Click: tells that the list is searched, asks the string,
  // clears `memo2` and, for each name in order, reads the whole file and adds
  // the name to `memo2` when the string occurs in it. The first file that
  // cannot be read stops the run; later names are not searched.
  void SearchSeveralFiles(const std::vector<std::string>& names, ReportSink& memo2);

  // BytesRead of the last search, as far as it got.
  double bytes_read() const { return bytes_read_; }

 private:
  Prompter& prompter_;
  std::size_t buffer_size_;
  std::vector<char> buffer_;  // reused from file to file
  double bytes_read_ = 0;
};

}  // namespace zuruza
