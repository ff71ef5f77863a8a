// Everything a job asks or tells a person. The Qt implementation shows real
// dialogs; tests script the answers; headless batch runs answer at once.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zuruza {

class Prompter {
 public:
  virtual ~Prompter() = default;

  // A plain message box with an OK button.
  virtual void ShowMessage(std::string_view text) = 0;
  // The application's error box.
  virtual void ShowError(std::string_view text) = 0;
  // An input box; Cancel returns `default_text`, exactly as if accepted.
  virtual std::string InputBox(std::string_view caption, std::string_view prompt,
                               std::string_view default_text) = 0;
  // An error question with OK and Cancel; true for OK.
  virtual bool AskOkCancel(std::string_view text) = 0;
  // Open and save dialogs. `filter` is "Name|pattern|Name|pattern"; the
  // result is the chosen path, or nullopt when the person cancels.
  virtual std::optional<std::string> OpenFileDialog(std::string_view filter) = 0;
  virtual std::optional<std::string> SaveFileDialog(std::string_view filter,
                                                    std::string_view default_extension) = 0;
  // Lets pending window events run.
  virtual void ProcessEvents() = 0;
};

}  // namespace zuruza
