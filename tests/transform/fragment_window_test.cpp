// The splitter and joiner window driven offscreen with scripted dialogs.
#include "transform/fragment_window.h"

#include <QAction>
#include <QtTest>

#include "support/accessibility_check.h"
#include "support/qt_text_helpers.h"
#include "support/scripted_prompter.h"
#include "support/temp_tree.h"

using namespace zuruza;
using zuruza::testing::Q;
using zuruza::testing::ScriptedPrompter;
using zuruza::testing::TempTree;

namespace {

// Also remembers the filter each open dialog was given.
class FilterPrompter : public ScriptedPrompter {
 public:
  std::optional<std::string> OpenFileDialog(std::string_view filter,
                                            std::string_view near) override {
    filters.emplace_back(filter);
    return ScriptedPrompter::OpenFileDialog(filter, near);
  }
  std::vector<std::string> filters;
};

std::string Bytes(std::size_t count) {
  std::string bytes(count, '\0');
  for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<char>(i * 13 % 256);
  return bytes;
}
}  // namespace

class FragmentWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    tree_ = std::make_unique<TempTree>("partes/\n");
    tree_->AddFile("origen/datos.tar.gz", Bytes(2500));
    window_ = std::make_unique<Tform_Fragment>();
    prompter_ = FilterPrompter();
    window_->set_prompter(&prompter_);
  }
  void cleanup() {
    window_.reset();
    tree_.reset();
  }

  void StartsWithTheLayoutDefaults() {
    QCOMPARE(window_->objectName(), QString("form_Fragment"));
    QCOMPARE(window_->windowTitle(), QString("Fragmentador/Desfragmentador de Archivos"));
    QCOMPARE(window_->Edit1->text(), QString("1450000"));
    QVERIFY(!window_->Edit2->isEnabled());
    QVERIFY(!window_->Edit4->isEnabled());
    QCOMPARE(window_->Button1->text(), QString("Fragmentar Fichero"));
    QCOMPARE(window_->Button4->text(), QString("Unir Fragmentos"));
    QCOMPARE(window_->StatusText(), QString());
  }

  void EveryControlHasItsNames() {
    QCOMPARE(testing::ControlsWithoutNames(window_.get()), QStringList());
  }

  void SeleccionarFillsTheSourceAndItsDirectoryAndShowsTheSize() {
    const std::string source = tree_->Path("origen/datos.tar.gz");
    prompter_.dialog_answers = {source, std::nullopt};
    window_->Button3->click();
    QCOMPARE(prompter_.filters, std::vector<std::string>{""});
    QCOMPARE(window_->Edit2->text(), Q(source));
    QCOMPARE(window_->Edit3->text(), Q(tree_->Path("origen/")));
    QVERIFY(window_->StatusText().startsWith("Tamaño: 2500 bytes."));
    // Cancel changes nothing.
    window_->Edit3->setText("otro");
    window_->Button3->click();
    QCOMPARE(window_->Edit2->text(), Q(source));
    QCOMPARE(window_->Edit3->text(), QString("otro"));
  }

  void SeleccionarProposesTheOutputBesideTheFragments() {
    prompter_.dialog_answers = {tree_->Path("partes/datos.001")};
    window_->Button5->click();
    QCOMPARE(prompter_.filters, std::vector<std::string>{"*.001|*.001"});
    QCOMPARE(window_->Edit4->text(), Q(tree_->Path("partes/datos.001")));
    QCOMPARE(window_->Edit5->text(), Q(tree_->Path("partes/datos.___")));
  }

  void SplitAndJoinThroughTheButtons() {
    prompter_.dialog_answers = {tree_->Path("origen/datos.tar.gz"),
                                tree_->Path("partes/datos.001")};
    window_->Button3->click();
    window_->Edit3->setText(Q(tree_->Path("partes")));
    window_->Edit1->setText("1000");
    window_->Button1->click();
    QCOMPARE(window_->StatusText(), QString("Fragmentación Concluida."));
    QCOMPARE(tree_->ReadFile("partes/datos.003").size(), std::size_t{500});

    window_->Button5->click();
    window_->Button4->click();
    QCOMPARE(window_->StatusText(), QString("Fichero Encadenado."));
    QVERIFY(QFile::exists(Q(tree_->Path("partes/datos.___"))));
    QVERIFY(prompter_.messages.empty());
    QVERIFY(prompter_.errors.empty());
  }

  void FailuresAndRefusalsAreShown() {
    prompter_.dialog_answers = {tree_->Path("origen/datos.tar.gz")};
    window_->Button3->click();
    window_->Edit1->setText("abc");
    window_->Button1->click();
    QCOMPARE(prompter_.errors, std::vector<std::string>{"'abc' is not a valid integer value"});
    QVERIFY(!QFile::exists(Q(tree_->Path("origen/datos.001"))));

    window_->Edit3->clear();
    window_->Button1->click();
    window_->Button4->click();
    QCOMPARE(prompter_.messages,
             (std::vector<std::string>{"Indique el directorio destino.",
                                       "Seleccione el primer fragmento (.001)."}));
  }

  void ClosingOnlyHides() {
    window_->show();
    window_->Edit3->setText("se queda");
    window_->close();
    QVERIFY(window_->isHidden());
    window_->show();
    window_->findChild<QAction*>("Cerrar1")->trigger();
    QVERIFY(window_->isHidden());
    QCOMPARE(window_->Edit3->text(), QString("se queda"));
  }

 private:
  FilterPrompter prompter_;
  std::unique_ptr<TempTree> tree_;
  std::unique_ptr<Tform_Fragment> window_;
};

QTEST_MAIN(FragmentWindowTest)
#include "fragment_window_test.moc"
