// The line editor window driven offscreen.
#include "text/edit_window.h"

#include <QAccessible>
#include <QtTest>

#include "support/accessibility_check.h"
#include "support/scripted_prompter.h"
#include "support/temp_tree.h"

using namespace zuruza;
using zuruza::testing::ScriptedPrompter;
using zuruza::testing::TempTree;

namespace {

void PlaceCaret(QPlainTextEdit* memo, int position) {
  QTextCursor cursor = memo->textCursor();
  cursor.setPosition(position);
  memo->setTextCursor(cursor);
}

}  // namespace

class EditWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void LoadsWithEveryBreakAndSavesWithCrLf() {
    TempTree tree;
    tree.AddFile("carga.txt", std::string("uno\r\ndos\rtres\ncuatro \xc3\xa1\0resto", 29));
    TEditor window;
    ScriptedPrompter prompter;
    window.set_prompter(&prompter);
    prompter.dialog_answers = {tree.Path("carga.txt"), tree.Path("graba.txt"), std::nullopt,
                               std::nullopt};
    window.Cargar1->trigger();
    QCOMPARE(window.Memo1->toPlainText(), QString("uno\ndos\ntres\ncuatro \u00e1"));
    window.Grabar1->trigger();
    QCOMPARE(tree.ReadFile("graba.txt"), std::string("uno\r\ndos\r\ntres\r\ncuatro \xc3\xa1"));
    window.Cargar1->trigger();  // cancelled: nothing changes
    window.Grabar1->trigger();
    QCOMPARE(window.Memo1->toPlainText(), QString("uno\ndos\ntres\ncuatro \u00e1"));
    QVERIFY(prompter.errors.empty());
    // Each dialog opens beside the file last loaded or saved.
    QCOMPARE(prompter.dialog_near,
             (std::vector<std::string>{"", tree.Path("carga.txt"), tree.Path("graba.txt"),
                                       tree.Path("graba.txt")}));

    prompter.dialog_answers = {tree.Path("falta.txt")};
    window.Cargar1->trigger();
    QCOMPARE(prompter.errors, std::vector<std::string>{"File not found"});
    QCOMPARE(window.Memo1->toPlainText(), QString("uno\ndos\ntres\ncuatro \u00e1"));
  }

  void EightBitFileKeepsItsBytesAndColumnsCountCharacters() {
    TempTree tree;
    // "año" and "café" in an 8-bit code page: not UTF-8.
    tree.AddFile("latin.txt", "a\xf1o\r\ncaf\xe9\r\n");
    TEditor window;
    ScriptedPrompter prompter;
    window.set_prompter(&prompter);
    prompter.dialog_answers = {tree.Path("latin.txt"), tree.Path("copia.txt")};
    window.Cargar1->trigger();
    QCOMPARE(window.Memo1->toPlainText(), QString("a\u00f1o\ncaf\u00e9\n"));
    // Column 3 is after the "ñ", however many bytes it takes in the pane.
    window.Edit1->setText("X");
    prompter.input_answers = {std::string("3")};
    window.Insertarcadenadecaracteresapartirdeunacolumna1->trigger();
    QCOMPARE(window.Memo1->toPlainText(), QString("a\u00f1Xo\ncaXf\u00e9\n"));
    window.Grabar1->trigger();
    QCOMPARE(tree.ReadFile("copia.txt"), std::string("a\xf1Xo\r\ncaXf\xe9\r\n"));

    prompter.input_answers = {std::string("2"), std::string("3")};
    window.Recortarcolumnasdelaslneas1->trigger();
    QCOMPARE(window.Memo1->toPlainText(), QString("\u00f1X\naX\n"));
    QVERIFY(prompter.errors.empty());

    // A character beyond Latin-1 typed in: the file is saved as UTF-8.
    window.Memo1->setPlainText(QString("\u00f1 \u20ac"));
    prompter.dialog_answers = {tree.Path("euro.txt")};
    window.Grabar1->trigger();
    QCOMPARE(tree.ReadFile("euro.txt"), std::string("\xc3\xb1 \xe2\x82\xac"));
  }

  void PaneModeRewritesThePaneLines() {
    TEditor window;
    ScriptedPrompter prompter;
    window.set_prompter(&prompter);
    window.Memo1->setPlainText("abcdef\nxyz\n");
    window.Edit1->setText("XY");
    prompter.input_answers = {std::string("3")};
    window.Insertarcadenadecaracteresapartirdeunacolumna1->trigger();
    QCOMPARE(window.Memo1->toPlainText(), QString("abXYcdef\nxyXYz\n"));
    prompter.input_answers = {std::string("f")};
    window.Numerarlneas1->trigger();
    QCOMPARE(window.Memo1->toPlainText(), QString("abXYcdef1\nxyXYz2\n"));
    QVERIFY(prompter.messages.empty());

    prompter.input_answers = {std::string("abc")};
    window.Insertarcadenadecaracteresapartirdeunacolumna1->trigger();
    QCOMPARE(prompter.errors, std::vector<std::string>{"'abc' is not a valid integer value"});
    QCOMPARE(window.Memo1->toPlainText(), QString("abXYcdef1\nxyXYz2\n"));

    window.Ordenarunfichero1->trigger();  // disk only
    QCOMPARE(prompter.messages,
             std::vector<std::string>{"Esta opción SOLO funciona con ficheros del DISCO."});
  }

  void DiskModeAsksTheFilePairAndLeavesThePane() {
    TempTree tree;
    tree.AddFile("datos.txt", "b\r\nB\r\na\r\n\xc3\xa1\r\nA\r\n");
    TEditor window;
    ScriptedPrompter prompter;
    window.set_prompter(&prompter);
    window.Memo1->setPlainText("pantalla");
    window.CheckBox1->setChecked(true);
    prompter.input_answers = {tree.Path("datos.txt"), std::nullopt};  // Cancel: the ".tmp" name
    window.Ordenarunfichero1->trigger();
    QCOMPARE(tree.ReadFile("datos.txt.tmp"), std::string("a\r\nA\r\nb\r\nB\r\n\xc3\xa1\r\n"));
    QCOMPARE(window.Memo1->toPlainText(), QString("pantalla"));

    window.Edit1->setText(">");
    prompter.input_answers = {tree.Path("datos.txt"), tree.Path("marcado.txt")};
    window.Insertarcadenadecaractaresalprincipiodelaslneas1->trigger();
    QCOMPARE(tree.ReadFile("marcado.txt"), std::string(">b\r\n>B\r\n>a\r\n>\xc3\xa1\r\n>A\r\n"));
    QCOMPARE(window.Memo1->toPlainText(), QString("pantalla"));
  }

  void RepeatedLinesAreListedInThePane() {
    TempTree tree;
    tree.AddFile("rep.txt", "x\r\ny\r\nx\r\nX\r\ny\r\nx\r\n");
    TEditor window;
    ScriptedPrompter prompter;
    window.set_prompter(&prompter);
    window.Memo1->setPlainText("antes");
    window.CheckBox1->setChecked(true);
    prompter.input_answers = {tree.Path("rep.txt"), tree.Path("unicas.txt")};
    window.QuitarLineasRepetidas1->trigger();
    QCOMPARE(window.Memo1->toPlainText(),
             QString("LINEAS ELIMINADAS por estar "
                     "repetidas\n--------------------------------------\nx\ny\nx"));
  }

  void ShowsTheCaretPositionOnlyWhenTicked() {
    TEditor window;
    ScriptedPrompter prompter;
    window.set_prompter(&prompter);
    window.show();
    window.Memo1->setPlainText("abcdef\nxyz\n\nfin");
    PlaceCaret(window.Memo1, 3);
    QTest::keyRelease(window.Memo1, Qt::Key_Right);
    QCOMPARE(window.Label2->text(), QString());  // the display is off

    window.MostrarPosicindelCURSOR1->trigger();
    QVERIFY(window.MostrarPosicindelCURSOR1->isChecked());
    QCOMPARE(window.Label2->text(), QString());  // ticking alone does not refresh it
    struct Row {
      int position;
      const char* label;
    } rows[] = {{0, "(1:0)"}, {3, "(1:3)"}, {11, "(3:0)"}, {8, "(2:1)"}, {15, "(4:3)"}};
    for (const Row& row : rows) {
      PlaceCaret(window.Memo1, row.position);
      QTest::keyRelease(window.Memo1, Qt::Key_Left);
      QCOMPARE(window.Label2->text(), QString(row.label));
    }
    // A click reports the caret where the click put it.
    QTextCursor second_line(window.Memo1->document());
    second_line.setPosition(7);
    QTest::mouseClick(window.Memo1->viewport(), Qt::LeftButton, {},
                      window.Memo1->cursorRect(second_line).center());
    QCOMPARE(window.Label2->text(), QString("(2:0)"));

    window.MostrarPosicindelCURSOR1->trigger();
    PlaceCaret(window.Memo1, 0);
    QTest::keyRelease(window.Memo1, Qt::Key_Left);
    QCOMPARE(window.Label2->text(), QString("(2:0)"));  // off again: the label keeps its text
  }

  void CaretPositionIsReadAsTheLabelsName() {
    TEditor window;
    window.Memo1->setPlainText("abc\ndef");
    window.MostrarPosicindelCURSOR1->trigger();
    PlaceCaret(window.Memo1, 5);
    QTest::keyRelease(window.Memo1, Qt::Key_Left);
    QCOMPARE(QAccessible::queryAccessibleInterface(window.Label2)->text(QAccessible::Name),
             QString("(2:1)"));
  }

  void CloseOnlyHidesAndKeepsTheState() {
    TEditor window;
    window.show();
    window.Memo1->setPlainText("texto");
    window.Edit1->setText("XY");
    window.CheckBox1->setChecked(true);
    window.close();
    QVERIFY(!window.isVisible());
    window.show();
    window.Cerrar1->trigger();
    QVERIFY(!window.isVisible());
    QCOMPARE(window.Memo1->toPlainText(), QString("texto"));
    QCOMPARE(window.Edit1->text(), QString("XY"));
    QVERIFY(window.CheckBox1->isChecked());
  }

  void NamesEveryControlAndKeepsTheMenuOrder() {
    TEditor window;
    QStringList missing = zuruza::testing::ControlsWithoutNames(&window);
    QVERIFY2(missing.isEmpty(), qPrintable(missing.join(", ")));
    QCOMPARE(window.objectName(), QString("Editor"));
    QCOMPARE(window.windowTitle(), QString("Editor"));
    QVERIFY(!window.Memo1->accessibleName().isEmpty());
    QCOMPARE(window.CheckBox1->text(), QString("Procesar FICHERO del DISCO"));
    QVERIFY(!window.CheckBox1->isChecked());
    QCOMPARE(window.CheckBox1->toolTip(),
             QString("Si esta opción está marcada se procesá un fichero del DISCO en vez de el "
                     "texto en pantalla."));
    QMenu* opciones = window.findChild<QMenu*>("Opciones1");
    QVERIFY(opciones);
    QStringList names;
    for (QAction* action : opciones->actions()) names << action->objectName();
    QCOMPARE(names,
             (QStringList{"Insertarcadenadecaractaresalprincipiodelaslneas1",
                          "Insertarcadenadecaracteresalfinaldelaslneas1",
                          "Insertarcadenadecaracteresapartirdeunacolumna1", "N4",
                          "Recortarcolumnasdelaslneas1", "ExtraerDIRECTORIOS1",
                          "QuitarlineasconmenosdeNNNcaracteres1", "Quitarlineasquecontengan1",
                          "QuitarlineasconMASdeNNNcaracteres1", "QuitarlineasqueNOcontengan1",
                          "QuitarLineasRepetidas1", "CambiarLFCRporLF1", "N2", "Ordenarunfichero1",
                          "Numerarlneas1", "N3", "MostrarPosicindelCURSOR1"}));
    QMenu* archivo = window.findChild<QMenu*>("Archivo1");
    QVERIFY(archivo);
    names.clear();
    for (QAction* action : archivo->actions()) names << action->objectName();
    QCOMPARE(names, (QStringList{"Cargar1", "Grabar1", "N1", "Cerrar1"}));
  }
};

QTEST_MAIN(EditWindowTest)
#include "edit_window_test.moc"
