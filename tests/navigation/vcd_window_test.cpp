// The change-directory window driven offscreen over a temporary "drive",
// with its cache in a temporary directory.
#include "navigation/vcd_window.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QtTest>
#include <memory>

#include "platform/fs.h"
#include "platform/paths.h"
#include "support/accessibility_check.h"
#include "support/qt_text_helpers.h"
#include "support/scripted_prompter.h"
#include "support/temp_tree.h"

using namespace zuruza;
using zuruza::testing::Q;
using zuruza::testing::ScriptedPrompter;
using zuruza::testing::TempTree;
using Lines = std::vector<std::string>;

class VcdWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    cache_ = std::make_unique<TempTree>();
    qputenv("XDG_CACHE_HOME", QByteArray::fromStdString(cache_->root()));
    drive_ = std::make_unique<TempTree>(
        "Proyectos/zuruza/\nFotos/2023/\nMusica/\ndocs/Proyectos viejos/\nFotos/a.jpg\n");
    base_ = EntryBase(drive_->root());
    window_ = std::make_unique<Tform_vcd>();
    prompter_ = ScriptedPrompter();
    opened_.clear();
    window_->set_prompter(&prompter_);
    window_->set_opener([this](const std::string& path) {
      opened_.push_back(path);
      return true;
    });
    window_->SetDriveForTesting(drive_->root());
  }
  void cleanup() {
    window_.reset();
    drive_.reset();
    cache_.reset();
  }

  void StartsWithTheInvitationAndNoTree() {
    QCOMPARE(window_->windowTitle(), QString("VCD (Vantrex Change Directory)"));
    QCOMPARE(window_->objectName(), QString("form_vcd"));
    QCOMPARE(window_->Edit1->text(), QString("Escriba el Directorio a Buscar"));
    QVERIFY(window_->tree().empty());  // no cache yet, and no walk until needed
    QCOMPARE(window_->ListBox1->count(), 0);
    QCOMPARE(window_->DriveComboBox1->count(), 1);
    QCOMPARE(window_->DriveComboBox1->currentText(), Q(base_));
  }

  void TypingAndVcdOpensTheFirstMatch() {
    window_->Edit1->setText("proy");
    window_->Button1->click();
    QCOMPARE(opened_, Lines{base_ + "/Proyectos"});
    QCOMPARE(window_->StatusText(), Q(base_ + "/Proyectos"));
    QCOMPARE(window_->ListBox1->count(), 7);
    // The walk left its cache behind.
    QVERIFY(IsExistingFile(CacheFilePath(drive_->root())));

    window_->show();
    window_->Edit1->clear();
    QTest::keyClicks(window_->Edit1, "zuru");
    QTest::keyClick(window_->Edit1, Qt::Key_Return);
    QCOMPARE(opened_, (Lines{base_ + "/Proyectos", base_ + "/Proyectos/zuruza"}));
    QVERIFY(prompter_.messages.empty());
  }

  void NoMatchShowsAMessage() {
    window_->Edit1->setText("Nada");
    window_->Button1->click();
    QCOMPARE(prompter_.messages, Lines{"No hay directorios que contengan 'Nada'"});
    QVERIFY(opened_.empty());
    QCOMPARE(window_->Selected(), -1);
  }

  void AVanishedDirectoryIsNotOpened() {
    window_->ReconstruyeArbol1->trigger();
    QVERIFY(QDir(Q(drive_->Path("Musica"))).removeRecursively());
    window_->Edit1->setText("musica");
    window_->Button1->click();
    QVERIFY(opened_.empty());
    QCOMPARE(prompter_.messages,
             Lines{"El directorio " + base_ + "/Musica ya no existe. Use \"Reconstruye Arbol\"."});
  }

  void ArrowsStepThroughTheMatches() {
    window_->show();
    window_->Edit1->setText("proy");
    // Entries: Fotos, Fotos/2023, Musica, Proyectos, Proyectos/zuruza, docs, docs/Proyectos viejos.
    QTest::keyClick(window_->Edit1, Qt::Key_Right);
    QCOMPARE(window_->Selected(), 3);
    QCOMPARE(window_->StatusText(), Q(base_ + "/Proyectos"));
    QTest::keyClick(window_->Edit1, Qt::Key_Down);
    QCOMPARE(window_->Selected(), 6);
    QTest::keyClick(window_->Edit1, Qt::Key_Right);
    QCOMPARE(window_->Selected(), 3);
    QTest::keyClick(window_->Edit1, Qt::Key_Left);
    QCOMPARE(window_->Selected(), 6);
    QTest::keyClick(window_->Edit1, Qt::Key_Up);
    QCOMPARE(window_->Selected(), 3);
    window_->Button4->click();
    QCOMPARE(window_->Selected(), 6);
    window_->Button3->click();
    QCOMPARE(window_->Selected(), 3);
    QCOMPARE(window_->Edit1->text(), QString("proy"));  // the arrows do not move the caret's text

    // Enter opens the selected one; editing the text starts again from the top.
    QTest::keyClick(window_->Edit1, Qt::Key_Return);
    QCOMPARE(opened_, Lines{base_ + "/Proyectos"});
    QTest::keyClick(window_->Edit1, Qt::Key_End);  // the arrows moved the caret
    QTest::keyClicks(window_->Edit1, "ectos v");
    QCOMPARE(window_->Selected(), -1);
    QTest::keyClick(window_->Edit1, Qt::Key_Return);
    QCOMPARE(opened_, (Lines{base_ + "/Proyectos", base_ + "/docs/Proyectos viejos"}));
  }

  void ArrowsAlsoMoveTheCaret() {
    window_->show();
    window_->Edit1->setText("proy");
    window_->Edit1->setCursorPosition(2);
    QTest::keyClick(window_->Edit1, Qt::Key_Left);
    QCOMPARE(window_->Selected(), 6);
    QCOMPARE(window_->Edit1->cursorPosition(), 1);
    QTest::keyClick(window_->Edit1, Qt::Key_Right);
    QCOMPARE(window_->Selected(), 3);
    QCOMPARE(window_->Edit1->cursorPosition(), 2);
  }

  void NothingFoundClearsTheSelection() {
    window_->Edit1->setText("2023");
    window_->Button3->click();
    QCOMPARE(window_->Selected(), 1);
    window_->Edit1->setText("zzz");
    window_->Button3->click();
    QCOMPARE(window_->Selected(), -1);
  }

  void DoubleClickOnTheListOpensIt() {
    window_->VerArbol1->trigger();
    window_->ListBox1->setCurrentRow(2);
    emit window_->ListBox1->itemDoubleClicked(window_->ListBox1->item(2));
    QCOMPARE(opened_, Lines{base_ + "/Musica"});
  }

  void VerArbolShowsTheListAndTheHeight() {
    window_->show();
    QVERIFY(!window_->ListBox1->isVisible());
    QCOMPARE(window_->width(), 435);
    const int compact = window_->CompactHeight();
    QVERIFY(compact >= 90);
    QVERIFY(compact < 300);
    QCOMPARE(window_->height(), compact);

    window_->VerArbol1->trigger();  // the list is empty: it is built first
    QVERIFY(window_->VerArbol1->isChecked());
    QVERIFY(window_->ListBox1->isVisible());
    QCOMPARE(window_->ListBox1->count(), 7);
    QCOMPARE(window_->ListBox1->item(0)->text(), Q(base_ + "/Fotos"));
    QCOMPARE(window_->height(), 300);
    QCOMPARE(window_->width(), 435);
    QCOMPARE(window_->StatusText(), QString("Se han examinado 7 directorios"));

    window_->VerArbol1->trigger();
    QVERIFY(!window_->ListBox1->isVisible());
    QCOMPARE(window_->height(), compact);
  }

  void ThePositionItemTogglesItsCaption() {
    QCOMPARE(window_->Posicion1->text(), QString("Posición en Pantalla: Abajo"));
    window_->Posicion1->trigger();
    QCOMPARE(window_->Posicion1->text(), QString("Posición en Pantalla: Arriba"));
    window_->Posicion1->trigger();
    QCOMPARE(window_->Posicion1->text(), QString("Posición en Pantalla: Abajo"));
  }

  void CortarPutsTheStatusOnTheClipboard() {
    window_->Edit1->setText("fotos");
    window_->Button3->click();
    QCOMPARE(window_->StatusText(), Q(base_ + "/Fotos"));
    QGuiApplication::clipboard()->clear();
    window_->Cortar1->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), Q(base_ + "/Fotos"));
    QCOMPARE(window_->Cortar1->shortcut(), QKeySequence("Ctrl+C"));
  }

  void CtrlCInTheTextCopiesTheStatus() {
    window_->show();
    QApplication::setActiveWindow(window_.get());
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
    window_->Edit1->setText("musica");
    window_->Button3->click();
    window_->Edit1->selectAll();
    QGuiApplication::clipboard()->clear();
    QTest::keyClick(window_->Edit1, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), Q(base_ + "/Musica"));
  }

  void RebuildWritesTheCacheAndADriveChangeReadsIt() {
    window_->ReconstruyeArbol1->trigger();
    QCOMPARE(window_->StatusText(), QString("Se han examinado 7 directorios"));
    QVERIFY(IsExistingFile(CacheFilePath(drive_->root())));

    // A cache written elsewhere is what the window shows, without a walk.
    cache_->AddFile("zuruza/vcd/" + CacheFileName(drive_->root()), "/x/uno\r\n\r\n/x/dos\r\n");
    window_->SetDriveForTesting(drive_->root());
    QCOMPARE(window_->ListBox1->count(), 2);
    QCOMPARE(window_->Selected(), -1);
  }

  void AnUnreadableCacheIsReported() {
    cache_->AddDirectory("zuruza/vcd/" + CacheFileName(drive_->root()));
    window_->SetDriveForTesting(drive_->root());
    QCOMPARE(prompter_.errors.size(), std::size_t{1});
    QVERIFY(window_->tree().empty());
  }

  void ClosingAndSalirHide() {
    window_->show();
    window_->Edit1->setText("fotos");
    window_->Button3->click();
    window_->close();
    QVERIFY(!window_->isVisible());
    window_->show();
    QCOMPARE(window_->Selected(), 0);  // everything is kept
    window_->Salir1->trigger();
    QVERIFY(!window_->isVisible());
  }

  void HelpOpensTheHelpFile() {
    window_->DelaAplicacin1->trigger();
    if (prompter_.errors.empty()) {
      QCOMPARE(opened_.size(), std::size_t{1});
      QVERIFY(opened_[0].ends_with("ayuda.html"));
    } else {
      QVERIFY(opened_.empty());
      QVERIFY(prompter_.errors[0].starts_with("No se encuentra el fichero de ayuda: "));
    }
  }

  void ButtonsAreReadByTheirCaptions() {
    for (QPushButton* button : {window_->Button1, window_->Button4, window_->Button3}) {
      QCOMPARE(button->accessibleName(), button->text());
    }
  }

  void EveryInputControlHasAnAccessibleName() {
    QCOMPARE(zuruza::testing::ControlsWithoutNames(window_.get()), QStringList());
    for (const char* name :
         {"Button1", "Button4", "Button3", "Edit1", "DriveComboBox1", "ListBox1", "StatusBar1"})
      QVERIFY2(window_->findChild<QWidget*>(name) != nullptr, name);
    for (const char* name :
         {"ReconstruyeArbol1", "VerArbol1", "Posicion1", "Cortar1", "Salir1", "DelaAplicacin1"})
      QVERIFY2(window_->findChild<QAction*>(name) != nullptr, name);
  }

 private:
  ScriptedPrompter prompter_;
  Lines opened_;
  std::string base_;
  std::unique_ptr<TempTree> cache_;
  std::unique_ptr<TempTree> drive_;
  std::unique_ptr<Tform_vcd> window_;
};

QTEST_MAIN(VcdWindowTest)
#include "vcd_window_test.moc"
