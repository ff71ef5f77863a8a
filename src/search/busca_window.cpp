#include "search/busca_window.h"

#include <QApplication>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QMenuBar>
#include <QVBoxLayout>

#include "app/form_rows.h"
#include "app/qt_shell.h"
#include "app/qt_text.h"
#include "core/exit_status.h"
#include "platform/clock.h"
#include "platform/fs.h"
#include "platform/paths.h"
#include "search/inventario.h"

namespace zuruza {

namespace {

ReportWindowOptions SearchWindowOptions() {
  ReportWindowOptions options;
  options.object_name = "form_Busca";
  options.caption = "Busca Archivos por el Disco";
  options.default_report_path = ToQt(DefaultReportPath("bbb.tmp"));
  options.width = 760;
  options.height = 660;
  return options;
}

}  // namespace

Tform_Busca::Tform_Busca(const bool* batch_mode, QWidget* parent)
    : ReportWindow(SearchWindowOptions(), parent),
      batch_mode_(batch_mode),
      search_(*this, prompter(), SystemLocaleFormats()),
      opener_(OpenWithDefaultApplication),
      results_candidates_(DefaultResultsFileCandidates()),
      pane_capacity_(DefaultPaneCapacity()) {
  CheckBox1 = ReportCheck;
  Panel2 = new QLabel(
      "Haciendo Doble Click en las líneas de la lista de arriba se EJECUTARA la aplicación "
      "correspondiente.",
      this);
  Panel2->setObjectName("Panel2");
  Panel2->setAccessibleName(Panel2->text());
  Panel2->setStyleSheet("color: blue;");
  InsertAbovePanel(Panel2);
  BuildPanel();

  InventariodeDiscos1 = menuBar()->addMenu("Inventario de Discos");
  InventariodeDiscos1->setObjectName("InventariodeDiscos1");
  auto add = [this](const QString& caption, const QString& name, void (Tform_Busca::*slot)()) {
    InventariodeDiscos1->addAction(caption, this, slot)->setObjectName(name);
  };
  add("Indexar un Nuevo Disco", "GererarListadodeFicheros1",
      &Tform_Busca::GererarListadodeFicheros1Click);
  add("Buscar un Fichero", "BuscarunFichero1", &Tform_Busca::BuscarunFichero1Click);
  add("Ver Discos Indexados", "VerDiscosIndexados1", &Tform_Busca::VerDiscosIndexados1Click);

  connect(Button1, &QPushButton::clicked, this, &Tform_Busca::Button1Click);
  connect(Button2, &QPushButton::clicked, this, &Tform_Busca::Button2Click);
  // Enter in any single-line field starts the search, as the default button.
  for (QLineEdit* edit : findChildren<QLineEdit*>()) {
    connect(edit, &QLineEdit::returnPressed, this, &Tform_Busca::Button1Click);
  }
  DriveComboBox1->installEventFilter(this);
  connect(Memo1, &ReportPane::LineDoubleClicked, this, [this] { Memo1DblClick(); });
  ClearReport();
}

void Tform_Busca::BuildPanel() {
  auto* grid = new QGridLayout(Panel1);

  DriveComboBox1 = new QComboBox(Panel1);
  DriveComboBox1->setObjectName("DriveComboBox1");
  Label1 = NewCaption(Panel1, "Label1", "Dónde Buscar:");
  Label1->setBuddy(DriveComboBox1);
  DriveComboBox1->setAccessibleName(Label1->text());
  Button2 = NewButton(Panel1, "Button2", "...", "Releer unidades");
  Button2->setMaximumWidth(32);
  RebuildDrives();
  DriveComboBox1->setCurrentIndex(static_cast<int>(DriveIndexOf(drives_, CurrentDirectory())));

  QLabel* label6 = NewCaption(Panel1, "Label6", "Directorio");
  Edit6 = NewField(Panel1, "Edit6", label6);
  QLabel* label2 = NewCaption(Panel1, "Label2", "Qué Buscar");
  Edit1 = NewField(Panel1, "Edit1", label2);
  QLabel* label7 = NewCaption(Panel1, "Label7", "Tamaño Mínimo del Fichero");
  tam_min = NewField(Panel1, "tam_min", label7);
  tam_min->setToolTip("Tamaño Mínimo de los ficheros a mostar en BYTES.");
  CheckBox4 = NewCheck(Panel1, "CheckBox4", "Poner el tamaño en el listado");
  Button1 = NewButton(Panel1, "Button1", "Buscar");
  Button1->setDefault(true);

  auto* drive_row = new QHBoxLayout;
  drive_row->addWidget(DriveComboBox1, 1);
  drive_row->addWidget(Button2);
  const FormRows rows = FormRows(grid, 2)
                            .Row(Label1, drive_row)
                            .Row(label6, Edit6)
                            .Row(label2, Edit1)
                            .Row(label7, tam_min)
                            .Cells({nullptr, CheckBox4})
                            .Whole(GroupBox1);

  GroupBox2 = new QGroupBox("Buscar Fechas", Panel1);
  GroupBox2->setObjectName("GroupBox2");
  GroupBox2->setAccessibleName("Buscar Fechas");
  QLabel* label4 = NewCaption(GroupBox2, "Label4", "Archivos con fecha MAYOR a");
  Edit4 = NewField(GroupBox2, "Edit4", label4, "01/01/1990");
  QLabel* label3 = NewCaption(GroupBox2, "Label3", "Archivos con fecha MENOR a");
  Edit3 = NewField(GroupBox2, "Edit3", label3);
  CheckBox2 = NewCheck(GroupBox2, "CheckBox2", "Cambiar la fecha por ");
  Edit5 = NewField(GroupBox2, "Edit5", "Cambiar la fecha por", "01/01/1990");
  CheckBox3 = NewCheck(GroupBox2, "CheckBox3", "Poner la fecha en el listado");
  Label5 = NewCaption(GroupBox2, "Label5",
                      "(Cuidado con las dos últimas opciones. Se aplicarán a archivos que "
                      "coincidan con la búsqueda)");
  Label5->setWordWrap(true);
  Label5->setStyleSheet("color: navy;");
  FormRows(new QGridLayout(GroupBox2), 2)
      .Row(label4, Edit4)
      .Row(label3, Edit3)
      .Row(CheckBox2, Edit5)
      .Whole(CheckBox3)
      .Whole(Label5);
  // The dates box stands beside the fields, the button under it.
  grid->addWidget(GroupBox2, 0, 2, rows.row() - 1, 1);
  grid->addWidget(Button1, rows.row() - 1, 2, Qt::AlignRight | Qt::AlignBottom);
  grid->setColumnStretch(1, 1);
  grid->setColumnStretch(2, 1);
}

void Tform_Busca::RebuildDrives() {
  // Keep the selected drive across the rebuild, by its mount point.
  std::string selected;
  int index = DriveComboBox1->currentIndex();
  if (index >= 0 && static_cast<std::size_t>(index) < drives_.size()) {
    selected = drives_[static_cast<std::size_t>(index)].mount_point;
  }
  drives_ = ListDrives();
  QSignalBlocker block(DriveComboBox1);
  DriveComboBox1->clear();
  int keep = 0;
  for (std::size_t i = 0; i < drives_.size(); ++i) {
    DriveComboBox1->addItem(ToQt(DriveText(drives_[i])));
    if (drives_[i].mount_point == selected) keep = static_cast<int>(i);
  }
  DriveComboBox1->setCurrentIndex(keep);
}

SearchRequest Tform_Busca::GatherRequest() const {
  SearchRequest request;
  int index = DriveComboBox1->currentIndex();
  if (index >= 0 && static_cast<std::size_t>(index) < drives_.size()) {
    const Drive& drive = drives_[static_cast<std::size_t>(index)];
    request.drive_text = DriveText(drive);
    request.drive_root = DriveRoot(drive);
  } else {
    request.drive_root = "/";
  }
  request.directory = FromQt(Edit6->text());
  request.search_text = FromQt(Edit1->text());
  request.min_size = FromQt(tam_min->text());
  request.newer_than = FromQt(Edit4->text());
  request.older_than = FromQt(Edit3->text());
  request.change_date = CheckBox2->isChecked();
  request.new_date = FromQt(Edit5->text());
  request.list_dates = CheckBox3->isChecked();
  request.list_size = CheckBox4->isChecked();
  request.write_report = CheckBox1->isChecked();
  request.report_path = FromQt(Edit2->text());
  return request;
}

void Tform_Busca::Button1Click() {
  if (JobRunning()) {
    QApplication::beep();
    return;
  }
  search_.SetIndexMode(false);
  ClearReport();
  SearchRequest request = GatherRequest();
  bool ok = RunJob([&] { search_.RunSearch(request); });
  // The normalised start directory shows even when the walk stopped early.
  if (!request.directory.empty()) Edit6->setText(ToQt(request.directory));
  const bool batch = batch_mode_ && *batch_mode_;
  const bool skipped = TellSkippedEntries(prompter(), search_.skipped(), batch);
  if (batch) {
    if (ok) {
      QApplication::exit(skipped ? kExitSomeSkipped : kExitFinished);
    } else if (HeadlessPrompts()) {
      QApplication::exit(1);  // nobody is there to read the error and close the program
    }
  }
}

void Tform_Busca::Button2Click() { RebuildDrives(); }

void Tform_Busca::Memo1DblClick() {
  if (Memo1->LineCount() == 0) return;
  std::string path = PathAtCaret(Memo1->Line(Memo1->CaretLine()), 0);
  if (!path.empty() && IsExistingFile(path)) opener_(path);
}

bool Tform_Busca::eventFilter(QObject* watched, QEvent* event) {
  if (watched == DriveComboBox1 && event->type() == QEvent::FocusIn) {
    RebuildDrives();  // DriveComboBox1Enter
  }
  return ReportWindow::eventFilter(watched, event);
}

}  // namespace zuruza
