#include "transform/cifrar_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QGridLayout>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QVBoxLayout>

#include "app/qt_text.h"

namespace zuruza {

namespace {

QLabel* Caption(const QString& name, const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  label->setAccessibleName(text);
  return label;
}

QLabel* SectionTitle(const QString& name, const QString& text, QWidget* parent) {
  QLabel* label = Caption(name, text, parent);
  label->setStyleSheet("color: blue; font-weight: bold; font-size: 12pt;");
  return label;
}

QPushButton* Button(const QString& name, const QString& text, QWidget* parent) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(name);
  button->setAccessibleName(text);
  return button;
}

QLineEdit* Field(const QString& name, QLabel* label, QWidget* parent) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(name);
  edit->setAccessibleName(label->text());
  label->setBuddy(edit);
  return edit;
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
  QLabel* label7 = SectionTitle("Label7", "Cifrar / Descifrar FICHEROS", form);
  QLabel* label2 = Caption("Label2", "Fichero a Procesar", form);
  Edit2 = Field("Edit2", label2, form);
  Button3 = Button("Button3", "Seleccionar", form);
  Button1 = Button("Button1", "Cifrar", form);
  Button2 = Button("Button2", "Descifrar", form);
  QFrame* shape1 = RuleLine("Shape1", 1, "grey", form);
  QFrame* shape2 = RuleLine("Shape2", 2, "white", form);
  QLabel* label3 = SectionTitle("Label3", "Cifrar / Descifrar DIRECTORIOS", form);
  QLabel* label1 = Caption("Label1", "Directorio a Cifrar", form);
  Edit4 = Field("Edit4", label1, form);
  Button4 = Button("Button4", "Cifra Directorio", form);
  Button5 = Button("Button5", "Descifra Directorio", form);

  auto* grid = new QGridLayout(form);
  grid->addWidget(label7, 0, 0, 1, 3);
  grid->addWidget(label2, 1, 0, 1, 3);
  grid->addWidget(Edit2, 2, 0, 1, 2);
  grid->addWidget(Button3, 2, 2);
  grid->addWidget(Button1, 3, 0);
  grid->addWidget(Button2, 3, 1);
  auto* rule = new QVBoxLayout;
  rule->setSpacing(0);
  rule->addWidget(shape1);
  rule->addWidget(shape2);
  grid->addLayout(rule, 4, 0, 1, 3);
  grid->addWidget(label3, 5, 0, 1, 3);
  grid->addWidget(label1, 6, 0, 1, 3);
  grid->addWidget(Edit4, 7, 0, 1, 3);
  grid->addWidget(Button4, 8, 0);
  grid->addWidget(Button5, 8, 1);
  grid->setColumnStretch(0, 1);
  grid->setColumnStretch(1, 1);
  grid->setRowStretch(9, 1);
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
