// The occupancy and comparator windows driven offscreen.
#include "analysis/disco_window.h"

#include <QAccessible>
#include <QtTest>

#include "analysis/repes_window.h"
#include "app/status_label.h"
#include "navigation/backup_window.h"
#include "search/busca_window.h"
#include "support/accessibility_check.h"
#include "support/qt_text_helpers.h"
#include "support/scripted_prompter.h"
#include "support/temp_tree.h"
#include "transform/cifrar_window.h"
#include "transform/fragment_window.h"

using namespace zuruza;
using zuruza::testing::Q;
using zuruza::testing::ScriptedPrompter;
using zuruza::testing::TempTree;

class DiscoWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void OccupancyFillsThePaneAndStatus() {
    TempTree tree("d/a/x=12345\nd/b/\n");
    Tform_disco window;
    window.Edit1->setText(Q(tree.Path("d")));
    window.Button1->click();
    QCOMPARE(window.Memo1->Line(0), std::string("|a                          5"));
    QCOMPARE(window.Memo1->Line(4),
             "La ocupación de " + tree.Path("d/") + " es:               5 bytes.");
    QCOMPARE(window.StatusText(StatusBar::kStatusBar1), QString("Directorios Examinados: 2 (b)"));
    window.show();
    window.resize(700, 500);
    QCoreApplication::processEvents();
    QCOMPARE(window.pos(), QPoint(0, 0));
  }

  void SaveItemIsNamedAfterItsCaption() {
    Tform_disco disco;
    TForm_comp comp;
    for (auto [window, name, caption] : {std::tuple<QMainWindow*, const char*, const char*>{
                                             &disco, "GrabarFichero1", "Grabar Fichero"},
                                         {&comp, "GrabarenFichero1", "Grabar en Fichero"}}) {
      auto* item = window->findChild<QAction*>(name);
      QVERIFY2(item, name);
      QCOMPARE(item->text(), QString(caption));
    }
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
    QCOMPARE(prompter.messages,
             std::vector<std::string>{"Se han encontrado 1 archivos diferentes."});
    QCOMPARE(window.StatusText(StatusBar::kStatusBar1), QString("Archivos Examinados: 2 (y)"));
  }

  void LongStatusNeverWidensAWindow() {
    bool batch = false;
    Tform_disco disco;
    TForm_comp comp;
    TForm_repes repes(&batch);
    TF_backup backup(&batch);
    TF_cifrado cipher;
    Tform_Fragment splitter;
    const QString status = "Copiando: /" + QString("carpeta/").repeated(50);
    for (QMainWindow* window :
         std::initializer_list<QMainWindow*>{&disco, &comp, &repes, &backup, &cipher, &splitter}) {
      window->show();
      QVERIFY(QTest::qWaitForWindowExposed(window));
      const QSize size = window->size();
      for (StatusBar bar :
           {StatusBar::kStatusBar1, StatusBar::kStatusBar2, StatusBar::kStatusBar1Panel1}) {
        dynamic_cast<ReportSink*>(window)->SetStatus(bar, status.toStdString());
      }
      QCoreApplication::processEvents();
      QVERIFY2(window->minimumSizeHint().width() <= size.width(), qPrintable(window->objectName()));
      QCOMPARE(window->size(), size);
      for (StatusLabel* panel : window->findChildren<StatusLabel*>()) {
        QCOMPARE(panel->text(), status);  // kept whole, shown elided
        QCOMPARE(panel->toolTip(), status);
        QCOMPARE(panel->accessibleDescription(), status);
      }
    }
  }

  void ReportPathFieldHasRoomForATypicalPath() {
    bool batch = false;
    Tform_disco disco;
    TForm_comp comp;
    TForm_repes repes(&batch);
    Tform_Busca busca(&batch);
    for (ReportWindow* window :
         std::initializer_list<ReportWindow*>{&disco, &comp, &repes, &busca}) {
      window->show();
      QVERIFY(QTest::qWaitForWindowExposed(window));
      const int room =
          window->Edit2->fontMetrics().horizontalAdvance("/home/usuario/informes/ccc.tmp");
      QVERIFY2(window->Edit2->width() > room, qPrintable(window->objectName()));
    }
  }

  void FirstShowIsAtTheDesignedPlace() {
    Tform_disco disco;
    TForm_comp comp;
    for (auto [window, place] : {std::pair<QWidget*, QPoint>{&disco, {0, 0}}, {&comp, {20, 20}}}) {
      // Placed by the program before the first show, so the window manager
      // neither centres nor cascades it.
      QVERIFY(window->testAttribute(Qt::WA_Moved));
      window->show();
      QVERIFY(QTest::qWaitForWindowExposed(window));
      QCOMPARE(window->pos(), place);
    }
  }

  void StatusIsReadThroughAccessibility() {
    bool batch = false;
    Tform_disco disco;
    TForm_repes repes(&batch);
    TF_backup backup(&batch);
    for (QMainWindow* window : std::initializer_list<QMainWindow*>{&disco, &repes, &backup}) {
      dynamic_cast<ReportSink*>(window)->SetStatus(StatusBar::kStatusBar1,
                                                   "Directorios Examinados: 3 (b)");
      QAccessibleInterface* panel =
          QAccessible::queryAccessibleInterface(window->statusBar()->findChild<StatusLabel*>());
      QCOMPARE(panel->text(QAccessible::Name), QString("Directorios Examinados: 3 (b)"));
    }
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
