// Every input control and menu item of a window must carry its name and an
// accessible name, so screen readers and desktop automation reach it.
#pragma once

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSizeGrip>
#include <QSplitterHandle>
#include <QString>
#include <QWidget>

#include "app/report_pane.h"

namespace zuruza::testing {

// The names of the controls that lack a name or an accessible name; empty
// when all is well.
inline QStringList ControlsWithoutNames(QWidget* window) {
  QStringList missing;
  if (window->objectName().isEmpty()) missing << window->metaObject()->className();
  for (QWidget* w : window->findChildren<QWidget*>()) {
    const bool input = qobject_cast<QLineEdit*>(w) || qobject_cast<QCheckBox*>(w) ||
                       qobject_cast<QComboBox*>(w) || qobject_cast<QPushButton*>(w) ||
                       qobject_cast<QRadioButton*>(w) || qobject_cast<QListWidget*>(w) ||
                       qobject_cast<zuruza::ReportPane*>(w);
    // The line edit inside an editable combo box belongs to the box.
    if (!input || (w->parent() && qobject_cast<QComboBox*>(w->parent()))) continue;
    if (w->objectName().isEmpty() || w->accessibleName().isEmpty()) {
      missing << QString("%1 '%2'").arg(w->metaObject()->className(), w->objectName());
    }
  }
  // Images, size grips and splitter handles need only an accessible name.
  for (QWidget* w : window->findChildren<QWidget*>()) {
    auto* label = qobject_cast<QLabel*>(w);
    const bool decoration = (label && !label->pixmap().isNull()) || qobject_cast<QSizeGrip*>(w) ||
                            qobject_cast<QSplitterHandle*>(w);
    if (decoration && w->accessibleName().isEmpty()) {
      missing << QString("%1 without accessible name").arg(w->metaObject()->className());
    }
  }
  for (QAction* action : window->findChildren<QAction*>()) {
    if (action->isSeparator() || action->menu()) continue;
    if (action->objectName().isEmpty() || action->text().isEmpty())
      missing << "action '" + action->text() + "'";
  }
  return missing;
}

}  // namespace zuruza::testing
