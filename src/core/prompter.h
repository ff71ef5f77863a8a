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
  // result is the chosen path, or nullopt when the person cancels. They open
  // in the folder of `near` (a field's file or folder) when it exists, else
  // in the person's home; a save dialog offers the file's name.
  virtual std::optional<std::string> OpenFileDialog(std::string_view filter,
                                                    std::string_view near) = 0;
  virtual std::optional<std::string> SaveFileDialog(std::string_view filter,
                                                    std::string_view default_extension,
                                                    std::string_view near) = 0;
};

// Passes every call on to another Prompter, which can be changed: a window
// hands this one to its job, and a test points it at scripted answers.
class ForwardingPrompter : public Prompter {
 public:
  explicit ForwardingPrompter(Prompter* target) : target_(target) {}
  void set_target(Prompter* target) { target_ = target; }
  Prompter& target() { return *target_; }

  void ShowMessage(std::string_view text) override { target_->ShowMessage(text); }
  void ShowError(std::string_view text) override { target_->ShowError(text); }
  std::string InputBox(std::string_view caption, std::string_view prompt,
                       std::string_view default_text) override {
    return target_->InputBox(caption, prompt, default_text);
  }
  bool AskOkCancel(std::string_view text) override { return target_->AskOkCancel(text); }
  std::optional<std::string> OpenFileDialog(std::string_view filter,
                                            std::string_view near) override {
    return target_->OpenFileDialog(filter, near);
  }
  std::optional<std::string> SaveFileDialog(std::string_view filter,
                                            std::string_view default_extension,
                                            std::string_view near) override {
    return target_->SaveFileDialog(filter, default_extension, near);
  }

 private:
  Prompter* target_;
};

}  // namespace zuruza
