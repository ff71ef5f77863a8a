// The Prompter of the desktop: real message boxes, input boxes and file
// dialogs, parented to a window.
#pragma once

#include <QWidget>
#include <functional>
#include <string_view>

#include "core/prompter.h"
#include "core/skipped_entries.h"

namespace zuruza {

class QtPrompter : public Prompter {
 public:
  explicit QtPrompter(QWidget* parent) : parent_(parent) {}

  void ShowMessage(std::string_view text) override;
  void ShowError(std::string_view text) override;
  std::string InputBox(std::string_view caption, std::string_view prompt,
                       std::string_view default_text) override;
  bool AskOkCancel(std::string_view text) override;
  std::optional<std::string> OpenFileDialog(std::string_view filter,
                                            std::string_view near) override;
  std::optional<std::string> SaveFileDialog(std::string_view filter,
                                            std::string_view default_extension,
                                            std::string_view near) override;

 private:
  QWidget* parent_;
};

// Without a display nobody can answer a dialog: once a handler is set here,
// messages and errors go to it instead of a box, input boxes answer their
// default, questions answer Cancel and file dialogs are cancelled. Batch runs
// without a display print to standard error; tests record.
void SetHeadlessPrompts(std::function<void(std::string_view)> handler);
bool HeadlessPrompts();

// After a job: names the entries it could not read and went past. In a
// window one message tells how many and the first few; in a batch run each
// goes to standard error. True when there were any.
bool TellSkippedEntries(Prompter& prompter, const SkippedEntries& skipped, bool batch_mode);

// Runs a handler's body; an error it raises is shown in the error box of
// `prompter` and the program goes on. Returns false when it failed.
bool RunGuarded(Prompter& prompter, const std::function<void()>& body);

}  // namespace zuruza
