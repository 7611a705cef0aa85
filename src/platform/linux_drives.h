#pragma once

// The drive table on Linux. The player is found by the serial of its FAT file system, which Linux
// shows as the volume UUID "XXXX-XXXX". Facts are gathered from /proc/self/mountinfo,
// /dev/disk/by-uuid, /dev/disk/by-label and the FAT volume-id ioctl; the rules that turn them
// into letters are pure functions, so they can be tested on made-up facts.

#include <sys/types.h>

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/drives.h"
#include "platform/udisks_bus.h"

namespace plondex {

struct MountFact {
  std::string mount_point;  // unescaped
  std::string fs_type;
  std::string source;
  dev_t device = 0;  // the st_dev of files on the mount, from the major:minor field
};

// A /dev/disk/by-uuid or by-label entry: its name and the st_rdev of the device it points at.
struct LinkFact {
  std::string name;
  dev_t device = 0;
};

struct LinuxDrive {
  char letter = 0;
  std::string mount_point;
  std::string label;   // 8-bit text
  std::string serial;  // "0012-ABCD" or empty
};

// The mounts that may be a player: a block device as source, and a mount point below /media/,
// /run/media/ or /mnt/, or a FAT or exFAT file system. Virtual file systems never count. One
// mount per mount point (the last line wins, as the later mount hides the earlier one).
std::vector<MountFact> SelectCandidateMounts(std::string_view mountinfo);

// Letters c to z handed out in the byte-wise order of the mount points; serial and label from the
// links whose device matches the mount, the serial from ioctl_serials (by mount point) where no
// UUID link matches.
std::vector<LinuxDrive> AssignDrives(std::vector<MountFact> candidates,
                                     const std::vector<LinkFact>& uuid_links,
                                     const std::vector<LinkFact>& label_links,
                                     const std::map<std::string, uint32_t>& ioctl_serials);

// "3e6be9de-8139-..." -> "3E6B-E9DE": the first 8 hex digits as the serial; empty when none.
std::string SerialFromUuid(std::string_view uuid);
// Decodes the \xNN escapes of udev's link names and mountinfo's \NNN octal escapes.
std::string DecodeUdevEscapes(std::string_view name);
std::string DecodeMountEscapes(std::string_view field);
// The FAT file system types whose serial the volume-id ioctl can read.
bool IsFatFileSystem(std::string_view fs_type);

class LinuxDriveTable : public DriveTable {
 public:
  // Ejects through udisks2 on the given bus; the default is the system bus.
  explicit LinuxDriveTable(BusAddress udisks = {}) : udisks_(std::move(udisks)) {}

  bool DrivePresent(char letter) const override;
  std::string VolumeLabel(char letter) const override;
  std::string VolumeSerialText(char letter) const override;
  std::optional<std::string> Root(char letter) const override;
  std::string Eject(char letter, const EjectWait& wait) const override;

 private:
  // Re-reads the mount table and rebuilds the drives when it changed.
  void Refresh() const;
  const LinuxDrive* Find(char letter) const;

  BusAddress udisks_;
  mutable bool built_ = false;
  mutable std::string mountinfo_;
  mutable std::vector<LinuxDrive> drives_;
};

}  // namespace plondex
