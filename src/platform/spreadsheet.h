// A spreadsheet application driven cell by cell: create the application, add
// a workbook, name and select a worksheet, set cells' texts, make it visible.
// The backend here writes a real .xlsx workbook and opens it with the
// desktop's spreadsheet application.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace zuruza {

class Spreadsheet {
 public:
  virtual ~Spreadsheet() = default;

  // Failures of every call throw zuruza::Error with a clear text.
  virtual void CreateApplication(std::string_view programmatic_id) = 0;
  virtual void AddWorkbook() = 0;
  // Names worksheet `index` (from 1) of the workbook.
  virtual void NameWorksheet(int index, std::string_view name) = 0;
  // Makes the named worksheet the one that SetCell writes.
  virtual void SelectWorksheet(std::string_view name) = 0;
  // Row and column from 1.
  virtual void SetCell(long row, long column, std::string_view text) = 0;
  virtual void MakeVisible() = 0;
};

// The .xlsx backend. MakeVisible() writes the workbook to `path` (through a
// temporary file renamed into place, so no half-written workbook is left)
// and hands it to `open`, which returns false when no application could
// show it (then an Error is thrown).
std::unique_ptr<Spreadsheet> MakeXlsxSpreadsheet(std::string path,
                                                 std::function<bool(const std::string&)> open);

// Where an export's workbook goes: a new file in the temporary directory.
std::string NewWorkbookPath();

}  // namespace zuruza
