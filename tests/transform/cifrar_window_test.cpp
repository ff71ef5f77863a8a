// The cipher window driven offscreen: both halves, the key prompts, the
// status bar, the recent names of a directory run and its names for
// assistive technology.
#include "transform/cifrar_window.h"

#include <QFrame>
#include <QLabel>
#include <QMenuBar>
#include <QtTest>
#include <functional>
#include <memory>

#include "app/window_kit.h"
#include "support/accessibility_check.h"
#include "support/qt_text_helpers.h"
#include "support/scripted_prompter.h"
#include "support/temp_tree.h"

using namespace zuruza;
using zuruza::testing::Q;
using zuruza::testing::ScriptedPrompter;
using zuruza::testing::TempTree;

namespace {
using Strings = std::vector<std::string>;

// Each byte shifted by twice its key byte, the key restarting every 50000.
std::string Enciphered(const std::string& plain, const std::string& key) {
  std::string out = plain;
  for (std::size_t p = 0; p < out.size(); ++p) {
    const unsigned k = static_cast<unsigned char>(key[(p % 50000) % key.size()]);
    out[p] = static_cast<char>((static_cast<unsigned char>(out[p]) + 2 * k) % 256);
  }
  return out;
}

class CaptionPrompter : public ScriptedPrompter {
 public:
  std::string InputBox(std::string_view caption, std::string_view prompt,
                       std::string_view default_text) override {
    captions.emplace_back(caption);
    return ScriptedPrompter::InputBox(caption, prompt, default_text);
  }
  Strings captions;
};
}  // namespace

class CifrarWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    tree_ = std::make_unique<TempTree>(
        "uno.txt=primero\nsub/dos.txt=segundo\nsub/Dos.txt=otro segundo\n");
    window_ = std::make_unique<TF_cifrado>();
    prompter_ = CaptionPrompter();
    window_->set_prompter(&prompter_);
  }
  void cleanup() {
    window_.reset();
    tree_.reset();
  }

  void ControlsCarryTheirNamesAndCaptions() {
    QCOMPARE(window_->objectName(), QString("F_cifrado"));
    QCOMPARE(window_->windowTitle(), QString("Cifrar / Descifrar"));
    const std::pair<const char*, const char*> captions[] = {
        {"Label7", "Cifrar / Descifrar FICHEROS"},
        {"Label2", "Fichero a Procesar"},
        {"Label3", "Cifrar / Descifrar DIRECTORIOS"},
        {"Label1", "Directorio a Cifrar"}};
    for (auto [name, text] : captions) {
      auto* label = window_->findChild<QLabel*>(name);
      QVERIFY2(label != nullptr, name);
      QCOMPARE(label->text(), QString(text));
    }
    QCOMPARE(window_->findChild<QLabel*>("Label2")->buddy(), window_->Edit2);
    QCOMPARE(window_->findChild<QLabel*>("Label1")->buddy(), window_->Edit4);
    const std::pair<QPushButton*, const char*> buttons[] = {
        {window_->Button1, "Cifrar"},
        {window_->Button2, "Descifrar"},
        {window_->Button3, "Seleccionar"},
        {window_->Button4, "Cifra Directorio"},
        {window_->Button5, "Descifra Directorio"}};
    for (auto [button, text] : buttons) QCOMPARE(button->text(), QString(text));
    QVERIFY(window_->findChild<QFrame*>("Shape1") && window_->findChild<QFrame*>("Shape2"));
    QCOMPARE(window_->menuBar()->objectName(), QString("MainMenu1"));
    QCOMPARE(window_->Cerrar1->text(), QString("Cerrar"));
    QCOMPARE(window_->menuBar()->actions().size(), 1);
    QVERIFY(window_->Edit2->text().isEmpty() && window_->Edit4->text().isEmpty());
    QVERIFY(window_->StatusText(0).isEmpty() && window_->StatusText(1).isEmpty());
    QCOMPARE(zuruza::testing::ControlsWithoutNames(window_.get()), QStringList());
  }

  void FileHalfEnciphersAndDeciphersWithTheKeyAsked() {
    const std::string path = tree_->Path("uno.txt");
    window_->show();
    window_->Edit2->setText(Q(path));
    prompter_.input_answers = {"clave", "clave"};
    window_->Button1->click();
    QCOMPARE(tree_->ReadFile("uno.txt"), Enciphered("primero", "clave"));
    QCOMPARE(window_->StatusText(0), QString("Fichero: 1 (0 Kbytes.)"));
    QCOMPARE(window_->StatusText(1), Q(path));
    window_->Button2->click();
    QCOMPARE(tree_->ReadFile("uno.txt"), std::string("primero"));
    QCOMPARE(prompter_.captions, (Strings{"Clave de Cifrado: ", "Clave de Descifrado: "}));
    QVERIFY(prompter_.messages.empty() && prompter_.errors.empty());
  }

  void SeleccionarPutsTheChosenFileInTheField() {
    prompter_.dialog_answers = {tree_->Path("uno.txt"), std::nullopt};
    window_->Button3->click();
    QCOMPARE(window_->Edit2->text(), Q(tree_->Path("uno.txt")));
    window_->Button3->click();  // cancelled: the field keeps its text
    QCOMPARE(window_->Edit2->text(), Q(tree_->Path("uno.txt")));
    QCOMPARE(prompter_.dialog_near,
             (Strings{"", tree_->Path("uno.txt")}));  // opens beside the field
  }

  void EmptyFieldsAndFailuresAreTold() {
    window_->Button1->click();
    window_->Button5->click();
    QCOMPARE(prompter_.messages, (Strings{"Indique el fichero.", "Indique el directorio."}));

    window_->Edit2->setText(Q(tree_->Path("falta.txt")));
    prompter_.input_answers = {"k"};
    window_->Button1->click();
    QCOMPARE(prompter_.errors, Strings{"File not found"});
    QVERIFY(!window_->running());
  }

  void DirectoryHalfCiphersTheTreeAndCorrectsTheField() {
    const std::string root = tree_->root();
    const QString field = Q(root.substr(0, root.size() - 1));
    window_->Edit4->setText(field);
    prompter_.input_answers = {"k", "k"};
    window_->Button4->click();
    QCOMPARE(window_->Edit4->text(), Q(root));
    QCOMPARE(prompter_.messages, Strings{"Ficheros del directorio " + root + " CIFRADOS."});
    QCOMPARE(tree_->ReadFile("sub/Dos.txt"), Enciphered("otro segundo", "k"));

    window_->Button5->click();
    QCOMPARE(prompter_.messages.back(), "Ficheros del directorio " + root + " DESCIFRADOS.");
    QCOMPARE(prompter_.captions, (Strings{"Clave de Cifrado: ", "Clave de Descifrado: "}));
    QCOMPARE(tree_->ReadFile("sub/Dos.txt"), std::string("otro segundo"));
  }

  void RecentNamesBelongToOneDirectoryRun() {
    FileCipher& cipher = window_->cipher();
    window_->Edit4->setText(Q(tree_->root()));
    prompter_.input_answers = {"k", "k", "k"};
    window_->Button4->click();
    QCOMPARE(cipher.recent_index(), std::size_t{3});

    // A single file leaves the ring alone and counts one file.
    window_->Edit2->setText(Q(tree_->Path("uno.txt")));
    window_->Button1->click();
    QCOMPARE(cipher.files_processed(), 1);
    QCOMPARE(cipher.recent_index(), std::size_t{3});

    // The next directory run starts with an empty ring: every file again.
    window_->Button5->click();
    QCOMPARE(cipher.recent_index(), std::size_t{3});
    QCOMPARE(cipher.files_processed(), 3);
    QCOMPARE(tree_->ReadFile("sub/dos.txt"), std::string("segundo"));
    QCOMPARE(tree_->ReadFile("uno.txt"),
             Enciphered("primero", "k"));  // enciphered twice, deciphered once
  }

  void SecondStartDuringARunIsRefused() {
    window_->Edit4->setText(Q(tree_->root()));
    window_->Edit2->setText(Q(tree_->Path("uno.txt")));
    prompter_.input_answers = {"k", "k", "k"};
    int clicks = 0;
    zuruza::SetWindowEventsHookForTesting([&] {
      if (clicks++ == 0) {
        QVERIFY(window_->running());
        window_->Button4->click();
        window_->Button1->click();
      }
    });
    window_->Button4->click();
    zuruza::SetWindowEventsHookForTesting(nullptr);
    QCOMPARE(prompter_.captions.size(), std::size_t{1});  // no second key was asked
    QCOMPARE(prompter_.messages.size(), std::size_t{1});
    QCOMPARE(tree_->ReadFile("uno.txt"), Enciphered("primero", "k"));
    QVERIFY(!window_->running());
  }

  void CerrarAndTheCloseBoxOnlyHide() {
    window_->show();
    window_->Edit4->setText("/algo");
    window_->Cerrar1->trigger();
    QVERIFY(!window_->isVisible());
    window_->show();
    QVERIFY(!window_->close());
    QVERIFY(!window_->isVisible());
    QCOMPARE(window_->Edit4->text(), QString("/algo"));  // fields keep their text
  }

 private:
  CaptionPrompter prompter_;
  std::unique_ptr<TempTree> tree_;
  std::unique_ptr<TF_cifrado> window_;
};

QTEST_MAIN(CifrarWindowTest)
#include "cifrar_window_test.moc"
