#pragma once

// How the core asks and tells the user. The window implements it with message boxes; tests
// replace it with a scripted one. Every text is 8-bit text, word for word what the user reads.

#include <optional>
#include <string>

namespace plondex {

class Prompter {
 public:
  virtual ~Prompter() = default;
  // Information box with an OK button.
  virtual void Information(const std::string& text) = 0;
  // Warning box with an OK button.
  virtual void Warning(const std::string& text) = 0;
  // Warning box with an OK button, the default, and a second button; true when the second one
  // was pressed.
  virtual bool WarningWithChoice(const std::string& text, const std::string& other_button) = 0;
  // The error box that reports a failure a command does not handle itself.
  virtual void ShowError(const std::string& text) = 0;
  // Yes/No question of the information kind, titled "Information"; "&Yes" is the default and
  // Escape answers "&No". True only for "&Yes".
  virtual bool Confirm(const std::string& text) = 0;
  // The same question for a step that may cost the user something: "&No" is the default.
  virtual bool ConfirmDefaultNo(const std::string& text) = 0;
  // Input box with an empty edit field of at most max_length characters, "OK" and "Cancel";
  // nullopt on Cancel.
  virtual std::optional<std::string> InputBox(const std::string& caption, const std::string& prompt,
                                              int max_length) = 0;
};

}  // namespace plondex
