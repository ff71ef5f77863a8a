// A status bar panel. Its text is shown elided in the middle when it does not
// fit (the whole text in the tooltip and the accessible description), so a
// long path never widens the window; a screen reader reads the current text
// as the panel's accessible name.
#pragma once

#include <QLabel>
#include <QStatusBar>
#include <QString>

namespace zuruza {

class StatusLabel : public QLabel {
  Q_OBJECT

 public:
  explicit StatusLabel(const QString& object_name, QWidget* parent = nullptr);

  // Shows the text; text() gives it back whole.
  void SetStatus(const QString& text);

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
};

// Gives the bar's size grip, when it has one, a name a screen reader can say.
void NameSizeGrip(QStatusBar* bar);

}  // namespace zuruza
