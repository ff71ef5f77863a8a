// The column merger window "Mezclador de Ficheros.": the three files, the
// separator, the key columns and the fill option.
#pragma once

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

#include "app/qt_prompter.h"
#include "transform/mezcla.h"

namespace zuruza {

class TF_mezclar : public QWidget {
  Q_OBJECT

 public:
  explicit TF_mezclar(QWidget* parent = nullptr);
  MergeRequest GatherRequest() const;
  void set_prompter(Prompter* prompter) {
    prompter_.set_target(prompter ? prompter : &qt_prompter_);
  }

  QLineEdit* Edit1;
  QLineEdit* Edit2;
  QLineEdit* Edit3;
  QLineEdit* Edit4;
  QLineEdit* Edit5;
  QLineEdit* Edit6;
  QCheckBox* CheckBox1;
  QPushButton* Button1;
  QPushButton* Button2;
  QPushButton* Button3;

 public slots:
  void Button1Click();
  void Button2Click();
  void Button3Click();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  QtPrompter qt_prompter_{this};
  ForwardingPrompter prompter_{&qt_prompter_};
  ColumnMerger merger_{prompter_};
};

}  // namespace zuruza
