#include "shell/launcher_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QMenuBar>
#include <QScreen>
#include <QWindow>
#include <algorithm>

#include "analysis/disco_window.h"
#include "analysis/repes_window.h"
#include "app/about_window.h"
#include "app/qt_prompter.h"
#include "app/qt_shell.h"
#include "app/qt_text.h"
#include "navigation/backup_window.h"
#include "navigation/vcd_window.h"
#include "platform/clock.h"
#include "platform/fs.h"
#include "platform/paths.h"
#include "search/busca_window.h"
#include "shell/batch_window.h"
#include "text/busca2_window.h"
#include "text/edit_window.h"
#include "transform/change_date_job.h"
#include "transform/cifrar_window.h"
#include "transform/columnise_job.h"
#include "transform/fragment_window.h"
#include "transform/mezcla_window.h"

namespace zuruza {

namespace {

// The launcher's margins from the screen's bottom and right edges.
constexpr int kBottomMargin = 28;
constexpr int kRightMargin = 1;
constexpr int kOuterHeight = 43;
constexpr int kClientWidth = 121;

QAction* AddItem(QMenu* menu, const QString& caption, const QString& name) {
  QAction* action = menu->addAction(caption);
  action->setObjectName(name);
  return action;
}

}  // namespace

void ShowToolWindow(QWidget* window) {
  window->show();
  window->raise();
  window->activateWindow();
}

TForm1::TForm1(const QStringList& parameters, QWidget* parent)
    : QMainWindow(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                              Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint),
      parameters_(parameters) {
  setObjectName("Form1");
  // A tool window does not count for Qt's "last window closed" rule, which
  // would end the program when the About box closes over the launcher alone.
  // The program ends only through "Salir", the launcher's close or a batch
  // job's end.
  QApplication::setQuitOnLastWindowClosed(false);
  setWindowTitle("Zuruza by Vantrex");
  setAccessibleName("Zuruza by Vantrex");

  ZURUZA1 = menuBar()->addMenu("ZURUZA");
  ZURUZA1->setObjectName("ZURUZA1");
  connect(AddItem(ZURUZA1, "VCD", "VCD1"), &QAction::triggered, this, &TForm1::VCD1Click);
  ZURUZA1->addSeparator();
  connect(AddItem(ZURUZA1, "Busca", "Busca1"), &QAction::triggered, this, &TForm1::Busca1Click);
  connect(AddItem(ZURUZA1, "Compara", "Compara1"), &QAction::triggered, this,
          &TForm1::Compara1Click);
  connect(AddItem(ZURUZA1, "Disco", "DISCO1"), &QAction::triggered, this, &TForm1::DISCO1Click);
  connect(AddItem(ZURUZA1, "Repetidos", "Repetidos1"), &QAction::triggered, this,
          &TForm1::Repetidos1Click);
  connect(AddItem(ZURUZA1, "Fragmentador", "Fragmentador1"), &QAction::triggered, this,
          &TForm1::Fragmentador1Click);
  connect(AddItem(ZURUZA1, "Cifrado", "Cifrado1"), &QAction::triggered, this,
          &TForm1::Cifrado1Click);
  connect(AddItem(ZURUZA1, "Editor", "Editor1"), &QAction::triggered, this, &TForm1::Editor1Click);
  connect(AddItem(ZURUZA1, "Mezclador de Ficheros por Columnas", "MezcladordeFicherosporColumnas1"),
          &QAction::triggered, this, &TForm1::MezcladordeFicherosporColumnas1Click);
  connect(AddItem(ZURUZA1, "Encolumna Ficheros", "EncolumnaFicheros1"), &QAction::triggered, this,
          &TForm1::EncolumnaFicheros1Click);
  ZURUZA1->addSeparator();
  connect(AddItem(ZURUZA1, "Busca DENTRO de fichero (ver CODIGO FUENTE)", "BuscaDENTROdefichero1"),
          &QAction::triggered, this, &TForm1::BuscaDENTROdefichero1Click);
  connect(AddItem(ZURUZA1, "Cambiar Fecha a un fichero", "CambiarFechaaficherosdeundirectorio1"),
          &QAction::triggered, this, &TForm1::CambiarFechaaficherosdeundirectorio1Click);
  connect(AddItem(ZURUZA1, "Copia Directorios. Backup", "CopiaDirectoriosBackup1"),
          &QAction::triggered, this, &TForm1::CopiaDirectoriosBackup1Click);
  ZURUZA1->addSeparator();
  connect(AddItem(ZURUZA1, "Salir", "Salir1"), &QAction::triggered, this, &TForm1::Salir1Click);

  Ayuda1 = menuBar()->addMenu("Ayuda");
  Ayuda1->setObjectName("Ayuda1");
  connect(AddItem(Ayuda1, "De la Aplicación", "DelaAplicacin1"), &QAction::triggered, this,
          &TForm1::DelaAplicacin1Click);
  connect(AddItem(Ayuda1, "Acerca de...", "Acercade1"), &QAction::triggered, this,
          &TForm1::Acercade1Click);

  Timer1 = new QTimer(this);
  Timer1->setObjectName("Timer1");
  Timer1->setInterval(2000);
  connect(Timer1, &QTimer::timeout, this, &TForm1::Timer1Timer);
  FormCreate();
}

void TForm1::FormCreate() {
  ApplyFrameSize();
  BatchMode = false;
  if (!parameters_.isEmpty()) {
    Timer1->start();
    BatchMode = true;
  }
}

// Not resizable by the user, and sized by its outer frame: 43 pixels high
// (never less than its menu bar, its whole content), wide enough for the
// menu bar and for the window manager to show the whole title beside the
// frame's icon, buttons and paddings (about six title-bar heights).
void TForm1::ApplyFrameSize() {
  const QMargins frame = FrameMargins();
  const int frame_width = frame.left() + frame.right();
  const int frame_height = frame.top() + frame.bottom();
  QFont title_font = font();
  title_font.setBold(true);
  const int title_bar = std::max(frame_height, QFontMetrics(title_font).height());
  const int title_room = QFontMetrics(title_font).horizontalAdvance(windowTitle()) + 6 * title_bar;
  const QSize client(
      std::max({kClientWidth, menuBar()->sizeHint().width(), title_room - frame_width}),
      std::max(menuBar()->sizeHint().height(), kOuterHeight - frame_height));
  if (size() != client || minimumSize() != client || maximumSize() != client) setFixedSize(client);
}

void TForm1::FormResize() {
  QScreen* screen = this->screen();
  if (!screen) return;
  ApplyFrameSize();
  // The platform's frame, as the widget's own idea of it may lag behind.
  const QMargins frame = FrameMargins();
  placed_frame_ = frame;
  const QRect area = screen->geometry();
  const QRect outer = geometry().marginsAdded(frame);
  const QPoint client_offset(frame.left(), frame.top());
  setGeometry(QRect(QPoint(area.x() + area.width() - outer.width() - kRightMargin,
                           area.y() + area.height() - outer.height() - kBottomMargin) +
                        client_offset,
                    size()));
}

void TForm1::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  FormResize();
}

QMargins TForm1::FrameMargins() const {
  return windowHandle() ? windowHandle()->frameMargins() : QMargins();
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  // The window manager frames the window before it first exposes it; once
  // the frame is known (or changes) the window is sized and placed again.
  if (watched == windowHandle() && event->type() == QEvent::Expose &&
      FrameMargins() != placed_frame_) {
    FormResize();
  }
  return QMainWindow::eventFilter(watched, event);
}

void TForm1::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  windowHandle()->removeEventFilter(this);  // installed once
  windowHandle()->installEventFilter(this);
  // The frame is known only once the window is shown.
  QTimer::singleShot(0, this, &TForm1::FormResize);
}

void TForm1::closeEvent(QCloseEvent* event) {
  event->accept();
  QApplication::quit();
}

void TForm1::VCD1Click() { ShowToolWindow(tools_.form_vcd); }

void TForm1::Busca1Click() { ShowToolWindow(tools_.form_Busca); }

void TForm1::Repetidos1Click() { ShowToolWindow(tools_.Form_repes); }

void TForm1::Compara1Click() { ShowToolWindow(tools_.Form_comp); }

void TForm1::DISCO1Click() { ShowToolWindow(tools_.form_disco); }

void TForm1::MezcladordeFicherosporColumnas1Click() { ShowToolWindow(tools_.F_mezclar); }

void TForm1::Fragmentador1Click() { ShowToolWindow(tools_.form_Fragment); }

void TForm1::Cifrado1Click() { ShowToolWindow(tools_.F_cifrado); }

void TForm1::Editor1Click() { ShowToolWindow(tools_.Editor); }

void TForm1::BuscaDENTROdefichero1Click() { ShowToolWindow(tools_.Form2); }

void TForm1::CopiaDirectoriosBackup1Click() {
  tools_.F_backup->Button4->setEnabled(true);
  ShowToolWindow(tools_.F_backup);
}

void TForm1::EncolumnaFicheros1Click() {
  RunGuarded(prompter_, [this] {
    prompter_.ShowMessage(
        "Dado un fichero de texto en la que cada linea tiene una etiqueta y un dato separados por "
        "un "
        "delimitador, se genera un listado con los datos columnados");
    ColumniseRequest request;
    request.delimiter = prompter_.InputBox("Delimitador", "Caracter delimitador", "=");
    request.input_path = prompter_.InputBox("Nombre del fichero a convertir", "", "");
    request.break_label = prompter_.InputBox(
        "Nombre de la etiqueta para forzar salto de registro",
        "Si no se pone cuando haya dos datos en la misma etiqueta se salta", "Nombre SID        =");
    ColumniseFile(request);
    prompter_.ShowMessage("Se ha generado el fichero: " + request.input_path + ".sal");
  });
}

void TForm1::CambiarFechaaficherosdeundirectorio1Click() {
  RunGuarded(prompter_, [this] {
    std::optional<std::string> path = prompter_.OpenFileDialog("", "");
    if (!path) return;
    FileDater dater(*path);
    const LocaleFormats formats = SystemLocaleFormats();
    const std::string text = prompter_.InputBox("Cambiando Fecha a un fichero", "Nueva Fecha",
                                                dater.CurrentDateText(formats));
    dater.SetDate(text, formats, LocalNow().date.year);
  });
}

void TForm1::Acercade1Click() {
  TAboutBox* box = tools_.AboutBox;
  box->ProductName->setText("VAVEZEVUVA");
  box->Version->setText("Versión 1.52");
  box->Fecha->setText("Febrero de 2015");
  box->exec();
}

void TForm1::Salir1Click() { QApplication::quit(); }

void TForm1::DelaAplicacin1Click() {
  std::string help = ProgramDirectory() + "ayuda.html";
  if (!IsExistingFile(help)) help = ProgramDirectory() + "../share/zuruza/ayuda.html";
  if (!IsExistingFile(help) || !OpenWithDefaultApplication(help)) {
    prompter_.ShowError("No se encuentra el fichero de ayuda: " + help);
  }
}

void TForm1::Timer1Timer() {
  Timer1->stop();
  RunBatchCommand(this, parameters_, tools_);
}

}  // namespace zuruza
