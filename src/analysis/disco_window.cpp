#include "analysis/disco_window.h"

#include <QApplication>
#include <QGridLayout>
#include <QLabel>

#include "app/form_rows.h"
#include "app/qt_text.h"
#include "platform/paths.h"

namespace zuruza {

namespace {

// The window's one button, the default one: Enter in a field presses it.
QPushButton* Button(QWidget* parent, const QString& caption) {
  QPushButton* button = NewButton(parent, "Button1", caption);
  button->setDefault(true);
  return button;
}

ReportWindowOptions OccupancyOptions() {
  ReportWindowOptions options;
  options.object_name = "form_disco";
  options.caption = "Ocupación del Disco.";
  options.default_report_path = ToQt(DefaultReportPath("ccc.tmp"));
  options.save_caption = "Grabar Fichero";
  options.save_name = "GrabarFichero1";
  options.width = 600;
  options.height = 480;
  return options;
}

ReportWindowOptions ComparatorOptions() {
  ReportWindowOptions options;
  options.object_name = "Form_comp";
  options.caption = "Comparador de Archivos de Directorios.";
  options.default_report_path = ToQt(DefaultReportPath("zzz.tmp"));
  options.two_status_bars = true;
  options.width = 600;
  options.height = 500;
  return options;
}

}  // namespace

Tform_disco::Tform_disco(QWidget* parent)
    : ReportWindow(OccupancyOptions(), parent), occupancy_(*this) {
  CheckBox1 = ReportCheck;
  QLabel* label1 = NewCaption(Panel1, "Label1", "Directorio a Examinar:");
  Edit1 = NewField(Panel1, "Edit1", label1, ToQt(DefaultDriveFolder()));
  QLabel* label2 = NewCaption(Panel1, "Label2", "Niveles de directorios a Mostrar (Profundidad)");
  Edit3 = NewField(Panel1, "Edit3", label2, "99");
  Button1 = Button(Panel1, "CALCULAR ARBOL");

  // Each label above its field, so the long depth label leaves the report
  // path its room.
  auto* grid = new QGridLayout(Panel1);
  const FormRows rows = FormRows(grid, 1).Whole(label1).Whole(Edit1).Whole(label2).Whole(Edit3);
  grid->addWidget(GroupBox1, 0, 1, rows.row(), 1);
  grid->addWidget(Button1, rows.row(), 1, Qt::AlignRight);
  connect(Button1, &QPushButton::clicked, this, &Tform_disco::Button1Click);
  move(0, 0);  // placed by its frame from the first show on
  for (QLineEdit* edit : {Edit1, Edit2, Edit3})
    connect(edit, &QLineEdit::returnPressed, this, &Tform_disco::Button1Click);

  // The text tree and, beside it, the same walk as a map.
  occupancy_.set_keep_sizes(true);
  PageControl1 = PutPaneInTabs("Árbol");
  MapPage = new OccupancyMapPage(prompter(), PageControl1);
  PageControl1->addTab(MapPage, "Mapa");
  connect(MapPage->Mapa1, &OccupancyMap::NodeSelected, this, &Tform_disco::SelectTreeLine);
  ClearReport();
}

OccupancyRequest Tform_disco::GatherRequest() const {
  return {FromQt(Edit1->text()), FromQt(Edit3->text()), CheckBox1->isChecked(),
          FromQt(Edit2->text())};
}

void Tform_disco::Button1Click() {
  if (JobRunning()) return QApplication::beep();
  ClearReport();
  const OccupancyRequest request = GatherRequest();
  // The walk refills the sizes: the map lets go of them meanwhile.
  MapPage->Mapa1->SetSizes(nullptr);
  if (RunJob([&] { occupancy_.RunOccupancy(request); }))
    MapPage->Mapa1->SetSizes(&occupancy_.sizes());
}

void Tform_disco::SelectTreeLine(SizeTree::Index node) {
  const SizeTree& sizes = occupancy_.sizes();
  if (node >= sizes.size()) return;
  const std::int32_t line = sizes.LineOf(node);
  if (line < 0 || static_cast<std::size_t>(line) >= Memo1->LineCount()) return;
  const auto index = static_cast<std::size_t>(line);
  Memo1->Select({index, 0}, {index, Memo1->Line(index).size()});
}

void Tform_disco::resizeEvent(QResizeEvent* event) {
  ReportWindow::resizeEvent(event);
  // The first show's resize comes before the frame exists; the place given
  // at creation stands for the frame then.
  if (isVisible()) move(0, 0);  // the window goes back to the top-left corner
}

TForm_comp::TForm_comp(QWidget* parent)
    : ReportWindow(ComparatorOptions(), parent), comparator_(*this, prompter()) {
  CheckBox1 = ReportCheck;
  QLabel* label1 = NewCaption(Panel1, "Label1", "Directorios a Comparar:");
  Edit1 = NewField(Panel1, "Edit1", "Primer directorio a comparar", ToQt(DefaultUsersFolder()));
  Edit3 =
      NewField(Panel1, "Edit3", "Segundo directorio a comparar", ToQt(DefaultSecondUsersFolder()));
  label1->setBuddy(Edit1);
  Button1 = Button(Panel1, "COMPARAR");

  auto* grid = new QGridLayout(Panel1);
  const FormRows rows = FormRows(grid, 1).Whole(label1).Whole(Edit1).Whole(Edit3);
  grid->addWidget(GroupBox1, 0, 1, rows.row(), 1);
  grid->addWidget(Button1, rows.row(), 1, Qt::AlignRight);
  connect(Button1, &QPushButton::clicked, this, &TForm_comp::Button1Click);
  move(20, 20);  // placed by its frame from the first show on
  for (QLineEdit* edit : {Edit1, Edit2, Edit3})
    connect(edit, &QLineEdit::returnPressed, this, &TForm_comp::Button1Click);
  ClearReport();
}

CompareRequest TForm_comp::GatherRequest() const {
  return {FromQt(Edit1->text()), FromQt(Edit3->text()), CheckBox1->isChecked(),
          FromQt(Edit2->text())};
}

void TForm_comp::Button1Click() {
  if (JobRunning()) return QApplication::beep();
  ClearReport();
  const CompareRequest request = GatherRequest();
  RunJob([&] { comparator_.CompareTrees(request); });
}

void TForm_comp::resizeEvent(QResizeEvent* event) {
  ReportWindow::resizeEvent(event);
  // The first show's resize comes before the frame exists; the place given
  // at creation stands for the frame then.
  if (isVisible()) move(20, 20);  // the window goes back to 20, 20
}

}  // namespace zuruza
