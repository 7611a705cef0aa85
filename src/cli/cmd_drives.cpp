// plondex-cli drives: the drives as Plondex sees them.

#include <cstdio>

#include "cli/command.h"
#include "platform/codepage.h"
#include "platform/linux_drives.h"

namespace plondex::cli {
namespace {

int RunDrives(const std::vector<std::string>& args) {
  if (!args.empty()) {
    std::fprintf(stderr, "usage: plondex-cli drives\n");
    return 2;
  }
  const LinuxDriveTable drives;
  for (char letter = 'c'; letter <= 'z'; ++letter) {
    if (!drives.DrivePresent(letter)) continue;
    std::printf("%c: %s\t%s\t%s\n", letter, AnsiToUtf8(drives.VolumeLabel(letter)).c_str(),
                drives.VolumeSerialText(letter).c_str(), drives.Root(letter).value_or("").c_str());
  }
  return 0;
}

const Registration kDrives("drives", "drives", RunDrives);

}  // namespace
}  // namespace plondex::cli
