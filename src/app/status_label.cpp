#include "app/status_label.h"

#include <QAccessible>
#include <QPainter>
#include <QSizeGrip>
#include <QStyle>

namespace zuruza {

StatusLabel::StatusLabel(const QString& object_name, QWidget* parent) : QLabel(parent) {
  setObjectName(object_name);
  // No accessible name of its own: a screen reader reads the text as the
  // name.
  // An empty panel keeps the height of a line of text.
  setMinimumHeight(fontMetrics().height() + 4);
}

void StatusLabel::SetStatus(const QString& text) {
  if (text == this->text()) return;
  setText(text);
  setToolTip(text);
  setAccessibleDescription(text);
  // The text is the panel's accessible name: tell a screen reader it changed.
  QAccessibleEvent event(this, QAccessible::NameChanged);
  QAccessible::updateAccessibility(&event);
}

// The text never asks for room: the bar's layout decides the width.
QSize StatusLabel::sizeHint() const { return {0, QLabel::sizeHint().height()}; }

QSize StatusLabel::minimumSizeHint() const { return {0, QLabel::minimumSizeHint().height()}; }

void StatusLabel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  drawFrame(&painter);
  const QRect area = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
  const QString shown = fontMetrics().elidedText(text(), Qt::ElideMiddle, area.width());
  style()->drawItemText(&painter, area, QStyle::visualAlignment(layoutDirection(), alignment()),
                        palette(), isEnabled(), shown, foregroundRole());
}

void NameSizeGrip(QStatusBar* bar) {
  if (auto* grip = bar->findChild<QSizeGrip*>())
    grip->setAccessibleName("Cambiar el tamaño de la ventana");
}

}  // namespace zuruza
