// The quick change-directory window "VCD (Vantrex Change Directory)": a
// text, the search buttons and the drive on one bar; the tree list of the
// drive below it (hidden until asked for); the found directory opens in the
// desktop's file manager.
#pragma once

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QPushButton>
#include <QStatusBar>
#include <functional>
#include <string>
#include <vector>

#include "app/qt_prompter.h"
#include "app/status_label.h"
#include "app/window_kit.h"
#include "core/report_sink.h"
#include "navigation/vcd.h"
#include "platform/drives.h"

namespace zuruza {

class Tform_vcd : public QMainWindow, public ReportSink {
  Q_OBJECT

 public:
  explicit Tform_vcd(QWidget* parent = nullptr);

  // ReportSink: only the status panel is used.
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
  // How a directory or the help is opened (the desktop's default
  // application; tests record).
  void set_opener(std::function<bool(const std::string&)> opener) { opener_ = std::move(opener); }
  // Makes `root` the only drive and loads its cache, as a drive change does.
  void SetDriveForTesting(const std::string& root);
  const DirectoryTree& tree() const { return tree_; }
  // The selected entry (ListBox1's current row), -1 for none.
  int Selected() const;
  // The height with the list hidden: the least that shows menu, bar and
  // status.
  int CompactHeight() const;

  QPushButton* Button1;  // "VCD"
  QPushButton* Button4;  // "<"
  QPushButton* Button3;  // ">"
  QLineEdit* Edit1;
  QComboBox* DriveComboBox1;
  QListWidget* ListBox1;
  QStatusBar* StatusBar1;
  QAction* ReconstruyeArbol1;
  QAction* VerArbol1;
  QAction* Posicion1;
  QAction* Cortar1;
  QAction* Salir1;
  QAction* DelaAplicacin1;

 public slots:
  void Button1Click();
  void Button3Click();  // forward
  void Button4Click();  // backward
  void Edit1Change();
  void DriveComboBox1Change();
  void ReconstruyeArbol1Click();
  void VerArbol1Click();
  void Posicion1Click();
  void Cortar1Click();
  void Salir1Click();
  void DelaAplicacin1Click();
  void FormResize();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildMenus();
  void FillDrives(const std::vector<Drive>& drives, std::size_t current);
  std::string CurrentMountPoint() const;
  // Walks the drive, writes its cache and refills the list.
  void Rebuild();
  void LoadCache();
  void FillList();
  void Select(std::ptrdiff_t index);
  void Search(bool forward);
  // Runs a handler's body unless a walk is under way (its events let the
  // person click again); errors go to the error box.
  void Guarded(const std::function<void()>& body);

  QtPrompter qt_prompter_{this};
  ForwardingPrompter prompter_{&qt_prompter_};
  DirectoryTree tree_{*this};
  std::vector<Drive> drives_;
  std::function<bool(const std::string&)> opener_;
  StatusLabel* status_panel_;
  ThrottledStatus status_{nullptr};
  JobSlot job_slot_;
};

}  // namespace zuruza
