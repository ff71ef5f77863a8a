// The cipher window "Cifrar / Descifrar": the upper half enciphers or
// deciphers one file, the lower half every file of a directory tree. The key
// is asked for each operation; the status bar shows the progress (panel 0)
// and the file being ciphered (panel 1).
#pragma once

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>

#include "app/qt_prompter.h"
#include "app/status_label.h"
#include "app/window_kit.h"
#include "core/report_sink.h"
#include "transform/cifrar.h"

namespace zuruza {

class TF_cifrado : public QMainWindow, public ReportSink {
  Q_OBJECT

 public:
  explicit TF_cifrado(QWidget* parent = nullptr);

  // ReportSink: only the status bar (panel 0 is kStatusBar1, panel 1
  // kStatusBar1Panel1); the window has no report pane.
  void ClearReport() override {}
  void AddReportLine(std::string_view) override {}
  void ShowProgress(StatusBar bar, std::string_view text) override;
  void SetStatus(StatusBar bar, std::string_view text) override;
  void LetEventsRun() override { LetWindowEventsRun(); }

  // The text of status panel 0 or 1.
  QString StatusText(int panel) const;
  // Who the window asks and tells (tests script it; nullptr: real dialogs).
  void set_prompter(Prompter* prompter) {
    prompter_.set_target(prompter ? prompter : &qt_prompter_);
  }
  FileCipher& cipher() { return cipher_; }
  bool running() const { return job_slot_.busy(); }

  QLineEdit* Edit2;
  QLineEdit* Edit4;
  QPushButton* Button1;
  QPushButton* Button2;
  QPushButton* Button3;
  QPushButton* Button4;
  QPushButton* Button5;
  QAction* Cerrar1;

 public slots:
  void Button1Click();
  void Button2Click();
  void Button3Click();
  void Button4Click();
  void Button5Click();
  void Cerrar1Click();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void CipherOneFile(CipherDirection direction);
  void CipherTree(CipherDirection direction);
  // Runs a job unless one is running already: a second start while a
  // directory run lets events run would cipher files under its feet.
  void RunJob(const std::function<void()>& job);

  QtPrompter qt_prompter_{this};
  ForwardingPrompter prompter_{&qt_prompter_};
  FileCipher cipher_;
  StatusLabel* panels_[2];
  JobSlot job_slot_;
};

}  // namespace zuruza
