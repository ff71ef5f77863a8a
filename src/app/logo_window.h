// The borderless logo window shown, centred, while the program starts.
#pragma once

#include <QLabel>
#include <QWidget>

namespace zuruza {

class Tlogoform : public QWidget {
  Q_OBJECT

 public:
  explicit Tlogoform(QWidget* parent = nullptr);

  QLabel* Image1;
  QLabel* Label2;
};

}  // namespace zuruza
