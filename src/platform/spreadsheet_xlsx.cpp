// The .xlsx backend of Spreadsheet: cells are kept in memory and written in
// one go by libxlsxwriter when the workbook is made visible.
#include <unistd.h>
#include <xlsxwriter.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <map>
#include <string>
#include <utility>

#include "base/errors.h"
#include "base/utf8.h"
#include "platform/atomic_file.h"
#include "platform/paths.h"
#include "platform/spreadsheet.h"

namespace zuruza {
namespace {

// Excel's own limits.
constexpr long kMaxRows = 1'048'576;
constexpr long kMaxColumns = 16'384;
// Characters of a cell, counted in UTF-16 units as Excel counts them (a
// character past U+FFFF takes two); libxlsxwriter counts code points, never
// more.
constexpr std::size_t kMaxCellUnits = 32'767;
constexpr std::size_t kMaxSheetNameUnits = 31;

constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";
constexpr std::string_view kDefaultSheetName = "Hoja1";

std::atomic<unsigned long> name_counter{0};

unsigned char ByteAt(std::string_view text, std::size_t i) {
  return static_cast<unsigned char>(text[i]);
}

// The length of the well-formed UTF-8 sequence `text` starts with, or 0.
std::size_t Utf8SequenceLength(std::string_view text) {
  if (text.empty()) return 0;
  const Utf8Char c = DecodeUtf8At(text, 0);
  return c.valid ? c.size : 0;
}

// U+FFFE and U+FFFF are well-formed UTF-8 but not XML characters.
bool IsXmlNonCharacter(std::string_view sequence) {
  return sequence.size() == 3 && ByteAt(sequence, 0) == 0xEF && ByteAt(sequence, 1) == 0xBF &&
         ByteAt(sequence, 2) >= 0xBE;
}

bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Excel reads "_xHHHH_" in a text as the character HHHH, so a literal one
// gets its underscore written as "_x005F_".
bool StartsWithCharacterEscape(std::string_view text) {
  if (text.size() < 7 || text[0] != '_' || text[1] != 'x' || text[6] != '_') return false;
  for (std::size_t i = 2; i < 6; ++i)
    if (!IsHexDigit(text[i])) return false;
  return true;
}

// The text to hand libxlsxwriter for raw bytes: each byte that is not part of
// well-formed UTF-8 becomes U+FFFD, and the result is cut, at a character
// boundary, to Excel's limit in characters. libxlsxwriter itself writes the control
// characters from U+0001 as "_xHHHH_"; a NUL byte would end its C string, so
// it is written that way here.
std::string CellText(std::string_view raw) {
  std::string text;
  text.reserve(std::min(raw.size(), 4 * kMaxCellUnits));
  std::size_t units = 0;
  std::size_t i = 0;
  while (i < raw.size()) {
    std::string_view piece;
    std::size_t consumed = 1;
    if (raw[i] == '\0') {
      piece = "_x0000_";
    } else if (StartsWithCharacterEscape(raw.substr(i))) {
      piece = "_x005F_";
    } else if (const std::size_t length = Utf8SequenceLength(raw.substr(i)); length == 0) {
      piece = kReplacementCharacter;
    } else {
      consumed = length;
      piece = raw.substr(i, length);
      if (IsXmlNonCharacter(piece)) piece = kReplacementCharacter;
    }
    // An escape is that many characters; every other piece is one character.
    const std::size_t piece_units = piece.front() == '_' ? piece.size() : piece.size() == 4 ? 2 : 1;
    if (units + piece_units > kMaxCellUnits) break;
    units += piece_units;
    text += piece;
    i += consumed;
  }
  return text;
}

// Excel's rules for a sheet name: 1 to 31 UTF-16 units, none of []:*?/\,
// no apostrophe at either end. Control characters and malformed UTF-8 could
// not be written in the workbook.
bool IsValidSheetName(std::string_view name) {
  if (name.empty() || name.front() == '\'' || name.back() == '\'') return false;
  if (name.find_first_of("[]:*?/\\") != std::string_view::npos) return false;
  std::size_t units = 0;
  for (std::size_t i = 0; i < name.size();) {
    const std::size_t length = Utf8SequenceLength(name.substr(i));
    if (length == 0 || ByteAt(name, i) < 0x20 || IsXmlNonCharacter(name.substr(i, length)))
      return false;
    units += length == 4 ? 2 : 1;
    i += length;
  }
  return units <= kMaxSheetNameUnits;
}

std::string UniquePart() {
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  return std::to_string(::getpid()) + "-" +
         std::to_string(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()) + "-" +
         std::to_string(name_counter.fetch_add(1));
}

class XlsxSpreadsheet final : public Spreadsheet {
 public:
  XlsxSpreadsheet(std::string path, std::function<bool(const std::string&)> open)
      : path_(std::move(path)), open_(std::move(open)) {}

  void CreateApplication(std::string_view) override {
    // Whatever application is asked for, the desktop's spreadsheet
    // application shows the workbook.
    application_ = true;
  }

  void AddWorkbook() override {
    if (!application_) throw Error("No se ha iniciado la aplicación de hojas de cálculo");
    has_workbook_ = true;
    sheet_name_ = kDefaultSheetName;
    sheet_selected_ = false;
    cells_.clear();
  }

  void NameWorksheet(int index, std::string_view name) override {
    RequireWorkbook();
    if (index != 1) throw Error("No existe la hoja " + std::to_string(index));
    if (!IsValidSheetName(name)) throw Error("Nombre de hoja no válido: " + std::string(name));
    sheet_name_ = name;
  }

  void SelectWorksheet(std::string_view name) override {
    RequireWorkbook();
    if (name != sheet_name_) throw Error("No existe la hoja " + std::string(name));
    sheet_selected_ = true;
  }

  void SetCell(long row, long column, std::string_view text) override {
    RequireWorkbook();
    if (!sheet_selected_) throw Error("No hay ninguna hoja seleccionada");
    if (row < 1 || row > kMaxRows || column < 1 || column > kMaxColumns)
      throw Error("La hoja de cálculo no admite la celda (" + std::to_string(row) + ", " +
                  std::to_string(column) + ").");
    // An empty text leaves the cell empty, as it would be in Excel.
    if (text.empty()) {
      cells_.erase({row, column});
      return;
    }
    cells_[{row, column}] = CellText(text);
  }

  // The workbook stays written when no application can show it: the Error
  // names its path, so it can still be opened by hand.
  void MakeVisible() override {
    RequireWorkbook();
    WriteWorkbook();
    if (!open_ || !open_(path_))
      throw Error("No hay ninguna aplicación de hojas de cálculo para abrir " + path_);
  }

 private:
  void RequireWorkbook() const {
    if (!has_workbook_) throw Error("No hay ningún libro abierto");
  }

  [[noreturn]] void ThrowCannotWrite() const {
    throw Error("No se puede escribir el libro " + path_);
  }

  void WriteWorkbook() const {
    AtomicFile output(path_);
    output.SyncAlways();
    lxw_workbook* workbook = workbook_new(output.temporary_path().c_str());
    if (workbook == nullptr) ThrowCannotWrite();
    lxw_worksheet* sheet = workbook_add_worksheet(workbook, sheet_name_.c_str());
    lxw_error error = sheet != nullptr ? LXW_NO_ERROR : LXW_ERROR_PARAMETER_VALIDATION;
    for (auto cell = cells_.begin(); error == LXW_NO_ERROR && cell != cells_.end(); ++cell) {
      const auto& [position, text] = *cell;
      // Always as text: a field that looks like a number stays as shown.
      error = worksheet_write_string(sheet, static_cast<lxw_row_t>(position.first - 1),
                                     static_cast<lxw_col_t>(position.second - 1), text.c_str(),
                                     nullptr);
    }
    if (error != LXW_NO_ERROR) {
      lxw_workbook_free(workbook);
      ThrowCannotWrite();
    }
    if (workbook_close(workbook) != LXW_NO_ERROR) ThrowCannotWrite();
    output.Commit();
  }

  std::string path_;
  std::function<bool(const std::string&)> open_;
  bool application_ = false;
  bool has_workbook_ = false;
  std::string sheet_name_{kDefaultSheetName};
  bool sheet_selected_ = false;
  // By (row, column): written in row order, and a cell set again keeps its
  // last text.
  std::map<std::pair<long, long>, std::string> cells_;
};

}  // namespace

std::unique_ptr<Spreadsheet> MakeXlsxSpreadsheet(std::string path,
                                                 std::function<bool(const std::string&)> open) {
  return std::make_unique<XlsxSpreadsheet>(std::move(path), std::move(open));
}

std::string NewWorkbookPath() { return TempDirectory() + "zuruza-panel-" + UniquePart() + ".xlsx"; }

}  // namespace zuruza
