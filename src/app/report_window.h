// The window shared by the report tools: the report pane Memo1, one or two
// status bars, a bottom panel for the tool's own fields with the
// "Generar Fichero." group, and the "Opciones" menu. It is the ReportSink of
// the tool's job: lines reach the pane in batches and the status text is
// repainted a few dozen times a second at most, the last text always shown.
#pragma once

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QStatusBar>
#include <QTabWidget>
#include <string>
#include <vector>

#include "app/qt_prompter.h"
#include "app/report_pane.h"
#include "app/status_label.h"
#include "app/window_kit.h"
#include "core/prompter.h"
#include "core/report_sink.h"

namespace zuruza {

struct ReportWindowOptions {
  QString object_name;
  QString caption;
  QString default_report_path;
  QString report_check_name = "CheckBox1";
  QString save_caption = "Grabar en Fichero";
  QString save_name = "GrabarenFichero1";
  bool two_status_bars = false;
  int width = 546;
  int height = 370;
};

class ReportWindow : public QMainWindow, public ReportSink {
  Q_OBJECT

 public:
  explicit ReportWindow(const ReportWindowOptions& options, QWidget* parent = nullptr);

  // ReportSink.
  void ClearReport() override;
  void AddReportLine(std::string_view text) override;
  void ShowProgress(StatusBar bar, std::string_view text) override;
  void SetStatus(StatusBar bar, std::string_view text) override;
  void LetEventsRun() override { LetWindowEventsRun(); }

  // Moves the lines still waiting into the pane.
  void FlushReport();
  QString StatusText(StatusBar bar) const;
  bool JobRunning() const { return job_slot_.busy(); }
  // Who the window and its job ask and tell: real dialogs, unless a test
  // points it elsewhere (nullptr goes back to the dialogs).
  Prompter& prompter() { return prompter_; }
  void set_prompter(Prompter* prompter) {
    prompter_.set_target(prompter ? prompter : &qt_prompter_);
  }

  ReportPane* Memo1;
  QWidget* Panel1;       // the tool's own fields go here
  QGroupBox* GroupBox1;  // "Generar Fichero."
  QLineEdit* Edit2;
  QCheckBox* ReportCheck;  // CheckBox1, or CheckBox2 in the duplicate window
  QMenu* Opciones;

 public slots:
  void SeleccionarTodo1Click();
  void Copiar1Click();
  void GrabarenFichero1Click();
  void Salir1Click();

 protected:
  // Adds a widget between the pane and Panel1 (a notice line, say).
  void InsertAbovePanel(QWidget* widget);
  // Moves the pane into the first page of a set of tabs, for a window that
  // shows its result in more than one way; the other pages are the window's.
  QTabWidget* PutPaneInTabs(const QString& pane_caption);
  // Runs a job: refused while another runs, lines flushed and the guard
  // released however it ends, an error shown in the error box.
  // Returns true when the job ended normally.
  bool RunJob(const std::function<void()>& job);
  void closeEvent(QCloseEvent* event) override;

 private:
  StatusLabel* StatusPanel(StatusBar bar) const;
  std::size_t PanelIndex(StatusBar bar) const {
    return bar == StatusBar::kStatusBar2 && status_panel2_ ? 1 : 0;
  }

  QStatusBar* StatusBar1;
  QStatusBar* StatusBar2 = nullptr;
  StatusLabel* status_panel1_;
  StatusLabel* status_panel2_ = nullptr;
  std::vector<std::string> pending_lines_;
  ThrottledStatus status_{nullptr};
  JobSlot job_slot_;
  QtPrompter qt_prompter_{this};
  ForwardingPrompter prompter_{&qt_prompter_};
};

}  // namespace zuruza
