// The backup window driven offscreen, and the batch commands run as a
// person would start them, without a display.
#include "navigation/backup_window.h"

#include <QtTest>
#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "platform/testing/deep_tree.h"
#include "shell/batch_window.h"
#include "shell/launcher_window.h"
#include "support/qt_text_helpers.h"
#include "support/scripted_prompter.h"
#include "support/temp_tree.h"
#include "support/window_test_fixture.h"

using namespace zuruza;
using zuruza::testing::ProgramRun;
using zuruza::testing::Q;
using zuruza::testing::RunZuruza;
using zuruza::testing::ScriptedPrompter;
using zuruza::testing::TempTree;

class BackupWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    tree_ = std::make_unique<TempTree>("src/a.txt=1234\nsrc/d/b.txt=12\n");
    window_ = std::make_unique<TF_backup>(&batch_);
    prompter_ = ScriptedPrompter();
    window_->set_prompter(&prompter_);
    window_->Edit1->setText(Q(tree_->Path("src")));
    window_->Edit2->setText(Q(tree_->Path("dst")));
  }
  void cleanup() {
    window_.reset();
    tree_.reset();
  }

  void CopyListsFilesAndShowsTheProgress() {
    window_->show();
    window_->Button4->click();
    QCOMPARE(prompter_.messages, std::vector<std::string>{"Finalizado."});
    QCOMPARE(tree_->ReadFile("dst/d/b.txt"), std::string("12"));
    QCOMPARE(window_->Memo1->Line(3), std::string("2 ficheros copiados. (6 bytes)"));
    QCOMPARE(window_->StatusText(StatusBar::kStatusBar1), QString("Directorios Procesados: 1 (d)"));
    QCOMPARE(window_->StatusText(StatusBar::kStatusBar1Panel1),
             QString("Ficheros Procesados: 2 (6 bytes)"));
    QCOMPARE(window_->StatusText(StatusBar::kStatusBar2),
             QString("Copiando: " + Q(tree_->Path("src/d/")) + "b.txt (2bytes.)"));
    QVERIFY(window_->Button4->isEnabled());
    QVERIFY(!window_->Button1->isEnabled());
    QVERIFY(!window_->ListShown());
    window_->Button2->click();
    QVERIFY(window_->ListShown());
    window_->hide();
    window_->show();
    QVERIFY(!window_->ListShown());  // showing the window hides the list again
  }

  // With a display the error box stays for the user, as with /BUSCA and /REPES:
  // the program does not end.
  void BatchCopyThatFailsWithADisplayStaysOpen() {
    batch_ = true;
    window_->Label8->setText(Q(tree_->Path("no/informe.txt")));
    QEventLoop loop;
    QTimer::singleShot(0, &loop, [&] {
      window_->Button4Click();
      QTimer::singleShot(0, &loop, [&] { loop.exit(-7); });
    });
    QCOMPARE(loop.exec(), -7);
    batch_ = false;
    QCOMPARE(prompter_.errors.size(), std::size_t{1});
    QVERIFY(window_->Button4->isEnabled());
  }

  void LauncherEnablesTheStartButtonEachTime() {
    TForm1 launcher({});
    launcher.SetToolWindows({nullptr, nullptr, window_.get()});
    window_->Button4->setEnabled(false);
    launcher.CopiaDirectoriosBackup1Click();
    QVERIFY(window_->Button4->isEnabled());
    QVERIFY(window_->isVisible());
  }

  void BatchCommandsRunWithoutDisplay() {
    ZURUZA_SKIP_WITHOUT_PROGRAM();
    ProgramRun backup = RunZuruza(
        {"/BACKUP", tree_->Path("src"), tree_->Path("copia"), tree_->Path("informe.txt")});
    QCOMPARE(backup.exit_code, 0);
    QCOMPARE(tree_->ReadFile("copia/a.txt"), std::string("1234"));
    QVERIFY(tree_->ReadFile("informe.txt").find(" \r\n2 ficheros copiados. (6 bytes)\r\n") !=
            std::string::npos);
    QVERIFY(backup.errors.find("Finalizado.") == std::string::npos);

    ProgramRun again = RunZuruza(
        {"/backup", tree_->Path("src"), tree_->Path("copia"), tree_->Path("informe.txt")});
    QCOMPARE(again.exit_code, 0);
    QVERIFY(tree_->ReadFile("informe.txt") == " \r\n0 ficheros copiados. (0 bytes)\r\n");

    const std::vector<std::string> wrong_commands[] = {
        {"/BACKUP", "a", "b"}, {"/BACKUP", "a", "b", "c", "d"}, {"/BUSCA"}, {"fichero.txt"}};
    for (const std::vector<std::string>& wrong : wrong_commands) {
      ProgramRun usage = RunZuruza(wrong);
      QCOMPARE(usage.exit_code, 2);
      QVERIFY(usage.errors.find("Parametros detectados: " + std::to_string(wrong.size()) +
                                "\r\n") != std::string::npos);
      QVERIFY(usage.errors.find("VANTREX /BACKUP directorio_origen dir_destino "
                                "fich_informe\r\n\r\nAVISO:") != std::string::npos);
    }
    QVERIFY(!QFile::exists(Q(tree_->Path("copia/d/b.txt.tmp"))));
  }

  void BatchStartDirectoryThatCannotBeReadEndsWithOne() {
    ZURUZA_SKIP_WITHOUT_PROGRAM();
    const std::string missing = tree_->Path("nowhere");
    const std::string report = tree_->Path("informe.txt");
    const std::vector<std::string> commands[] = {
        {"/BUSCA", missing, "", "0", report},
        {"/REPES", missing, report, "0"},
        {"/BACKUP", missing, tree_->Path("copia"), report}};
    for (const std::vector<std::string>& command : commands) {
      ProgramRun run = RunZuruza(command);
      QCOMPARE(run.exit_code, 1);
      QCOMPARE(run.errors, "No existe el directorio: " + missing + "/\n");
      QVERIFY(!QFile::exists(Q(report)));
    }
    QVERIFY(!QFile::exists(Q(tree_->Path("copia"))));
  }

  void BatchSkippedEntriesAreNamedAndEndWithThree() {
    ZURUZA_SKIP_WITHOUT_PROGRAM();
    tree_->AddDirectory("src/deep");
    QVERIFY(zuruza::testing::MakeDeepChain(tree_->Path("src/deep")));
    const std::string report = tree_->Path("informe.txt");
    ProgramRun search = RunZuruza({"/BUSCA", tree_->Path("src"), "b.txt", "0", report});
    ProgramRun repes = RunZuruza({"/REPES", tree_->Path("src"), tree_->Path("repes.txt"), "0"});
    zuruza::testing::RemoveDeep(tree_->Path("src/deep"));
    for (const ProgramRun& run : {search, repes}) {
      QCOMPARE(run.exit_code, 3);
      QVERIFY(run.errors.rfind("No se ha podido leer: " + tree_->Path("src/deep/ddd"), 0) == 0);
      QVERIFY(run.errors.ends_with(" (Invalid filename)\n"));
      QCOMPARE(std::count(run.errors.begin(), run.errors.end(), '\n'), 1);
    }
    QVERIFY(tree_->ReadFile("informe.txt").starts_with(tree_->Path("src/d/b.txt\r\n")));
  }

  void BatchDestinationInsideTheSourceEndsWithOne() {
    ZURUZA_SKIP_WITHOUT_PROGRAM();
    ProgramRun run = RunZuruza(
        {"/BACKUP", tree_->Path("src"), tree_->Path("src/d/copia"), tree_->Path("informe.txt")});
    QCOMPARE(run.exit_code, 1);
    QVERIFY(run.errors.find("dentro del directorio origen") != std::string::npos);
    QVERIFY(!QFile::exists(Q(tree_->Path("src/d/copia"))));
    QVERIFY(!QFile::exists(Q(tree_->Path("informe.txt"))));
  }

  void BatchParametersAreBytes() {
    ZURUZA_SKIP_WITHOUT_PROGRAM();
    tree_->AddFile("caf\xe9/t\xe9.txt", "x");
    const std::string report = tree_->Path("informe.txt");
    ProgramRun run = RunZuruza({"/BUSCA", tree_->Path("caf\xe9"), "\xe9.", "0", report});
    QCOMPARE(run.exit_code, 0);
    QVERIFY(tree_->ReadFile("informe.txt")
                .starts_with(tree_->Path("caf\xe9/t\xe9.txt\r\n\r\nSe han encontrado 1 ")));
    run = RunZuruza({"/BACKUP", tree_->Path("caf\xe9"), tree_->Path("copia\xf1"), report});
    QCOMPARE(run.exit_code, 0);
    QCOMPARE(tree_->ReadFile("copia\xf1/t\xe9.txt"), std::string("x"));
  }

  void BatchRunsWhateverTheDisplaySays() {
    ZURUZA_SKIP_WITHOUT_PROGRAM();
    // A display that does not answer (a stale session, say).
    int number = 93;
    while (QFile::exists(QString("/tmp/.X11-unix/X%1").arg(number))) ++number;
    zuruza::testing::Environment silent = {{"DISPLAY", ":" + std::to_string(number)},
                                           {"WAYLAND_DISPLAY", std::nullopt},
                                           {"QT_QPA_PLATFORM", std::nullopt}};
    ProgramRun run = RunZuruza(
        {"/BACKUP", tree_->Path("src"), tree_->Path("copia"), tree_->Path("informe.txt")}, silent);
    QCOMPARE(run.exit_code, 0);
    QCOMPARE(tree_->ReadFile("copia/d/b.txt"), std::string("12"));
    ProgramRun desktop = RunZuruza({}, silent);  // the windows need a display
    QCOMPARE(desktop.exit_code, 1);
    QVERIFY(desktop.errors.starts_with("zuruza: no hay ninguna pantalla disponible"));
    QCOMPARE(std::count(desktop.errors.begin(), desktop.errors.end(), '\n'), 1);
  }

  void SuccessfulBatchWritesNothingOnStandardError() {
    ZURUZA_SKIP_WITHOUT_PROGRAM();
    // As cron starts it: no runtime directory; the offscreen platform chosen.
    zuruza::testing::Environment cron = {{"DISPLAY", std::nullopt},
                                         {"XDG_RUNTIME_DIR", std::nullopt},
                                         {"QT_QPA_PLATFORM", "offscreen"}};
    const std::string report = tree_->Path("informe.txt");
    const std::vector<std::string> commands[] = {
        {"/BACKUP", tree_->Path("src"), tree_->Path("copia"), report},
        {"/BUSCA", tree_->Path("src"), "a", "0", report},
        {"/REPES", tree_->Path("src"), report, "0"}};
    for (const std::vector<std::string>& command : commands) {
      ProgramRun run = RunZuruza(command, cron);
      QCOMPARE(run.exit_code, 0);
      QCOMPARE(run.errors, std::string());
    }
  }

  void UsageTextHasItsSevenLines() {
    QStringList lines = BatchUsageText(3).split("\r\n");
    QCOMPARE(lines.size(), 7);
    QCOMPARE(lines[0], QString("Parametros detectados: 3"));
    QCOMPARE(lines[2], QString("VANTREX /BUSCA directorio str_a_buscar tamaño_min fich_salida"));
    QCOMPARE(lines[5], QString());
    QCOMPARE(lines[6], QString("AVISO: La ejecución por comandos es SILENCIOSA y tras hacer el "
                               "trabajo finaliza el programa."));
  }

 private:
  bool batch_ = false;
  ScriptedPrompter prompter_;
  std::unique_ptr<TempTree> tree_;
  std::unique_ptr<TF_backup> window_;
};

QTEST_MAIN(BackupWindowTest)
#include "backup_window_test.moc"
