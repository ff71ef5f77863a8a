#include "text/edit_files.h"

#include "base/errors.h"
#include "core/numbers.h"
#include "platform/fs.h"
#include "platform/line_ends.h"

namespace zuruza {

namespace {

// Refuses an output that would be created over the input. Called after the
// input opened, so the input exists; an output that does not exist yet
// cannot be it.
const std::string& CheckNotInput(const std::string& input_name, const std::string& output_name) {
  if (output_name == input_name || IsSameFile(input_name, output_name))
    throw Error(std::string(kSameFileMessage));
  return output_name;
}

}  // namespace

FilePair::FilePair(const std::string& input_name, const std::string& output_name,
                   const std::function<void()>& before_output)
    : input_(input_name), output_name_(CheckNotInput(input_name, output_name)) {
  if (before_output) before_output();
  // A whole new output: an earlier file of that name stays until the last
  // line is written. An LF file stays an LF file.
  output_.emplace(output_name, TextWriter::Mode::kAtomic, FirstLineEndOf(input_name));
}

std::unique_ptr<FilePair> OpenFilePair(Prompter& prompter, EditFileNames& names,
                                       const std::function<void()>& before_output) {
  names.input = prompter.InputBox("Fichero a Procesar", "Nombre con PATH", "");
  names.output = prompter.InputBox("Fichero a GENERAR", "Nombre con PATH", names.input + ".tmp");
  return std::make_unique<FilePair>(names.input, names.output, before_output);
}

void CloseFilePair(FilePair& pair, Prompter& prompter) {
  pair.Close();
  prompter.ShowMessage("Fichero Procesado");
}

void LineCounter::Add(std::string_view block) {
  if (block.empty()) return;
  ends_ += CountLineEnds(block);
  // Blocks hold whole lines; only the file's last block may end inside one.
  // An LF ends it only after a CR, or where a lone LF ends a line.
  const std::size_t last = block.size() - 1;
  const bool ends_line =
      block[last] == '\r' ||
      (block[last] == '\n' && (kLoneLfEndsLine || (last > 0 && block[last - 1] == '\r')));
  open_tail_ = !ends_line;
}

std::uint64_t CountLines(TextReader& reader, std::uint64_t stop_above) {
  LineCounter counter;
  std::string_view block;
  while (reader.ReadBlock(block)) {
    counter.Add(block);
    if (counter.Total() > stop_above) break;
  }
  return counter.Total();
}

std::string TooManyLinesMessage(std::uint64_t limit) {
  return "El fichero tiene más de " + FormatInt(static_cast<std::int64_t>(limit)) + " líneas";
}

}  // namespace zuruza
