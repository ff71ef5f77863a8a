// The occupancy and comparator windows driven offscreen.
#include <QtTest>

#include "accessibility_check.h"
#include "analysis/disco_window.h"
#include "navigation/backup_window.h"
#include "analysis/repes_window.h"
#include "support/scripted_prompter.h"
#include "support/temp_tree.h"

using namespace zuruza;
using zuruza::testing::ScriptedPrompter;
using zuruza::testing::TempTree;

namespace {
QString Q(const std::string& text) { return QString::fromStdString(text); }
}  // namespace

class DiscoWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void OccupancyFillsThePaneAndStatus() {
    TempTree tree("d/a/x=12345\nd/b/\n");
    Tform_disco window;
    window.Edit1->setText(Q(tree.Path("d")));
    window.Button1->click();
    QCOMPARE(window.Memo1->Line(0), std::string("|a                          5"));
    QCOMPARE(window.Memo1->Line(4), "La ocupación de " + tree.Path("d/") + " es:               5 bytes.");
    QCOMPARE(window.StatusText(StatusBar::kStatusBar1), QString("Directorios Examinados: 2 (b)"));
    window.show();
    window.resize(700, 500);
    QCoreApplication::processEvents();
    QCOMPARE(window.pos(), QPoint(0, 0));
  }

  void ComparatorListsDifferencesAndSaysHowMany() {
    TempTree tree("a/x=1\na/y=22\nb/x=1\n");
    TForm_comp window;
    ScriptedPrompter prompter;
    window.set_prompter(&prompter);
    window.Edit1->setText(Q(tree.Path("a")));
    window.Edit3->setText(Q(tree.Path("b")));
    window.Button1->click();
    QCOMPARE(window.Memo1->LineCount(), std::size_t{2});
    QCOMPARE(window.Memo1->Line(1), tree.Path("a/y"));
    QCOMPARE(prompter.messages, std::vector<std::string>{"Se han encontrado 1 archivos diferentes."});
    QCOMPARE(window.StatusText(StatusBar::kStatusBar1), QString("Archivos Examinados: 2 (y)"));
  }

  void EveryWindowNamesItsControls() {
    bool batch = false;
    Tform_disco disco;
    TForm_comp comp;
    TForm_repes repes(&batch);
    TF_backup backup(&batch);
    for (QWidget* window : std::initializer_list<QWidget*>{&disco, &comp, &repes, &backup}) {
      QStringList missing = zuruza::testing::ControlsWithoutNames(window);
      QVERIFY2(missing.isEmpty(), qPrintable(window->objectName() + ": " + missing.join(", ")));
    }
  }
};

QTEST_MAIN(DiscoWindowTest)
#include "disco_window_test.moc"
