#include "analysis/repes_window.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QMenuBar>

#include "analysis/spreadsheet_export.h"
#include "app/form_rows.h"
#include "app/qt_shell.h"
#include "app/qt_text.h"
#include "core/exit_status.h"
#include "platform/clock.h"
#include "platform/paths.h"
#include "platform/spreadsheet.h"

namespace zuruza {

namespace {

ReportWindowOptions DuplicateWindowOptions() {
  ReportWindowOptions options;
  options.object_name = "Form_repes";
  options.caption = "Buscador de Archivos Repetidos.";
  options.default_report_path = ToQt(DefaultReportPath("xxx.tmp"));
  options.report_check_name = "CheckBox2";
  options.two_status_bars = true;
  options.width = 640;
  options.height = 520;
  return options;
}

}  // namespace

TForm_repes::TForm_repes(const bool* batch_mode, QWidget* parent)
    : ReportWindow(DuplicateWindowOptions(), parent),
      batch_mode_(batch_mode),
      finder_(*this, prompter(), SystemLocaleFormats()),
      indexed_(*this, SystemLocaleFormats()),
      opener_(OpenWithDefaultApplication),
      workbook_path_(NewWorkbookPath) {
  move(181, 129);
  CheckBox2 = ReportCheck;

  QLabel* label1 = NewCaption(Panel1, "Label1", "Directorio BASE donde buscar repes:");
  Edit1 = NewField(Panel1, "Edit1", label1, ToQt(DefaultUsersFolder()));
  Button1 = NewButton(Panel1, "Button1", "BUSCA REPES");
  Button1->setDefault(true);
  CheckBox1 = NewCheck(Panel1, "CheckBox1", "Mostrar más DATOS y Fich. Origen.");
  CheckBox3 = NewCheck(Panel1, "CheckBox3", "Buscar solo ficheros de mas de ");
  Edit3 = NewField(Panel1, "Edit3", "Tamaño mínimo en bytes", "1000000");
  Label2 = NewCaption(Panel1, "Label2", "Bytes");
  CheckBox4 = NewCheck(Panel1, "CheckBox4", "Comprobar contenido");
  CheckBox5 = NewCheck(Panel1, "CheckBox5", "Buscar por contenido");
  Button2 = NewButton(Panel1, "Button2", "Parar");
  Button2->setEnabled(false);

  auto* grid = new QGridLayout(Panel1);
  auto* min_row = new QHBoxLayout;
  min_row->addWidget(CheckBox3);
  min_row->addWidget(Edit3);
  min_row->addWidget(Label2);
  FormRows(grid, 3).Row(label1, Edit1, Button1);
  // The report box runs down beside both option rows.
  grid->addWidget(GroupBox1, 1, 0, 2, 1);
  grid->addWidget(CheckBox1, 1, 1, 1, 2);
  grid->addLayout(min_row, 2, 1, 1, 2);
  grid->addWidget(Button2, 3, 0, Qt::AlignLeft);
  grid->addWidget(CheckBox4, 3, 1);
  grid->addWidget(CheckBox5, 3, 2);
  grid->setColumnStretch(1, 1);
  // Grouping by content compares every file's bytes already.
  connect(CheckBox5, &QCheckBox::toggled, CheckBox4, &QCheckBox::setDisabled);
  connect(Button2, &QPushButton::clicked, this, [this] { finder_.RequestStop(); });

  QAction* export_action = menuBar()->addAction("Exportar a EXCEL");
  export_action->setObjectName("ExportaraEXCEL1");
  connect(export_action, &QAction::triggered, this, &TForm_repes::ExportaraEXCEL1Click);
  QAction* indexed_action = menuBar()->addAction("¿Ya está en un disco indexado?");
  indexed_action->setObjectName("YaEstaEnDisco1");
  connect(indexed_action, &QAction::triggered, this, &TForm_repes::YaEstaEnDisco1Click);
  connect(Button1, &QPushButton::clicked, this, &TForm_repes::Button1Click);
  for (QLineEdit* edit : {Edit1, Edit2, Edit3}) {
    connect(edit, &QLineEdit::returnPressed, this, &TForm_repes::Button1Click);
  }
  ClearReport();
}

DuplicateRequest TForm_repes::GatherRequest() const {
  DuplicateRequest request;
  request.base_directory = FromQt(Edit1->text());
  request.write_report = CheckBox2->isChecked();
  request.report_path = FromQt(Edit2->text());
  request.details = CheckBox1->isChecked();
  request.min_size_filter = CheckBox3->isChecked();
  request.min_size = FromQt(Edit3->text());
  request.batch_mode = batch_mode_ && *batch_mode_;
  request.by_content = CheckBox5->isChecked();
  request.check_content = CheckBox4->isChecked() && !request.by_content;
  return request;
}

void TForm_repes::Button1Click() {
  if (JobRunning()) return QApplication::beep();
  ClearReport();
  const DuplicateRequest request = GatherRequest();
  Button2->setEnabled(true);
  const bool ok = RunJob([&] { finder_.RunDuplicateSearch(request); });
  Button2->setEnabled(false);
  const bool skipped = TellSkippedEntries(prompter(), finder_.skipped(), request.batch_mode);
  if (request.batch_mode) {
    if (ok) {
      QApplication::exit(skipped ? kExitSomeSkipped : kExitFinished);
    } else if (HeadlessPrompts()) {
      QApplication::exit(1);  // nobody is there to read the error and close the program
    }
  }
}

void TForm_repes::YaEstaEnDisco1Click() {
  if (JobRunning()) return QApplication::beep();
  // The dialog opens where the inventory keeps its listings.
  const std::optional<std::string> listing =
      prompter().OpenFileDialog("Listados|*.txt|Todos los Ficheros|*.*", DataDirectory());
  if (!listing) return;
  ClearReport();
  const DuplicateRequest fields = GatherRequest();
  const IndexedCopiesRequest request{fields.base_directory,  *listing,
                                     fields.min_size_filter, fields.min_size,
                                     fields.write_report,    fields.report_path};
  if (RunJob([&] { indexed_.Run(request); }))
    TellSkippedEntries(prompter(), indexed_.skipped(), false);
}

void TForm_repes::ExportaraEXCEL1Click() {
  FlushReport();
  std::vector<std::string> lines;
  lines.reserve(Memo1->LineCount());
  for (std::size_t i = 0; i < Memo1->LineCount(); ++i) lines.push_back(Memo1->Line(i));
  RunGuarded(prompter(), [&] {
    std::unique_ptr<Spreadsheet> sheet = MakeXlsxSpreadsheet(workbook_path_(), opener_);
    ExportPaneToSpreadsheet(lines, *sheet);
  });
}

}  // namespace zuruza
