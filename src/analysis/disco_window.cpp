#include "analysis/disco_window.h"

#include <QApplication>
#include <QGridLayout>
#include <QLabel>

#include "app/qt_text.h"
#include "platform/paths.h"

namespace zuruza {

namespace {

QLineEdit* Field(QWidget* parent, const QString& name, const QString& text,
                 const QString& accessible) {
  auto* edit = new QLineEdit(text, parent);
  edit->setObjectName(name);
  edit->setAccessibleName(accessible);
  return edit;
}

QPushButton* Button(QWidget* parent, const QString& caption) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName("Button1");
  button->setAccessibleName(caption);
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
  auto* label1 = new QLabel("Directorio a Examinar:", Panel1);
  label1->setObjectName("Label1");
  Edit1 = Field(Panel1, "Edit1", "/", label1->text());
  label1->setBuddy(Edit1);
  auto* label2 = new QLabel("Niveles de directorios a Mostrar (Profundidad)", Panel1);
  label2->setObjectName("Label2");
  Edit3 = Field(Panel1, "Edit3", "99", label2->text());
  label2->setBuddy(Edit3);
  Button1 = Button(Panel1, "CALCULAR ARBOL");

  // Each label above its field, so the long depth label leaves the report
  // path its room.
  auto* grid = new QGridLayout(Panel1);
  grid->addWidget(label1, 0, 0);
  grid->addWidget(Edit1, 1, 0);
  grid->addWidget(label2, 2, 0);
  grid->addWidget(Edit3, 3, 0);
  grid->addWidget(GroupBox1, 0, 1, 4, 1);
  grid->addWidget(Button1, 4, 1, Qt::AlignRight);
  connect(Button1, &QPushButton::clicked, this, &Tform_disco::Button1Click);
  move(0, 0);  // placed by its frame from the first show on
  for (QLineEdit* edit : {Edit1, Edit2, Edit3})
    connect(edit, &QLineEdit::returnPressed, this, &Tform_disco::Button1Click);
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
  RunJob([&] { occupancy_.RunOccupancy(request); });
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
  auto* label1 = new QLabel("Directorios a Comparar:", Panel1);
  label1->setObjectName("Label1");
  Edit1 = Field(Panel1, "Edit1", "/home", "Primer directorio a comparar");
  Edit3 = Field(Panel1, "Edit3", "/backup/home", "Segundo directorio a comparar");
  label1->setBuddy(Edit1);
  Button1 = Button(Panel1, "COMPARAR");

  auto* grid = new QGridLayout(Panel1);
  grid->addWidget(label1, 0, 0);
  grid->addWidget(Edit1, 1, 0);
  grid->addWidget(Edit3, 2, 0);
  grid->addWidget(GroupBox1, 0, 1, 3, 1);
  grid->addWidget(Button1, 3, 1, Qt::AlignRight);
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
