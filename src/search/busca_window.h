// The file search window "Busca Archivos por el Disco": gathers the search
// fields, runs the search job and shows its report. Double-clicking a listed
// line opens that file with its default application.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <functional>
#include <string>
#include <vector>

#include "app/qt_prompter.h"
#include "app/report_window.h"
#include "platform/drives.h"
#include "search/busca.h"

namespace zuruza {

class TF_inventario;

class Tform_Busca : public ReportWindow {
  Q_OBJECT

 public:
  // `batch_mode` is the launcher's BatchMode: when true, a finished search
  // ends the program.
  explicit Tform_Busca(const bool* batch_mode, QWidget* parent = nullptr);

  // The listing chooser, shared with nobody else; created once at start-up.
  void SetListingChooser(TF_inventario* chooser) { chooser_ = chooser; }
  // Where listing searches put their results, first choice first (tests
  // point it elsewhere), and how many lines the pane takes from one.
  void set_results_candidates(std::vector<std::string> paths) {
    results_candidates_ = std::move(paths);
  }
  void set_pane_capacity(std::size_t lines) { pane_capacity_ = lines; }

  // The request as the fields hold it now.
  SearchRequest GatherRequest() const;
  const FileSearch& search() const { return search_; }
  // How a file is opened (the desktop's default application; tests record).
  void set_opener(std::function<bool(const std::string&)> opener) { opener_ = std::move(opener); }

  QLabel* Panel2;
  QLabel* Label1;
  QComboBox* DriveComboBox1;
  QPushButton* Button2;
  QLineEdit* Edit6;
  QLineEdit* Edit1;
  QLineEdit* tam_min;
  QCheckBox* CheckBox4;
  QGroupBox* GroupBox2;
  QLineEdit* Edit4;
  QLineEdit* Edit3;
  QCheckBox* CheckBox2;
  QLineEdit* Edit5;
  QCheckBox* CheckBox3;
  QLabel* Label5;
  QPushButton* Button1;
  QCheckBox* CheckBox1;  // "Generar Fichero"
  QMenu* InventariodeDiscos1;
  // Path of the listing last chosen in the chooser; kept when it is closed
  // without a choice.
  std::string ChosenListing;

 public slots:
  void Button1Click();
  void Button2Click();
  // Opens the file named on the pane line under the caret.
  void Memo1DblClick();
  // "Inventario de Discos": index a disk, search a listing, list its disks.
  void GererarListadodeFicheros1Click();
  void BuscarunFichero1Click();
  void VerDiscosIndexados1Click();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildPanel();
  void RebuildDrives();
  // Shows the chooser; false (after telling so) when no listing is chosen.
  bool ChooseListing();
  static std::size_t DefaultPaneCapacity();

  const bool* batch_mode_;
  FileSearch search_;
  std::vector<Drive> drives_;
  std::function<bool(const std::string&)> opener_;
  TF_inventario* chooser_ = nullptr;
  std::vector<std::string> results_candidates_;
  std::size_t pane_capacity_;
};

}  // namespace zuruza
