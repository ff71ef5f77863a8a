// The line editor window "Editor": the text pane, the insert string, the
// disk-mode check box, the caret display and the menus that run the
// editor's operations.
#pragma once

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <string>
#include <vector>

#include "app/qt_prompter.h"
#include "app/window_kit.h"
#include "core/report_sink.h"
#include "text/edit.h"

namespace zuruza {

class TEditor : public QMainWindow, public ReportSink {
  Q_OBJECT

 public:
  explicit TEditor(QWidget* parent = nullptr);

  // Who the window asks and tells (tests script it; nullptr: real dialogs).
  void set_prompter(Prompter* prompter) {
    prompter_.set_target(prompter ? prompter : &qt_prompter_);
  }
  const LineEditor& editor() const { return editor_; }
  LineEditor& editor() { return editor_; }

  // ReportSink: the pane, for the listing of repeated lines.
  void ClearReport() override;
  void AddReportLine(std::string_view text) override;
  void ShowProgress(StatusBar, std::string_view) override {}
  void SetStatus(StatusBar, std::string_view) override {}
  void LetEventsRun() override { LetWindowEventsRun(); }

  QPlainTextEdit* Memo1;
  QLabel* Label2;
  QCheckBox* CheckBox1;
  QLineEdit* Edit1;
  QAction* Cargar1;
  QAction* Grabar1;
  QAction* Cerrar1;
  QAction* Insertarcadenadecaractaresalprincipiodelaslneas1;
  QAction* Insertarcadenadecaracteresalfinaldelaslneas1;
  QAction* Insertarcadenadecaracteresapartirdeunacolumna1;
  QAction* Recortarcolumnasdelaslneas1;
  QAction* ExtraerDIRECTORIOS1;
  QAction* QuitarlineasconmenosdeNNNcaracteres1;
  QAction* Quitarlineasquecontengan1;
  QAction* QuitarlineasconMASdeNNNcaracteres1;
  QAction* QuitarlineasqueNOcontengan1;
  QAction* QuitarLineasRepetidas1;
  QAction* CambiarLFCRporLF1;
  QAction* Ordenarunfichero1;
  QAction* Numerarlneas1;
  QAction* MostrarPosicindelCURSOR1;

 public slots:
  void Cargar1Click();
  void Grabar1Click();
  void Cerrar1Click();
  void Insertarcadenadecaractaresalprincipiodelaslneas1Click();
  void Insertarcadenadecaracteresalfinaldelaslneas1Click();
  void Insertarcadenadecaracteresapartirdeunacolumna1Click();
  void Recortarcolumnasdelaslneas1Click();
  void ExtraerDIRECTORIOS1Click();
  void QuitarlineasconmenosdeNNNcaracteres1Click();
  void Quitarlineasquecontengan1Click();
  void QuitarlineasconMASdeNNNcaracteres1Click();
  void QuitarlineasqueNOcontengan1Click();
  void QuitarLineasRepetidas1Click();
  void CambiarLFCRporLF1Click();
  void Ordenarunfichero1Click();
  void Numerarlneas1Click();
  void MostrarPosicindelCURSOR1Click();
  void Memo1Click();
  void Memo1KeyUp();
  void UpdateCursorPosition();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void RunOperation(EditOperation operation);
  QString PaneString() const;

  QtPrompter qt_prompter_{this};
  ForwardingPrompter prompter_{&qt_prompter_};
  LineEditor editor_{prompter_, *this};
  // The pane's new lines while an operation writes them; shown at its end.
  std::vector<std::string> pane_report_;
  bool pane_reported_ = false;
  // The last file loaded was not UTF-8: its bytes were read as Latin-1, one
  // character each, and are saved back the same way, so that a file of an
  // 8-bit code page keeps its bytes.
  bool latin1_file_ = false;
  // The file last loaded or saved: the file dialogs open beside it.
  std::string pane_file_;
};

}  // namespace zuruza
