#include "analysis/spreadsheet_export.h"

#include <cstddef>
#include <string_view>

#include "core/text_rules.h"

namespace zuruza {
namespace {

// What follows a separator is kept up to this many characters (never half
// of one); the rest of a longer line is dropped.
constexpr long long kRestLimit = 2000;

void ExportLine(std::string_view line, long row, Spreadsheet& spreadsheet) {
  long column = 1;
  std::string rest(line);
  while (!rest.empty()) {
    const std::size_t separator = rest.find(';');
    if (separator == std::string::npos) {
      spreadsheet.SetCell(row, column, rest);
      return;
    }
    // An empty field is still a cell, so the next field keeps its column.
    spreadsheet.SetCell(row, column, std::string_view(rest).substr(0, separator));
    ++column;
    rest = CharPrefix(std::string_view(rest).substr(separator + 1), kRestLimit);
  }
}

}  // namespace

void ExportPaneToSpreadsheet(const std::vector<std::string>& lines, Spreadsheet& spreadsheet) {
  spreadsheet.CreateApplication("Excel.Application");
  spreadsheet.AddWorkbook();
  spreadsheet.NameWorksheet(1, "Panel");
  spreadsheet.SelectWorksheet("Panel");
  for (std::size_t i = 0; i < lines.size(); ++i)
    ExportLine(lines[i], static_cast<long>(i) + 1, spreadsheet);
  spreadsheet.MakeVisible();
}

}  // namespace zuruza
