#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace plondex {

// Every failure the user can meet. what() is the exact text the user sees.
class Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The system's text for an errno value, e.g. "No such file or directory".
std::string SystemErrorText(int errnum);

// "Cannot open file "PATH". REASON"
std::string CannotOpenMessage(std::string_view path, std::string_view reason);
// "Cannot create file "PATH". REASON"
std::string CannotCreateMessage(std::string_view path, std::string_view reason);

}  // namespace plondex
