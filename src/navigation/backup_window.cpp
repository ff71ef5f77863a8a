#include "navigation/backup_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "app/qt_text.h"
#include "core/exit_status.h"

namespace zuruza {

namespace {

QLabel* Note(const QString& name, const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  label->setAccessibleName(text);
  label->setWordWrap(true);
  return label;
}

}  // namespace

TF_backup::TF_backup(const bool* batch_mode, QWidget* parent)
    : QMainWindow(parent), batch_mode_(batch_mode), copier_(*this, prompter_) {
  setObjectName("F_backup");
  setWindowTitle("Backup");
  resize(560, 420);

  auto* form = new QWidget;
  auto* grid = new QGridLayout(form);
  QLabel* title = Note("Label7", "Copia directorios. BACK-UP.", form);
  title->setStyleSheet("color: blue; font-weight: bold;");
  Edit1 = new QLineEdit(form);
  Edit1->setObjectName("Edit1");
  Edit1->setAccessibleName("Directorio Origen");
  Edit2 = new QLineEdit(form);
  Edit2->setObjectName("Edit2");
  Edit2->setAccessibleName("Directorio Destino");
  QLabel* label1 = Note("Label1", "Directorio Origen", form);
  label1->setBuddy(Edit1);
  QLabel* label2 = Note("Label2", "Directorio Destino", form);
  label2->setBuddy(Edit2);
  auto* mode = new QRadioButton(
      "Copiar sólo los archivos más nuevos en Origen que en Destino y los no existentes.", form);
  mode->setObjectName("RadioButton1");
  mode->setAccessibleName(mode->text());
  mode->setChecked(true);
  Label8 = new QLabel("Fichero del Informe", form);
  Label8->setObjectName("Label8");
  Label8->hide();
  grid->addWidget(title, 0, 0, 1, 2);
  grid->addWidget(label1, 1, 0);
  grid->addWidget(Edit1, 1, 1);
  grid->addWidget(label2, 2, 0);
  grid->addWidget(Edit2, 2, 1);
  grid->addWidget(mode, 3, 0, 1, 2);
  grid->addWidget(Note("Label3", "NOTAS:", form), 4, 0, 1, 2);
  grid->addWidget(
      Note("Label4",
           "En el directorio DESTINO no se sobreescriben los ficheros que sean más modernos que "
           "los de Origen.",
           form),
      5, 0, 1, 2);
  grid->addWidget(
      Note("Label5", "Si la idea es la de hacer BACKUPS es recomendable emplear discos VACIOS.",
           form),
      6, 0, 1, 2);
  grid->addWidget(Note("Label6",
                       "Si en el proceso de COPIA se llena un disco, bastará con reemplazarlo por "
                       "uno nuevo para "
                       "que continúe la copia.",
                       form),
                  7, 0, 1, 2);
  grid->setRowStretch(8, 1);

  Memo1 = new ReportPane;
  Memo1->setObjectName("Memo1");
  Memo1->setAccessibleName("Archivos copiados");
  connect(Memo1, &ReportPane::LineDoubleClicked, this, [this] { pages_->setCurrentIndex(0); });
  pages_ = new QStackedWidget;
  pages_->addWidget(form);
  pages_->addWidget(Memo1);

  auto* panel = new QWidget;
  panel->setObjectName("Panel1");
  auto* buttons = new QHBoxLayout(panel);
  Button4 = new QPushButton("Lanza la COPIA", panel);
  Button1 = new QPushButton("Parar", panel);
  Button2 = new QPushButton("Ver Archivos Copiados", panel);
  for (auto [button, name] :
       {std::pair{Button4, "Button4"}, {Button1, "Button1"}, {Button2, "Button2"}}) {
    button->setObjectName(name);
    button->setAccessibleName(button->text());
    buttons->addWidget(button);
  }
  Button1->setEnabled(false);
  connect(Button4, &QPushButton::clicked, this, &TF_backup::Button4Click);
  connect(Button1, &QPushButton::clicked, this, &TF_backup::Button1Click);
  connect(Button2, &QPushButton::clicked, this, &TF_backup::Button2Click);

  auto* bar2 = new QStatusBar;
  bar2->setObjectName("StatusBar2");
  bar2->setSizeGripEnabled(false);
  auto* bar1 = new QStatusBar;
  bar1->setObjectName("StatusBar1");
  NameSizeGrip(bar1);
  for (int i = 0; i < 3; ++i) {
    panels_[i] = new StatusLabel(QString("StatusPanel%1").arg(i));
  }
  panels_[0]->setMinimumWidth(300);
  bar1->addWidget(panels_[0]);
  bar1->addWidget(panels_[1], 1);
  bar2->addWidget(panels_[2], 1);

  auto* central = new QWidget;
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(pages_, 1);
  layout->addWidget(panel);
  layout->addWidget(bar2);
  setCentralWidget(central);
  setStatusBar(bar1);
}

void TF_backup::ClearReport() {
  pending_lines_.clear();
  Memo1->Clear();
}

void TF_backup::AddReportLine(std::string_view text) { pending_lines_.emplace_back(text); }

void TF_backup::FlushList() {
  if (!pending_lines_.empty()) Memo1->AppendLines(pending_lines_);
}

void TF_backup::ShowProgress(StatusBar bar, std::string_view text) {
  // The copier lets events run itself; here the text is only set.
  SetStatus(bar, text);
}

void TF_backup::SetStatus(StatusBar bar, std::string_view text) {
  const int index = bar == StatusBar::kStatusBar1 ? 0 : bar == StatusBar::kStatusBar1Panel1 ? 1 : 2;
  panels_[index]->SetStatus(ToQt(text));
  if (pending_lines_.size() > 256) FlushList();
}

QString TF_backup::StatusText(StatusBar bar) const {
  return panels_[bar == StatusBar::kStatusBar1         ? 0
                 : bar == StatusBar::kStatusBar1Panel1 ? 1
                                                       : 2]
      ->text();
}

bool TF_backup::ListShown() const { return pages_->currentIndex() == 1; }

void TF_backup::Button4Click() {
  JobSlot::Hold hold = job_slot_.Take();
  if (!hold) return;
  Button4->setEnabled(false);
  Button1->setEnabled(true);
  BackupRequest request{FromQt(Edit1->text()), FromQt(Edit2->text()), FromQt(Label8->text()),
                        batch_mode_ && *batch_mode_};
  BackupEnd end = BackupEnd::kStopped;
  bool ok = RunGuarded(prompter_, [&] { end = copier_.RunBackupJob(request); });
  FlushList();
  Button4->setEnabled(true);
  Button1->setEnabled(false);
  hold.Release();
  const bool skipped = TellSkippedEntries(prompter_, copier_.skipped(), request.batch_mode);
  if (request.batch_mode) {
    if (ok) {
      // A stopped copy ends a batch run too, with a status that says it did
      // not finish.
      QApplication::exit(end == BackupEnd::kStopped ? kExitFailed
                         : skipped                  ? kExitSomeSkipped
                                                    : kExitFinished);
    } else if (HeadlessPrompts()) {
      QApplication::exit(kExitFailed);  // nobody is there to read the error and close the program
    }
  }
}

void TF_backup::Button1Click() { copier_.RequestStop(); }

void TF_backup::Button2Click() {
  FlushList();
  pages_->setCurrentIndex(ListShown() ? 0 : 1);
}

void TF_backup::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  pages_->setCurrentIndex(0);  // FormShow hides the list
}

void TF_backup::closeEvent(QCloseEvent* event) {
  hide();
  event->ignore();
}

}  // namespace zuruza
