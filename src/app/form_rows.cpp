#include "app/form_rows.h"

namespace zuruza {

QLabel* NewCaption(QWidget* parent, const QString& name, const QString& text) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  label->setAccessibleName(text);
  return label;
}

QLabel* NewTitle(QWidget* parent, const QString& name, const QString& text) {
  QLabel* label = NewCaption(parent, name, text);
  label->setStyleSheet("color: blue; font-weight: bold;");
  return label;
}

QLineEdit* NewField(QWidget* parent, const QString& name, QLabel* caption, const QString& text) {
  QLineEdit* edit = NewField(parent, name, caption->text(), text);
  caption->setBuddy(edit);
  return edit;
}

QLineEdit* NewField(QWidget* parent, const QString& name, const QString& accessible_name,
                    const QString& text) {
  auto* edit = new QLineEdit(text, parent);
  edit->setObjectName(name);
  edit->setAccessibleName(accessible_name);
  return edit;
}

QPushButton* NewButton(QWidget* parent, const QString& name, const QString& text,
                       const QString& accessible_name) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(name);
  button->setAccessibleName(accessible_name.isEmpty() ? text : accessible_name);
  return button;
}

QCheckBox* NewCheck(QWidget* parent, const QString& name, const QString& text) {
  auto* check = new QCheckBox(text, parent);
  check->setObjectName(name);
  check->setAccessibleName(text.trimmed());  // a blank before a field is layout
  return check;
}

FormRows::Span FormRows::PlaceEnds(QWidget* caption, QWidget* trailing) {
  Span span{0, columns_};
  if (caption) {
    grid_->addWidget(caption, row_, 0);
    span = {1, columns_ - 1};
  }
  if (trailing) {
    grid_->addWidget(trailing, row_, columns_ - 1);
    --span.width;
  }
  return span;
}

FormRows& FormRows::Row(QWidget* caption, QWidget* field, QWidget* trailing) {
  const Span span = PlaceEnds(caption, trailing);
  grid_->addWidget(field, row_++, span.column, 1, span.width);
  return *this;
}

FormRows& FormRows::Row(QWidget* caption, QLayout* field, QWidget* trailing) {
  const Span span = PlaceEnds(caption, trailing);
  grid_->addLayout(field, row_++, span.column, 1, span.width);
  return *this;
}

FormRows& FormRows::Whole(QWidget* control) { return Row(nullptr, control); }

FormRows& FormRows::Whole(QLayout* controls) { return Row(nullptr, controls); }

FormRows& FormRows::Cells(std::initializer_list<QWidget*> controls) {
  int column = 0;
  for (QWidget* control : controls) {
    if (control) grid_->addWidget(control, row_, column);
    ++column;
  }
  ++row_;
  return *this;
}

void FormRows::StretchBelow() { grid_->setRowStretch(row_, 1); }

}  // namespace zuruza
