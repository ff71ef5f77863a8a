// "Exportar a EXCEL": the lines of a report pane, split at semicolons, into
// the cells of a new worksheet "Panel".
#pragma once

#include <string>
#include <vector>

#include "platform/spreadsheet.h"

namespace zuruza {

// Line i (from 0) fills row i + 1: its fields, split at each ";" (a field
// taken, at most 2000 characters of the rest kept), go to columns 1, 2, ...; an
// empty line leaves its row empty, a trailing ";" adds no cell. Blocking;
// a failing call of the spreadsheet ends the export with its Error.
void ExportPaneToSpreadsheet(const std::vector<std::string>& lines, Spreadsheet& spreadsheet);

}  // namespace zuruza
