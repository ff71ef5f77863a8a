#include "app/report_window.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QMenuBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/form_rows.h"
#include "app/qt_prompter.h"
#include "app/qt_text.h"
#include "core/text_file.h"

namespace zuruza {

namespace {

// Repaints of the progress text at most this often (milliseconds).

QFont PaneFont() {
  QFont font("Courier New");
  font.setPointSize(8);
  font.setStyleHint(QFont::TypeWriter);
  font.setFixedPitch(true);
  return font;
}

StatusLabel* AddStatusPanel(QStatusBar* bar, const QString& name) {
  bar->setObjectName(name);
  bar->setSizeGripEnabled(false);
  auto* panel = new StatusLabel(name + "Panel0", bar);
  bar->addWidget(panel, 1);
  return panel;
}

}  // namespace

ReportWindow::ReportWindow(const ReportWindowOptions& options, QWidget* parent)
    : QMainWindow(parent) {
  setObjectName(options.object_name);
  setWindowTitle(options.caption);
  resize(options.width, options.height);

  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);

  Memo1 = new ReportPane(central);
  Memo1->setObjectName("Memo1");
  Memo1->setAccessibleName("Informe");
  Memo1->setFont(PaneFont());
  layout->addWidget(Memo1, 1);

  Panel1 = new QWidget(central);
  Panel1->setObjectName("Panel1");
  layout->addWidget(Panel1);

  GroupBox1 = new QGroupBox("Generar Fichero.", Panel1);
  GroupBox1->setObjectName("GroupBox1");
  GroupBox1->setAccessibleName("Generar Fichero.");
  auto* group_layout = new QVBoxLayout(GroupBox1);
  Edit2 = NewField(GroupBox1, "Edit2", "Fichero del informe", options.default_report_path);
  // Room for a typical path, whatever the tool's fields beside it ask for.
  Edit2->setMinimumWidth(Edit2->fontMetrics().horizontalAdvance(QString(32, QLatin1Char('x'))));
  ReportCheck = NewCheck(GroupBox1, options.report_check_name, "Generar Fichero");
  group_layout->addWidget(Edit2);
  group_layout->addWidget(ReportCheck);

  if (options.two_status_bars) {
    StatusBar2 = new QStatusBar(central);
    status_panel2_ = AddStatusPanel(StatusBar2, "StatusBar2");
    layout->addWidget(StatusBar2);
  }
  setCentralWidget(central);
  StatusBar1 = new QStatusBar(this);
  status_panel1_ = AddStatusPanel(StatusBar1, "StatusBar1");
  status_ = ThrottledStatus{status_panel1_, status_panel2_};
  setStatusBar(StatusBar1);

  Opciones = menuBar()->addMenu("Opciones");
  Opciones->setObjectName("Opciones1");
  auto add = [this](const QString& caption, const QString& name, void (ReportWindow::*slot)()) {
    QAction* action = Opciones->addAction(caption, this, slot);
    action->setObjectName(name);
    return action;
  };
  add("Seleccionar Todo", "SeleccionarTodo1", &ReportWindow::SeleccionarTodo1Click);
  add("Copiar", "Copiar1", &ReportWindow::Copiar1Click);
  add(options.save_caption, options.save_name, &ReportWindow::GrabarenFichero1Click);
  Opciones->addSeparator();
  add("Salir", "Salir1", &ReportWindow::Salir1Click);
}

void ReportWindow::ClearReport() {
  pending_lines_.clear();
  Memo1->Clear();
}

void ReportWindow::AddReportLine(std::string_view text) { pending_lines_.emplace_back(text); }

void ReportWindow::FlushReport() {
  if (!pending_lines_.empty()) Memo1->AppendLines(pending_lines_);
}

StatusLabel* ReportWindow::StatusPanel(StatusBar bar) const {
  return bar == StatusBar::kStatusBar2 && status_panel2_ ? status_panel2_ : status_panel1_;
}

QString ReportWindow::StatusText(StatusBar bar) const { return StatusPanel(bar)->text(); }

void ReportWindow::ShowProgress(StatusBar bar, std::string_view text) {
  if (!status_.Offer(text, PanelIndex(bar))) return;
  FlushReport();
  QApplication::processEvents();
}

void ReportWindow::SetStatus(StatusBar bar, std::string_view text) {
  FlushReport();
  status_.Set(text, PanelIndex(bar));
}

void ReportWindow::SeleccionarTodo1Click() { Memo1->SelectAll(); }

void ReportWindow::Copiar1Click() { Memo1->Copy(); }

void ReportWindow::GrabarenFichero1Click() {
  RunGuarded(prompter_, [this] {
    std::optional<std::string> path = prompter_.SaveFileDialog(
        "Ficheros de Texto|*.txt|Todos los Ficheros|*.*", ".txt", FromQt(Edit2->text()));
    if (!path) return;
    FlushReport();
    // Lines separated by CR LF, no line end after the last one.
    TextWriter writer(*path, TextWriter::Mode::kReplace);
    writer.Write(Memo1->Text("\r\n"));
    writer.Close();
  });
}

void ReportWindow::Salir1Click() { close(); }

void ReportWindow::InsertAbovePanel(QWidget* widget) {
  auto* layout = static_cast<QVBoxLayout*>(centralWidget()->layout());
  layout->insertWidget(layout->indexOf(Panel1), widget);
}

QTabWidget* ReportWindow::PutPaneInTabs(const QString& pane_caption) {
  auto* layout = static_cast<QVBoxLayout*>(centralWidget()->layout());
  auto* tabs = new QTabWidget(centralWidget());
  tabs->setObjectName("PageControl1");
  delete layout->replaceWidget(Memo1, tabs);  // the item that held the pane
  layout->setStretchFactor(tabs, 1);
  tabs->addTab(Memo1, pane_caption);
  return tabs;
}

bool ReportWindow::RunJob(const std::function<void()>& job) {
  const JobSlot::Hold hold = job_slot_.Take();
  if (!hold) return false;
  bool ok = RunGuarded(prompter_, [&] {
    struct Release {
      ReportWindow* window;
      ~Release() { window->FlushReport(); }
    } release{this};
    job();
  });
  // A progress text held back by the throttle is shown now.
  status_.Flush();
  return ok;
}

void ReportWindow::closeEvent(QCloseEvent* event) {
  // Closing only hides: the report and the fields stay for the next showing.
  hide();
  event->ignore();
}

}  // namespace zuruza
