// The search-inside-files window driven offscreen with scripted answers.
#include "text/busca2_window.h"

#include <QtTest>

#include "support/accessibility_check.h"
#include "support/scripted_prompter.h"
#include "support/temp_tree.h"
#include "support/window_test_fixture.h"

using namespace zuruza;
using zuruza::testing::PaneLines;
using zuruza::testing::ScriptedPrompter;
using zuruza::testing::TempTree;

class Busca2WindowTest : public QObject {
  Q_OBJECT

 private slots:
  void OneFileListsTheMatchingSegmentsInMemo1() {
    TempTree tree;
    tree.AddFile("fotos.txt", "foto.jpg\r\nFOTO.JPG\r\nnota\ncasa.jpg\n");
    TForm2 window;
    ScriptedPrompter prompter;
    window.set_prompter(&prompter);
    std::vector<std::string> typed = {"escrito a mano"};
    window.Memo1->AppendLines(typed);

    prompter.input_answers = {std::string("jpg")};
    prompter.dialog_answers = {tree.Path("fotos.txt")};
    window.EnunFichero1->trigger();
    QCOMPARE(PaneLines(*window.Memo1), (std::vector<std::string>{"foto.jpg\r", "casa.jpg\n"}));
    QCOMPARE(window.StatusText(), QString("Analizados: 34 bytes."));
    QVERIFY(prompter.errors.empty());
  }

  void SeveralFilesSearchesTheTypedNamesWithoutCase() {
    TempTree tree;
    tree.AddFile("a.txt", std::string(92, '-') + "FOTO.JPG");  // 100 bytes
    tree.AddFile("b.txt", std::string(50, 'b'));
    TForm2 window;
    ScriptedPrompter prompter;
    window.set_prompter(&prompter);
    std::vector<std::string> old_results = {"viejo"};
    window.Memo2->AppendLines(old_results);
    // Typed one name a line; the line break after the last name adds none.
    window.Memo1->setFocus();
    QTest::keyClicks(window.Memo1, QString::fromStdString(tree.Path("a.txt")));
    QTest::keyClick(window.Memo1, Qt::Key_Return);
    QTest::keyClicks(window.Memo1, QString::fromStdString(tree.Path("b.txt")));
    QTest::keyClick(window.Memo1, Qt::Key_Return);
    QCOMPARE(window.ListedNames(),
             (std::vector<std::string>{tree.Path("a.txt"), tree.Path("b.txt")}));

    prompter.input_answers = {std::string("jpg")};
    window.Envariosficheros1->trigger();
    QCOMPARE(PaneLines(*window.Memo2), std::vector<std::string>{tree.Path("a.txt")});
    QCOMPARE(window.StatusText(), QString("Analizados: 150 bytes."));
  }

  void MissingNameStopsWithTheErrorKeepingEarlierResults() {
    TempTree tree;
    tree.AddFile("a.txt", "foto.jpg");
    tree.AddFile("c.txt", "foto.jpg");
    TForm2 window;
    ScriptedPrompter prompter;
    window.set_prompter(&prompter);
    const std::string missing = tree.Path("no-existe.txt");
    std::vector<std::string> names = {tree.Path("a.txt"), missing, tree.Path("c.txt")};
    window.Memo1->AppendLines(names);
    window.Envariosficheros1->trigger();  // the default string ".jpg"
    QCOMPARE(prompter.errors, std::vector<std::string>{"File not found"});
    QCOMPARE(PaneLines(*window.Memo2), std::vector<std::string>{tree.Path("a.txt")});
    QCOMPARE(window.StatusText(), QString::fromStdString("Analizado " + missing));
  }

  void NamesEveryControlAndOnlyHidesOnClose() {
    TForm2 window;
    QCOMPARE(window.objectName(), QString("Form2"));
    QCOMPARE(window.windowTitle(), QString("Busca dentro de Ficheros"));
    QCOMPARE(window.Buscar1->title(), QString("Buscar"));
    QCOMPARE(window.EnunFichero1->text(), QString("En un Fichero"));
    QCOMPARE(window.Envariosficheros1->text(), QString("En varios ficheros"));
    QCOMPARE(window.Splitter1->handleWidth(), 3);
    QStringList missing = zuruza::testing::ControlsWithoutNames(&window);
    QVERIFY2(missing.isEmpty(), qPrintable(missing.join(", ")));

    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    std::vector<std::string> kept = {"se conserva"};
    window.Memo1->AppendLines(kept);
    QVERIFY(window.close() == false);  // the close is turned into a hide
    QVERIFY(window.isHidden());
    QCOMPARE(window.Memo1->LineCount(), std::size_t{1});
  }
};

QTEST_MAIN(Busca2WindowTest)
#include "busca2_window_test.moc"
