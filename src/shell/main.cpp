// Start-up: the logo window while every window is created once, a pause,
// then the launcher and the event loop. With parameters the launcher arms
// the batch mode; without a display that answers, a batch command runs with
// no window at all and a start without one ends with one line.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "analysis/disco_window.h"
#include "analysis/repes_window.h"
#include "app/about_window.h"
#include "app/application.h"
#include "app/qt_text.h"
#include "navigation/backup_window.h"
#include "navigation/vcd_window.h"
#include "platform/display.h"
#include "search/busca_window.h"
#include "search/inventario_window.h"
#include "shell/batch_job.h"
#include "shell/launcher_window.h"
#include "text/busca2_window.h"
#include "text/edit_window.h"
#include "transform/cifrar_window.h"
#include "transform/fragment_window.h"
#include "transform/mezcla_window.h"

namespace {

void SayOnStandardError(std::string_view text) {
  std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
}

// A batch job's standard error carries the program's own words only, never
// the notices of Qt's platform (cron mails every line of it).
void DropQtNotices(QtMsgType type, const QMessageLogContext&, const QString& text) {
  if (type == QtFatalMsg) std::fprintf(stderr, "%s\n", qPrintable(text));
}

}  // namespace

int main(int argc, char** argv) {
  const bool has_parameters = argc > 1;
  const std::string_view platform =
      std::getenv("QT_QPA_PLATFORM") ? std::getenv("QT_QPA_PLATFORM") : "";
  // Qt's platforms that need no display, chosen on purpose (tests do).
  const bool displayless_platform =
      platform.starts_with("offscreen") || platform.starts_with("minimal");
  const bool desktop_platform =
      platform.empty() || platform.starts_with("xcb") || platform.starts_with("wayland");
  if (has_parameters) {
    // A batch command never needs a display: without one that answers it
    // runs with no window at all, its parameters taken as bytes. Qt would
    // abort the whole process on a display that does not answer.
    if (displayless_platform || !zuruza::DisplayAnswers()) {
      return zuruza::RunHeadlessBatch(std::vector<std::string>(argv + 1, argv + argc),
                                      SayOnStandardError);
    }
    qInstallMessageHandler(DropQtNotices);
  } else if (desktop_platform && !zuruza::DisplayAnswers()) {
    std::fputs(
        "zuruza: no hay ninguna pantalla disponible (DISPLAY, WAYLAND_DISPLAY) para abrir las "
        "ventanas; las órdenes /BUSCA, /REPES y /BACKUP funcionan sin pantalla.\n",
        stderr);
    return 1;
  }
  zuruza::ZuruzaApplication app(argc, argv);

  Q_INIT_RESOURCE(zuruza);
  auto* logo = new zuruza::Tlogoform;
  zuruza::ShowUntilPainted(logo);

  // The parameters as bytes: a name that is not UTF-8 survives the fields.
  QStringList parameters;
  for (int i = 1; i < argc; ++i) parameters << zuruza::ToQt(argv[i]);
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
  launcher.SetToolWindows({&form_Busca, &Form_repes, &F_backup, &form_disco, &Form_comp, &F_mezclar,
                           &AboutBox, &form_vcd, &form_Fragment, &F_cifrado, &Editor, &Form2});

  std::this_thread::sleep_for(std::chrono::milliseconds(2000));
  logo->hide();
  delete logo;

  launcher.show();
  return app.exec();
}
