// The launcher's own tools (columniser, change of date, About box) and the
// logo window, driven offscreen.
#include <stdlib.h>
#include <time.h>

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QtTest>

#include "app/about_window.h"
#include "app/application.h"
#include "platform/fs.h"
#include "platform/testing/environment.h"
#include "shell/launcher_window.h"
#include "support/accessibility_check.h"
#include "support/scripted_prompter.h"
#include "support/temp_tree.h"

using namespace zuruza;
using zuruza::testing::ScriptedPrompter;
using zuruza::testing::TempTree;

// Records a request to end the application.
class QuitWatch : public QObject {
 public:
  bool quit_seen = false;
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Quit) quit_seen = true;
    return false;
  }
};

class LauncherToolsTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    Q_INIT_RESOURCE(zuruza);
    ::zuruza::testing::SetEnv("TZ", "UTC");
    tzset();
  }

  void ColumniserAsksThenWritesBesideTheInput() {
    TempTree tree;
    tree.AddFile("datos.txt", "a=1\r\nb=2\r\na=3\r\n");
    TForm1 launcher({});
    ScriptedPrompter prompter;
    launcher.set_prompter(&prompter);
    prompter.input_answers = {std::nullopt, tree.Path("datos.txt"), std::string("")};
    launcher.EncolumnaFicheros1Click();
    QCOMPARE(prompter.prompts.size(), std::size_t{3});
    QCOMPARE(prompter.messages.back(),
             "Se ha generado el fichero: " + tree.Path("datos.txt") + ".sal");
    QCOMPARE(tree.ReadFile("datos.txt.sal"),
             std::string("a=;b=;\r\n\"1\";\"2\";\r\n\"3\";\"\";\r\n"));
  }

  void ChangeDateOfferTheFilesDateAndSetsMidnight() {
    TempTree tree("f.txt=x\n");
    tree.SetWriteTime("f.txt", 981195630);  // 03/02/2001 10:20:30
    TForm1 launcher({});
    ScriptedPrompter prompter;
    launcher.set_prompter(&prompter);
    prompter.dialog_answers = {tree.Path("f.txt")};
    prompter.input_answers = {std::nullopt};  // Cancel keeps the offered date
    launcher.CambiarFechaaficherosdeundirectorio1Click();
    QCOMPARE(StatPath(tree.Path("f.txt"))->write_time, 981158400LL * 1'000'000'000);

    prompter.dialog_answers = {tree.Path("f.txt")};
    prompter.input_answers = {std::string("31/02/2001")};
    launcher.CambiarFechaaficherosdeundirectorio1Click();
    QCOMPARE(prompter.errors, std::vector<std::string>{"'31/02/2001' is not a valid date"});
    launcher.CambiarFechaaficherosdeundirectorio1Click();  // the dialog cancelled: nothing
    QCOMPARE(prompter.errors.size(), std::size_t{1});
  }

  void AboutBoxShowsOneLogoEitherAboutHalfTheTime() {
    TAboutBox box;
    std::vector<std::string> opened;
    box.set_opener([&](const std::string& url) {
      opened.push_back(url);
      return true;
    });
    int first = 0;
    for (int i = 0; i < 400; ++i) {
      box.FormActivate();
      QVERIFY(box.Image1->isVisibleTo(&box) != box.Image2->isVisibleTo(&box));
      first += box.ShownLogo() == 1;
    }
    QVERIFY2(first > 120 && first < 280, qPrintable(QString::number(first)));
    box.Label1Click();
    QCOMPARE(opened, std::vector<std::string>{kWebAddress});
    QCOMPARE(box.Image1->pixmap().size(), QSize(296, 113));
    QCOMPARE(box.Image2->pixmap().size(), QSize(283, 103));
  }

  void LogosAreNamed() {
    TAboutBox box;
    Tlogoform logo;
    QCOMPARE(testing::ControlsWithoutNames(&box), QStringList());
    QCOMPARE(testing::ControlsWithoutNames(&logo), QStringList());
  }

  // The launcher is a tool window: closing the About box over it, by its
  // button or by Escape, must not count as closing the last window.
  void ClosingTheAboutBoxReturnsToTheLauncher_data() {
    QTest::addColumn<bool>("by_escape");
    QTest::newRow("Cerrar") << false;
    QTest::newRow("Escape") << true;
  }

  void ClosingTheAboutBoxReturnsToTheLauncher() {
    QFETCH(bool, by_escape);
    TForm1 launcher({});
    TAboutBox box;
    launcher.SetToolWindows({.AboutBox = &box});
    launcher.show();
    QuitWatch watch;
    qApp->installEventFilter(&watch);
    QTimer::singleShot(0, &launcher, [&] {
      QTimer::singleShot(0, &box, [&] {
        if (by_escape) {
          QTest::keyClick(&box, Qt::Key_Escape);
        } else {
          box.OKButton->click();
        }
      });
      launcher.Acercade1Click();
      QCoreApplication::sendPostedEvents(qApp, QEvent::Quit);
      QApplication::exit(7);
    });
    QCOMPARE(QApplication::exec(), 7);
    qApp->removeEventFilter(&watch);
    QVERIFY(!watch.quit_seen);
    QVERIFY(launcher.isVisible());
    QVERIFY(!box.isVisible());
  }

  void LauncherIsSizedByItsFrameAndRoomyForItsTitle() {
    TForm1 launcher({});
    launcher.show();
    QCoreApplication::processEvents();
    QFont title_font = launcher.font();
    title_font.setBold(true);
    QCOMPARE(launcher.frameGeometry().height(), 43);
    QVERIFY(launcher.frameGeometry().width() >
            QFontMetrics(title_font).horizontalAdvance("Zuruza by Vantrex"));
  }

  void QtDialogsSpeakSpanishAndSaveBesideTheFieldOrAtHome() {
    LoadQtSpanish();
    QDialogButtonBox buttons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QCOMPARE(buttons.button(QDialogButtonBox::Cancel)->text(), QString("Cancelar"));
    QTemporaryDir temp;
    const QString here = QDir(temp.path()).canonicalPath();
    const struct {
      QString near, folder, name;
    } cases[] = {{"", QDir::homePath(), ""},
                 {here + "/informe.txt", here, "informe.txt"},
                 {here, here, ""},
                 {here + "/no/existe/informe.txt", QDir::homePath(), "informe.txt"},
                 {"informe.txt", QDir::homePath(), "informe.txt"}};
    for (const auto& c : cases) {
      QString folder, name;
      QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        folder = dialog->directory().absolutePath();
        const QStringList selected = dialog->selectedFiles();
        name = selected.isEmpty() || QFileInfo(selected.first()).isDir()
                   ? QString()
                   : QFileInfo(selected.first()).fileName();
        dialog->reject();
      });
      QtPrompter(nullptr).SaveFileDialog("Ficheros de Texto|*.txt", ".txt", c.near.toStdString());
      QCOMPARE(folder, c.folder);
      QCOMPARE(name, c.name);
    }
  }

  void LogoWindowIsTheLogoWithTheTitleOverItsLowerPart() {
    Tlogoform logo;
    QCOMPARE(logo.size(), logo.Image1->size());
    QVERIFY(logo.size() == QSize(296, 113) || logo.size() == QSize(283, 103));
    QCOMPARE(logo.Label2->text(), QString("Vavezevuva by Vantrex"));
    QCOMPARE(logo.Label2->y(),
             logo.Image1->height() - static_cast<int>(logo.Label2->height() * 1.5));
  }
};

QTEST_MAIN(LauncherToolsTest)
#include "launcher_tools_test.moc"
