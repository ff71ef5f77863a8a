// The pane exported to a spreadsheet: the calls that drive one.
#include "analysis/spreadsheet_export.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "base/errors.h"
#include "platform/spreadsheet.h"

namespace zuruza::spreadsheet_test {
namespace {

// --- A spreadsheet that records the calls it gets ---

struct RecordedCell {
  long row;
  long column;
  std::string text;
};

class RecordingSpreadsheet : public Spreadsheet {
 public:
  std::vector<std::string> calls;
  std::vector<RecordedCell> cells;
  // A call of this name throws.
  std::string failing_call;

  void CreateApplication(std::string_view id) override {
    Record("CreateApplication", std::string(id));
  }
  void AddWorkbook() override { Record("AddWorkbook", ""); }
  void NameWorksheet(int index, std::string_view name) override {
    Record("NameWorksheet", std::to_string(index) + " " + std::string(name));
  }
  void SelectWorksheet(std::string_view name) override {
    Record("SelectWorksheet", std::string(name));
  }
  void SetCell(long row, long column, std::string_view text) override {
    cells.push_back({row, column, std::string(text)});
    Record("SetCell", std::to_string(row) + " " + std::to_string(column) + " " + std::string(text));
  }
  void MakeVisible() override { Record("MakeVisible", ""); }

 private:
  void Record(const std::string& name, const std::string& arguments) {
    calls.push_back(arguments.empty() ? name : name + " " + arguments);
    if (name == failing_call) throw Error("falla " + name);
  }
};

// The texts SetCell got for row 1, after checking they came in columns 1, 2, ...
std::vector<std::string> FirstRowTexts(const RecordingSpreadsheet& spreadsheet) {
  std::vector<std::string> texts;
  for (const RecordedCell& cell : spreadsheet.cells) {
    EXPECT_EQ(cell.row, 1);
    EXPECT_EQ(cell.column, static_cast<long>(texts.size()) + 1);
    texts.push_back(cell.text);
  }
  return texts;
}

TEST(SpreadsheetExport, DrivesTheSpreadsheetInOrder) {
  RecordingSpreadsheet spreadsheet;
  ExportPaneToSpreadsheet({"a;b", "c"}, spreadsheet);
  EXPECT_EQ(
      spreadsheet.calls,
      (std::vector<std::string>{"CreateApplication Excel.Application", "AddWorkbook",
                                "NameWorksheet 1 Panel", "SelectWorksheet Panel", "SetCell 1 1 a",
                                "SetCell 1 2 b", "SetCell 2 1 c", "MakeVisible"}));
}

TEST(SpreadsheetExport, NoLinesStillMakesTheEmptyWorkbookVisible) {
  RecordingSpreadsheet spreadsheet;
  ExportPaneToSpreadsheet({}, spreadsheet);
  EXPECT_EQ(spreadsheet.calls, (std::vector<std::string>{"CreateApplication Excel.Application",
                                                         "AddWorkbook", "NameWorksheet 1 Panel",
                                                         "SelectWorksheet Panel", "MakeVisible"}));
}

TEST(SpreadsheetExport, SplitsALineAtSemicolons) {
  const std::string b2500(2500, 'b');
  const std::string b2000(2000, 'b');
  const std::string b1999(1999, 'b');
  const std::string b1998(1998, 'b');
  std::string b_pairs;
  for (int i = 0; i < 1500; ++i) b_pairs += "b;";
  const std::string long_first(5000, 'A');
  struct Row {
    std::string line;
    std::vector<std::string> cells;
  };
  const std::vector<Row> rows = {
      {"", {}},
      {"abc", {"abc"}},
      {"a;;b", {"a", "", "b"}},
      {"a;b;", {"a", "b"}},
      {";", {""}},
      {";a", {"", "a"}},
      {";;", {"", ""}},
      {" a ; b ", {" a ", " b "}},
      {"Fecha creacion; Fecha ultimo acceso", {"Fecha creacion", " Fecha ultimo acceso"}},
      {"Tama\xC3\xB1o;\xFF", {"Tama\xC3\xB1o", "\xFF"}},
      // What follows a ";" is cut to 2000 characters before it is split further.
      {"x;" + b2500, {"x", b2000}},
      {"x;" + b1999 + "\xC3\xB1z", {"x", b1999 + "\xC3\xB1"}},
      {"x;" + b1999 + "\xFF\xC3\xB1", {"x", b1999 + "\xFF"}},  // not UTF-8: bytes
      {"x;" + b1999 + ";tail", {"x", b1999}},
      {"x;" + b1998 + ";tail", {"x", b1998, "t"}},
      {"a;" + b_pairs,
       [] {
         std::vector<std::string> cells{"a"};
         cells.insert(cells.end(), 1000, "b");
         return cells;
       }()},
      // The first field is not cut.
      {long_first + ";b", {long_first, "b"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line.substr(0, 40) + " (" + std::to_string(row.line.size()) + " bytes)");
    RecordingSpreadsheet spreadsheet;
    ExportPaneToSpreadsheet({row.line}, spreadsheet);
    EXPECT_EQ(FirstRowTexts(spreadsheet), row.cells);
  }
}

TEST(SpreadsheetExport, LineOfTenThousandSemicolonsGivesTwoThousandAndOneEmptyCells) {
  // The first ";" gives column 1 and keeps 2000 semicolons, each of which
  // gives one more empty cell.
  RecordingSpreadsheet spreadsheet;
  ExportPaneToSpreadsheet({std::string(10000, ';'), "z"}, spreadsheet);
  ASSERT_EQ(spreadsheet.cells.size(), 2002u);
  for (std::size_t i = 0; i < 2001; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(spreadsheet.cells[i].row, 1);
    EXPECT_EQ(spreadsheet.cells[i].column, static_cast<long>(i) + 1);
    EXPECT_EQ(spreadsheet.cells[i].text, "");
  }
  EXPECT_EQ(spreadsheet.calls.back(), "MakeVisible");
  EXPECT_EQ(spreadsheet.cells.back().row, 2);
  EXPECT_EQ(spreadsheet.cells.back().text, "z");
}

TEST(SpreadsheetExport, LineIndexGivesTheRowAndEmptyLinesKeepTheirRow) {
  RecordingSpreadsheet spreadsheet;
  ExportPaneToSpreadsheet({"a", "", "b;c", ";"}, spreadsheet);
  ASSERT_EQ(spreadsheet.cells.size(), 4u);
  EXPECT_EQ(spreadsheet.calls[4], "SetCell 1 1 a");
  EXPECT_EQ(spreadsheet.calls[5], "SetCell 3 1 b");
  EXPECT_EQ(spreadsheet.calls[6], "SetCell 3 2 c");
  EXPECT_EQ(spreadsheet.calls[7], "SetCell 4 1 ");
}

TEST(SpreadsheetExport, FailingCallEndsTheExportWithItsError) {
  for (const char* failing : {"CreateApplication", "AddWorkbook", "NameWorksheet",
                              "SelectWorksheet", "SetCell", "MakeVisible"}) {
    SCOPED_TRACE(failing);
    RecordingSpreadsheet spreadsheet;
    spreadsheet.failing_call = failing;
    try {
      ExportPaneToSpreadsheet({"a;b", "c"}, spreadsheet);
      ADD_FAILURE() << "no Error";
    } catch (const Error& error) {
      EXPECT_EQ(std::string(error.what()), std::string("falla ") + failing);
    }
    // Nothing is called after the failing call.
    EXPECT_EQ(spreadsheet.calls.back().rfind(failing, 0), 0u) << spreadsheet.calls.back();
  }
}

}  // namespace
}  // namespace zuruza::spreadsheet_test
