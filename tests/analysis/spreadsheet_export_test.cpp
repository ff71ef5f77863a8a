#include "analysis/spreadsheet_export.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/errors.h"
#include "platform/paths.h"
#include "platform/spreadsheet.h"
#include "platform/testing/identity.h"
#include "support/as_nobody.h"
#include "support/temp_tree.h"

namespace zuruza {
namespace {

using testing::TempTree;

const std::string kReplacement = "\xEF\xBF\xBD";

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

// --- Reading a written workbook back ---

// The output of a shell command; `status` gets its exit status.
std::string RunCommand(const std::string& command, int& status) {
  std::string output;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) {
    status = -1;
    return output;
  }
  char buffer[65536];
  std::size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, got);
  status = ::pclose(pipe);
  return output;
}

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

// An entry of the zip archive, through unzip; `found` false when unzip fails.
std::string ZipEntry(const std::string& archive, const std::string& entry, bool& found) {
  int status = 0;
  std::string content =
      RunCommand("unzip -p " + Quoted(archive) + " " + Quoted(entry) + " 2>/dev/null", status);
  found = status == 0;
  return content;
}

std::string ZipEntry(const std::string& archive, const std::string& entry) {
  bool found = false;
  std::string content = ZipEntry(archive, entry, found);
  EXPECT_TRUE(found) << entry << " of " << archive;
  return content;
}

void AppendUtf8(unsigned long code, std::string& out) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// The text a spreadsheet application reads from XML character data: entity
// references, then "_xHHHH_" escapes.
std::string DecodeXmlText(std::string_view xml) {
  std::string unescaped;
  for (std::size_t i = 0; i < xml.size(); ++i) {
    if (xml[i] != '&') {
      unescaped += xml[i];
      continue;
    }
    const std::size_t end = xml.find(';', i);
    const std::string_view entity = xml.substr(i + 1, end - i - 1);
    if (entity == "amp")
      unescaped += '&';
    else if (entity == "lt")
      unescaped += '<';
    else if (entity == "gt")
      unescaped += '>';
    else if (entity == "quot")
      unescaped += '"';
    else if (entity == "apos")
      unescaped += '\'';
    else if (!entity.empty() && entity[0] == '#')
      AppendUtf8(entity.size() > 1 && entity[1] == 'x'
                     ? std::stoul(std::string(entity.substr(2)), nullptr, 16)
                     : std::stoul(std::string(entity.substr(1))),
                 unescaped);
    else
      ADD_FAILURE() << "unknown entity " << entity;
    i = end;
  }
  std::string text;
  for (std::size_t i = 0; i < unescaped.size(); ++i) {
    const std::string_view rest = std::string_view(unescaped).substr(i);
    if (rest.size() >= 7 && rest[0] == '_' && rest[1] == 'x' && rest[6] == '_' &&
        rest.substr(2, 4).find_first_not_of("0123456789abcdefABCDEF") == std::string_view::npos) {
      AppendUtf8(std::stoul(std::string(rest.substr(2, 4)), nullptr, 16), text);
      i += 6;
    } else {
      text += unescaped[i];
    }
  }
  return text;
}

std::string Attribute(std::string_view tag, std::string_view name) {
  const std::string key = " " + std::string(name) + "=\"";
  const std::size_t start = tag.find(key);
  if (start == std::string_view::npos) return "";
  const std::size_t value = start + key.size();
  return std::string(tag.substr(value, tag.find('"', value) - value));
}

std::vector<std::string> SharedStrings(const std::string& xml) {
  std::vector<std::string> strings;
  std::size_t pos = 0;
  while ((pos = xml.find("<si>", pos)) != std::string::npos) {
    const std::size_t end = xml.find("</si>", pos);
    const std::string_view item = std::string_view(xml).substr(pos, end - pos);
    std::string text;
    for (std::size_t t = item.find("<t"); t != std::string_view::npos; t = item.find("<t", t)) {
      const std::size_t open_end = item.find('>', t);
      const std::size_t close = item.find("</t>", open_end);
      text += DecodeXmlText(item.substr(open_end + 1, close - open_end - 1));
      t = close;
    }
    strings.push_back(text);
    pos = end;
  }
  return strings;
}

// The cells of the first worksheet, by reference ("A1"), with their texts.
std::map<std::string, std::string> SheetCells(const std::string& workbook) {
  std::map<std::string, std::string> cells;
  const std::string sheet = ZipEntry(workbook, "xl/worksheets/sheet1.xml");
  if (sheet.find("<c ") == std::string::npos) return cells;
  const std::vector<std::string> strings =
      SharedStrings(ZipEntry(workbook, "xl/sharedStrings.xml"));
  for (std::size_t c = sheet.find("<c "); c != std::string::npos; c = sheet.find("<c ", c + 1)) {
    const std::string_view tag = std::string_view(sheet).substr(c, sheet.find('>', c) - c);
    const std::string reference = Attribute(tag, "r");
    EXPECT_EQ(Attribute(tag, "t"), "s") << "cell " << reference << " is not a text";
    const std::size_t value = sheet.find("<v>", c);
    const std::size_t index =
        std::stoul(sheet.substr(value + 3, sheet.find("</v>", value) - value - 3));
    if (index >= strings.size()) {
      ADD_FAILURE() << "cell " << reference << " has no shared string " << index;
      continue;
    }
    cells[reference] = strings[index];
  }
  return cells;
}

std::vector<std::string> SheetNames(const std::string& workbook) {
  std::vector<std::string> names;
  const std::string xml = ZipEntry(workbook, "xl/workbook.xml");
  for (std::size_t s = xml.find("<sheet "); s != std::string::npos; s = xml.find("<sheet ", s + 1))
    names.push_back(
        DecodeXmlText(Attribute(std::string_view(xml).substr(s, xml.find('>', s) - s), "name")));
  return names;
}

bool IsWellFormedUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    std::size_t length = lead < 0x80                    ? 1
                         : lead >= 0xC2 && lead <= 0xDF ? 2
                         : lead >= 0xE0 && lead <= 0xEF ? 3
                         : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                        : 0;
    if (length == 0 || i + length > text.size()) return false;
    unsigned long code = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
      const unsigned char next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      code = (code << 6) | (next & 0x3F);
    }
    const unsigned long smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < smallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
      return false;
    i += length;
  }
  return true;
}

std::vector<std::string> DirectoryNames(const std::string& directory) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(directory))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

std::function<bool(const std::string&)> Opener(std::vector<std::string>& opened,
                                               bool result = true) {
  return [&opened, result](const std::string& path) {
    opened.push_back(path);
    return result;
  };
}

// A backend with its workbook added and the sheet selected.
std::unique_ptr<Spreadsheet> ReadyXlsx(const std::string& path, std::vector<std::string>& opened) {
  std::unique_ptr<Spreadsheet> sheet = MakeXlsxSpreadsheet(path, Opener(opened));
  sheet->CreateApplication("Excel.Application");
  sheet->AddWorkbook();
  sheet->SelectWorksheet("Hoja1");
  return sheet;
}

template <typename Call>
std::string ErrorText(Call call) {
  try {
    call();
  } catch (const Error& error) {
    return error.what();
  }
  return "(no Error)";
}

// --- The pane exported into a real workbook ---

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

// --- The .xlsx backend ---

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
}  // namespace zuruza
