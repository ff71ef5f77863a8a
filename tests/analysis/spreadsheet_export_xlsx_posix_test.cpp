// The pane exported into a real workbook, read back through unzip (Linux
// builds only: the Windows build has no workbook writer).
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "analysis/spreadsheet_export.h"
#include "platform/spreadsheet.h"
#include "support/spreadsheet_reading.h"
#include "support/temp_tree.h"

namespace zuruza::spreadsheet_test {
namespace {

using testing::TempTree;

TEST(SpreadsheetExportToXlsx, CellsHoldTheFieldsAtTheirReferences) {
  TempTree tree;
  const std::string path = tree.Path("panel.xlsx");
  std::vector<std::string> opened;
  std::unique_ptr<Spreadsheet> spreadsheet = MakeXlsxSpreadsheet(path, Opener(opened));
  ExportPaneToSpreadsheet({"Fecha creacion; Fecha ultimo acceso", "Nombre;Tama\xC3\xB1o;;Ruta", "",
                           "mal\xFF;fin;", "ctl\x01;x_x0041_y;a&b<c>\"'", "123;0,5"},
                          *spreadsheet);
  EXPECT_EQ(opened, std::vector<std::string>{path});
  EXPECT_EQ(SheetNames(path), std::vector<std::string>{"Panel"});
  EXPECT_EQ(SheetCells(path), (std::map<std::string, std::string>{
                                  {"A1", "Fecha creacion"},
                                  {"B1", " Fecha ultimo acceso"},
                                  {"A2", "Nombre"},
                                  {"B2", "Tama\xC3\xB1o"},
                                  {"D2", "Ruta"},
                                  {"A4", "mal" + kReplacement},
                                  {"B4", "fin"},
                                  {"A5", "ctl\x01"},
                                  {"B5", "x_x0041_y"},
                                  {"C5", "a&b<c>\"'"},
                                  {"A6", "123"},
                                  {"B6", "0,5"},
                              }));
  EXPECT_TRUE(IsWellFormedUtf8(ZipEntry(path, "xl/sharedStrings.xml")));
  EXPECT_EQ(DirectoryNames(tree.root()), std::vector<std::string>{"panel.xlsx"});
}

}  // namespace
}  // namespace zuruza::spreadsheet_test
