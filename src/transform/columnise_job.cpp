#include "transform/columnise_job.h"

#include <unordered_map>
#include <vector>

#include "base/errors.h"
#include "core/text_file.h"
#include "core/text_rules.h"
#include "platform/fs.h"

namespace zuruza {

namespace {

constexpr long long kMaxValue = 1000;

// Splits a line at the first delimiter: the label keeps the delimiter's first
// character (all the bytes of an "é"), the value is at most kMaxValue
// characters of what follows it, trimmed. False when the line holds no
// delimiter.
bool SplitField(const std::string& line, const std::string& delimiter, std::string& label,
                std::string& value) {
  if (delimiter.empty()) return false;
  const std::size_t at = line.find(delimiter);
  if (at == std::string::npos) return false;
  const std::size_t cut = at + CharPrefix(delimiter, 1).size();
  label = line.substr(0, cut);
  value = Trim(CharPrefix(std::string_view(line).substr(cut), kMaxValue));
  return true;
}

}  // namespace

std::string ColumniseFile(const ColumniseRequest& request) {
  const std::string output_path = request.input_path + ".sal";
  // A ".sal" that is the input under another name (a link to it) would
  // replace the table's own source.
  if (IsSameFile(request.input_path, output_path))
    throw Error("El fichero de salida " + output_path + " es el mismo fichero que el de entrada.");
  std::vector<std::string> labels;
  std::unordered_map<std::string, std::size_t> slot_of;
  std::string line, label, value;
  {
    TextReader input(request.input_path);
    while (input.ReadLine(line)) {
      if (!SplitField(line, request.delimiter, label, value)) continue;
      if (slot_of.try_emplace(label, labels.size()).second) labels.push_back(label);
    }
  }

  // Renamed into place once whole: a failure leaves an earlier ".sal" as it was.
  TextWriter output(output_path, TextWriter::Mode::kAtomic);
  std::string header;
  for (const std::string& name : labels) header += name + ";";
  output.WriteLine(header);

  std::vector<std::string> record(labels.size());
  auto write_record = [&] {
    std::string row;
    for (std::string& field : record) {
      row += "\"" + field + "\";";
      field.clear();
    }
    output.WriteLine(row);
  };
  TextReader input(request.input_path);
  while (input.ReadLine(line)) {
    if (!SplitField(line, request.delimiter, label, value)) continue;
    std::string& slot = record[slot_of.at(label)];
    if (!slot.empty() || label == request.break_label) write_record();
    record[slot_of.at(label)] = value;
  }
  write_record();
  output.Close();
  return output_path;
}

}  // namespace zuruza
