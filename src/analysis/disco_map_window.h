// The occupancy window's "Mapa" page: the walked tree as a squarified
// treemap, folders framed around what they hold, files coloured by their
// family of kinds, with a legend. Hovering names an item, a click selects it
// (and its line in the text tree), a double click zooms into a folder,
// "Subir" goes back up, and the map saves as a PNG picture.
#pragma once

#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "analysis/size_tree.h"
#include "analysis/treemap_layout.h"
#include "core/prompter.h"

namespace zuruza {

class OccupancyMap : public QWidget {
  Q_OBJECT

 public:
  explicit OccupancyMap(QWidget* parent = nullptr);

  // The sizes to show, from their root; nullptr empties the map (while a
  // walk fills them anew).
  void SetSizes(const SizeTree* sizes);
  void ZoomInto(SizeTree::Index folder);
  // One folder up; false when the map already shows the root.
  bool ZoomOut();
  void Select(SizeTree::Index node);

  const SizeTree* sizes() const { return sizes_; }
  SizeTree::Index shown() const { return shown_; }
  SizeTree::Index selected() const { return selected_; }
  // The item under a point (a merged cell gives its folder), or kNone.
  SizeTree::Index NodeAt(QPoint point);
  // What hovering tells: the item's path and size; empty outside the map.
  QString DescribeAt(QPoint point);
  // The largest items of the folder shown, for those who cannot see the map.
  QString Summary() const;
  // The map as drawn at the widget's size, without hover or selection marks.
  const QImage& Picture();
  const std::vector<MapCell>& Cells();

 signals:
  void NodeSelected(zuruza::SizeTree::Index node);
  void ShownChanged(zuruza::SizeTree::Index folder);
  void OpenFolderAsked(zuruza::SizeTree::Index node);

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  // Lays out and draws the map once per size and folder shown, not per paint.
  void EnsurePicture();
  void Invalidate();
  void Show(SizeTree::Index folder);
  void DrawPicture();

  const SizeTree* sizes_ = nullptr;
  SizeTree::Index shown_ = SizeTree::kNone;
  SizeTree::Index selected_ = SizeTree::kNone;
  std::vector<MapCell> cells_;
  QImage picture_;
  bool drawn_ = false;
};

// The "Mapa" page: "Subir" and "Grabar imagen" above the map, the folder
// shown and its size beside them, the legend below.
class OccupancyMapPage : public QWidget {
  Q_OBJECT

 public:
  OccupancyMapPage(Prompter& prompter, QWidget* parent = nullptr);
  void set_opener(std::function<bool(const std::string&)> opener) { opener_ = std::move(opener); }

  OccupancyMap* Mapa1;
  QPushButton* Subir1;
  QPushButton* GrabarImagen1;
  QLabel* Carpeta1;

 public slots:
  void Subir1Click();
  void GrabarImagen1Click();
  // Opens the folder of an item (a folder itself) with the desktop's file manager.
  void OpenFolderOf(zuruza::SizeTree::Index node);

 private:
  void ShowFolderCaption();

  Prompter& prompter_;
  std::function<bool(const std::string&)> opener_;
};

}  // namespace zuruza
