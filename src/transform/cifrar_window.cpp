#include "transform/cifrar_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QGridLayout>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QVBoxLayout>

#include "app/form_rows.h"
#include "app/qt_text.h"

namespace zuruza {

namespace {

QLabel* SectionTitle(const QString& name, const QString& text, QWidget* parent) {
  QLabel* label = NewTitle(parent, name, text);
  label->setStyleSheet(label->styleSheet() + " font-size: 12pt;");
  return label;
}

// The rule between the halves: a 1-pixel silver line with a grey border over
// a 2-pixel silver line with a white one.
QFrame* RuleLine(const QString& name, int height, const char* border, QWidget* parent) {
  auto* line = new QFrame(parent);
  line->setObjectName(name);
  line->setFixedHeight(height + 2);
  line->setStyleSheet(QString("background: silver; border: 1px solid %1;").arg(border));
  return line;
}

}  // namespace

TF_cifrado::TF_cifrado(QWidget* parent) : QMainWindow(parent), cipher_(*this, prompter_) {
  setObjectName("F_cifrado");
  setWindowTitle("Cifrar / Descifrar");
  resize(519, 315);

  auto* form = new QWidget;
  form->setObjectName("Form");
  QLabel* label2 = NewCaption(form, "Label2", "Fichero a Procesar");
  Edit2 = NewField(form, "Edit2", label2);
  Button3 = NewButton(form, "Button3", "Seleccionar");
  Button1 = NewButton(form, "Button1", "Cifrar");
  Button2 = NewButton(form, "Button2", "Descifrar");
  auto* rule = new QVBoxLayout;
  rule->setSpacing(0);
  rule->addWidget(RuleLine("Shape1", 1, "grey", form));
  rule->addWidget(RuleLine("Shape2", 2, "white", form));
  QLabel* label1 = NewCaption(form, "Label1", "Directorio a Cifrar");
  Edit4 = NewField(form, "Edit4", label1);
  Button4 = NewButton(form, "Button4", "Cifra Directorio");
  Button5 = NewButton(form, "Button5", "Descifra Directorio");

  auto* grid = new QGridLayout(form);
  FormRows(grid, 3)
      .Whole(SectionTitle("Label7", "Cifrar / Descifrar FICHEROS", form))
      .Whole(label2)
      .Row(nullptr, Edit2, Button3)
      .Cells({Button1, Button2})
      .Whole(rule)
      .Whole(SectionTitle("Label3", "Cifrar / Descifrar DIRECTORIOS", form))
      .Whole(label1)
      .Whole(Edit4)
      .Cells({Button4, Button5})
      .StretchBelow();
  grid->setColumnStretch(0, 1);
  grid->setColumnStretch(1, 1);
  setCentralWidget(form);

  QMenuBar* menu = menuBar();
  menu->setObjectName("MainMenu1");
  Cerrar1 = menu->addAction("Cerrar");
  Cerrar1->setObjectName("Cerrar1");

  auto* bar = new QStatusBar;
  bar->setObjectName("StatusBar1");
  NameSizeGrip(bar);
  for (int i = 0; i < 2; ++i) {
    panels_[i] = new StatusLabel(QString("StatusPanel%1").arg(i));
  }
  panels_[0]->setFixedWidth(190);
  bar->addWidget(panels_[0]);
  bar->addWidget(panels_[1], 1);
  setStatusBar(bar);

  connect(Button1, &QPushButton::clicked, this, &TF_cifrado::Button1Click);
  connect(Button2, &QPushButton::clicked, this, &TF_cifrado::Button2Click);
  connect(Button3, &QPushButton::clicked, this, &TF_cifrado::Button3Click);
  connect(Button4, &QPushButton::clicked, this, &TF_cifrado::Button4Click);
  connect(Button5, &QPushButton::clicked, this, &TF_cifrado::Button5Click);
  connect(Cerrar1, &QAction::triggered, this, &TF_cifrado::Cerrar1Click);

  if (const QScreen* screen = QApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
}

void TF_cifrado::ShowProgress(StatusBar bar, std::string_view text) {
  // The job lets events run itself; here the text is only set.
  SetStatus(bar, text);
}

void TF_cifrado::SetStatus(StatusBar bar, std::string_view text) {
  panels_[bar == StatusBar::kStatusBar1Panel1 ? 1 : 0]->SetStatus(ToQt(text));
}

QString TF_cifrado::StatusText(int panel) const { return panels_[panel == 1 ? 1 : 0]->text(); }

void TF_cifrado::RunJob(const std::function<void()>& job) {
  const JobSlot::Hold hold = job_slot_.Take();
  if (hold) RunGuarded(prompter_, job);
}

void TF_cifrado::CipherOneFile(CipherDirection direction) {
  RunJob([&] { cipher_.RunFileJob(FromQt(Edit2->text()), direction); });
}

void TF_cifrado::CipherTree(CipherDirection direction) {
  RunJob([&] {
    cipher_.RunDirectoryJob(FromQt(Edit4->text()), direction, [this](const std::string& corrected) {
      Edit4->setText(ToQt(corrected));
    });
  });
}

void TF_cifrado::Button1Click() { CipherOneFile(CipherDirection::kEncipher); }

void TF_cifrado::Button2Click() { CipherOneFile(CipherDirection::kDecipher); }

void TF_cifrado::Button3Click() {
  // No filter: every file is offered.
  if (std::optional<std::string> path = prompter_.OpenFileDialog("", FromQt(Edit2->text())))
    Edit2->setText(ToQt(*path));
}

void TF_cifrado::Button4Click() { CipherTree(CipherDirection::kEncipher); }

void TF_cifrado::Button5Click() { CipherTree(CipherDirection::kDecipher); }

void TF_cifrado::Cerrar1Click() { hide(); }

void TF_cifrado::closeEvent(QCloseEvent* event) {
  hide();
  event->ignore();
}

}  // namespace zuruza
