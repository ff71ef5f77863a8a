// The window "Fragmentador/Desfragmentador de Archivos": the upper half
// splits a file into fragments, the lower half joins fragments back into one
// file; one status bar carries the progress of both.
#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QString>
#include <functional>

#include "app/qt_prompter.h"
#include "app/status_label.h"
#include "app/window_kit.h"
#include "core/report_sink.h"
#include "transform/fragment.h"

namespace zuruza {

class Tform_Fragment : public QMainWindow, public ReportSink {
  Q_OBJECT

 public:
  explicit Tform_Fragment(QWidget* parent = nullptr);

  // ReportSink: only the status bar; the window has no report pane.
  void ClearReport() override {}
  void AddReportLine(std::string_view) override {}
  void ShowProgress(StatusBar bar, std::string_view text) override;
  void SetStatus(StatusBar bar, std::string_view text) override;
  void LetEventsRun() override { LetWindowEventsRun(); }

  QString StatusText() const;
  // Who the window asks and tells (tests script it; nullptr: real dialogs).
  void set_prompter(Prompter* prompter) {
    prompter_.set_target(prompter ? prompter : &qt_prompter_);
  }

  QLineEdit* Edit1;  // requested fragment size
  QLineEdit* Edit2;  // file to split (filled by Button3)
  QLineEdit* Edit3;  // destination directory
  QLineEdit* Edit4;  // first fragment (filled by Button5)
  QLineEdit* Edit5;  // file to generate
  QPushButton* Button1;
  QPushButton* Button3;
  QPushButton* Button4;
  QPushButton* Button5;

 public slots:
  void Button1Click();
  void Button3Click();
  void Button4Click();
  void Button5Click();
  void Edit2Change();
  void Cerrar1Click();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void RunJob(const std::function<void()>& job);

  QtPrompter qt_prompter_{this};
  ForwardingPrompter prompter_{&qt_prompter_};
  Fragmenter fragmenter_;
  StatusLabel* status_panel_;
  ThrottledStatus status_{nullptr};
  JobSlot job_slot_;
};

}  // namespace zuruza
