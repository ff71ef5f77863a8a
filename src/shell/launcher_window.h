// The launcher "Zuruza by Vantrex": a small always-on-top tool window in the
// bottom-right corner whose menu opens the tool windows. Started with
// command-line parameters it arms the batch mode.
#pragma once

#include <QMainWindow>
#include <QMenu>
#include <QStringList>
#include <QTimer>

#include "app/qt_prompter.h"
#include "core/prompter.h"

namespace zuruza {

class Tform_Busca;
class TForm_repes;
class TF_backup;
class Tform_disco;
class TF_mezclar;
class TAboutBox;
class Tform_vcd;
class Tform_Fragment;
class TF_cifrado;
class TEditor;
class TForm2;
class TForm_comp;

// The tool windows the launcher shows, created once at start-up.
struct ToolWindows {
  Tform_Busca* form_Busca = nullptr;
  TForm_repes* Form_repes = nullptr;
  TF_backup* F_backup = nullptr;
  Tform_disco* form_disco = nullptr;
  TForm_comp* Form_comp = nullptr;
  TF_mezclar* F_mezclar = nullptr;
  TAboutBox* AboutBox = nullptr;
  Tform_vcd* form_vcd = nullptr;
  Tform_Fragment* form_Fragment = nullptr;
  TF_cifrado* F_cifrado = nullptr;
  TEditor* Editor = nullptr;
  TForm2* Form2 = nullptr;
};

class TForm1 : public QMainWindow {
  Q_OBJECT

 public:
  // `parameters` are the command-line parameters after the program's path.
  explicit TForm1(const QStringList& parameters, QWidget* parent = nullptr);

  // Tool windows, handed over once created.
  void SetToolWindows(const ToolWindows& tools) { tools_ = tools; }

  // Who the launcher's own tools ask and tell (tests script it).
  void set_prompter(Prompter* prompter) {
    prompter_.set_target(prompter ? prompter : &qt_prompter_);
  }

  bool BatchMode = false;
  QTimer* Timer1;
  QMenu* ZURUZA1;
  QMenu* Ayuda1;

 public slots:
  void VCD1Click();
  void Busca1Click();
  void Repetidos1Click();
  void Compara1Click();
  void DISCO1Click();
  void Fragmentador1Click();
  void Cifrado1Click();
  void Editor1Click();
  void MezcladordeFicherosporColumnas1Click();
  void BuscaDENTROdefichero1Click();
  void EncolumnaFicheros1Click();
  void CambiarFechaaficherosdeundirectorio1Click();
  void Acercade1Click();
  void CopiaDirectoriosBackup1Click();
  void Salir1Click();
  void DelaAplicacin1Click();
  void Timer1Timer();

 protected:
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void FormCreate();
  void FormResize();
  void ApplyFrameSize();
  QMargins FrameMargins() const;

  QStringList parameters_;
  QtPrompter qt_prompter_{this};
  ForwardingPrompter prompter_{&qt_prompter_};
  ToolWindows tools_;
  QMargins placed_frame_{-1, -1, -1, -1};  // the frame the last placement saw
};

// Shows a window without a modal loop and brings it to the front.
void ShowToolWindow(QWidget* window);

}  // namespace zuruza
