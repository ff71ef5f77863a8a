#include "transform/fragment_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QGridLayout>
#include <QMenuBar>
#include <QStatusBar>

#include "app/form_rows.h"
#include "app/qt_text.h"
#include "platform/fs.h"
#include "platform/path.h"

namespace zuruza {

Tform_Fragment::Tform_Fragment(QWidget* parent)
    : QMainWindow(parent), fragmenter_(*this, prompter_) {
  setObjectName("form_Fragment");
  setWindowTitle("Fragmentador/Desfragmentador de Archivos");
  resize(520, 360);

  QAction* cerrar = menuBar()->addAction("Cerrar");
  cerrar->setObjectName("Cerrar1");
  connect(cerrar, &QAction::triggered, this, &Tform_Fragment::Cerrar1Click);

  auto* form = new QWidget;
  auto* grid = new QGridLayout(form);

  QLabel* label2 = NewCaption(form, "Label2", "Fichero a Fragmentar");
  Edit2 = NewField(form, "Edit2", label2);
  Edit2->setEnabled(false);  // only "Seleccionar" fills it
  Button3 = NewButton(form, "Button3", "Seleccionar");
  Button3->setAccessibleDescription("Elige el fichero a fragmentar");
  QLabel* label4 = NewCaption(form, "Label4", "Directorio Destino");
  Edit3 = NewField(form, "Edit3", label4);
  QLabel* label1 = NewCaption(form, "Label1", "Tamaño de los ficheros fragmentados");
  Edit1 = NewField(form, "Edit1", label1, "1450000");
  Button1 = NewButton(form, "Button1", "Fragmentar Fichero");
  Button1->setAccessibleDescription("Divide el fichero en fragmentos");

  auto* rule = new QFrame(form);
  rule->setObjectName("Bevel1");
  rule->setFrameShape(QFrame::HLine);
  rule->setFrameShadow(QFrame::Sunken);

  QLabel* label5 = NewCaption(form, "Label5", "Ficheros .000 a unir");
  Edit4 = NewField(form, "Edit4", label5);
  Edit4->setEnabled(false);  // only "Seleccionar" fills it
  Button5 = NewButton(form, "Button5", "Seleccionar");
  Button5->setAccessibleDescription("Elige el primer fragmento (.001)");
  QLabel* label6 = NewCaption(form, "Label6", "Generar el fichero");
  Edit5 = NewField(form, "Edit5", label6);
  Button4 = NewButton(form, "Button4", "Unir Fragmentos");
  Button4->setAccessibleDescription("Une los fragmentos en un solo fichero");

  FormRows(grid, 3)
      .Whole(NewTitle(form, "Label7", "Fragmantar Ficheros Grandes en Pedazos"))
      .Row(label2, Edit2, Button3)
      .Row(label4, Edit3)
      .Row(label1, Edit1, NewCaption(form, "Label3", "bytes."))
      .Cells({nullptr, nullptr, Button1})
      .Whole(rule)
      .Whole(NewTitle(form, "Label8", "Unir los pedazos en un solo fichero"))
      .Row(label5, Edit4, Button5)
      .Row(label6, Edit5)
      .Cells({nullptr, nullptr, Button4})
      .StretchBelow();
  grid->setColumnStretch(1, 1);
  setCentralWidget(form);

  auto* bar = new QStatusBar;
  bar->setObjectName("StatusBar1");
  NameSizeGrip(bar);
  status_panel_ = new StatusLabel("StatusPanel0");
  status_ = ThrottledStatus{status_panel_};
  bar->addWidget(status_panel_, 1);
  setStatusBar(bar);

  connect(Button1, &QPushButton::clicked, this, &Tform_Fragment::Button1Click);
  connect(Button3, &QPushButton::clicked, this, &Tform_Fragment::Button3Click);
  connect(Button4, &QPushButton::clicked, this, &Tform_Fragment::Button4Click);
  connect(Button5, &QPushButton::clicked, this, &Tform_Fragment::Button5Click);
  connect(Edit2, &QLineEdit::textChanged, this, &Tform_Fragment::Edit2Change);
}

void Tform_Fragment::ShowProgress(StatusBar, std::string_view text) { status_.Offer(text); }

void Tform_Fragment::SetStatus(StatusBar, std::string_view text) { status_.Set(text); }

QString Tform_Fragment::StatusText() const { return status_panel_->text(); }

void Tform_Fragment::RunJob(const std::function<void()>& job) {
  const JobSlot::Hold hold = job_slot_.Take();
  if (!hold) return;
  RunGuarded(prompter_, [&] {
    try {
      job();
    } catch (...) {
      status_.Flush();  // the error box shows over the last progress text
      throw;
    }
  });
  status_.Flush();
}

void Tform_Fragment::Button1Click() {
  const SplitRequest request{FromQt(Edit2->text()), FromQt(Edit3->text()), FromQt(Edit1->text())};
  RunJob([&] { fragmenter_.SplitFile(request); });
}

void Tform_Fragment::Button4Click() {
  const JoinRequest request{FromQt(Edit4->text()), FromQt(Edit5->text())};
  RunJob([&] { fragmenter_.JoinFragments(request); });
}

void Tform_Fragment::Button3Click() {
  const std::optional<std::string> path = prompter_.OpenFileDialog("", FromQt(Edit2->text()));
  if (!path) return;
  const std::string folder = FolderOf(*path);
  const std::string directory = folder.empty() ? CurrentDirectory() : folder;
  // Choosing the same file again shows its size again.
  if (Edit2->text() == ToQt(*path)) Edit2Change();
  Edit2->setText(ToQt(*path));
  Edit3->setText(ToQt(WithTrailingSep(directory)));
}

void Tform_Fragment::Button5Click() {
  const std::optional<std::string> path =
      prompter_.OpenFileDialog("*.001|*.001", FromQt(Edit4->text()));
  if (!path) return;
  Edit4->setText(ToQt(*path));
  Edit5->setText(ToQt(path->substr(0, path->size() >= 3 ? path->size() - 3 : 0) + "___"));
}

void Tform_Fragment::Edit2Change() {
  const std::string source = FromQt(Edit2->text());
  if (source.empty()) return;
  RunGuarded(prompter_,
             [&] { SetStatus(StatusBar::kStatusBar1, Fragmenter::SizeDisplay(source)); });
}

void Tform_Fragment::Cerrar1Click() { hide(); }

void Tform_Fragment::closeEvent(QCloseEvent* event) {
  hide();
  event->ignore();
}

}  // namespace zuruza
