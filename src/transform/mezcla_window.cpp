#include "transform/mezcla_window.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

#include "app/qt_text.h"

namespace zuruza {

TF_mezclar::TF_mezclar(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName("F_mezclar");
  setWindowTitle("Mezclador de Ficheros.");
  auto* grid = new QGridLayout(this);
  int row = 0;
  // One labelled field a row; the label names the field for screen readers.
  auto field = [&](const QString& label_name, const QString& caption, const QString& name,
                   const QString& text, QPushButton** browse, const QString& browse_name) {
    auto* label = new QLabel(caption, this);
    label->setObjectName(label_name);
    auto* edit = new QLineEdit(text, this);
    edit->setObjectName(name);
    edit->setAccessibleName(caption);
    label->setBuddy(edit);
    grid->addWidget(label, row, 0);
    grid->addWidget(edit, row, 1);
    if (browse) {
      *browse = new QPushButton("...", this);
      (*browse)->setObjectName(browse_name);
      (*browse)->setAccessibleName("Buscar " + caption);
      (*browse)->setMaximumWidth(32);
      grid->addWidget(*browse, row, 2);
    }
    ++row;
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
  CheckBox1 = new QCheckBox("Completar con columnas vacias el fichero MEZCLADO", this);
  CheckBox1->setObjectName("CheckBox1");
  CheckBox1->setAccessibleName(CheckBox1->text());
  grid->addWidget(CheckBox1, row++, 0, 1, 3);
  Button1 = new QPushButton("Mezclar", this);
  Button1->setObjectName("Button1");
  Button1->setAccessibleName("Mezclar");
  grid->addWidget(Button1, row, 1);

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
