// The .xlsx backend's cells: their references, and their texts as a spreadsheet reads them.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/spreadsheet.h"
#include "support/spreadsheet_reading.h"
#include "support/temp_tree.h"

namespace zuruza::spreadsheet_test {
namespace {

using testing::TempTree;

TEST(SpreadsheetXlsx, CellsOutsideTheSheetThrow) {
  TempTree tree;
  std::vector<std::string> opened;
  std::unique_ptr<Spreadsheet> sheet = ReadyXlsx(tree.Path("a.xlsx"), opened);
  struct Row {
    long row;
    long column;
    std::string error;
  };
  const std::vector<Row> rows = {
      {0, 1, "La hoja de cálculo no admite la celda (0, 1)."},
      {1, 0, "La hoja de cálculo no admite la celda (1, 0)."},
      {-1, 1, "La hoja de cálculo no admite la celda (-1, 1)."},
      {1048577, 1, "La hoja de cálculo no admite la celda (1048577, 1)."},
      {1, 16385, "La hoja de cálculo no admite la celda (1, 16385)."},
      {4294967297L, 1, "La hoja de cálculo no admite la celda (4294967297, 1)."},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.error);
    EXPECT_EQ(ErrorText([&] { sheet->SetCell(row.row, row.column, "x"); }), row.error);
  }
}

TEST(SpreadsheetXlsx, CornerCellsAreWrittenAtTheirReferences) {
  TempTree tree;
  const std::string path = tree.Path("a.xlsx");
  std::vector<std::string> opened;
  std::unique_ptr<Spreadsheet> sheet = ReadyXlsx(path, opened);
  sheet->SetCell(1048576, 16384, "fin");
  sheet->SetCell(1, 16384, "XFD1");
  sheet->SetCell(1048576, 1, "A1048576");
  sheet->SetCell(2, 27, "AA2");
  sheet->SetCell(1, 1, "A1");
  sheet->MakeVisible();
  EXPECT_EQ(SheetCells(path), (std::map<std::string, std::string>{{"A1", "A1"},
                                                                  {"XFD1", "XFD1"},
                                                                  {"AA2", "AA2"},
                                                                  {"A1048576", "A1048576"},
                                                                  {"XFD1048576", "fin"}}));
}

TEST(SpreadsheetXlsx, CellSetAgainKeepsItsLastTextAndAnEmptyTextClearsIt) {
  TempTree tree;
  const std::string path = tree.Path("a.xlsx");
  std::vector<std::string> opened;
  std::unique_ptr<Spreadsheet> sheet = ReadyXlsx(path, opened);
  sheet->SetCell(1, 1, "primero");
  sheet->SetCell(1, 1, "segundo");
  sheet->SetCell(1, 2, "borrado");
  sheet->SetCell(1, 2, "");
  sheet->SetCell(1, 3, "");
  sheet->MakeVisible();
  EXPECT_EQ(SheetCells(path), (std::map<std::string, std::string>{{"A1", "segundo"}}));
}

TEST(SpreadsheetXlsx, CellTextIsCutToExcelsLimitAtACharacterBoundary) {
  TempTree tree;
  const std::string path = tree.Path("a.xlsx");
  std::vector<std::string> opened;
  std::unique_ptr<Spreadsheet> sheet = ReadyXlsx(path, opened);
  const std::string e_acute = "\xC3\xA9";
  struct Row {
    std::string text;
    std::string written;
  };
  const std::string emoji = "\xF0\x9F\x98\x80";  // two UTF-16 units in Excel's count
  const std::vector<Row> rows = {
      {std::string(40000, 'a'), std::string(32767, 'a')},
      {std::string(32767, 'a'), std::string(32767, 'a')},
      // The limit counts characters, not bytes.
      {std::string(32766, 'a') + e_acute, std::string(32766, 'a') + e_acute},
      {std::string(32766, 'a') + e_acute + "z", std::string(32766, 'a') + e_acute},
      {std::string(32766, 'a') + emoji, std::string(32766, 'a')},
      // Each invalid byte becomes one replacement character.
      {std::string(32768, '\xFF'),
       [&] {
         std::string replaced;
         for (int i = 0; i < 32767; ++i) replaced += kReplacement;
         return replaced;
       }()},
  };
  for (std::size_t i = 0; i < rows.size(); ++i)
    sheet->SetCell(static_cast<long>(i) + 1, 1, rows[i].text);
  sheet->MakeVisible();
  const std::map<std::string, std::string> cells = SheetCells(path);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE(i + 1);
    const auto cell = cells.find("A" + std::to_string(i + 1));
    ASSERT_NE(cell, cells.end());
    EXPECT_EQ(cell->second.size(), rows[i].written.size());
    EXPECT_TRUE(cell->second == rows[i].written);
  }
}

TEST(SpreadsheetXlsx, BytesThatAreNotUtf8BecomeReplacementCharacters) {
  TempTree tree;
  const std::string path = tree.Path("a.xlsx");
  std::vector<std::string> opened;
  std::unique_ptr<Spreadsheet> sheet = ReadyXlsx(path, opened);
  const std::string r = kReplacement;
  struct Row {
    std::string text;
    std::string written;
  };
  const std::vector<Row> rows = {
      {"a\xFF"
       "b",
       "a" + r + "b"},
      {"\xC3", r},
      {"\xC3\xA9", "\xC3\xA9"},
      {"\xE2\x82"
       "a",
       r + r + "a"},
      {"\xE2\x82\xAC", "\xE2\x82\xAC"},
      {"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},
      {"\xC0\xAF", r + r},
      {"\xE0\x80\xAF", r + r + r},
      {"\xED\xA0\x80", r + r + r},
      {"\xF4\x90\x80\x80", r + r + r + r},
      {"\xF8\x88\x80\x80\x80", r + r + r + r + r},
      {"\x80", r},
      {"\xEF\xBF\xBE", r},
      {"\xEF\xBF\xBF", r},
      {"\xEF\xBF\xBD", r},
  };
  for (std::size_t i = 0; i < rows.size(); ++i)
    sheet->SetCell(static_cast<long>(i) + 1, 1, rows[i].text);
  sheet->MakeVisible();
  EXPECT_TRUE(IsWellFormedUtf8(ZipEntry(path, "xl/sharedStrings.xml")));
  const std::map<std::string, std::string> cells = SheetCells(path);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE(i + 1);
    const auto cell = cells.find("A" + std::to_string(i + 1));
    ASSERT_NE(cell, cells.end());
    EXPECT_EQ(cell->second, rows[i].written);
  }
}

TEST(SpreadsheetXlsx, ControlCharactersAndMarkupReadBackUnchanged) {
  TempTree tree;
  const std::string path = tree.Path("a.xlsx");
  std::vector<std::string> opened;
  std::unique_ptr<Spreadsheet> sheet = ReadyXlsx(path, opened);
  const std::vector<std::string> texts = {
      "a\x01"
      "b",
      "\x1F",
      "tab\there",
      "line\nbreak",
      "cr\rx",
      std::string("nul\0x", 5),
      "_x0041_",
      "a_X00e9_b_x12_",
      "a&b<c>\"'",
      " leading and trailing ",
      "\x7F",
  };
  for (std::size_t i = 0; i < texts.size(); ++i)
    sheet->SetCell(static_cast<long>(i) + 1, 1, texts[i]);
  sheet->MakeVisible();
  const std::string shared = ZipEntry(path, "xl/sharedStrings.xml");
  // XML 1.0 allows no control characters other than tab, line feed and
  // carriage return, and a raw carriage return would be read as a line feed.
  for (char c : shared) {
    const unsigned char byte = static_cast<unsigned char>(c);
    EXPECT_TRUE(byte >= 0x20 || byte == '\t' || byte == '\n')
        << "raw byte " << static_cast<int>(byte);
  }
  const std::map<std::string, std::string> cells = SheetCells(path);
  for (std::size_t i = 0; i < texts.size(); ++i) {
    SCOPED_TRACE(i + 1);
    const auto cell = cells.find("A" + std::to_string(i + 1));
    ASSERT_NE(cell, cells.end());
    EXPECT_EQ(cell->second, texts[i]);
  }
}

}  // namespace
}  // namespace zuruza::spreadsheet_test
