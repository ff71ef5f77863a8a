#include "app/logo_window.h"

#include <QGuiApplication>
#include <QScreen>

namespace zuruza {

Tlogoform::Tlogoform(QWidget* parent)
    : QWidget(parent, Qt::FramelessWindowHint | Qt::SplashScreen) {
  setObjectName("logoform");
  Image1 = new QLabel("ZURUZA", this);
  Image1->setObjectName("Image1");
  Image1->setAlignment(Qt::AlignCenter);
  Image1->setStyleSheet(
      "background: qlineargradient(x1:0, y1:0, x2:1, y2:1, stop:0 #0b3d91, stop:1 #4a90d9);"
      "color: white; font: bold 36px;");
  Image1->setFixedSize(296, 113);
  Label2 = new QLabel(this);
  Label2->setObjectName("Label2");
  Label2->setStyleSheet("color: white;");

  // The window is exactly the picture, the caption near its bottom.
  setFixedSize(Image1->width(), Image1->height());
  Label2->setText("Vavezevuva by Vantrex");
  Label2->adjustSize();
  Label2->move((Image1->width() - Label2->width()) / 2,
               Image1->height() - static_cast<int>(Label2->height() * 1.5));
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect area = screen->geometry();
    move(area.center() - rect().center());
  }
}

}  // namespace zuruza
