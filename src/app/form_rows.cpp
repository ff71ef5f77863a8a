#include "app/form_rows.h"

namespace zuruza {

namespace {

// Every control of a form carries a name for the tests and one for screen
// readers.
template <typename Control>
Control* Named(Control* control, const QString& name, const QString& accessible_name) {
  control->setObjectName(name);
  control->setAccessibleName(accessible_name);
  return control;
}

}  // namespace

QLabel* NewCaption(QWidget* parent, const QString& name, const QString& text) {
  return Named(new QLabel(text, parent), name, text);
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
  return Named(new QLineEdit(text, parent), name, accessible_name);
}

QPushButton* NewButton(QWidget* parent, const QString& name, const QString& text,
                       const QString& accessible_name) {
  return Named(new QPushButton(text, parent), name,
               accessible_name.isEmpty() ? text : accessible_name);
}

QCheckBox* NewCheck(QWidget* parent, const QString& name, const QString& text) {
  // A blank before a field is layout, not part of the name.
  return Named(new QCheckBox(text, parent), name, text.trimmed());
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
