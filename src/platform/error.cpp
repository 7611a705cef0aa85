#include "platform/error.h"

#include <cstring>

namespace plondex {

std::string SystemErrorText(int errnum) { return std::strerror(errnum); }

std::string CannotOpenMessage(std::string_view path, std::string_view reason) {
  std::string text = "Cannot open file \"";
  text.append(path);
  text.append("\". ");
  text.append(reason);
  return text;
}

std::string CannotCreateMessage(std::string_view path, std::string_view reason) {
  std::string text = "Cannot create file \"";
  text.append(path);
  text.append("\". ");
  text.append(reason);
  return text;
}

}  // namespace plondex
