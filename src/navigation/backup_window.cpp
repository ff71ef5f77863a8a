#include "navigation/backup_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "app/form_rows.h"
#include "app/qt_text.h"
#include "core/exit_status.h"

namespace zuruza {

namespace {

QLabel* Note(const QString& name, const QString& text, QWidget* parent) {
  QLabel* label = NewCaption(parent, name, text);
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
  QLabel* label1 = Note("Label1", "Directorio Origen", form);
  Edit1 = NewField(form, "Edit1", label1);
  QLabel* label2 = Note("Label2", "Directorio Destino", form);
  Edit2 = NewField(form, "Edit2", label2);
  auto* mode = new QRadioButton(
      "Copiar sólo los archivos más nuevos en Origen que en Destino y los no existentes.", form);
  mode->setObjectName("RadioButton1");
  mode->setAccessibleName(mode->text());
  mode->setChecked(true);
  Label8 = new QLabel("Fichero del Informe", form);
  Label8->setObjectName("Label8");
  Label8->hide();
  QLabel* title = NewTitle(form, "Label7", "Copia directorios. BACK-UP.");
  title->setWordWrap(true);
  FormRows(new QGridLayout(form), 2)
      .Whole(title)
      .Row(label1, Edit1)
      .Row(label2, Edit2)
      .Whole(mode)
      .Whole(Note("Label3", "NOTAS:", form))
      .Whole(Note("Label4",
                  "En el directorio DESTINO no se sobreescriben los ficheros que sean más "
                  "modernos que los de Origen.",
                  form))
      .Whole(Note("Label5",
                  "Si la idea es la de hacer BACKUPS es recomendable emplear discos VACIOS.", form))
      .Whole(Note("Label6",
                  "Si en el proceso de COPIA se llena un disco, bastará con reemplazarlo por uno "
                  "nuevo para que continúe la copia.",
                  form))
      .StretchBelow();

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
  Button4 = NewButton(panel, "Button4", "Lanza la COPIA");
  Button1 = NewButton(panel, "Button1", "Parar");
  Button2 = NewButton(panel, "Button2", "Ver Archivos Copiados");
  for (QPushButton* button : {Button4, Button1, Button2}) buttons->addWidget(button);
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
