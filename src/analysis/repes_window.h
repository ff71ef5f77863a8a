// The duplicate finder window "Buscador de Archivos Repetidos.": gathers the
// fields, runs the duplicate job, shows its report, and exports the pane to
// a spreadsheet.
#pragma once

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <functional>
#include <string>

#include "analysis/indexed_copies.h"
#include "analysis/repes.h"
#include "app/report_window.h"

namespace zuruza {

class TForm_repes : public ReportWindow {
  Q_OBJECT

 public:
  // `batch_mode` is the launcher's BatchMode: when true, a finished search
  // ends the program and shows no informative messages.
  explicit TForm_repes(const bool* batch_mode, QWidget* parent = nullptr);

  DuplicateRequest GatherRequest() const;
  const DuplicateFinder& finder() const { return finder_; }
  // How the exported workbook is opened (the desktop's default application;
  // tests record) and where it is written (tests point it elsewhere).
  void set_opener(std::function<bool(const std::string&)> opener) { opener_ = std::move(opener); }
  void set_workbook_path(std::function<std::string()> path) { workbook_path_ = std::move(path); }

  QLineEdit* Edit1;
  QPushButton* Button1;
  QCheckBox* CheckBox1;
  QCheckBox* CheckBox2;  // "Generar Fichero"
  QCheckBox* CheckBox3;
  QLineEdit* Edit3;
  QLabel* Label2;
  QCheckBox* CheckBox4;  // "Comprobar contenido"
  QCheckBox* CheckBox5;  // "Buscar por contenido"
  QPushButton* Button2;  // "Parar": stops the content comparison

 public slots:
  void Button1Click();
  void ExportaraEXCEL1Click();
  // "¿Ya está en un disco indexado?": the tree of Edit1 looked up in a
  // listing of indexed disks chosen in a dialog, with the same minimum and
  // report file as the search.
  void YaEstaEnDisco1Click();

 private:
  const bool* batch_mode_;
  DuplicateFinder finder_;
  IndexedCopyFinder indexed_;
  std::function<bool(const std::string&)> opener_;
  std::function<std::string()> workbook_path_;
};

}  // namespace zuruza
