#include "search/inventario_window.h"

#include <QApplication>
#include <QGridLayout>
#include <QScreen>

#include "app/form_rows.h"
#include "app/qt_prompter.h"
#include "app/qt_shell.h"
#include "app/qt_text.h"
#include "platform/clock.h"
#include "platform/paths.h"
#include "search/busca_window.h"
#include "search/inventario.h"

namespace zuruza {

namespace {

// Lines a listing search puts in the pane at most; past it the pane points
// to the results file, which always holds every line.
constexpr std::size_t kListingPaneCapacity = 500000;

}  // namespace

TF_inventario::TF_inventario(QWidget* parent) : QDialog(parent) {
  setObjectName("F_inventario");
  setWindowTitle("Inventario de Discos");
  setModal(true);
  resize(549, 155);

  Label1 = NewCaption(this, "Label1", "Selecciona Listado con el que trabajar");
  ComboBox1 = new QComboBox(this);
  ComboBox1->setObjectName("ComboBox1");
  ComboBox1->setEditable(true);
  ComboBox1->setAccessibleName(Label1->text());
  Label1->setBuddy(ComboBox1);
  Button1 = NewButton(this, "Button1", "Crear Nuevo Listado");
  Button2 = NewButton(this, "Button2", "Siguiente");
  Button2->setDefault(true);

  FormRows(new QGridLayout(this), 2).Whole(Label1).Whole(ComboBox1).Cells({Button1, Button2});

  connect(Button1, &QPushButton::clicked, this, &TF_inventario::Button1Click);
  connect(Button2, &QPushButton::clicked, this, &TF_inventario::Button2Click);
}

bool TF_inventario::Choose(std::string& chosen) {
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->geometry().center() - rect().center());
  }
  if (exec() != QDialog::Accepted) return false;
  chosen = FromQt(ComboBox1->currentText());
  return true;
}

void TF_inventario::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  FormActivate();
}

void TF_inventario::FormActivate() {
  QtPrompter fallback(this);
  Prompter& prompter = prompter_ ? *prompter_ : fallback;
  RunGuarded(prompter, [this] {
    std::vector<std::string> listings = LoadListingIndex(DataDirectory());
    QString typed = ComboBox1->currentText();
    ComboBox1->clear();
    for (const std::string& listing : listings) ComboBox1->addItem(ToQt(listing));
    if (!typed.isEmpty()) ComboBox1->setEditText(typed);
  });
}

void TF_inventario::Button1Click() {
  QtPrompter fallback(this);
  Prompter& prompter = prompter_ ? *prompter_ : fallback;
  RunGuarded(prompter, [&] {
    std::string path = prompter.InputBox("PATH Completo al nuevo listado de inventario",
                                         "Listado de Inventarios", "");
    if (!path.empty()) AddToListingIndex(DataDirectory(), path);
  });
  FormActivate();
}

void TF_inventario::Button2Click() { accept(); }

// The menu "Inventario de Discos" of the search window.

bool Tform_Busca::ChooseListing() {
  if (!chooser_) return false;
  chooser_->set_prompter(&prompter());
  chooser_->Choose(ChosenListing);
  if (ChosenListing.empty()) {
    prompter().ShowMessage("No se ha elegido ningún listado de inventario.");
    return false;
  }
  return true;
}

void Tform_Busca::GererarListadodeFicheros1Click() {
  if (JobRunning()) return QApplication::beep();
  RebuildDrives();
  // The report-file fields get the listing for this run only, so that a
  // later search does not write its report over the listing.
  const QString saved_path = Edit2->text();
  const bool saved_check = CheckBox1->isChecked();
  search_.SetIndexMode(true);
  CheckBox1->setChecked(true);
  if (ChooseListing()) {
    Edit2->setText(ToQt(ChosenListing));
    SearchRequest request = GatherRequest();
    RunJob([&] { search_.RunSearch(request); });
    if (!request.directory.empty()) Edit6->setText(ToQt(request.directory));
    TellSkippedEntries(prompter(), search_.skipped(), false);
  }
  Edit2->setText(saved_path);
  CheckBox1->setChecked(saved_check);
}

void Tform_Busca::BuscarunFichero1Click() {
  if (JobRunning()) return QApplication::beep();
  std::string results_path;
  bool overflowed = false;
  RunJob([&] {
    ResultsFile results = CreateResultsFile(results_candidates_);
    results_path = results.path;
    if (!ChooseListing()) return;
    if (Edit1->text().isEmpty())
      Edit1->setText(ToQt(prompter().InputBox("Cadena a buscar", "Busqueda", "")));
    SearchRequest fields = GatherRequest();
    ListingSearchRequest request{fields.search_text, fields.min_size, fields.newer_than,
                                 fields.older_than};
    ListingSearchResult result =
        SearchIndexedDisks(ChosenListing, request, results, *this, SystemLocaleFormats(),
                           LocalNow().date.year, pane_capacity_);
    overflowed = result.pane_overflowed;
  });
  if (overflowed) {
    prompter().ShowMessage(
        "El listado de coincidencias no cabe en la ventana del programa. Se muestra listado en "
        "fichero de texto");
    opener_(results_path);
  }
}

void Tform_Busca::VerDiscosIndexados1Click() {
  if (JobRunning()) return QApplication::beep();
  RunJob([&] {
    if (ChooseListing()) ListIndexedDisks(ChosenListing, *this);
  });
}

std::size_t Tform_Busca::DefaultPaneCapacity() { return kListingPaneCapacity; }

}  // namespace zuruza
