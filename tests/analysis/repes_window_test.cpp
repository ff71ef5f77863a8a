// The duplicate finder window driven offscreen, its export and its batch
// command.
#include "analysis/repes_window.h"

#include <QProcess>
#include <QtTest>

#include "support/qt_text_helpers.h"
#include "support/scripted_prompter.h"
#include "support/temp_tree.h"
#include "support/window_test_fixture.h"

using namespace zuruza;
using zuruza::testing::Q;
using zuruza::testing::ScriptedPrompter;
using zuruza::testing::TempTree;

namespace {

// The text of every cell of the first sheet of a workbook, "A1=text" each.
std::string SheetCells(const std::string& workbook) {
  QProcess unzip;
  unzip.start("unzip", {"-p", Q(workbook), "xl/sharedStrings.xml", "xl/worksheets/sheet1.xml"});
  unzip.waitForFinished();
  return unzip.readAllStandardOutput().toStdString();
}
}  // namespace

class RepesWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    tree_ = std::make_unique<TempTree>("x/a.txt=1234\ny/a.txt=1234\ny/b.txt=1\n");
    window_ = std::make_unique<TForm_repes>(&batch_);
    prompter_ = ScriptedPrompter();
    window_->set_prompter(&prompter_);
    window_->Edit1->setText(Q(tree_->root().substr(0, tree_->root().size() - 1)));
  }
  void cleanup() {
    window_.reset();
    tree_.reset();
  }

  void SearchFillsPaneBothStatusBarsAndTheReportFile() {
    window_->CheckBox2->setChecked(true);
    window_->Edit2->setText(Q(tree_->Path("informe.txt")));
    window_->Button1->click();
    QCOMPARE(window_->Memo1->Line(2), tree_->root() + "y/a.txt");
    QCOMPARE(window_->StatusText(StatusBar::kStatusBar2), QString("Directorios Examinados: 2 (y)"));
    QCOMPARE(window_->StatusText(StatusBar::kStatusBar1),
             QString("Archivos Examinados: 4 (b.txt)"));  // the report file is met too
    QCOMPARE(prompter_.messages.back(),
             std::string("Se han encontrado 1 archivos repetidos. (0.0 Kb)"));
    QVERIFY(tree_->ReadFile("informe.txt").find("N. Ficheros; Tamaño; Nombre Directorio\r\n") !=
            std::string::npos);
  }

  void PararStopsTheContentComparisonAndSaysWhatWasNotCompared() {
    window_->CheckBox5->setChecked(true);
    QVERIFY(!window_->CheckBox4->isEnabled());
    QVERIFY(window_->GatherRequest().by_content && !window_->GatherRequest().check_content);
    // Pressed as the comparison begins (on this thread, so that it cannot
    // finish first): no file is compared.
    const unsigned threads = WalkThreads();
    SetWalkThreads(0);
    SetWindowEventsHookForTesting([this] {
      QVERIFY(window_->Button2->isEnabled());
      window_->Button2->click();
    });
    window_->Button1->click();
    SetWindowEventsHookForTesting(nullptr);
    SetWalkThreads(threads);
    QVERIFY(!window_->Button2->isEnabled());
    const std::vector<std::string> lines = zuruza::testing::PaneLines(*window_->Memo1);
    QCOMPARE(lines.back(), std::string("Comparación interrumpida: 2 ficheros sin comparar"));
  }

  void IndexedDiskLookUpAsksForTheListingAndReportsInThePane() {
    prompter_.dialog_answers = {std::nullopt, tree_->Path("no-such-listing.txt")};
    window_->YaEstaEnDisco1Click();  // cancelled: nothing runs
    QCOMPARE(window_->Memo1->LineCount(), std::size_t{0});
    window_->YaEstaEnDisco1Click();
    QCOMPARE(prompter_.errors.size(), std::size_t{1});
    QVERIFY(prompter_.errors[0].starts_with("No se puede abrir el listado: "));
    QCOMPARE(window_->findChild<QAction*>("YaEstaEnDisco1")->text(),
             QString("¿Ya está en un disco indexado?"));
  }

  void BadMinimumShowsTheConversionError() {
    window_->CheckBox3->setChecked(true);
    window_->Edit3->setText("mucho");
    window_->Button1->click();
    QCOMPARE(prompter_.errors, std::vector<std::string>{"'mucho' is not a valid integer value"});
    QCOMPARE(window_->Memo1->LineCount(), std::size_t{2});
  }

  void ExportWritesThePaneIntoSheetPanel() {
    window_->Button1->click();
    std::vector<std::string> opened;
    window_->set_opener([&](const std::string& path) {
      opened.push_back(path);
      return true;
    });
    const std::string workbook = tree_->Path("panel.xlsx");
    window_->set_workbook_path([workbook] { return workbook; });
    window_->ExportaraEXCEL1Click();
    QVERIFY(prompter_.errors.empty());
    QCOMPARE(opened, std::vector<std::string>{workbook});
    std::string cells = SheetCells(workbook);
    QVERIFY(cells.find("LISTA DE ARCHIVOS REPETIDOS: ") != std::string::npos);
  }

  void ExportWithoutSpreadsheetApplicationSaysSo() {
    window_->set_opener([](const std::string&) { return false; });
    window_->set_workbook_path([this] { return tree_->Path("panel.xlsx"); });
    window_->ExportaraEXCEL1Click();
    QCOMPARE(prompter_.errors.size(), std::size_t{1});
  }

  void BatchCommandWritesTheReportAndEnds() {
    ZURUZA_SKIP_WITHOUT_PROGRAM();
    zuruza::testing::ProgramRun run =
        zuruza::testing::RunZuruza({"/repes", tree_->root() + "x/..", tree_->Path("out.txt"), "2"});
    QCOMPARE(run.exit_code, 0);
    std::string report = tree_->ReadFile("out.txt");
    QVERIFY(report.rfind("LISTA DE ARCHIVOS REPETIDOS de más de 2 bytes.\r\n", 0) == 0);
    QVERIFY(report.find(";" + tree_->root() + "x/../y/a.txt\r\n") != std::string::npos);

    // An empty report path is an error.
    run = zuruza::testing::RunZuruza({"/REPES", tree_->root(), ""});
    QCOMPARE(run.exit_code, 1);
    QVERIFY(run.errors.find("File not found") != std::string::npos);
  }

 private:
  bool batch_ = false;
  ScriptedPrompter prompter_;
  std::unique_ptr<TempTree> tree_;
  std::unique_ptr<TForm_repes> window_;
};

QTEST_MAIN(RepesWindowTest)
#include "repes_window_test.moc"
