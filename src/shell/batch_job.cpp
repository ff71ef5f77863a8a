#include "shell/batch_job.h"

#include <exception>

#include "analysis/repes.h"
#include "core/numbers.h"
#include "core/prompter.h"
#include "core/report_sink.h"
#include "core/skipped_entries.h"
#include "core/text_rules.h"
#include "navigation/backup.h"
#include "platform/clock.h"
#include "platform/drives.h"
#include "platform/fs.h"
#include "search/busca.h"

namespace zuruza {

namespace {

// The report goes to the report file only; nobody watches a pane.
class NoPane : public ReportSink {
 public:
  void ClearReport() override {}
  void AddReportLine(std::string_view) override {}
  void ShowProgress(StatusBar, std::string_view) override {}
  void SetStatus(StatusBar, std::string_view) override {}
  void LetEventsRun() override {}
};

class NobodyPrompter : public Prompter {
 public:
  explicit NobodyPrompter(const std::function<void(std::string_view)>& say) : say_(say) {}
  void ShowMessage(std::string_view text) override { say_(text); }
  void ShowError(std::string_view text) override { say_(text); }
  std::string InputBox(std::string_view, std::string_view, std::string_view default_text) override {
    return std::string(default_text);
  }
  bool AskOkCancel(std::string_view text) override {
    say_(text);
    return false;
  }
  std::optional<std::string> OpenFileDialog(std::string_view, std::string_view) override {
    return std::nullopt;
  }
  std::optional<std::string> SaveFileDialog(std::string_view, std::string_view,
                                            std::string_view) override {
    return std::nullopt;
  }

 private:
  const std::function<void(std::string_view)>& say_;
};

// The search window's layout values of the fields a batch command leaves.
constexpr std::string_view kDefaultNewerThan = "01/01/1990";

int Finished(const SkippedEntries& skipped, const std::function<void(std::string_view)>& say) {
  for (const SkippedEntry& entry : skipped.entries()) say(SkippedEntryLine(entry));
  return skipped.empty() ? kExitFinished : kExitSomeSkipped;
}

}  // namespace

std::string BatchUsage(int count) {
  return "Parametros detectados: " + FormatInt(count) +
         "\r\n"
         "Forma de uso POR COMANDOS:\r\n"
         "VANTREX /BUSCA directorio str_a_buscar tamaño_min fich_salida\r\n"
         "VANTREX /REPES directorio fich_salida tamaño_minimo\r\n"
         "VANTREX /BACKUP directorio_origen dir_destino fich_informe\r\n"
         "\r\n"
         "AVISO: La ejecución por comandos es SILENCIOSA y tras hacer el trabajo finaliza el "
         "programa.";
}

int RunHeadlessBatch(const std::vector<std::string>& parameters,
                     const std::function<void(std::string_view)>& say) {
  const int count = static_cast<int>(parameters.size());
  auto parameter = [&](int number) {
    return number >= 1 && number <= count ? parameters[static_cast<std::size_t>(number - 1)]
                                          : std::string();
  };
  const std::string command = UpperAscii(parameter(1));
  NoPane pane;
  NobodyPrompter nobody(say);
  try {
    if (command == "/BUSCA" && count > 1) {
      SearchRequest request;
      // A blank directory searches the drive of the current directory.
      const std::vector<Drive> drives = ListDrives();
      const Drive& drive = drives[DriveIndexOf(drives, CurrentDirectory())];
      request.drive_text = DriveText(drive);
      request.drive_root = DriveRoot(drive);
      request.directory = parameter(2);
      request.search_text = parameter(3);
      request.min_size = parameter(4);
      request.report_path = parameter(5);
      request.write_report = true;
      request.newer_than = kDefaultNewerThan;
      request.new_date = kDefaultNewerThan;
      FileSearch search(pane, nobody, SystemLocaleFormats());
      search.RunSearch(request);
      return Finished(search.skipped(), say);
    }
    if (command == "/REPES" && count > 1) {
      DuplicateRequest request;
      request.base_directory = parameter(2);
      request.write_report = true;
      request.report_path = parameter(3);
      request.details = true;
      request.min_size_filter = true;
      request.min_size = parameter(4);
      request.batch_mode = true;
      DuplicateFinder finder(pane, nobody, SystemLocaleFormats());
      finder.RunDuplicateSearch(request);
      return Finished(finder.skipped(), say);
    }
    if (command == "/BACKUP" && count == 4) {
      BackupCopier copier(pane, nobody);
      if (copier.RunBackupJob({parameter(2), parameter(3), parameter(4), true}) ==
          BackupEnd::kStopped) {
        return kExitFailed;
      }
      return Finished(copier.skipped(), say);
    }
  } catch (const std::exception& error) {
    say(error.what());
    return kExitFailed;
  }
  say(BatchUsage(count));
  return kExitUsage;
}

}  // namespace zuruza
