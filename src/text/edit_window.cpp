#include "text/edit_window.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMenuBar>
#include <QTextBlock>
#include <QVBoxLayout>
#include <algorithm>

#include "app/form_rows.h"
#include "app/qt_text.h"
#include "core/text_rules.h"

namespace zuruza {

namespace {

constexpr std::string_view kTextFilter = "Ficheros de Texto|*.txt|Todos los Ficheros|*.*";

}  // namespace

TEditor::TEditor(QWidget* parent) : QMainWindow(parent) {
  setObjectName("Editor");
  setWindowTitle("Editor");
  resize(433, 300);

  Memo1 = new QPlainTextEdit;
  Memo1->setObjectName("Memo1");
  Memo1->setAccessibleName("Texto");
  Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
  Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  // A click and a key release both refresh the caret display.
  Memo1->viewport()->installEventFilter(this);
  Memo1->installEventFilter(this);

  auto* panel1 = new QWidget;
  panel1->setObjectName("Panel1");
  panel1->setFixedHeight(46);
  auto* panel2 = new QWidget(panel1);
  panel2->setObjectName("Panel2");
  panel2->setFixedWidth(80);
  Label2 = new QLabel(panel2);
  Label2->setObjectName("Label2");
  // No fixed name: a screen reader reads the position itself.
  Label2->setAccessibleDescription("Posición del cursor");
  auto* panel2_layout = new QHBoxLayout(panel2);
  panel2_layout->setContentsMargins(4, 0, 4, 0);
  panel2_layout->addWidget(Label2);

  CheckBox1 = NewCheck(panel1, "CheckBox1", "Procesar FICHERO del DISCO");
  CheckBox1->setToolTip(
      "Si esta opción está marcada se procesá un fichero del DISCO en vez de el texto en "
      "pantalla.");
  QLabel* label1 = NewCaption(panel1, "Label1", "Cadena de caracteres a Insertar");
  Edit1 = NewField(panel1, "Edit1", label1);

  auto* fields = new QVBoxLayout;
  fields->setSpacing(2);
  auto* insert_row = new QHBoxLayout;
  insert_row->addWidget(label1);
  insert_row->addWidget(Edit1, 1);
  fields->addWidget(CheckBox1);
  fields->addLayout(insert_row);
  auto* panel1_layout = new QHBoxLayout(panel1);
  panel1_layout->setContentsMargins(0, 0, 4, 0);
  panel1_layout->addWidget(panel2);
  panel1_layout->addLayout(fields, 1);

  auto* central = new QWidget;
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(Memo1, 1);
  layout->addWidget(panel1);
  setCentralWidget(central);

  menuBar()->setObjectName("MainMenu1");
  auto item = [this](QMenu* menu, const char* name, const QString& caption,
                     void (TEditor::*handler)()) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(name);
    connect(action, &QAction::triggered, this, handler);
    return action;
  };
  auto separator = [](QMenu* menu, const char* name) { menu->addSeparator()->setObjectName(name); };

  QMenu* archivo = menuBar()->addMenu("Archivo");
  archivo->setObjectName("Archivo1");
  Cargar1 = item(archivo, "Cargar1", "Cargar", &TEditor::Cargar1Click);
  Grabar1 = item(archivo, "Grabar1", "Grabar", &TEditor::Grabar1Click);
  separator(archivo, "N1");
  Cerrar1 = item(archivo, "Cerrar1", "Cerrar", &TEditor::Cerrar1Click);

  QMenu* opciones = menuBar()->addMenu("Opciones");
  opciones->setObjectName("Opciones1");
  Insertarcadenadecaractaresalprincipiodelaslneas1 =
      item(opciones, "Insertarcadenadecaractaresalprincipiodelaslneas1",
           "Insertar cadena de caracteres al principio de las líneas",
           &TEditor::Insertarcadenadecaractaresalprincipiodelaslneas1Click);
  Insertarcadenadecaracteresalfinaldelaslneas1 =
      item(opciones, "Insertarcadenadecaracteresalfinaldelaslneas1",
           "Insertar cadena de caracteres al final de las líneas",
           &TEditor::Insertarcadenadecaracteresalfinaldelaslneas1Click);
  Insertarcadenadecaracteresapartirdeunacolumna1 =
      item(opciones, "Insertarcadenadecaracteresapartirdeunacolumna1",
           "Insertar cadena de caracteres a partir de una columna",
           &TEditor::Insertarcadenadecaracteresapartirdeunacolumna1Click);
  separator(opciones, "N4");
  Recortarcolumnasdelaslneas1 = item(opciones, "Recortarcolumnasdelaslneas1",
                                     "Extraer columnas de las líneas despreciando el resto",
                                     &TEditor::Recortarcolumnasdelaslneas1Click);
  ExtraerDIRECTORIOS1 = item(opciones, "ExtraerDIRECTORIOS1", "Extraer DIRECTORIOS",
                             &TEditor::ExtraerDIRECTORIOS1Click);
  QuitarlineasconmenosdeNNNcaracteres1 = item(opciones, "QuitarlineasconmenosdeNNNcaracteres1",
                                              "Quitar lineas con menos de NNN caracteres.",
                                              &TEditor::QuitarlineasconmenosdeNNNcaracteres1Click);
  Quitarlineasquecontengan1 =
      item(opciones, "Quitarlineasquecontengan1", "Quitar lineas que contengan ...",
           &TEditor::Quitarlineasquecontengan1Click);
  QuitarlineasconMASdeNNNcaracteres1 = item(opciones, "QuitarlineasconMASdeNNNcaracteres1",
                                            "Quitar lineas con MAS de NNN caracteres",
                                            &TEditor::QuitarlineasconMASdeNNNcaracteres1Click);
  QuitarlineasqueNOcontengan1 =
      item(opciones, "QuitarlineasqueNOcontengan1", "Quitar lineas que NO contengan...",
           &TEditor::QuitarlineasqueNOcontengan1Click);
  QuitarLineasRepetidas1 = item(opciones, "QuitarLineasRepetidas1", "Quitar Lineas Repetidas",
                                &TEditor::QuitarLineasRepetidas1Click);
  CambiarLFCRporLF1 =
      item(opciones, "CambiarLFCRporLF1", "Cambiar LF+CR por LF", &TEditor::CambiarLFCRporLF1Click);
  separator(opciones, "N2");
  Ordenarunfichero1 = item(opciones, "Ordenarunfichero1", "Ordenar un fichero de TEXTO",
                           &TEditor::Ordenarunfichero1Click);
  Numerarlneas1 = item(opciones, "Numerarlneas1", "Numerar líneas", &TEditor::Numerarlneas1Click);
  separator(opciones, "N3");
  MostrarPosicindelCURSOR1 =
      item(opciones, "MostrarPosicindelCURSOR1", "Mostrar Posición del CURSOR",
           &TEditor::MostrarPosicindelCURSOR1Click);
  MostrarPosicindelCURSOR1->setCheckable(true);
}

QString TEditor::PaneString() const {
  // The raw text keeps every character as typed; only the block breaks
  // become line breaks.
  QString text = Memo1->document()->toRawText();
  text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
  return text;
}

void TEditor::ClearReport() {
  pane_report_.clear();
  pane_reported_ = true;
}

void TEditor::AddReportLine(std::string_view text) { pane_report_.emplace_back(text); }

void TEditor::RunOperation(EditOperation operation) {
  EditRequest request{FromQt(Edit1->text()), CheckBox1->isChecked()};
  const bool on_pane = !request.disk_mode && WorksOnPane(operation);
  PaneText pane;
  if (on_pane) pane = SplitPaneText(FromQt(PaneString()));
  pane_reported_ = false;
  const bool ok = RunGuarded(prompter_, [&] { editor_.Run(operation, request, pane.lines); });
  if (pane_reported_) {
    // What the operation listed stays, even when it stopped on an error.
    Memo1->setPlainText(ToQt(JoinPaneText({std::move(pane_report_), false})));
    pane_report_.clear();
  } else if (ok && on_pane && !pane.lines.empty()) {
    Memo1->setPlainText(ToQt(JoinPaneText(pane)));
  }
}

void TEditor::Cargar1Click() {
  std::optional<std::string> path = prompter_.OpenFileDialog(kTextFilter, pane_file_);
  if (!path) return;
  std::string text;
  if (!RunGuarded(prompter_, [&] { text = LoadPaneFile(*path); })) return;
  pane_file_ = *path;
  latin1_file_ = !IsValidUtf8(text);
  Memo1->setPlainText(latin1_file_
                          ? QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()))
                          : ToQt(text));
}

void TEditor::Grabar1Click() {
  std::optional<std::string> path = prompter_.SaveFileDialog(kTextFilter, ".txt", pane_file_);
  if (!path) return;
  pane_file_ = *path;
  const QString pane = PaneString();
  // Text of an 8-bit file goes back in its own bytes while every character
  // has one there; anything typed beyond Latin-1 makes the whole file UTF-8.
  const bool latin1 = latin1_file_ && std::all_of(pane.begin(), pane.end(),
                                                  [](QChar c) { return c.unicode() <= 0xFF; });
  std::string text;
  if (latin1) {
    const QByteArray bytes = pane.toLatin1();
    text.assign(bytes.constData(), static_cast<std::size_t>(bytes.size()));
  } else {
    text = FromQt(pane);
  }
  RunGuarded(prompter_, [&] { SavePaneFile(*path, text); });
}

void TEditor::Cerrar1Click() { hide(); }

void TEditor::Insertarcadenadecaractaresalprincipiodelaslneas1Click() {
  RunOperation(EditOperation::kInsertAtStart);
}
void TEditor::Insertarcadenadecaracteresalfinaldelaslneas1Click() {
  RunOperation(EditOperation::kInsertAtEnd);
}
void TEditor::Insertarcadenadecaracteresapartirdeunacolumna1Click() {
  RunOperation(EditOperation::kInsertAtColumn);
}
void TEditor::Recortarcolumnasdelaslneas1Click() { RunOperation(EditOperation::kExtractColumns); }
void TEditor::ExtraerDIRECTORIOS1Click() { RunOperation(EditOperation::kExtractDirectories); }
void TEditor::QuitarlineasconmenosdeNNNcaracteres1Click() {
  RunOperation(EditOperation::kRemoveShortLines);
}
void TEditor::Quitarlineasquecontengan1Click() {
  RunOperation(EditOperation::kRemoveLinesContaining);
}
void TEditor::QuitarlineasconMASdeNNNcaracteres1Click() {
  RunOperation(EditOperation::kRemoveLongLines);
}
void TEditor::QuitarlineasqueNOcontengan1Click() {
  RunOperation(EditOperation::kRemoveLinesNotContaining);
}
void TEditor::QuitarLineasRepetidas1Click() { RunOperation(EditOperation::kRemoveRepeatedLines); }
void TEditor::CambiarLFCRporLF1Click() { RunOperation(EditOperation::kLineEndsToLf); }
void TEditor::Ordenarunfichero1Click() { RunOperation(EditOperation::kSortFile); }
void TEditor::Numerarlneas1Click() { RunOperation(EditOperation::kNumberLines); }

void TEditor::MostrarPosicindelCURSOR1Click() {
  // The checkable item has already changed its own tick; the label waits
  // for the next click or key in the pane.
}

void TEditor::Memo1Click() { UpdateCursorPosition(); }
void TEditor::Memo1KeyUp() { UpdateCursorPosition(); }

void TEditor::UpdateCursorPosition() {
  if (!MostrarPosicindelCURSOR1->isChecked() || Memo1->document()->isEmpty()) return;
  const int caret = Memo1->textCursor().selectionStart();
  const QTextBlock block = Memo1->document()->findBlock(caret);
  const QString before = block.text().left(caret - block.position());
  Label2->setText(ToQt(CaretLabel(block.blockNumber(), FromQt(before))));
}

bool TEditor::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Memo1->viewport() && event->type() == QEvent::MouseButtonRelease) {
    Memo1Click();
  } else if (watched == Memo1 && event->type() == QEvent::KeyRelease) {
    Memo1KeyUp();
  }
  return QMainWindow::eventFilter(watched, event);
}

void TEditor::closeEvent(QCloseEvent* event) {
  hide();
  event->ignore();
}

}  // namespace zuruza
