#include "text/busca2_window.h"

#include <QApplication>
#include <QCloseEvent>

#include "app/qt_text.h"

namespace zuruza {

namespace {

constexpr int kMemo2Height = 113;

}  // namespace

TForm2::TForm2(QWidget* parent) : QMainWindow(parent) {
  setObjectName("Form2");
  setWindowTitle("Busca dentro de Ficheros");
  resize(541, 454);

  MainMenu1 = menuBar();
  MainMenu1->setObjectName("MainMenu1");
  Buscar1 = MainMenu1->addMenu("Buscar");
  Buscar1->setObjectName("Buscar1");
  EnunFichero1 = Buscar1->addAction("En un Fichero");
  EnunFichero1->setObjectName("EnunFichero1");
  Envariosficheros1 = Buscar1->addAction("En varios ficheros");
  Envariosficheros1->setObjectName("Envariosficheros1");
  connect(EnunFichero1, &QAction::triggered, this, &TForm2::EnunFichero1Click);
  connect(Envariosficheros1, &QAction::triggered, this, &TForm2::Envariosficheros1Click);

  Memo1 = new ReportPane;
  Memo1->setObjectName("Memo1");
  Memo1->setAccessibleName("Segmentos encontrados o ficheros donde buscar");
  Memo1->setAccessibleDescription(
      "Resultados de En un Fichero; para En varios ficheros, un nombre de fichero por línea");
  Memo2 = new ReportPane;
  Memo2->setObjectName("Memo2");
  Memo2->setAccessibleName("Ficheros que contienen el texto");
  Memo1->setMinimumHeight(Memo1->fontMetrics().height() * 2);
  Memo2->setMinimumHeight(Memo2->fontMetrics().height() * 2);
  Splitter1 = new QSplitter(Qt::Vertical);
  Splitter1->setObjectName("Splitter1");
  Splitter1->setHandleWidth(3);
  Splitter1->setChildrenCollapsible(false);
  Splitter1->addWidget(Memo1);
  Splitter1->addWidget(Memo2);
  Splitter1->setStretchFactor(0, 1);
  Splitter1->setStretchFactor(1, 0);
  Splitter1->setSizes({height() - kMemo2Height, kMemo2Height});
  for (int i = 0; i < Splitter1->count(); ++i) {
    Splitter1->handle(i)->setAccessibleName("Separador de los paneles");
  }
  setCentralWidget(Splitter1);

  StatusBar1 = statusBar();
  StatusBar1->setObjectName("StatusBar1");
  NameSizeGrip(StatusBar1);
  panel_ = new StatusLabel("StatusPanel0");
  status_ = ThrottledStatus{panel_};
  StatusBar1->addWidget(panel_, 1);

  memo1_sink_.set_pane(Memo1);
  memo2_sink_.set_pane(Memo2);
}

std::vector<std::string> TForm2::ListedNames() const {
  std::vector<std::string> names;
  names.reserve(Memo1->LineCount());
  for (std::size_t i = 0; i < Memo1->LineCount(); ++i) names.push_back(Memo1->Line(i));
  if (!names.empty() && names.back().empty()) names.pop_back();
  return names;
}

void TForm2::EnunFichero1Click() {
  Run([&] { search_.SearchOneFile(memo1_sink_); });
}

void TForm2::Envariosficheros1Click() {
  const std::vector<std::string> names = ListedNames();
  Run([&] { search_.SearchSeveralFiles(names, memo2_sink_); });
}

void TForm2::Run(const std::function<void()>& body) {
  // Events run during a search, so the menu can be used again meanwhile.
  const JobSlot::Hold hold = job_slot_.Take();
  if (!hold) return;
  RunGuarded(prompter_, [&] {
    try {
      body();
    } catch (...) {
      ShowNow();  // what was found before the failure shows behind the error box
      throw;
    }
  });
  ShowNow();
}

void TForm2::KeepStatus(std::string_view text, bool let_events_run) {
  if (status_.Offer(text)) FlushPanes();
  if (let_events_run) LetWindowEventsRun();
}

void TForm2::ShowNow() {
  status_.Flush();
  FlushPanes();
}

void TForm2::FlushPanes() {
  memo1_sink_.Flush();
  memo2_sink_.Flush();
}

void TForm2::PaneSink::ClearReport() {
  pending_.clear();
  pane_->Clear();
}

void TForm2::PaneSink::AddReportLine(std::string_view text) { pending_.emplace_back(text); }

void TForm2::PaneSink::ShowProgress(StatusBar, std::string_view text) {
  form_.KeepStatus(text, true);
}

void TForm2::PaneSink::SetStatus(StatusBar, std::string_view text) {
  form_.KeepStatus(text, false);
}

void TForm2::PaneSink::Flush() {
  if (!pending_.empty()) pane_->AppendLines(pending_);
}

void TForm2::closeEvent(QCloseEvent* event) {
  hide();
  event->ignore();
}

}  // namespace zuruza
