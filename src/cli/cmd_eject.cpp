// plondex-cli eject: unmounts the player and powers its drive off, so it can be unplugged.

#include <cstdio>

#include "cli/command.h"
#include "platform/codepage.h"
#include "platform/drives.h"
#include "platform/eject.h"
#include "platform/linux_drives.h"

namespace plondex::cli {
namespace {

// --mount-point names the drive by its folder instead of its letter; --bus asks udisks2 on
// another bus than the system bus.
constexpr char kUsage[] = "eject LETTER|--mount-point DIR [--bus ADDRESS]";

int UsageError(const std::string& what) {
  std::fprintf(stderr, "plondex-cli eject: %s\nusage: plondex-cli %s\n", what.c_str(), kUsage);
  return 2;
}

int RunEject(const std::vector<std::string>& args) {
  char letter = 0;
  std::string mount_point;
  BusAddress bus;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool has_value = i + 1 < args.size() && !args[i + 1].empty();
    if (a == "--mount-point" && has_value) {
      mount_point = args[++i];
    } else if (a == "--bus" && has_value) {
      bus.address = args[++i];
    } else if (a.size() == 1 && NormalizeDriveLetter(a[0]) && !letter) {
      letter = NormalizeDriveLetter(a[0]);
    } else {
      return UsageError("unknown or incomplete argument: " + a);
    }
  }
  if (!letter == mount_point.empty()) return UsageError("give either a LETTER or --mount-point");
  // Ctrl+C ends the wait here; udisks2 may still be asking the user for permission then.
  const EjectWait wait;
  const std::string text =
      letter ? LinuxDriveTable(bus).Eject(letter, wait) : EjectPlayer(mount_point, bus, wait);
  std::printf("%s\n", AnsiToUtf8(text).c_str());
  return 0;
}

const Registration kEject("eject", kUsage, RunEject);

}  // namespace
}  // namespace plondex::cli
