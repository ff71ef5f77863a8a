// The occupancy window "Ocupación del Disco." (its tree and its map) and the
// comparator window "Comparador de Archivos de Directorios.": thin report
// windows over their jobs.
#pragma once

#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

#include "analysis/compara.h"
#include "analysis/disco.h"
#include "analysis/disco_map_window.h"
#include "app/report_window.h"

namespace zuruza {

class Tform_disco : public ReportWindow {
  Q_OBJECT

 public:
  explicit Tform_disco(QWidget* parent = nullptr);
  OccupancyRequest GatherRequest() const;

  QLineEdit* Edit1;
  QLineEdit* Edit3;
  QPushButton* Button1;
  QCheckBox* CheckBox1;
  QTabWidget* PageControl1;  // "Árbol", the report pane, and "Mapa"
  OccupancyMapPage* MapPage;

 public slots:
  void Button1Click();
  // Selects the text tree's line of a folder, or of the nearest one above
  // it with a line.
  void SelectTreeLine(zuruza::SizeTree::Index node);

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  DiskOccupancy occupancy_;
};

class TForm_comp : public ReportWindow {
  Q_OBJECT

 public:
  explicit TForm_comp(QWidget* parent = nullptr);
  CompareRequest GatherRequest() const;

  QLineEdit* Edit1;
  QLineEdit* Edit3;
  QPushButton* Button1;
  QCheckBox* CheckBox1;

 public slots:
  void Button1Click();

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  TreeComparator comparator_;
};

}  // namespace zuruza
