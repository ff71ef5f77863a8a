// The application object: an error that escapes a handler is shown in the
// error box and the program goes on with its event loop.
#pragma once

#include <QApplication>

namespace zuruza {

class ZuruzaApplication : public QApplication {
 public:
  ZuruzaApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
};

// Qt's own dialogs and standard buttons speak Spanish, whatever the user's
// locale, from the translations the system installs with Qt.
void LoadQtSpanish();

// Shows a window and lets events run until the window manager has mapped and
// painted it (at most a second), user input held back meanwhile.
void ShowUntilPainted(QWidget* window);

}  // namespace zuruza
