// The backup window driven offscreen, and the batch commands run as a
// person would start them, without a display.
#include <QProcess>
#include <QtTest>

#include "app/batch.h"
#include "app/launcher.h"
#include "navigation/backup_window.h"
#include "support/scripted_prompter.h"
#include "support/temp_tree.h"

using namespace zuruza;
using zuruza::testing::ScriptedPrompter;
using zuruza::testing::TempTree;

namespace {
QString Q(const std::string& text) { return QString::fromStdString(text); }

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
    QCOMPARE(window_->StatusText(StatusBar::kStatusBar1Panel1), QString("Ficheros Procesados: 2 (6 bytes)"));
    QCOMPARE(window_->StatusText(StatusBar::kStatusBar2), QString("Copiando: " + Q(tree_->Path("src/d/")) + "b.txt (2bytes.)"));
    QVERIFY(window_->Button4->isEnabled());
    QVERIFY(!window_->Button1->isEnabled());
    QVERIFY(!window_->ListShown());
    window_->Button2->click();
    QVERIFY(window_->ListShown());
    window_->hide();
    window_->show();
    QVERIFY(!window_->ListShown());  // showing the window hides the list again
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
    Run backup = RunProgram({"/BACKUP", Q(tree_->Path("src")), Q(tree_->Path("copia")), Q(tree_->Path("informe.txt"))});
    QCOMPARE(backup.exit_code, 0);
    QCOMPARE(tree_->ReadFile("copia/a.txt"), std::string("1234"));
    QVERIFY(tree_->ReadFile("informe.txt").find(" \r\n2 ficheros copiados. (6 bytes)\r\n") != std::string::npos);
    QVERIFY(!backup.errors.contains("Finalizado."));

    Run again = RunProgram({"/backup", Q(tree_->Path("src")), Q(tree_->Path("copia")), Q(tree_->Path("informe.txt"))});
    QCOMPARE(again.exit_code, 0);
    QVERIFY(tree_->ReadFile("informe.txt") == " \r\n0 ficheros copiados. (0 bytes)\r\n");

    for (const QStringList& wrong : {QStringList{"/BACKUP", "a", "b"}, QStringList{"/BACKUP", "a", "b", "c", "d"},
                                     QStringList{"/BUSCA"}, QStringList{"fichero.txt"}}) {
      Run usage = RunProgram(wrong);
      QCOMPARE(usage.exit_code, 2);
      QVERIFY(usage.errors.contains(QString("Parametros detectados: %1\r\n").arg(wrong.size())));
      QVERIFY(usage.errors.contains("VANTREX /BACKUP directorio_origen dir_destino fich_informe\r\n\r\nAVISO:"));
    }
    QVERIFY(!QFile::exists(Q(tree_->Path("copia/d/b.txt.tmp"))));
  }

  void UsageTextHasItsSevenLines() {
    QStringList lines = BatchUsageText(3).split("\r\n");
    QCOMPARE(lines.size(), 7);
    QCOMPARE(lines[0], QString("Parametros detectados: 3"));
    QCOMPARE(lines[2], QString("VANTREX /BUSCA directorio str_a_buscar tamaño_min fich_salida"));
    QCOMPARE(lines[5], QString());
    QCOMPARE(lines[6], QString("AVISO: La ejecución por comandos es SILENCIOSA y tras hacer el trabajo finaliza el programa."));
  }

 private:
  bool batch_ = false;
  ScriptedPrompter prompter_;
  std::unique_ptr<TempTree> tree_;
  std::unique_ptr<TF_backup> window_;
};

QTEST_MAIN(BackupWindowTest)
#include "backup_window_test.moc"
