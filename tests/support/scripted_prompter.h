#pragma once

// A Prompter for tests: records every box and question, and answers from a script.

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/prompter.h"

namespace plondex::test {

class ScriptedPrompter : public Prompter {
 public:
  struct Shown {
    std::string kind;  // "information", "warning", "error", "confirm", "confirm-no", "input"
    std::string text;  // for "input": caption + "|" + prompt + "|" + max length
  };

  void Information(const std::string& text) override { shown.push_back({"information", text}); }
  void Warning(const std::string& text) override { shown.push_back({"warning", text}); }
  // Recorded as a warning; answers from choice_answers (none left: OK).
  bool WarningWithChoice(const std::string& text, const std::string& other_button) override {
    shown.push_back({"warning", text});
    choices.push_back(other_button);
    if (choice_answers.empty()) return false;
    const bool answer = choice_answers.front();
    choice_answers.pop_front();
    return answer;
  }
  void ShowError(const std::string& text) override { shown.push_back({"error", text}); }
  bool Confirm(const std::string& text) override { return Answer("confirm", text); }
  // Recorded as "confirm-no"; answers from confirm_answers too.
  bool ConfirmDefaultNo(const std::string& text) override { return Answer("confirm-no", text); }
  std::optional<std::string> InputBox(const std::string& caption, const std::string& prompt,
                                      int max_length) override {
    shown.push_back({"input", caption + "|" + prompt + "|" + std::to_string(max_length)});
    if (input_answers.empty()) return std::nullopt;
    auto answer = input_answers.front();
    input_answers.pop_front();
    return answer;
  }

  // Records a question and answers it from confirm_answers (none left: No).
  bool Answer(const std::string& kind, const std::string& text) {
    shown.push_back({kind, text});
    if (confirm_answers.empty()) return false;
    const bool answer = confirm_answers.front();
    confirm_answers.pop_front();
    return answer;
  }

  // The texts shown, of one kind or of all kinds.
  std::vector<std::string> Texts(const std::string& kind = "") const {
    std::vector<std::string> texts;
    for (const auto& s : shown) {
      if (kind.empty() || s.kind == kind) texts.push_back(s.text);
    }
    return texts;
  }

  std::vector<Shown> shown;
  std::deque<bool> confirm_answers;                      // answers to Confirm, in order
  std::deque<bool> choice_answers;                       // WarningWithChoice: true = other button
  std::vector<std::string> choices;                      // the other buttons offered
  std::deque<std::optional<std::string>> input_answers;  // answers to InputBox, in order
};

}  // namespace plondex::test
