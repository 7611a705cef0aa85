#pragma once

// The file dialog of Send Songs to iHP: files and folders to send, and what songs the player
// cannot play are converted to.

#include <QWidget>
#include <optional>
#include <string>
#include <vector>

#include "send/convert.h"

namespace plondex {

struct SendChoice {
  std::vector<std::string> sources;  // native paths of files and folders
  SendFormat format = SendFormat::kMp3;
};

// nullopt when the user cancels or chooses nothing.
std::optional<SendChoice> PickSongsToSend(QWidget* parent, SendFormat format);

}  // namespace plondex
