// The backup window driven offscreen, and the batch commands run as a
// person would start them, without a display.
#include "navigation/backup_window.h"

#include <QProcess>
#include <QtTest>
#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "shell/batch_window.h"
#include "shell/launcher_window.h"
#include "support/deep_tree.h"
#include "support/qt_text_helpers.h"
#include "support/run_program.h"
#include "support/scripted_prompter.h"
#include "support/temp_tree.h"

using namespace zuruza;
using zuruza::testing::ScriptedPrompter;
using zuruza::testing::TempTree;

using zuruza::testing::ProgramRun;
using Env = std::vector<std::pair<std::string, std::optional<std::string>>>;

namespace {
using zuruza::testing::Q;

// Started as cron starts it: no display at all.
ProgramRun Batch(const std::vector<std::string>& parameters,
                 const Env& environment = {{"DISPLAY", std::nullopt},
                                           {"WAYLAND_DISPLAY", std::nullopt},
                                           {"QT_QPA_PLATFORM", std::nullopt}}) {
  return zuruza::testing::RunProgramBytes(qEnvironmentVariable("ZURUZA_TEST_BINARY").toStdString(),
                                          parameters, environment);
}

struct Run {
  int exit_code;
  QString errors;
};

Run RunProgram(const QStringList& parameters) {
  QProcess process;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.remove("DISPLAY");
  env.remove("WAYLAND_DISPLAY");
  env.remove("QT_QPA_PLATFORM");
  process.setProcessEnvironment(env);
  process.start(qEnvironmentVariable("ZURUZA_TEST_BINARY"), parameters);
  process.waitForFinished(30000);
  return {process.exitCode(), QString::fromUtf8(process.readAllStandardError())};
}
}  // namespace

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
    QCOMPARE(window_->Memo1->LineCount(), std::size_t{4});
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
    if (qEnvironmentVariableIsEmpty("ZURUZA_TEST_BINARY")) QSKIP("ZURUZA_TEST_BINARY not set");
    Run backup = RunProgram(
        {"/BACKUP", Q(tree_->Path("src")), Q(tree_->Path("copia")), Q(tree_->Path("informe.txt"))});
    QCOMPARE(backup.exit_code, 0);
    QCOMPARE(tree_->ReadFile("copia/a.txt"), std::string("1234"));
    QVERIFY(tree_->ReadFile("informe.txt").find(" \r\n2 ficheros copiados. (6 bytes)\r\n") !=
            std::string::npos);
    QVERIFY(!backup.errors.contains("Finalizado."));

    Run again = RunProgram(
        {"/backup", Q(tree_->Path("src")), Q(tree_->Path("copia")), Q(tree_->Path("informe.txt"))});
    QCOMPARE(again.exit_code, 0);
    QVERIFY(tree_->ReadFile("informe.txt") == " \r\n0 ficheros copiados. (0 bytes)\r\n");

    for (const QStringList& wrong :
         {QStringList{"/BACKUP", "a", "b"}, QStringList{"/BACKUP", "a", "b", "c", "d"},
          QStringList{"/BUSCA"}, QStringList{"fichero.txt"}}) {
      Run usage = RunProgram(wrong);
      QCOMPARE(usage.exit_code, 2);
      QVERIFY(usage.errors.contains(QString("Parametros detectados: %1\r\n").arg(wrong.size())));
      QVERIFY(usage.errors.contains(
          "VANTREX /BACKUP directorio_origen dir_destino fich_informe\r\n\r\nAVISO:"));
    }
    QVERIFY(!QFile::exists(Q(tree_->Path("copia/d/b.txt.tmp"))));
  }

  void BatchStartDirectoryThatCannotBeReadEndsWithOne() {
    if (qEnvironmentVariableIsEmpty("ZURUZA_TEST_BINARY")) QSKIP("ZURUZA_TEST_BINARY not set");
    const std::string missing = tree_->Path("nowhere");
    const std::string report = tree_->Path("informe.txt");
    const std::vector<std::string> commands[] = {
        {"/BUSCA", missing, "", "0", report},
        {"/REPES", missing, report, "0"},
        {"/BACKUP", missing, tree_->Path("copia"), report}};
    for (const std::vector<std::string>& command : commands) {
      ProgramRun run = Batch(command);
      QCOMPARE(run.exit_code, 1);
      QCOMPARE(run.errors, "No existe el directorio: " + missing + "/\n");
      QVERIFY(!QFile::exists(Q(report)));
    }
    QVERIFY(!QFile::exists(Q(tree_->Path("copia"))));
  }

  void BatchSkippedEntriesAreNamedAndEndWithThree() {
    if (qEnvironmentVariableIsEmpty("ZURUZA_TEST_BINARY")) QSKIP("ZURUZA_TEST_BINARY not set");
    tree_->AddDirectory("src/deep");
    QVERIFY(zuruza::testing::MakeDeepChain(tree_->Path("src/deep")));
    const std::string report = tree_->Path("informe.txt");
    ProgramRun search = Batch({"/BUSCA", tree_->Path("src"), "b.txt", "0", report});
    ProgramRun repes = Batch({"/REPES", tree_->Path("src"), tree_->Path("repes.txt"), "0"});
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
    if (qEnvironmentVariableIsEmpty("ZURUZA_TEST_BINARY")) QSKIP("ZURUZA_TEST_BINARY not set");
    ProgramRun run = Batch(
        {"/BACKUP", tree_->Path("src"), tree_->Path("src/d/copia"), tree_->Path("informe.txt")});
    QCOMPARE(run.exit_code, 1);
    QVERIFY(run.errors.find("dentro del directorio origen") != std::string::npos);
    QVERIFY(!QFile::exists(Q(tree_->Path("src/d/copia"))));
    QVERIFY(!QFile::exists(Q(tree_->Path("informe.txt"))));
  }

  void BatchParametersAreBytes() {
    if (qEnvironmentVariableIsEmpty("ZURUZA_TEST_BINARY")) QSKIP("ZURUZA_TEST_BINARY not set");
    tree_->AddFile("caf\xe9/t\xe9.txt", "x");
    const std::string report = tree_->Path("informe.txt");
    ProgramRun run = Batch({"/BUSCA", tree_->Path("caf\xe9"), "\xe9.", "0", report});
    QCOMPARE(run.exit_code, 0);
    QVERIFY(tree_->ReadFile("informe.txt")
                .starts_with(tree_->Path("caf\xe9/t\xe9.txt\r\n\r\nSe han encontrado 1 ")));
    run = Batch({"/BACKUP", tree_->Path("caf\xe9"), tree_->Path("copia\xf1"), report});
    QCOMPARE(run.exit_code, 0);
    QCOMPARE(tree_->ReadFile("copia\xf1/t\xe9.txt"), std::string("x"));
  }

  void BatchRunsWhateverTheDisplaySays() {
    if (qEnvironmentVariableIsEmpty("ZURUZA_TEST_BINARY")) QSKIP("ZURUZA_TEST_BINARY not set");
    // A display that does not answer (a stale session, say).
    int number = 93;
    while (QFile::exists(QString("/tmp/.X11-unix/X%1").arg(number))) ++number;
    Env silent = {{"DISPLAY", ":" + std::to_string(number)},
                  {"WAYLAND_DISPLAY", std::nullopt},
                  {"QT_QPA_PLATFORM", std::nullopt}};
    ProgramRun run = Batch(
        {"/BACKUP", tree_->Path("src"), tree_->Path("copia"), tree_->Path("informe.txt")}, silent);
    QCOMPARE(run.exit_code, 0);
    QCOMPARE(tree_->ReadFile("copia/d/b.txt"), std::string("12"));
    ProgramRun desktop = Batch({}, silent);  // the windows need a display
    QCOMPARE(desktop.exit_code, 1);
    QVERIFY(desktop.errors.starts_with("zuruza: no hay ninguna pantalla disponible"));
    QCOMPARE(std::count(desktop.errors.begin(), desktop.errors.end(), '\n'), 1);
  }

  void SuccessfulBatchWritesNothingOnStandardError() {
    if (qEnvironmentVariableIsEmpty("ZURUZA_TEST_BINARY")) QSKIP("ZURUZA_TEST_BINARY not set");
    // As cron starts it: no runtime directory; the offscreen platform chosen.
    Env cron = {{"DISPLAY", std::nullopt},
                {"XDG_RUNTIME_DIR", std::nullopt},
                {"QT_QPA_PLATFORM", "offscreen"}};
    const std::string report = tree_->Path("informe.txt");
    const std::vector<std::string> commands[] = {
        {"/BACKUP", tree_->Path("src"), tree_->Path("copia"), report},
        {"/BUSCA", tree_->Path("src"), "a", "0", report},
        {"/REPES", tree_->Path("src"), report, "0"}};
    for (const std::vector<std::string>& command : commands) {
      ProgramRun run = Batch(command, cron);
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
