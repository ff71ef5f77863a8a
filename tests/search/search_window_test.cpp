// The search window driven as a person would, offscreen.
#include <QScreen>
#include <QtTest>

#include "app/qt_text.h"
#include "platform/testing/deep_tree.h"
#include "search/busca_window.h"
#include "shell/launcher_window.h"
#include "support/accessibility_check.h"
#include "support/qt_text_helpers.h"
#include "support/scripted_prompter.h"
#include "support/temp_tree.h"
#include "support/window_test_fixture.h"

using namespace zuruza;
using zuruza::testing::PaneLines;
using zuruza::testing::Q;
using zuruza::testing::ScriptedPrompter;
using zuruza::testing::TempTree;

class SearchWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    batch_ = false;
    window_ = std::make_unique<Tform_Busca>(&batch_);
    window_->set_prompter(&prompter_);
    prompter_ = ScriptedPrompter();
    tree_ = std::make_unique<TempTree>("sub/carta.doc=1234\nmapa.txt=12\n");
    window_->Edit6->setText(Q(tree_->root()));
    window_->Edit4->clear();
  }
  void cleanup() {
    window_.reset();
    tree_.reset();
  }

  void SearchFillsPaneStatusAndReportFile() {
    std::string root = tree_->root();
    window_->Edit6->setText(Q(root.substr(0, root.size() - 1)));  // no trailing separator
    window_->Edit1->setText("CARTA");
    window_->CheckBox4->setChecked(true);
    window_->CheckBox1->setChecked(true);
    window_->Edit2->setText(Q(tree_->Path("informe.txt")));
    window_->Button1->click();

    const std::string first = root + "sub/carta.doc (4 bytes)";
    QCOMPARE(window_->Memo1->Line(0), first);
    QCOMPARE(window_->StatusText(StatusBar::kStatusBar1),
             QString("Directorios/ficheros Examinados: 1/3"));
    QCOMPARE(window_->Edit6->text(), Q(root));
    QVERIFY(tree_->ReadFile("informe.txt").starts_with(first + "\r\n"));
    QVERIFY(prompter_.errors.empty());
  }

  void SecondSearchReplacesTheReportAndEnterStartsIt() {
    window_->Edit1->setText("mapa");
    window_->Button1->click();
    QCOMPARE(window_->Memo1->LineCount(), std::size_t{3});
    window_->Edit1->setText("carta");
    QTest::keyClick(window_->Edit1, Qt::Key_Return);
    QCOMPARE(window_->Memo1->Line(0), tree_->root() + "sub/carta.doc");
    QCOMPARE(window_->Memo1->LineCount(), std::size_t{3});
  }

  void InvalidDateShowsTheErrorAndKeepsTheLinesSoFar() {
    window_->Edit3->setText("32/13/2000");
    window_->Button1->click();
    QCOMPARE(prompter_.errors,
             std::vector<std::string>{"'32/13/2000' is not a valid date and time"});
    QCOMPARE(window_->Memo1->LineCount(), std::size_t{0});
    // The window takes a new search after the error.
    window_->Edit3->clear();
    window_->Button1->click();
    QCOMPARE(prompter_.errors.size(), std::size_t{1});
    QVERIFY(window_->Memo1->LineCount() > 0);
  }

  void SkippedEntriesAreToldInOneMessage() {
    tree_->AddDirectory("deep");
    QVERIFY(zuruza::testing::MakeDeepChain(tree_->Path("deep")));
    window_->Button1->click();
    zuruza::testing::RemoveDeep(tree_->Path("deep"));
    QCOMPARE(prompter_.messages.size(), std::size_t{1});
    const std::string& message = prompter_.messages[0];
    QVERIFY(message.rfind(
                "No se ha podido leer 1 entrada; se ha saltado:\r\n" + tree_->Path("deep/ddd"),
                0) == 0);
    QVERIFY(message.ends_with(" (Invalid filename)"));
    QVERIFY(window_->Memo1->Line(window_->Memo1->LineCount() - 1).starts_with("Se han encontrado"));
  }

  void NamesThatAreNotUtf8SurviveTheFields() {
    const std::string latin1 = tree_->Path("caf\xe9");
    tree_->AddFile("caf\xe9/t\xe9.txt", "x");
    window_->Edit6->setText(ToQt(latin1));
    window_->Edit1->setText(ToQt("\xe9."));
    QCOMPARE(FromQt(window_->Edit6->text()), latin1);
    QCOMPARE(FromQt(ToQt("a\xff\xc3\xa9\xed\xb2\x80z")), std::string("a\xff\xc3\xa9\xed\xb2\x80z"));
    QCOMPARE(ToQt("caf\xc3\xa9"), QString("café"));  // UTF-8 reads as ever
    window_->Button1->click();
    QCOMPARE(window_->Memo1->Line(0), latin1 + "/t\xe9.txt");
  }

  void DoubleClickOpensTheListedFileOnly() {
    std::vector<std::string> opened;
    window_->set_opener([&](const std::string& path) {
      opened.push_back(path);
      return true;
    });
    window_->Button1->click();
    std::vector<std::string> lines = PaneLines(*window_->Memo1);
    auto line_of = [&](const std::string& text) {
      return static_cast<std::size_t>(std::find(lines.begin(), lines.end(), text) - lines.begin());
    };
    window_->Memo1->SetCaret(line_of(tree_->root() + "mapa.txt"), 3);
    window_->Memo1DblClick();
    window_->Memo1->SetCaret(line_of(tree_->root() + "sub"), 0);  // a directory
    window_->Memo1DblClick();
    window_->Memo1->SetCaret(lines.size() - 1, 0);  // the totals
    window_->Memo1DblClick();
    QCOMPARE(opened, std::vector<std::string>{tree_->root() + "mapa.txt"});
  }

  void SaveWritesThePaneWithCrLfBetweenLines() {
    window_->Edit1->setText("mapa");
    window_->Button1->click();
    prompter_.dialog_answers = {tree_->Path("guardado.txt"), std::nullopt};
    window_->GrabarenFichero1Click();
    QCOMPARE(
        tree_->ReadFile("guardado.txt"),
        tree_->root() + "mapa.txt\r\n\r\nSe han encontrado 1 coincidencias. (           2 bytes.)");
    window_->GrabarenFichero1Click();  // cancelled: nothing happens
    QVERIFY(prompter_.errors.empty());
  }

  void ClosingHidesAndKeepsTheReport() {
    window_->show();
    window_->Button1->click();
    std::size_t lines = window_->Memo1->LineCount();
    window_->Salir1Click();
    QVERIFY(!window_->isVisible());
    ShowToolWindow(window_.get());
    QVERIFY(window_->isVisible());
    QCOMPARE(window_->Memo1->LineCount(), lines);
    QCOMPARE(window_->Edit6->text(), Q(tree_->root()));
  }

  void LauncherArmsBatchModeOnlyWithParameters() {
    TForm1 plain({});
    QVERIFY(!plain.BatchMode);
    QVERIFY(!plain.Timer1->isActive());
    TForm1 armed({"whatever"});
    QVERIFY(armed.BatchMode);
    QVERIFY(armed.Timer1->isActive());
    QCOMPARE(armed.Timer1->interval(), 2000);
    armed.Timer1->stop();
  }

  void LauncherShowsTheSameSearchWindowAndSitsBottomRight() {
    TForm1 launcher({});
    launcher.SetToolWindows({window_.get(), nullptr, nullptr});
    launcher.show();
    QCoreApplication::processEvents();
    QRect screen = launcher.screen()->geometry();
    QRect outer = launcher.frameGeometry();
    QCOMPARE(outer.x() + outer.width(), screen.width() - 1);
    QCOMPARE(outer.y() + outer.height(), screen.height() - 28);
    launcher.Busca1Click();
    QVERIFY(window_->isVisible());
    window_->Edit1->setText("kept");
    window_->hide();
    launcher.Busca1Click();
    QCOMPARE(window_->Edit1->text(), QString("kept"));
  }

  void EveryControlHasItsNameAndAnAccessibleName() {
    TForm1 launcher({});
    QCOMPARE(zuruza::testing::ControlsWithoutNames(&launcher), QStringList());
    QCOMPARE(zuruza::testing::ControlsWithoutNames(window_.get()), QStringList());
  }

  void BatchSearchRunsWithoutDisplayAndWritesTheReport() {
    ZURUZA_SKIP_WITHOUT_PROGRAM();
    zuruza::testing::ProgramRun run =
        zuruza::testing::RunZuruza({"/busca", tree_->root(), "mapa", "1", tree_->Path("out.txt")});
    QCOMPARE(run.exit_code, 0);
    QVERIFY(tree_->ReadFile("out.txt").starts_with(tree_->root() + "mapa.txt\r\n"));
  }

 private:
  bool batch_ = false;
  ScriptedPrompter prompter_;
  std::unique_ptr<Tform_Busca> window_;
  std::unique_ptr<TempTree> tree_;
};

QTEST_MAIN(SearchWindowTest)
#include "search_window_test.moc"
