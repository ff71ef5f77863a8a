#include "transform/mezcla.h"

#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "base/errors.h"
#include "core/numbers.h"
#include "core/text_file.h"
#include "core/text_rules.h"
#include "platform/fs.h"

namespace zuruza {

namespace {

// The filler may be no longer than this: a count of columns beyond it is a
// slip of the keyboard, and would take gigabytes a line.
constexpr std::size_t kMaxFillerBytes = std::size_t{1} << 20;

}  // namespace

std::string ExtractField(std::string_view line, std::string_view separator, long long column) {
  std::string_view field, rest = line;
  for (long long i = 0; i < column; ++i) {
    std::size_t at = separator.empty() ? std::string_view::npos : rest.find(separator);
    if (at != std::string_view::npos) {
      field = rest.substr(0, at);
      rest = rest.substr(at + separator.size());
    } else {
      // The last field; every column after it is empty, so a large column
      // costs no more than the line has fields.
      field = i + 1 == column ? rest : std::string_view();
      break;
    }
  }
  return Trim(field);
}

void ColumnMerger::RunMerge(const MergeRequest& request) {
  const std::string& separator = request.separator;
  std::string filler;
  if (request.fill) {
    const int columns = StrToInt(
        prompter_.InputBox("Completa columnas vacias", "Cuantas columas tiene el fichero 2?", "2"));
    if (columns > 0 && !separator.empty()) {
      const std::size_t most = kMaxFillerBytes / separator.size();
      if (static_cast<std::size_t>(columns) > most) {
        prompter_.ShowMessage("Demasiadas columnas: una línea admite como máximo " +
                              FormatInt(static_cast<std::int64_t>(most)) +
                              " columnas vacias con este separador.");
        return;
      }
      for (int i = 0; i < columns; ++i) filler += separator;
    }
  }
  // Writing the output over an input would destroy it: refused by the name
  // (as typed, letter case aside) and by the file itself.
  const std::string upper_output = UpperAscii(request.output);
  if (upper_output == UpperAscii(request.first) || upper_output == UpperAscii(request.second) ||
      IsSameFile(request.output, request.first) || IsSameFile(request.output, request.second)) {
    prompter_.ShowMessage("El fichero de SALIDA no puede ser el mismo que el de Entrada");
    return;
  }

  TextReader first(request.first);
  TextReader second(request.second);
  // Renamed into place once whole, with the line ends of the first file.
  TextWriter output(request.output, TextWriter::Mode::kAtomic, FirstLineEndOf(request.first));

  std::string line;
  std::string first_line;
  const bool any_first = first.ReadLine(first_line);
  std::vector<std::string> second_lines;
  while (second.ReadLine(line)) second_lines.push_back(line);

  // The key columns are read at the first pair of lines compared, as a
  // search of the second file would.
  long long column1 = 0, column2 = 0;
  std::unordered_map<std::string, std::size_t> index;
  if (any_first && !second_lines.empty()) {
    column1 = StrToInt(request.key1);
    column2 = StrToInt(request.key2);
    index.reserve(second_lines.size());
    for (std::size_t i = 0; i < second_lines.size(); ++i) {
      index.try_emplace(ExtractField(second_lines[i], separator, column2),
                        i);  // the first line wins
    }
  }

  for (bool more = any_first; more; more = first.ReadLine(first_line)) {
    auto match = second_lines.empty() ? index.end()
                                      : index.find(ExtractField(first_line, separator, column1));
    if (match != index.end()) {
      output.WriteLine(first_line + separator + second_lines[match->second]);
    } else {
      output.WriteLine(request.fill ? first_line + filler : first_line);
    }
  }
  output.Close();
  prompter_.ShowMessage("HECHO. Ficheros mezclados.");
}

}  // namespace zuruza
