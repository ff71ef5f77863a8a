#include "analysis/spreadsheet_export.h"

#include <algorithm>
#include <cstddef>
#include <string_view>

namespace zuruza {
namespace {

// What follows a separator is kept up to this many bytes; the rest of a
// longer line is dropped.
constexpr std::size_t kRestLimit = 2000;

void ExportLine(std::string_view line, long row, Spreadsheet& spreadsheet) {
  long column = 1;
  std::string_view rest = line;
  while (!rest.empty()) {
    std::string_view field;
    const std::size_t separator = rest.find(';');
    if (separator != std::string_view::npos) {
      field = rest.substr(0, separator);
      const std::string_view after = rest.substr(separator + 1);
      rest = after.substr(0, std::min(after.size(), kRestLimit));
    } else {
      field = rest;
      rest = {};
    }
    // An empty field is still a cell, so the next field keeps its column.
    spreadsheet.SetCell(row, column, field);
    ++column;
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
