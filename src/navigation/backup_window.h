// The backup window "Backup": source and destination, the start and stop
// buttons, the list of copied files (hidden until asked for) and the
// progress in two status bars.
#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QStatusBar>
#include <string>
#include <vector>

#include "app/qt_prompter.h"
#include "app/report_pane.h"
#include "app/status_label.h"
#include "app/window_kit.h"
#include "core/report_sink.h"
#include "navigation/backup.h"

namespace zuruza {

class TF_backup : public QMainWindow, public ReportSink {
  Q_OBJECT

 public:
  // `batch_mode` is the launcher's BatchMode: when true, a finished copy
  // ends the program.
  explicit TF_backup(const bool* batch_mode, QWidget* parent = nullptr);

  // ReportSink: the copied-files list and the status bars.
  void ClearReport() override;
  void AddReportLine(std::string_view text) override;
  void ShowProgress(StatusBar bar, std::string_view text) override;
  void SetStatus(StatusBar bar, std::string_view text) override;
  void LetEventsRun() override { LetWindowEventsRun(); }

  QString StatusText(StatusBar bar) const;
  // Who the window asks and tells (tests script it; nullptr: real dialogs).
  void set_prompter(Prompter* prompter) {
    prompter_.set_target(prompter ? prompter : &qt_prompter_);
  }
  const BackupCopier& copier() const { return copier_; }
  bool ListShown() const;

  QLineEdit* Edit1;
  QLineEdit* Edit2;
  QLabel* Label8;  // holds the report file's path, hidden
  QPushButton* Button4;
  QPushButton* Button1;
  QPushButton* Button2;
  ReportPane* Memo1;

 public slots:
  void Button4Click();
  void Button1Click();
  void Button2Click();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void FlushList();

  const bool* batch_mode_;
  QtPrompter qt_prompter_{this};
  ForwardingPrompter prompter_{&qt_prompter_};
  BackupCopier copier_;
  QStackedWidget* pages_;
  StatusLabel* panels_[3];  // bar 1 panel 0, bar 1 panel 1, bar 2
  std::vector<std::string> pending_lines_;
  JobSlot job_slot_;
};

}  // namespace zuruza
