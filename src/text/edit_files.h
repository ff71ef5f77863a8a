// The pair of files of a disk-mode operation of the line editor: the person
// names an input file and an output file, the input is opened for reading
// and the output is written under a temporary name beside it, ending its
// lines as the input's first line ends. CloseFilePair renames the output
// into place (replacing any file of that name); a pair destroyed before that
// leaves every file as it was.
//
// Blocking. Failures throw: IoError for a file that cannot be opened or
// created, Error for an output that is the input file itself.
#pragma once

#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "core/prompter.h"
#include "core/text_file.h"

namespace zuruza {

// Shown when the output would be created over the file being read.
inline constexpr std::string_view kSameFileMessage =
    "El fichero a GENERAR no puede ser el mismo que el Fichero a Procesar.";

// The names last given; they outlive the operations.
struct EditFileNames {
  std::string input;   // InputFileName
  std::string output;  // OutputFileName
};

class FilePair {
 public:
  // Opens `input_name` and refuses an output that is the input (the same
  // name, or the same file under another name, a hard link or a symbolic
  // link); `before_output`, when given, runs next; then the output's
  // temporary is created. Nothing is created when either of the first two
  // steps fails.
  FilePair(const std::string& input_name, const std::string& output_name,
           const std::function<void()>& before_output = nullptr);
  FilePair(const FilePair&) = delete;
  FilePair& operator=(const FilePair&) = delete;

  TextReader& input() { return input_; }
  TextWriter& output() { return *output_; }
  const std::string& output_name() const { return output_name_; }

  // Closes the output and renames it into place, reporting a failed write.
  void Close() { output_->Close(); }

 private:
  TextReader input_;
  std::optional<TextWriter> output_;
  std::string output_name_;
};

// Asks "Fichero a Procesar" (empty default) and "Fichero a GENERAR" (the
// input name + ".tmp"), remembers both answers in `names` and opens the pair
// (running `before_output` between the input and the output).
std::unique_ptr<FilePair> OpenFilePair(Prompter& prompter, EditFileNames& names,
                                       const std::function<void()>& before_output = nullptr);

// Closes both files and tells the person "Fichero Procesado".
void CloseFilePair(FilePair& pair, Prompter& prompter);

// Counts lines by the line rules over blocks from TextReader::ReadBlock.
class LineCounter {
 public:
  void Add(std::string_view block);
  // Every line seen, the last one included even without a line end.
  std::uint64_t Total() const { return ends_ + (open_tail_ ? 1 : 0); }

 private:
  std::uint64_t ends_ = 0;
  bool open_tail_ = false;  // the last block ends inside a line
};

// The lines of `reader` from where it stands; stops reading as soon as more
// than `stop_above` lines have been seen (the answer is then above it).
std::uint64_t CountLines(TextReader& reader,
                         std::uint64_t stop_above = std::numeric_limits<std::uint64_t>::max());

// "El fichero tiene más de <limit> líneas".
std::string TooManyLinesMessage(std::uint64_t limit);

}  // namespace zuruza
