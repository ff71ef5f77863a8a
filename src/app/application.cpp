#include "app/application.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QLibraryInfo>
#include <QTranslator>
#include <QWidget>
#include <QWindow>
#include <chrono>
#include <clocale>
#include <exception>
#include <thread>

#include "app/qt_prompter.h"

namespace zuruza {

void ShowUntilPainted(QWidget* window) {
  QApplication::processEvents();
  window->show();
  // A window manager maps a window some time after show(): it is painted
  // only once exposed, so events run until then, before any other window
  // exists whose timers could fire meanwhile.
  QElapsedTimer waiting;
  waiting.start();
  while (!(window->windowHandle() && window->windowHandle()->isExposed()) &&
         waiting.elapsed() < 1000) {
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  window->repaint();
  QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void LoadQtSpanish() {
  auto* translator = new QTranslator(QCoreApplication::instance());
  if (translator->load("qtbase_es", QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QCoreApplication::installTranslator(translator);
  } else {
    delete translator;  // without the translations Qt's own texts stay in English
  }
}

ZuruzaApplication::ZuruzaApplication(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName("zuruza");
  // Qt takes the user's locale for everything on start-up; the program's
  // number formats ("4.5 Kb", "%.14E") always write a point, as its reports
  // and listings are read back by the program itself.
  std::setlocale(LC_NUMERIC, "C");
  LoadQtSpanish();
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
