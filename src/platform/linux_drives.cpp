#include "platform/linux_drives.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/msdos_fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <set>
#include <sstream>

#include "platform/ascii.h"
#include "platform/codepage.h"
#include "platform/eject.h"
#include "platform/error.h"
#include "platform/files.h"
#include "platform/numbers.h"

namespace plondex {
namespace {

std::vector<std::string_view> SplitFields(std::string_view line) {
  std::vector<std::string_view> fields;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    const size_t start = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
    if (i > start) fields.push_back(line.substr(start, i - start));
  }
  return fields;
}

bool StartsWith(std::string_view s, std::string_view prefix) {
  return s.substr(0, prefix.size()) == prefix;
}

bool IsVirtualFileSystem(std::string_view fs) {
  static const std::set<std::string_view> kVirtual = {
      "proc",     "sysfs",       "tmpfs",      "devtmpfs", "devpts",   "cgroup",     "cgroup2",
      "overlay",  "squashfs",    "autofs",     "debugfs",  "tracefs",  "securityfs", "pstore",
      "bpf",      "mqueue",      "hugetlbfs",  "fusectl",  "configfs", "ramfs",      "nsfs",
      "efivarfs", "binfmt_misc", "rpc_pipefs", "nfsd"};
  return kVirtual.count(fs) > 0;
}

// A device number: decimal digits alone, at most 9 of them.
std::optional<unsigned> ParseNumber(std::string_view s) {
  if (s.size() > 9) return std::nullopt;
  const std::optional<int64_t> v = ParseWholeNumber(s);
  if (!v) return std::nullopt;
  return static_cast<unsigned>(*v);
}

std::vector<LinkFact> ReadLinks(const char* folder) {
  std::vector<LinkFact> links;
  DIR* dir = ::opendir(folder);
  if (!dir) return links;
  while (dirent* e = ::readdir(dir)) {
    if (e->d_name[0] == '.') continue;
    const std::string full = JoinNative(folder, e->d_name);
    struct stat st;
    // A dangling link, or one to anything but a block device, says nothing.
    if (::stat(full.c_str(), &st) != 0 || !S_ISBLK(st.st_mode)) continue;
    links.push_back(LinkFact{e->d_name, st.st_rdev});
  }
  ::closedir(dir);
  return links;
}

std::optional<uint32_t> FatVolumeId(const std::string& mount_point) {
  const int fd = ::open(mount_point.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return std::nullopt;
  uint32_t id = 0;
  const int r = ::ioctl(fd, FAT_IOCTL_GET_VOLUME_ID, &id);
  ::close(fd);
  if (r < 0) return std::nullopt;
  return id;
}

std::string ReadMountInfo() {
  std::ifstream in("/proc/self/mountinfo", std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace

std::string DecodeMountEscapes(std::string_view field) {
  std::string out;
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size()) {
      const std::string_view oct = field.substr(i + 1, 3);
      if (oct.size() == 3 &&
          std::all_of(oct.begin(), oct.end(), [](char c) { return c >= '0' && c <= '7'; })) {
        out.push_back(static_cast<char>((oct[0] - '0') * 64 + (oct[1] - '0') * 8 + (oct[2] - '0')));
        i += 3;
        continue;
      }
    }
    out.push_back(field[i]);
  }
  return out;
}

std::string DecodeUdevEscapes(std::string_view name) {
  std::string out;
  for (size_t i = 0; i < name.size(); ++i) {
    if (name[i] == '\\' && i + 3 < name.size() && name[i + 1] == 'x') {
      const int byte = HexByteValue(name[i + 2], name[i + 3]);
      if (byte >= 0) {
        out.push_back(static_cast<char>(byte));
        i += 3;
        continue;
      }
    }
    out.push_back(name[i]);
  }
  return out;
}

bool IsFatFileSystem(std::string_view fs_type) {
  return fs_type == "vfat" || fs_type == "msdos" || fs_type == "fat" || fs_type == "umsdos";
}

std::string SerialFromUuid(std::string_view uuid) {
  std::string hex;
  for (char c : uuid) {
    if (HexDigitValue(c) >= 0) {
      hex.push_back(AsciiUpper(c));
      if (hex.size() == 8) break;
    } else if (c != '-') {
      return {};  // not a UUID we can read as a serial
    }
  }
  if (hex.empty()) return {};
  hex.insert(0, 8 - hex.size(), '0');
  return hex.substr(0, 4) + "-" + hex.substr(4, 4);
}

std::vector<MountFact> SelectCandidateMounts(std::string_view mountinfo) {
  std::vector<MountFact> mounts;
  size_t start = 0;
  while (start < mountinfo.size()) {
    size_t end = mountinfo.find('\n', start);
    if (end == std::string_view::npos) end = mountinfo.size();
    const std::vector<std::string_view> f = SplitFields(mountinfo.substr(start, end - start));
    start = end + 1;
    // id parent major:minor root mount-point options [optional...] - fstype source super-options
    const auto dash = std::find(f.begin(), f.end(), std::string_view("-"));
    if (f.size() < 5 || dash == f.end() || dash - f.begin() < 6 || f.end() - dash < 3) continue;
    const std::string_view dev = f[2];
    const size_t colon = dev.find(':');
    if (colon == std::string_view::npos) continue;
    const auto major = ParseNumber(dev.substr(0, colon));
    const auto minor = ParseNumber(dev.substr(colon + 1));
    if (!major || !minor) continue;
    MountFact m;
    m.mount_point = DecodeMountEscapes(f[4]);
    m.fs_type = std::string(*(dash + 1));
    m.source = DecodeMountEscapes(*(dash + 2));
    m.device = makedev(*major, *minor);
    if (IsVirtualFileSystem(m.fs_type) || !StartsWith(m.source, "/dev/")) continue;
    const bool media_place = StartsWith(m.mount_point, "/media/") ||
                             StartsWith(m.mount_point, "/run/media/") ||
                             StartsWith(m.mount_point, "/mnt/");
    if (!media_place && !IsFatFileSystem(m.fs_type) && m.fs_type != "exfat") continue;
    auto same = std::find_if(mounts.begin(), mounts.end(),
                             [&](const MountFact& o) { return o.mount_point == m.mount_point; });
    if (same != mounts.end()) mounts.erase(same);
    mounts.push_back(std::move(m));
  }
  return mounts;
}

std::vector<LinuxDrive> AssignDrives(std::vector<MountFact> candidates,
                                     const std::vector<LinkFact>& uuid_links,
                                     const std::vector<LinkFact>& label_links,
                                     const std::map<std::string, uint32_t>& ioctl_serials) {
  std::sort(candidates.begin(), candidates.end(),
            [](const MountFact& a, const MountFact& b) { return a.mount_point < b.mount_point; });
  std::vector<LinuxDrive> drives;
  char letter = 'c';
  for (const MountFact& m : candidates) {
    if (letter > 'z') break;
    LinuxDrive d;
    d.letter = letter++;
    d.mount_point = m.mount_point;
    for (const LinkFact& l : uuid_links) {
      if (l.device == m.device) {
        d.serial = SerialFromUuid(DecodeUdevEscapes(l.name));
        if (!d.serial.empty()) break;
      }
    }
    if (d.serial.empty()) {
      if (auto it = ioctl_serials.find(m.mount_point); it != ioctl_serials.end()) {
        d.serial = FormatVolumeSerial(it->second);
      }
    }
    for (const LinkFact& l : label_links) {
      if (l.device == m.device) {
        d.label = Utf8ToAnsi(DecodeUdevEscapes(l.name));
        break;
      }
    }
    drives.push_back(std::move(d));
  }
  return drives;
}

void LinuxDriveTable::Refresh() const {
  std::string info = ReadMountInfo();
  if (built_ && info == mountinfo_) return;
  mountinfo_ = std::move(info);
  built_ = true;
  std::vector<MountFact> candidates = SelectCandidateMounts(mountinfo_);
  const std::vector<LinkFact> uuids = ReadLinks("/dev/disk/by-uuid");
  const std::vector<LinkFact> labels = ReadLinks("/dev/disk/by-label");
  std::map<std::string, uint32_t> ioctl_serials;
  for (const MountFact& m : candidates) {
    const bool has_link = std::any_of(uuids.begin(), uuids.end(),
                                      [&](const LinkFact& l) { return l.device == m.device; });
    if (!has_link && IsFatFileSystem(m.fs_type)) {
      if (auto id = FatVolumeId(m.mount_point)) ioctl_serials[m.mount_point] = *id;
    }
  }
  drives_ = AssignDrives(std::move(candidates), uuids, labels, ioctl_serials);
}

const LinuxDrive* LinuxDriveTable::Find(char letter) const {
  const char l = NormalizeDriveLetter(letter);
  for (const LinuxDrive& d : drives_) {
    if (d.letter == l) return &d;
  }
  return nullptr;
}

bool LinuxDriveTable::DrivePresent(char letter) const {
  Refresh();
  const LinuxDrive* d = Find(letter);
  struct statvfs st;
  return d && ::statvfs(d->mount_point.c_str(), &st) == 0;
}

std::string LinuxDriveTable::VolumeLabel(char letter) const {
  Refresh();
  const LinuxDrive* d = Find(letter);
  return d ? d->label : std::string();
}

std::string LinuxDriveTable::VolumeSerialText(char letter) const {
  Refresh();
  const LinuxDrive* d = Find(letter);
  return d ? d->serial : std::string();
}

std::optional<std::string> LinuxDriveTable::Root(char letter) const {
  if (!built_) Refresh();
  const LinuxDrive* d = Find(letter);
  if (!d) return std::nullopt;
  return d->mount_point;
}

std::string LinuxDriveTable::Eject(char letter, const EjectWait& wait) const {
  Refresh();
  const LinuxDrive* d = Find(letter);
  if (!d) throw Error(CannotEjectMessage(std::string("no drive is mounted as ") + letter + ":"));
  return EjectPlayer(d->mount_point, udisks_, wait);
}

}  // namespace plondex
