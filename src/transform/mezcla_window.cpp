#include "transform/mezcla_window.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

#include "app/form_rows.h"
#include "app/qt_text.h"

namespace zuruza {

TF_mezclar::TF_mezclar(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName("F_mezclar");
  setWindowTitle("Mezclador de Ficheros.");
  auto* grid = new QGridLayout(this);
  FormRows rows(grid, 3);
  // One captioned field a row, some with a browse button after it.
  auto field = [&](const QString& label_name, const QString& caption, const QString& name,
                   const QString& text, QPushButton** browse, const QString& browse_name) {
    QLabel* label = NewCaption(this, label_name, caption);
    QLineEdit* edit = NewField(this, name, label, text);
    if (browse) {
      *browse = NewButton(this, browse_name, "...", "Buscar " + caption);
      (*browse)->setMaximumWidth(32);
    }
    rows.Row(label, edit, browse ? *browse : nullptr);
    return edit;
  };
  Edit1 = field("Label1", "Fichero 1", "Edit1", "", &Button2, "Button2");
  Edit2 = field("Label2", "Fichero 2", "Edit2", "", &Button3, "Button3");
  Edit6 = field("Label6", "SEPARADOR de COLUMNAS", "Edit6", ";", nullptr, "");
  const QString hint = "El simbolo separador puede ser una cadena de caracteres.";
  Edit6->setToolTip(hint);
  findChild<QLabel*>("Label6")->setToolTip(hint);
  Edit3 = field("Label5", "Fichero de MEZCLA", "Edit3", "", nullptr, "");
  Edit4 = field("Label3", "Columna CLAVE del fichero 1", "Edit4", "", nullptr, "");
  Edit5 = field("Label4", "Columna CLAVE del fichero 2", "Edit5", "", nullptr, "");
  CheckBox1 = NewCheck(this, "CheckBox1", "Completar con columnas vacias el fichero MEZCLADO");
  Button1 = NewButton(this, "Button1", "Mezclar");
  rows.Whole(CheckBox1).Cells({nullptr, Button1});

  connect(Button1, &QPushButton::clicked, this, &TF_mezclar::Button1Click);
  connect(Button2, &QPushButton::clicked, this, &TF_mezclar::Button2Click);
  connect(Button3, &QPushButton::clicked, this, &TF_mezclar::Button3Click);
  resize(420, 300);
  if (QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->geometry().center() - rect().center());
}

MergeRequest TF_mezclar::GatherRequest() const {
  MergeRequest request;
  request.first = FromQt(Edit1->text());
  request.second = FromQt(Edit2->text());
  request.output = FromQt(Edit3->text());
  request.separator = FromQt(Edit6->text());
  request.key1 = FromQt(Edit4->text());
  request.key2 = FromQt(Edit5->text());
  request.fill = CheckBox1->isChecked();
  return request;
}

void TF_mezclar::Button1Click() {
  const MergeRequest request = GatherRequest();
  RunGuarded(prompter_, [&] { merger_.RunMerge(request); });
}

void TF_mezclar::Button2Click() {
  if (auto path = prompter_.OpenFileDialog("", FromQt(Edit1->text()))) Edit1->setText(ToQt(*path));
}

void TF_mezclar::Button3Click() {
  if (auto path = prompter_.OpenFileDialog("", FromQt(Edit2->text()))) Edit2->setText(ToQt(*path));
}

void TF_mezclar::closeEvent(QCloseEvent* event) {
  hide();
  event->ignore();
}

}  // namespace zuruza
