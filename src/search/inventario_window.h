// The listing chooser "Inventario de Discos": picks the inventory listing to
// work with from the index of listings, or adds a new one to it. Always
// shown modally.
#pragma once

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <string>

#include "core/prompter.h"

namespace zuruza {

class TF_inventario : public QDialog {
  Q_OBJECT

 public:
  explicit TF_inventario(QWidget* parent = nullptr);

  // Shows the chooser modally. True when "Siguiente" chose a listing, whose
  // path is then in `chosen`; closing it otherwise leaves `chosen` alone.
  bool Choose(std::string& chosen);
  // Who is asked for a new listing's path (tests script it).
  void set_prompter(Prompter* prompter) { prompter_ = prompter; }

  QLabel* Label1;
  QComboBox* ComboBox1;
  QPushButton* Button1;
  QPushButton* Button2;

 public slots:
  void FormActivate();
  void Button1Click();
  void Button2Click();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  Prompter* prompter_ = nullptr;
};

}  // namespace zuruza
