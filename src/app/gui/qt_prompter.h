#pragma once

#include <QWidget>

#include "platform/prompter.h"

namespace plondex {

// Message boxes, Yes/No questions and the input box of the window.
class QtPrompter : public Prompter {
 public:
  explicit QtPrompter(QWidget* parent) : parent_(parent) {}

  void Information(const std::string& text) override;
  void Warning(const std::string& text) override;
  bool WarningWithChoice(const std::string& text, const std::string& other_button) override;
  void ShowError(const std::string& text) override;
  bool Confirm(const std::string& text) override;
  bool ConfirmDefaultNo(const std::string& text) override;
  std::optional<std::string> InputBox(const std::string& caption, const std::string& prompt,
                                      int max_length) override;

 private:
  QWidget* parent_;
};

}  // namespace plondex
