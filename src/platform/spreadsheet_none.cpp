// The Windows build has no workbook writer: Debian's cross compiler comes
// without libxlsxwriter. Every call says so, as any export failure is shown.
#include <memory>
#include <utility>

#include "base/errors.h"
#include "platform/paths.h"
#include "platform/spreadsheet.h"

namespace zuruza {
namespace {

constexpr const char* kUnavailable =
    "La exportación a EXCEL no está disponible en esta versión para Windows.";

class UnavailableSpreadsheet : public Spreadsheet {
 public:
  void CreateApplication(std::string_view) override { throw Error(kUnavailable); }
  void AddWorkbook() override { throw Error(kUnavailable); }
  void NameWorksheet(int, std::string_view) override { throw Error(kUnavailable); }
  void SelectWorksheet(std::string_view) override { throw Error(kUnavailable); }
  void SetCell(long, long, std::string_view) override { throw Error(kUnavailable); }
  void MakeVisible() override { throw Error(kUnavailable); }
};

}  // namespace

std::unique_ptr<Spreadsheet> MakeXlsxSpreadsheet(std::string,
                                                 std::function<bool(const std::string&)>) {
  return std::make_unique<UnavailableSpreadsheet>();
}

std::string NewWorkbookPath() { return TempDirectory() + "zuruza-panel.xlsx"; }

}  // namespace zuruza
