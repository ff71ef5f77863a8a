// The .xlsx backend's workbook: the calls it needs, its sheet, and the file written and opened.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/errors.h"
#include "platform/paths.h"
#include "platform/spreadsheet.h"
#include "platform/testing/identity.h"
#include "support/as_nobody.h"
#include "support/spreadsheet_reading.h"
#include "support/temp_tree.h"

namespace zuruza::spreadsheet_test {
namespace {

using testing::TempTree;

TEST(SpreadsheetXlsx, SetCellBeforeAWorkbookOrASelectedSheetThrows) {
  TempTree tree;
  std::vector<std::string> opened;
  std::unique_ptr<Spreadsheet> sheet = MakeXlsxSpreadsheet(tree.Path("a.xlsx"), Opener(opened));
  sheet->CreateApplication("Excel.Application");
  EXPECT_EQ(ErrorText([&] { sheet->SetCell(1, 1, "x"); }), "No hay ningún libro abierto");
  sheet->AddWorkbook();
  EXPECT_EQ(ErrorText([&] { sheet->SetCell(1, 1, "x"); }), "No hay ninguna hoja seleccionada");
  sheet->SelectWorksheet("Hoja1");
  EXPECT_NO_THROW(sheet->SetCell(1, 1, "x"));
}

TEST(SpreadsheetXlsx, WorkbookNeedsTheApplicationAndMakeVisibleNeedsAWorkbook) {
  TempTree tree;
  std::vector<std::string> opened;
  std::unique_ptr<Spreadsheet> sheet = MakeXlsxSpreadsheet(tree.Path("a.xlsx"), Opener(opened));
  EXPECT_EQ(ErrorText([&] { sheet->AddWorkbook(); }),
            "No se ha iniciado la aplicación de hojas de cálculo");
  EXPECT_EQ(ErrorText([&] { sheet->MakeVisible(); }), "No hay ningún libro abierto");
  sheet->CreateApplication("cualquier.aplicacion");
  EXPECT_EQ(ErrorText([&] { sheet->NameWorksheet(1, "Panel"); }), "No hay ningún libro abierto");
  EXPECT_TRUE(opened.empty());
  EXPECT_TRUE(DirectoryNames(tree.root()).empty());
}

TEST(SpreadsheetXlsx, SelectWorksheetMustNameTheSheet) {
  TempTree tree;
  std::vector<std::string> opened;
  std::unique_ptr<Spreadsheet> sheet = MakeXlsxSpreadsheet(tree.Path("a.xlsx"), Opener(opened));
  sheet->CreateApplication("Excel.Application");
  sheet->AddWorkbook();
  sheet->NameWorksheet(1, "Panel");
  EXPECT_EQ(ErrorText([&] { sheet->SelectWorksheet("Otra"); }), "No existe la hoja Otra");
  EXPECT_EQ(ErrorText([&] { sheet->SelectWorksheet("Hoja1"); }), "No existe la hoja Hoja1");
  EXPECT_EQ(ErrorText([&] { sheet->SelectWorksheet("panel"); }), "No existe la hoja panel");
  EXPECT_EQ(ErrorText([&] { sheet->SetCell(1, 1, "x"); }), "No hay ninguna hoja seleccionada");
  EXPECT_NO_THROW(sheet->SelectWorksheet("Panel"));
}

TEST(SpreadsheetXlsx, UnnamedSheetIsHoja1AndAnEmptyWorkbookIsWritten) {
  TempTree tree;
  const std::string path = tree.Path("a.xlsx");
  std::vector<std::string> opened;
  std::unique_ptr<Spreadsheet> sheet = ReadyXlsx(path, opened);
  sheet->MakeVisible();
  EXPECT_EQ(SheetNames(path), std::vector<std::string>{"Hoja1"});
  EXPECT_TRUE(SheetCells(path).empty());
}

TEST(SpreadsheetXlsx, NameWorksheetFollowsExcelsSheetNameRules) {
  const std::string enye = "\xC3\xB1";
  std::string enye31;
  for (int i = 0; i < 31; ++i) enye31 += enye;
  struct Row {
    std::string name;
    bool valid;
  };
  const std::vector<Row> rows = {
      {"Panel", true},        {enye31, true},   {std::string(31, 'a'), true},
      {"it's", true},         {"", false},      {std::string(32, 'a'), false},
      {enye31 + enye, false}, {"a[b", false},   {"a]b", false},
      {"a:b", false},         {"a*b", false},   {"a?b", false},
      {"a/b", false},         {"a\\b", false},  {"'a", false},
      {"a'", false},          {"a\x01", false}, {"a\xFF", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TempTree tree;
    const std::string path = tree.Path("a.xlsx");
    std::vector<std::string> opened;
    std::unique_ptr<Spreadsheet> sheet = MakeXlsxSpreadsheet(path, Opener(opened));
    sheet->CreateApplication("Excel.Application");
    sheet->AddWorkbook();
    if (!row.valid) {
      EXPECT_EQ(ErrorText([&] { sheet->NameWorksheet(1, row.name); }),
                "Nombre de hoja no válido: " + row.name);
      continue;
    }
    ASSERT_NO_THROW(sheet->NameWorksheet(1, row.name));
    ASSERT_NO_THROW(sheet->MakeVisible());
    EXPECT_EQ(SheetNames(path), std::vector<std::string>{row.name});
  }
}

TEST(SpreadsheetXlsx, OnlyTheFirstWorksheetExists) {
  TempTree tree;
  std::vector<std::string> opened;
  std::unique_ptr<Spreadsheet> sheet = MakeXlsxSpreadsheet(tree.Path("a.xlsx"), Opener(opened));
  sheet->CreateApplication("Excel.Application");
  sheet->AddWorkbook();
  EXPECT_EQ(ErrorText([&] { sheet->NameWorksheet(2, "Otra"); }), "No existe la hoja 2");
  EXPECT_EQ(ErrorText([&] { sheet->NameWorksheet(0, "Otra"); }), "No existe la hoja 0");
}

TEST(SpreadsheetXlsx, OpenGetsTheFinalPathOfTheCompleteWorkbook) {
  TempTree tree;
  const std::string path = tree.Path("panel.xlsx");
  std::vector<std::string> seen_cells;
  std::unique_ptr<Spreadsheet> sheet =
      MakeXlsxSpreadsheet(path, [&](const std::string& opened_path) {
        seen_cells.push_back(opened_path);
        const std::map<std::string, std::string> cells = SheetCells(opened_path);
        seen_cells.push_back(cells.count("B1") != 0 ? cells.at("B1") : "(sin B1)");
        return true;
      });
  sheet->CreateApplication("Excel.Application");
  sheet->AddWorkbook();
  sheet->SelectWorksheet("Hoja1");
  sheet->SetCell(1, 2, "hola");
  sheet->MakeVisible();
  EXPECT_EQ(seen_cells, (std::vector<std::string>{path, "hola"}));
}

TEST(SpreadsheetXlsx, NoApplicationToOpenItThrowsButTheWorkbookStays) {
  // The person is told where the workbook is, to open it by hand.
  TempTree tree;
  const std::string path = tree.Path("panel.xlsx");
  std::vector<std::string> opened;
  std::unique_ptr<Spreadsheet> sheet = MakeXlsxSpreadsheet(path, Opener(opened, false));
  sheet->CreateApplication("Excel.Application");
  sheet->AddWorkbook();
  sheet->SelectWorksheet("Hoja1");
  sheet->SetCell(1, 1, "dato");
  EXPECT_EQ(ErrorText([&] { sheet->MakeVisible(); }),
            "No hay ninguna aplicación de hojas de cálculo para abrir " + path);
  EXPECT_EQ(opened, std::vector<std::string>{path});
  EXPECT_EQ(SheetCells(path), (std::map<std::string, std::string>{{"A1", "dato"}}));
  EXPECT_EQ(DirectoryNames(tree.root()), std::vector<std::string>{"panel.xlsx"});
}

TEST(SpreadsheetXlsx, EmptyOpenFunctionCountsAsNoApplication) {
  TempTree tree;
  const std::string path = tree.Path("panel.xlsx");
  std::unique_ptr<Spreadsheet> sheet = MakeXlsxSpreadsheet(path, nullptr);
  sheet->CreateApplication("Excel.Application");
  sheet->AddWorkbook();
  EXPECT_EQ(ErrorText([&] { sheet->MakeVisible(); }),
            "No hay ninguna aplicación de hojas de cálculo para abrir " + path);
}

TEST(SpreadsheetXlsx, MissingDirectoryThrowsAndLeavesNothing) {
  TempTree tree;
  std::vector<std::string> opened;
  std::unique_ptr<Spreadsheet> sheet = ReadyXlsx(tree.Path("falta/panel.xlsx"), opened);
  sheet->SetCell(1, 1, "dato");
  try {
    sheet->MakeVisible();
    ADD_FAILURE() << "no Error";
  } catch (const IoError& error) {
    EXPECT_EQ(error.code(), kFileNotFound);
  }
  EXPECT_TRUE(opened.empty());
  EXPECT_TRUE(DirectoryNames(tree.root()).empty());
}

TEST(SpreadsheetXlsx, PathThatIsADirectoryThrowsAndTheTemporaryFileIsRemoved) {
  // The workbook is written in full before the rename fails.
  TempTree tree("panel.xlsx/\n");
  std::vector<std::string> opened;
  std::unique_ptr<Spreadsheet> sheet = ReadyXlsx(tree.Path("panel.xlsx"), opened);
  sheet->SetCell(1, 1, "dato");
  try {
    sheet->MakeVisible();
    ADD_FAILURE() << "no Error";
  } catch (const IoError& error) {
    EXPECT_EQ(error.code(), kFileAccessDenied);
  }
  EXPECT_TRUE(opened.empty());
  EXPECT_EQ(DirectoryNames(tree.root()), std::vector<std::string>{"panel.xlsx"});
  EXPECT_TRUE(std::filesystem::is_directory(tree.Path("panel.xlsx")));
}

TEST(SpreadsheetXlsx, DirectoryThatCannotBeWrittenThrowsAndLeavesNothing) {
  TempTree tree("solo-lectura/\n");
  const std::string directory = tree.Path("solo-lectura");
  ASSERT_TRUE(testing::MakeWorldTraversable(tree.root()));
  ASSERT_NO_THROW(std::filesystem::permissions(directory, std::filesystem::perms(0555)));
  EXPECT_AS_NOBODY(testing::RunAsNobody(
      [&] { return testing::UserMay(directory, testing::kMayRead | testing::kMayEnter); },
      [&] {
        bool opened = false;
        std::unique_ptr<Spreadsheet> sheet =
            MakeXlsxSpreadsheet(directory + "/panel.xlsx", [&](const std::string&) {
              opened = true;
              return true;
            });
        sheet->CreateApplication("Excel.Application");
        sheet->AddWorkbook();
        sheet->SelectWorksheet("Hoja1");
        sheet->SetCell(1, 1, "dato");
        try {
          sheet->MakeVisible();
          return false;
        } catch (const IoError& error) {
          return error.code() == kFileAccessDenied && !opened && DirectoryNames(directory).empty();
        }
      }));
  std::filesystem::permissions(directory, std::filesystem::perms(0755));
}

TEST(SpreadsheetXlsx, ExistingFileIsReplaced) {
  TempTree tree("panel.xlsx=texto viejo\n");
  const std::string path = tree.Path("panel.xlsx");
  std::vector<std::string> opened;
  std::unique_ptr<Spreadsheet> sheet = ReadyXlsx(path, opened);
  sheet->SetCell(1, 1, "nuevo");
  sheet->MakeVisible();
  EXPECT_EQ(SheetCells(path), (std::map<std::string, std::string>{{"A1", "nuevo"}}));
  EXPECT_EQ(DirectoryNames(tree.root()), std::vector<std::string>{"panel.xlsx"});
}

TEST(SpreadsheetXlsx, AddWorkbookStartsAnEmptyOne) {
  TempTree tree;
  const std::string path = tree.Path("panel.xlsx");
  std::vector<std::string> opened;
  std::unique_ptr<Spreadsheet> sheet = ReadyXlsx(path, opened);
  sheet->NameWorksheet(1, "Panel");
  sheet->SetCell(1, 1, "viejo");
  sheet->AddWorkbook();
  EXPECT_EQ(ErrorText([&] { sheet->SetCell(1, 1, "x"); }), "No hay ninguna hoja seleccionada");
  sheet->SelectWorksheet("Hoja1");
  sheet->SetCell(2, 2, "nuevo");
  sheet->MakeVisible();
  EXPECT_EQ(SheetNames(path), std::vector<std::string>{"Hoja1"});
  EXPECT_EQ(SheetCells(path), (std::map<std::string, std::string>{{"B2", "nuevo"}}));
}

TEST(SpreadsheetXlsx, NewWorkbookPathIsANewXlsxFileInTheTemporaryDirectory) {
  const std::string first = NewWorkbookPath();
  const std::string second = NewWorkbookPath();
  const std::string prefix = TempDirectory() + "zuruza-panel-";
  for (const std::string& path : {first, second}) {
    SCOPED_TRACE(path);
    EXPECT_EQ(path.rfind(prefix, 0), 0u);
    EXPECT_EQ(path.substr(path.size() - 5), ".xlsx");
    EXPECT_GT(path.size(), prefix.size() + 5);
    EXPECT_EQ(path.find('/', prefix.size()), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(path));
  }
  EXPECT_NE(first, second);
}

}  // namespace
}  // namespace zuruza::spreadsheet_test
