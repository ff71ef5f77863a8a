// The named controls a tool's form is made of, and the rows that place them.
// Every control carries its object name, by which the window's code and its
// tests find it, and an accessible name for screen readers: a field's is its
// caption's text, and the caption is its buddy, so a click or a mnemonic on
// the caption reaches the field.
#pragma once

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <initializer_list>

namespace zuruza {

QLabel* NewCaption(QWidget* parent, const QString& name, const QString& text);
// A caption in the look of a section's title: bold and blue.
QLabel* NewTitle(QWidget* parent, const QString& name, const QString& text);
// A field named after its caption, which becomes its buddy.
QLineEdit* NewField(QWidget* parent, const QString& name, QLabel* caption,
                    const QString& text = QString());
// A field without a caption of its own, named for screen readers.
QLineEdit* NewField(QWidget* parent, const QString& name, const QString& accessible_name,
                    const QString& text);
// A button; screen readers speak its text unless another name is given.
QPushButton* NewButton(QWidget* parent, const QString& name, const QString& text,
                       const QString& accessible_name = QString());
QCheckBox* NewCheck(QWidget* parent, const QString& name, const QString& text);

// Rows of a form on a grid, top to bottom: a caption, its field and an
// optional control after it (a browse button, a unit), or one control over
// the whole row, or controls one to a column.
class FormRows {
 public:
  FormRows(QGridLayout* grid, int columns) : grid_(grid), columns_(columns) {}

  // The caption in the first column (none: the field starts there), the
  // field after it, the trailing control in the last column; without one the
  // field runs to the last column.
  FormRows& Row(QWidget* caption, QWidget* field, QWidget* trailing = nullptr);
  FormRows& Row(QWidget* caption, QLayout* field, QWidget* trailing = nullptr);
  // One control, or a layout of them, over the whole row.
  FormRows& Whole(QWidget* control);
  FormRows& Whole(QLayout* controls);
  // One control to a column from the first; a null leaves its column empty.
  FormRows& Cells(std::initializer_list<QWidget*> controls);
  // The rows below the last one take the height the form has to spare.
  void StretchBelow();

  // The row the next call fills.
  int row() const { return row_; }

 private:
  // Where a row's field starts and how many columns it takes.
  struct Span {
    int column;
    int width;
  };
  Span PlaceEnds(QWidget* caption, QWidget* trailing);

  QGridLayout* grid_;
  int columns_;
  int row_ = 0;
};

}  // namespace zuruza
