// The window "Busca dentro de Ficheros": the upper pane takes the segments
// found by "En un Fichero" or the list of names for "En varios ficheros", the
// lower pane the names found by the latter, the status bar the progress.
#pragma once

#include <QAction>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSplitter>
#include <QStatusBar>
#include <functional>
#include <string>
#include <vector>

#include "app/qt_prompter.h"
#include "app/report_pane.h"
#include "app/status_label.h"
#include "app/window_kit.h"
#include "core/report_sink.h"
#include "text/busca2.h"

namespace zuruza {

class TForm2 : public QMainWindow {
  Q_OBJECT

 public:
  explicit TForm2(QWidget* parent = nullptr);

  // Who the window asks and tells (tests script it; nullptr: real dialogs).
  void set_prompter(Prompter* prompter) {
    prompter_.set_target(prompter ? prompter : &qt_prompter_);
  }
  // The names "En varios ficheros" searches: the lines of Memo1, as a memo's
  // list of lines has them (a line break at the very end adds no empty name).
  std::vector<std::string> ListedNames() const;
  QString StatusText() const { return panel_->text(); }
  const InFileSearch& search() const { return search_; }

  QMenuBar* MainMenu1;
  QMenu* Buscar1;
  QAction* EnunFichero1;
  QAction* Envariosficheros1;
  ReportPane* Memo1;
  QSplitter* Splitter1;
  ReportPane* Memo2;
  QStatusBar* StatusBar1;

 public slots:
  void EnunFichero1Click();
  void Envariosficheros1Click();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  // One pane as the job's report, sharing the window's status bar.
  class PaneSink : public ReportSink {
   public:
    explicit PaneSink(TForm2& form) : form_(form) {}
    void set_pane(ReportPane* pane) { pane_ = pane; }
    void ClearReport() override;
    void AddReportLine(std::string_view text) override;
    void ShowProgress(StatusBar bar, std::string_view text) override;
    void SetStatus(StatusBar bar, std::string_view text) override;
    void LetEventsRun() override { LetWindowEventsRun(); }
    void Flush();

   private:
    TForm2& form_;
    ReportPane* pane_ = nullptr;
    std::vector<std::string> pending_;
  };

  // Runs one search; a second start while one runs is refused.
  void Run(const std::function<void()>& body);
  // Keeps the text; shows it (and the panes' new lines) a few dozen times a
  // second at most. ShowNow() shows the last one kept.
  void KeepStatus(std::string_view text, bool let_events_run);
  void ShowNow();
  void FlushPanes();

  QtPrompter qt_prompter_{this};
  ForwardingPrompter prompter_{&qt_prompter_};
  InFileSearch search_{prompter_};
  StatusLabel* panel_;
  PaneSink memo1_sink_{*this};
  PaneSink memo2_sink_{*this};
  ThrottledStatus status_{nullptr};
  JobSlot job_slot_;
};

}  // namespace zuruza
