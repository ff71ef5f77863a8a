#include "app/columnise_job.h"

#include <unordered_map>
#include <vector>

#include "core/text_file.h"
#include "core/text_rules.h"

namespace zuruza {

namespace {

constexpr long long kMaxValue = 1000;

// Splits a line at the first delimiter: the label keeps the delimiter's first
// byte, the value is what follows that byte, trimmed. False when the line
// holds no delimiter.
bool SplitField(const std::string& line, const std::string& delimiter, std::string& label, std::string& value) {
  if (delimiter.empty()) return false;
  const std::size_t at = line.find(delimiter);
  if (at == std::string::npos) return false;
  label = line.substr(0, at + 1);
  value = Trim(Substring(line, static_cast<long long>(at) + 2, kMaxValue));
  return true;
}

}  // namespace

std::string ColumniseFile(const ColumniseRequest& request) {
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

  const std::string output_path = request.input_path + ".sal";
  TextWriter output(output_path, TextWriter::Mode::kReplace);
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
