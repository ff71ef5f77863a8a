// The two windows that carry the product's identity: the logo window shown
// while the program starts, and the About box, each showing one of the two
// logos at random.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <functional>
#include <string>

namespace zuruza {

// The two logos, 296 x 113 and 283 x 103.
QPixmap LargeLogo();
QPixmap SmallLogo();

class Tlogoform : public QWidget {
  Q_OBJECT

 public:
  explicit Tlogoform(QWidget* parent = nullptr);

  QLabel* Image1;
  QLabel* Label2;
};

class TAboutBox : public QDialog {
  Q_OBJECT

 public:
  explicit TAboutBox(QWidget* parent = nullptr);
  // How the web page is opened (the desktop's browser; tests record).
  void set_opener(std::function<bool(const std::string&)> opener) { opener_ = std::move(opener); }
  // Which logo shows now: 1 or 2.
  int ShownLogo() const;

  QLabel* Image1;
  QLabel* Image2;
  QLabel* Label1;
  QLabel* ProductName;
  QLabel* Version;
  QLabel* Fecha;
  QPushButton* OKButton;

 public slots:
  void FormActivate();
  void Label1Click();

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::function<bool(const std::string&)> opener_;
};

// The maker's web page.
inline constexpr const char* kWebAddress = "https://www.vantrex.es/vavezevuva";

}  // namespace zuruza
