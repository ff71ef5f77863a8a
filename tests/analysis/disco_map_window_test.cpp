// The occupancy window's map driven offscreen: what it adds to the walk is
// hovering, selecting, zooming, saving and its summary.
#include <QtTest>

#include "analysis/disco_window.h"
#include "support/qt_text_helpers.h"
#include "support/scripted_prompter.h"
#include "support/temp_tree.h"

using namespace zuruza;
using zuruza::testing::Q;
using zuruza::testing::ScriptedPrompter;
using zuruza::testing::TempTree;

class DiscoMapWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    tree_ = std::make_unique<TempTree>("d/fotos/a.jpg=" + std::string(2000, 'a') +
                                       "\nd/fotos/b.png=" + std::string(1000, 'b') +
                                       "\nd/musica/c.mp3=" + std::string(3000, 'c') +
                                       "\nd/notas.txt=" + std::string(500, 'n') + "\n");
    window_ = std::make_unique<Tform_disco>();
    window_->set_prompter(&prompter_);
    window_->Edit1->setText(Q(tree_->Path("d")));
    window_->Button1->click();
    map_ = window_->MapPage->Mapa1;
    map_->resize(400, 300);
  }
  void cleanup() {
    window_.reset();
    tree_.reset();
  }

  void ShowsTheWalkedTreeAndSumsItUpInWords() {
    QCOMPARE(window_->PageControl1->tabText(1), QString("Mapa"));
    QCOMPARE(window_->MapPage->Carpeta1->text(), Q(tree_->Path("d/") + ": 6.500 bytes"));
    QVERIFY(!window_->MapPage->Subir1->isEnabled());
    QCOMPARE(map_->accessibleName(), QString("Mapa de ocupación"));
    QCOMPARE(map_->accessibleDescription(),
             Q(tree_->Path("d/") + ": 6.500 bytes. Lo que más ocupa:\nfotos: 3.000 bytes\n"
                                   "musica: 3.000 bytes\nnotas.txt: 500 bytes"));
  }

  void HoverNamesAClickSelectsItAndItsTreeLine() {
    const QPoint song = CentreOf("c.mp3");
    QCOMPARE(map_->DescribeAt(song), Q(tree_->Path("d/musica/c.mp3") + "\n3.000 bytes"));
    QTest::mouseClick(map_, Qt::LeftButton, {}, song);
    QCOMPARE(std::string(map_->sizes()->Name(map_->selected())), std::string("c.mp3"));
    QCOMPARE(window_->Memo1->SelectedText(), window_->Memo1->Line(1));
    QVERIFY(window_->Memo1->Line(1).starts_with("|musica"));
  }

  void DoubleClickZoomsIntoTheFolderAndSubirGoesBack() {
    QTest::mouseDClick(map_, Qt::LeftButton, {}, CentreOf("a.jpg"));
    QCOMPARE(window_->MapPage->Carpeta1->text(), Q(tree_->Path("d/fotos") + ": 3.000 bytes"));
    QVERIFY(window_->MapPage->Subir1->isEnabled());
    QVERIFY(map_->accessibleDescription().contains("a.jpg: 2.000 bytes"));
    window_->MapPage->Subir1->click();
    QCOMPARE(window_->MapPage->Carpeta1->text(), Q(tree_->Path("d/") + ": 6.500 bytes"));
  }

  void SavesThePictureAndOpensTheFolderOfAnItem() {
    prompter_.dialog_answers = {tree_->Path("mapa.png")};
    window_->MapPage->GrabarImagen1->click();
    QImage saved(Q(tree_->Path("mapa.png")), "PNG");
    QCOMPARE(saved.size(), QSize(400, 300));
    QVERIFY(prompter_.errors.empty());

    std::vector<std::string> opened;
    window_->MapPage->set_opener([&](const std::string& path) {
      opened.push_back(path);
      return true;
    });
    window_->MapPage->OpenFolderOf(map_->NodeAt(CentreOf("b.png")));
    QCOMPARE(opened, std::vector<std::string>{tree_->Path("d/fotos")});
  }

 private:
  QPoint CentreOf(const std::string& name) {
    for (const MapCell& cell : map_->Cells()) {
      if (cell.kind == CellKind::kFile && map_->sizes()->Name(cell.node) == name)
        return QPoint(static_cast<int>(cell.rect.x + cell.rect.width / 2),
                      static_cast<int>(cell.rect.y + cell.rect.height / 2));
    }
    qFatal("no cell for %s", name.c_str());
  }

  std::unique_ptr<TempTree> tree_;
  std::unique_ptr<Tform_disco> window_;
  OccupancyMap* map_ = nullptr;
  ScriptedPrompter prompter_;
};

QTEST_MAIN(DiscoMapWindowTest)
#include "disco_map_window_test.moc"
