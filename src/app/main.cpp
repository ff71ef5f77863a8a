// Start-up: the logo window while every window is created once, a pause,
// then the launcher and the event loop. With parameters the launcher arms
// the batch mode.
#include <cstdio>
#include <cstdlib>
#include <thread>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QWindow>

#include "app/application.h"
#include "app/launcher.h"
#include "app/about_window.h"
#include "app/qt_prompter.h"
#include "analysis/disco_window.h"
#include "analysis/repes_window.h"
#include "navigation/backup_window.h"
#include "navigation/vcd_window.h"
#include "search/busca_window.h"
#include "search/inventario_window.h"
#include "text/busca2_window.h"
#include "text/edit_window.h"
#include "transform/cifrar_window.h"
#include "transform/fragment_window.h"
#include "transform/mezcla_window.h"

int main(int argc, char** argv) {
  const bool has_parameters = argc > 1;
  // A batch run needs no display: without one it runs offscreen and its
  // messages go to standard error.
  const bool no_display = !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY");
  if (has_parameters && no_display && !std::getenv("QT_QPA_PLATFORM")) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
  }
  zuruza::ZuruzaApplication app(argc, argv);
  if (has_parameters && (no_display || QGuiApplication::platformName() == "offscreen")) {
    zuruza::SetHeadlessPrompts([](std::string_view text) {
      std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
    });
  }

  Q_INIT_RESOURCE(zuruza);
  auto* logo = new zuruza::Tlogoform;
  QApplication::processEvents();
  logo->show();
  // A window manager maps the logo some time after show(): it is painted
  // only once exposed, so events run until then (at most a second), before
  // any other window exists whose timers could fire meanwhile.
  QElapsedTimer waiting;
  waiting.start();
  while (!(logo->windowHandle() && logo->windowHandle()->isExposed()) && waiting.elapsed() < 1000) {
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  logo->repaint();
  QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);

  QStringList parameters = QApplication::arguments().mid(1);
  zuruza::TForm1 launcher(parameters);
  // Every window is created once, in this order, and lives until the end.
  zuruza::Tform_vcd form_vcd;
  zuruza::TForm_repes Form_repes(&launcher.BatchMode);
  zuruza::Tform_disco form_disco;
  zuruza::TForm_comp Form_comp;
  zuruza::Tform_Busca form_Busca(&launcher.BatchMode);
  zuruza::Tform_Fragment form_Fragment;
  zuruza::TEditor Editor;
  zuruza::TAboutBox AboutBox;
  zuruza::TForm2 Form2;
  zuruza::TF_cifrado F_cifrado;
  zuruza::TF_backup F_backup(&launcher.BatchMode);
  zuruza::TF_mezclar F_mezclar;
  zuruza::TF_inventario F_inventario;
  form_Busca.SetListingChooser(&F_inventario);
  launcher.SetToolWindows({&form_Busca, &Form_repes, &F_backup, &form_disco, &Form_comp, &F_mezclar, &AboutBox, &form_vcd,
                           &form_Fragment, &F_cifrado, &Editor, &Form2});

  std::this_thread::sleep_for(std::chrono::milliseconds(2000));
  logo->hide();
  delete logo;

  launcher.show();
  return app.exec();
}
