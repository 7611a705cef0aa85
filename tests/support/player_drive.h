#pragma once

// Makes a folder the player drive of the tests: the current drive table maps the letter to it.

#include <memory>
#include <string>

#include "platform/drives.h"

namespace plondex::test {

inline void UsePlayerFolder(const std::string& folder, char letter = 'e') {
  auto drives = std::make_shared<FolderDrives>();
  drives->Add(letter, folder, "IHP-120", "1234-ABCD");
  SetDriveTable(drives);
}

}  // namespace plondex::test
