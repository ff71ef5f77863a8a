#include "app/about_window.h"

#include <QEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QRandomGenerator>
#include <QScreen>
#include <QVBoxLayout>

#include "app/qt_shell.h"

namespace zuruza {

namespace {

void CentreOnScreen(QWidget* window) {
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    window->move(screen->geometry().center() - window->rect().center());
  }
}

// A draw from 0 to 99, from a generator seeded from the clock.
int Draw() { return static_cast<int>(QRandomGenerator::global()->bounded(100)); }

}  // namespace

QPixmap LargeLogo() { return QPixmap(":/zuruza/logo_grande.png"); }
QPixmap SmallLogo() { return QPixmap(":/zuruza/logo_peque.png"); }

Tlogoform::Tlogoform(QWidget* parent)
    : QWidget(parent, Qt::FramelessWindowHint | Qt::SplashScreen) {
  setObjectName("logoform");
  setAttribute(Qt::WA_TranslucentBackground);
  Image1 = new QLabel(this);
  Image1->setObjectName("Image1");
  Image1->setAccessibleName("Logotipo de Vantrex");
  // 51 chances in 100 for the smaller logo, drawn stretched to its size.
  Image1->setPixmap(Draw() <= 50 ? SmallLogo().scaled(283, 103) : LargeLogo());
  Image1->adjustSize();
  Label2 = new QLabel(this);
  Label2->setObjectName("Label2");
  Label2->setAlignment(Qt::AlignCenter);
  Label2->setStyleSheet("color: yellow; background: navy; font-weight: bold;");
  Label2->setFixedHeight(16);

  // The window is exactly the logo, the title over its lower part.
  setFixedSize(Image1->size());
  Label2->setText("Vavezevuva by Vantrex");
  Label2->setFixedWidth(Label2->sizeHint().width() + 8);
  Label2->move((Image1->width() - Label2->width()) / 2,
               Image1->height() - static_cast<int>(Label2->height() * 1.5));
  CentreOnScreen(this);
}

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent), opener_(OpenWithDefaultApplication) {
  setObjectName("AboutBox");
  setWindowTitle("Acerca de...");
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  auto* panel = new QWidget(this);
  panel->setObjectName("Panel1");
  auto* inner = new QVBoxLayout(panel);
  const QString hint = "Pulsa aquí para ir a la WEB";
  Image1 = new QLabel(panel);
  Image1->setObjectName("Image1");
  Image1->setPixmap(LargeLogo());
  Image2 = new QLabel(panel);
  Image2->setObjectName("Image2");
  for (QLabel* image : {Image1, Image2}) image->setAccessibleName("Logotipo de Vantrex");
  Image2->setPixmap(SmallLogo().scaled(283, 103));
  Label1 = new QLabel(kWebAddress, panel);
  Label1->setObjectName("Label1");
  Label1->setStyleSheet("color: blue; font-weight: bold;");
  for (QLabel* link : {Image1, Image2, Label1}) {
    link->setToolTip(hint);
    link->setCursor(Qt::PointingHandCursor);
    link->setAlignment(Qt::AlignCenter);
    link->installEventFilter(this);
  }
  ProductName = new QLabel("VAVEZEVUVA", panel);
  ProductName->setObjectName("ProductName");
  auto* by = new QLabel("by Vantrex", panel);
  by->setObjectName("Label3");
  for (QLabel* title : {ProductName, by}) {
    title->setAlignment(Qt::AlignCenter);
    title->setStyleSheet("color: blue; font: bold 18pt serif;");
  }
  Version = new QLabel("Versión 1.52", panel);
  Version->setObjectName("Version");
  Fecha = new QLabel("Febrero de 2015", panel);
  Fecha->setObjectName("Fecha");
  auto* group = new QGroupBox("Director del Proyecto", panel);
  group->setObjectName("GroupBox1");
  auto* group_layout = new QVBoxLayout(group);
  auto* director = new QLabel("Equipo Zuruza", group);
  director->setObjectName("Label4");
  auto* contact = new QLabel("Contacto: zuruza@vantrex.es", group);
  contact->setObjectName("Label6");
  group_layout->addWidget(director);
  group_layout->addWidget(contact);
  for (QWidget* w : std::initializer_list<QWidget*>{Image1, Image2, Label1, ProductName, by,
                                                    Version, Fecha, group}) {
    inner->addWidget(w);
  }
  layout->addWidget(panel);
  OKButton = new QPushButton("Cerrar", this);
  OKButton->setObjectName("OKButton");
  OKButton->setAccessibleName("Cerrar");
  OKButton->setDefault(true);
  connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
  layout->addWidget(OKButton, 0, Qt::AlignRight);
}

void TAboutBox::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  CentreOnScreen(this);
  FormActivate();
}

void TAboutBox::FormActivate() {
  // Exactly one logo, either with even chances.
  const bool first = Draw() < 50;
  Image1->setVisible(first);
  Image2->setVisible(!first);
}

int TAboutBox::ShownLogo() const { return Image1->isVisibleTo(this) ? 1 : 2; }

void TAboutBox::Label1Click() { opener_(kWebAddress); }

bool TAboutBox::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonRelease &&
      (watched == Image1 || watched == Image2 || watched == Label1)) {
    Label1Click();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace zuruza
