#include "app/application.h"

#include <clocale>
#include <exception>

#include "app/qt_prompter.h"

namespace zuruza {

ZuruzaApplication::ZuruzaApplication(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName("zuruza");
  // Qt takes the user's locale for everything on start-up; the program's
  // number formats ("4.5 Kb", "%.14E") always write a point, as its reports
  // and listings are read back by the program itself.
  std::setlocale(LC_NUMERIC, "C");
}

bool ZuruzaApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& error) {
    QtPrompter(activeWindow()).ShowError(error.what());
  }
  return false;
}

}  // namespace zuruza
