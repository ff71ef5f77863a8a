// On Windows the pane is not exported: the build has no workbook writer,
// and the export ends with the message the user sees.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "analysis/spreadsheet_export.h"
#include "base/errors.h"
#include "platform/fs.h"
#include "platform/spreadsheet.h"
#include "support/temp_tree.h"

namespace zuruza {
namespace {

TEST(SpreadsheetExportOnWindows, EndsWithTheMessageThatExcelIsUnavailable) {
  testing::TempTree tree;
  bool opened = false;
  std::unique_ptr<Spreadsheet> spreadsheet =
      MakeXlsxSpreadsheet(tree.Path("panel.xlsx"), [&](const std::string&) {
        opened = true;
        return true;
      });
  try {
    ExportPaneToSpreadsheet({"a;b", "c"}, *spreadsheet);
    ADD_FAILURE() << "no Error";
  } catch (const Error& error) {
    EXPECT_STREQ(error.what(),
                 "La exportación a EXCEL no está disponible en esta versión para Windows.");
  }
  EXPECT_FALSE(opened);
  EXPECT_FALSE(PathExists(tree.Path("panel.xlsx")));
}

}  // namespace
}  // namespace zuruza
