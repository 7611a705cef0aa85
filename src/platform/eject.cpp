#include "platform/eject.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "platform/codepage.h"
#include "platform/error.h"

namespace plondex {
namespace {

constexpr char kFilesystem[] = "org.freedesktop.UDisks2.Filesystem";
constexpr char kDrive[] = "org.freedesktop.UDisks2.Drive";
constexpr char kDeviceBusy[] = "org.freedesktop.UDisks2.Error.DeviceBusy";

std::string InUseMessage(std::string_view detail) {
  return "The iHP is in use by another program and was not ejected: " + Utf8ToAnsi(detail);
}

std::string NotPoweredOffMessage(std::string_view detail) {
  return "The iHP is unmounted and can be unplugged now, but it could not be powered off: " +
         Utf8ToAnsi(detail);
}

// What the user reads of a failed exchange with udisks2.
std::string Detail(const BusError& e) {
  if (e.name() == "org.freedesktop.DBus.Error.ServiceUnknown" ||
      e.name() == "org.freedesktop.DBus.Error.NameHasNoOwner") {
    return "udisks2 is not running";
  }
  return e.what();
}

// Writes out what the kernel still holds for the player's file system, so nothing is lost
// should the unmount be refused and the cable be pulled anyway.
void FlushFileSystem(const std::string& mount_point) {
  const int fd = ::open(mount_point.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) throw Error(CannotEjectMessage(mount_point + ": " + SystemErrorText(errno)));
  const int r = ::syncfs(fd);
  const int err = errno;
  ::close(fd);
  if (r != 0) {
    throw Error(CannotEjectMessage("cannot flush " + mount_point + ": " + SystemErrorText(err)));
  }
}

const UdisksObject* MountedAt(const std::vector<UdisksObject>& objects,
                              const std::string& mount_point) {
  for (const UdisksObject& o : objects) {
    const auto& points = o.mount_points;
    if (o.is_filesystem && std::find(points.begin(), points.end(), mount_point) != points.end()) {
      return &o;
    }
  }
  return nullptr;
}

const UdisksObject* DriveAt(const std::vector<UdisksObject>& objects, const std::string& path) {
  for (const UdisksObject& o : objects) {
    if (o.is_drive && o.path == path) return &o;
  }
  return nullptr;
}

// The Drive method that stops the disk: PowerOff where the drive can be powered off, else Eject
// where it is ejectable; none when neither, or when the file system has no drive.
const char* StopMethod(const UdisksObject* drive) {
  if (!drive) return nullptr;
  if (drive->can_power_off) return "PowerOff";
  if (drive->ejectable) return "Eject";
  return nullptr;
}

std::string EjectThrough(UdisksBus& udisks, const std::string& mount_point) {
  const std::vector<UdisksObject> objects = udisks.ManagedObjects();
  const UdisksObject* filesystem = MountedAt(objects, mount_point);
  if (!filesystem) {
    throw Error(CannotEjectMessage("no udisks2 device is mounted at " + mount_point));
  }
  try {
    udisks.Call(filesystem->path, kFilesystem, "Unmount");
  } catch (const BusError& e) {
    if (e.name() == kDeviceBusy) throw Error(InUseMessage(e.what()));
    throw;
  }
  // From here on the player's data is safe; powering off only stops the disk.
  const UdisksObject* drive = DriveAt(objects, filesystem->drive);
  const char* stop = StopMethod(drive);
  if (!stop) return kEjectedMessage;
  try {
    udisks.Call(drive->path, kDrive, stop);
  } catch (const BusError& e) {
    return NotPoweredOffMessage(Detail(e));
  }
  return kEjectedMessage;
}

}  // namespace

std::string CannotEjectMessage(std::string_view detail) {
  return "Cannot eject the iHP here: " + Utf8ToAnsi(detail) +
         ". Unmount it with your file manager before you unplug it.";
}

std::string EjectPlayer(const std::string& mount_point, const BusAddress& bus) {
  std::string folder = mount_point;
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  FlushFileSystem(folder);
  try {
    UdisksBus udisks(bus);
    return EjectThrough(udisks, folder);
  } catch (const BusError& e) {
    throw Error(CannotEjectMessage(Detail(e)));
  }
}

}  // namespace plondex
