// The column merger window driven offscreen.
#include "transform/mezcla_window.h"

#include <QtTest>

#include "support/accessibility_check.h"
#include "support/qt_text_helpers.h"
#include "support/scripted_prompter.h"
#include "support/temp_tree.h"

using namespace zuruza;
using zuruza::testing::Q;
using zuruza::testing::ScriptedPrompter;
using zuruza::testing::TempTree;

class MezclaWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void MergesTheChosenFiles() {
    TempTree tree;
    tree.AddFile("uno.txt", "7;Ana\r\n9;Luis\r\n");
    tree.AddFile("dos.txt", "7;Madrid\r\n");
    TF_mezclar window;
    ScriptedPrompter prompter;
    window.set_prompter(&prompter);
    prompter.dialog_answers = {tree.Path("uno.txt"), std::nullopt};
    window.Button2->click();
    window.Button3->click();  // cancelled: the field keeps its text
    window.Edit2->setText(Q(tree.Path("dos.txt")));
    window.Edit3->setText(Q(tree.Path("out.txt")));
    window.Edit4->setText("1");
    window.Edit5->setText("1");
    window.Button1->click();
    QCOMPARE(window.Edit1->text(), Q(tree.Path("uno.txt")));
    QCOMPARE(tree.ReadFile("out.txt"), std::string("7;Ana;7;Madrid\r\n9;Luis\r\n"));
    QCOMPARE(prompter.messages, std::vector<std::string>{"HECHO. Ficheros mezclados."});

    window.Edit4->setText("uno");
    window.Button1->click();
    QCOMPARE(prompter.errors, std::vector<std::string>{"'uno' is not a valid integer value"});
  }

  void NamesEveryControl() {
    TF_mezclar window;
    QStringList missing = zuruza::testing::ControlsWithoutNames(&window);
    QVERIFY2(missing.isEmpty(), qPrintable(missing.join(", ")));
    QCOMPARE(window.Edit6->text(), QString(";"));
  }
};

QTEST_MAIN(MezclaWindowTest)
#include "mezcla_window_test.moc"
