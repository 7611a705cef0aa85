#include "platform/eject.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
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

// "A, B": mount points as udisks2 gives them (UTF-8), as 8-bit text.
std::string ListOfPlaces(const std::vector<std::string>& mount_points) {
  std::string list;
  for (const std::string& point : mount_points) {
    if (!list.empty()) list += ", ";
    list += Utf8ToAnsi(point);
  }
  return list;
}

std::string MountedMoreThanOnceMessage(const std::vector<std::string>& mount_points) {
  return "The iHP is mounted more than once (" + ListOfPlaces(mount_points) +
         "). Unmount the other places first.";
}

std::string NotEjectedMessage(std::string_view detail) {
  return "The iHP was not ejected: " + std::string(detail) + ".";
}

// What the user reads of a failed exchange with udisks2. acting: udisks2 was asked to unmount or
// power off, which waits for the user's permission where it needs one.
std::string Detail(const BusError& e, bool acting = false) {
  switch (e.kind()) {
    case BusError::Kind::kCancelled:
      return "the eject was cancelled";
    case BusError::Kind::kTimedOut:
      return acting ? "permission was not given in time" : "udisks2 did not answer in time";
    case BusError::Kind::kFailed:
      break;
  }
  if (e.name() == "org.freedesktop.DBus.Error.ServiceUnknown" ||
      e.name() == "org.freedesktop.DBus.Error.NameHasNoOwner") {
    return "udisks2 is not running";
  }
  return e.what();
}

// The folder the player is mounted at, as the kernel and udisks2 name it: absolute, without
// symbolic links and without a trailing slash.
std::string ResolvedFolder(const std::string& folder) {
  char resolved[PATH_MAX];
  if (!::realpath(folder.c_str(), resolved)) {
    throw Error(CannotEjectMessage(folder + ": " + SystemErrorText(errno)));
  }
  return resolved;
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

// Where the file system at path is mounted now; nowhere when udisks2 no longer lists it.
std::vector<std::string> MountPointsOf(const std::vector<UdisksObject>& objects,
                                       const std::string& path) {
  for (const UdisksObject& o : objects) {
    if (o.is_filesystem && o.path == path) return o.mount_points;
  }
  return {};
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

std::string EjectThrough(UdisksBus& udisks, const std::string& mount_point, const EjectWait& wait) {
  const std::vector<UdisksObject> objects = udisks.ManagedObjects();
  const UdisksObject* filesystem = MountedAt(objects, mount_point);
  if (!filesystem) {
    throw Error(CannotEjectMessage("no udisks2 device is mounted at " + mount_point));
  }
  // udisks2 unmounts only the mount it made, whichever place it is asked for.
  if (filesystem->mount_points.size() > 1) {
    throw Error(MountedMoreThanOnceMessage(filesystem->mount_points));
  }
  try {
    udisks.Call(filesystem->path, kFilesystem, "Unmount", wait.timeout);
  } catch (const BusError& e) {
    if (e.name() == kDeviceBusy) throw Error(InUseMessage(e.what()));
    if (e.kind() == BusError::Kind::kFailed) throw;
    throw Error(NotEjectedMessage(Detail(e, /*acting=*/true)));
  }
  // udisks2 answers once its list of mounts has caught up, so a mount still listed is there.
  const std::vector<std::string> left = MountPointsOf(udisks.ManagedObjects(), filesystem->path);
  if (!left.empty()) {
    throw Error(CannotEjectMessage("it is still mounted at " + ListOfPlaces(left)));
  }
  // From here on the player's data is safe; powering off only stops the disk.
  const UdisksObject* drive = DriveAt(objects, filesystem->drive);
  const char* stop = StopMethod(drive);
  if (!stop) return kEjectedMessage;
  try {
    udisks.Call(drive->path, kDrive, stop, wait.timeout);
  } catch (const BusError& e) {
    return NotPoweredOffMessage(Detail(e, /*acting=*/true));
  }
  return kEjectedMessage;
}

}  // namespace

std::string CannotEjectMessage(std::string_view detail) {
  return "Cannot eject the iHP here: " + Utf8ToAnsi(detail) +
         ". Unmount it with your file manager before you unplug it.";
}

std::string EjectPlayer(const std::string& mount_point, const BusAddress& bus,
                        const EjectWait& wait) {
  const std::string folder = ResolvedFolder(mount_point);
  FlushFileSystem(folder);
  try {
    UdisksBus udisks(bus, wait.cancelled);
    return EjectThrough(udisks, folder, wait);
  } catch (const BusError& e) {
    if (e.kind() == BusError::Kind::kCancelled) throw Error(NotEjectedMessage(Detail(e)));
    throw Error(CannotEjectMessage(Detail(e)));
  }
}

}  // namespace plondex
