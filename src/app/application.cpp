#include "app/application.h"

#include <exception>

#include "app/qt_prompter.h"

namespace zuruza {

ZuruzaApplication::ZuruzaApplication(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName("zuruza");
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
