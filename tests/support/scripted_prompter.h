// A Prompter whose answers a test scripts in advance and whose messages it
// records.
#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/prompter.h"

namespace zuruza::testing {

class ScriptedPrompter : public Prompter {
 public:
  void ShowMessage(std::string_view text) override { messages.emplace_back(text); }
  void ShowError(std::string_view text) override { errors.emplace_back(text); }
  std::string InputBox(std::string_view, std::string_view prompt,
                       std::string_view default_text) override {
    prompts.emplace_back(prompt);
    if (input_answers.empty()) return std::string(default_text);
    std::optional<std::string> answer = input_answers.front();
    input_answers.pop_front();
    return answer ? *answer : std::string(default_text);  // nullopt: Cancel
  }
  bool AskOkCancel(std::string_view text) override {
    questions.emplace_back(text);
    if (on_question) on_question();
    if (ok_answers.empty()) return false;
    bool answer = ok_answers.front();
    ok_answers.pop_front();
    return answer;
  }
  std::optional<std::string> OpenFileDialog(std::string_view, std::string_view near) override {
    dialog_near.emplace_back(near);
    return NextPath();
  }
  std::optional<std::string> SaveFileDialog(std::string_view, std::string_view,
                                            std::string_view near) override {
    dialog_near.emplace_back(near);
    return NextPath();
  }

  std::deque<std::optional<std::string>> input_answers;  // nullopt = Cancel
  std::deque<bool> ok_answers;
  // Runs while a question waits for its answer (the person acting on it).
  std::function<void()> on_question;
  std::deque<std::optional<std::string>> dialog_answers;  // nullopt = Cancel
  std::vector<std::string> messages, errors, prompts, questions;
  std::vector<std::string> dialog_near;  // where each file dialog was asked to open

 private:
  std::optional<std::string> NextPath() {
    if (dialog_answers.empty()) return std::nullopt;
    auto answer = dialog_answers.front();
    dialog_answers.pop_front();
    return answer;
  }
};

}  // namespace zuruza::testing
