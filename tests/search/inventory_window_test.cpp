// The "Inventario de Discos" menu of the search window, with its chooser,
// driven offscreen.
#include <QTimer>
#include <QtTest>

#include "search/busca_window.h"
#include "search/inventario_window.h"
#include "support/qt_text_helpers.h"
#include "support/scripted_prompter.h"
#include "support/temp_tree.h"

using namespace zuruza;
using zuruza::testing::Q;
using zuruza::testing::ScriptedPrompter;
using zuruza::testing::TempTree;

class InventoryWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    tree_ = std::make_unique<TempTree>("dvd/fotos/playa.jpg=123\ndvd/carta.doc=12\n");
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString(tree_->Path("data")));
    window_ = std::make_unique<Tform_Busca>(&batch_);
    chooser_ = std::make_unique<TF_inventario>();
    window_->SetListingChooser(chooser_.get());
    prompter_ = ScriptedPrompter();
    window_->set_prompter(&prompter_);
    window_->set_results_candidates({tree_->Path("resultados.txt")});
    window_->Edit6->setText(Q(tree_->Path("dvd")));
    window_->Edit2->setText("/home/me/informe.txt");
  }
  void cleanup() {
    window_.reset();
    chooser_.reset();
    tree_.reset();
  }

  void IndexingTwiceAppendsTwoBlocksAndKeepsTheReportField() {
    const std::string listing = tree_->Path("cds.txt");
    prompter_.input_answers = {std::string("DVD 1"), std::string("DVD 2")};
    ChooseOnShow(listing);
    window_->GererarListadodeFicheros1Click();
    ChooseOnShow(listing);
    window_->GererarListadodeFicheros1Click();
    QCOMPARE(window_->Memo1->Line(0), std::string("Se han encontrado 2 ficheros."));
    QCOMPARE(window_->Memo1->Line(1), std::string("Se han encontrado 2 ficheros."));
    // The next ordinary search must not write over the listing.
    QCOMPARE(window_->Edit2->text(), QString("/home/me/informe.txt"));
    QVERIFY(!window_->CheckBox1->isChecked());

    ChooseOnShow(listing);
    window_->VerDiscosIndexados1Click();
    QVERIFY(window_->Memo1->Line(1).find(") DVD 2") != std::string::npos);
    QCOMPARE(window_->StatusText(StatusBar::kStatusBar1),
             QString("FIN. Ver Discos Indexados. Coincidencias: 2"));
  }

  void ListingSearchAsksForTheTextAndFallsBackToTheResultsFile() {
    const std::string listing = tree_->Path("cds.txt");
    prompter_.input_answers = {std::string("DVD 1"), std::string("playa")};
    ChooseOnShow(listing);
    window_->GererarListadodeFicheros1Click();
    window_->Edit1->clear();
    ChooseOnShow(listing);
    window_->BuscarunFichero1Click();
    QCOMPARE(window_->Edit1->text(), QString("playa"));
    QVERIFY(window_->Memo1->Line(1).find(tree_->Path("dvd/fotos/playa.jpg")) != std::string::npos);

    std::vector<std::string> opened;
    window_->set_opener([&](const std::string& path) {
      opened.push_back(path);
      return true;
    });
    window_->set_pane_capacity(2);
    ChooseOnShow(listing);
    window_->BuscarunFichero1Click();
    QCOMPARE(window_->Memo1->LineCount(), std::size_t{0});
    QCOMPARE(opened, std::vector<std::string>{tree_->Path("resultados.txt")});
    QCOMPARE(
        prompter_.messages.back(),
        std::string("El listado de coincidencias no cabe en la ventana del programa. Se muestra "
                    "listado en fichero de texto"));
  }

  void NoListingChosenSaysSoAndWritesNothing() {
    QTimer::singleShot(0, chooser_.get(), [this] { chooser_->reject(); });
    window_->GererarListadodeFicheros1Click();
    QCOMPARE(prompter_.messages,
             std::vector<std::string>{"No se ha elegido ningún listado de inventario."});
    QCOMPARE(window_->Memo1->LineCount(), std::size_t{0});
    QCOMPARE(window_->Edit2->text(), QString("/home/me/informe.txt"));
  }

  void ChooserListsTheIndexAndAddsNewListings() {
    prompter_.input_answers = {std::string("/media/usb/otro.txt")};
    QTimer::singleShot(0, chooser_.get(), [this] {
      QCOMPARE(chooser_->ComboBox1->count(), 1);
      QVERIFY(chooser_->ComboBox1->itemText(0).endsWith("/zuruza/_indice_discos.txt"));
      chooser_->Button1->click();
      QCOMPARE(chooser_->ComboBox1->count(), 2);
      chooser_->ComboBox1->setCurrentIndex(1);
      chooser_->Button2->click();
    });
    window_->VerDiscosIndexados1Click();  // the listing does not exist yet
    QCOMPARE(window_->ChosenListing, std::string("/media/usb/otro.txt"));
    QCOMPARE(prompter_.errors, std::vector<std::string>{"File not found"});
  }

 private:
  // Answers the next showing of the chooser with this listing.
  void ChooseOnShow(const std::string& listing) {
    QTimer::singleShot(0, chooser_.get(), [this, listing] {
      chooser_->ComboBox1->setEditText(Q(listing));
      chooser_->Button2->click();
    });
  }

  bool batch_ = false;
  ScriptedPrompter prompter_;
  std::unique_ptr<TempTree> tree_;
  std::unique_ptr<Tform_Busca> window_;
  std::unique_ptr<TF_inventario> chooser_;
};

QTEST_MAIN(InventoryWindowTest)
#include "inventory_window_test.moc"
