#include "platform/drives.h"

#include <sys/stat.h>

#include <cstdio>

#include "platform/ascii.h"
#include "platform/eject.h"
#include "platform/error.h"

namespace plondex {

char NormalizeDriveLetter(char letter) {
  const char lower = AsciiLower(letter);
  return lower >= 'a' && lower <= 'z' ? lower : 0;
}

std::string FormatVolumeSerial(uint32_t serial) {
  char text[16];
  std::snprintf(text, sizeof text, "%04X-%04X", static_cast<unsigned>(serial >> 16),
                static_cast<unsigned>(serial & 0xFFFF));
  return text;
}

void FolderDrives::Add(char letter, std::string folder, std::string label, std::string serial) {
  drives_[NormalizeDriveLetter(letter)] =
      Drive{std::move(folder), std::move(label), std::move(serial)};
}

const FolderDrives::Drive* FolderDrives::Find(char letter) const {
  const char l = NormalizeDriveLetter(letter);
  if (!l) return nullptr;
  auto it = drives_.find(l);
  return it == drives_.end() ? nullptr : &it->second;
}

bool FolderDrives::DrivePresent(char letter) const {
  const Drive* d = Find(letter);
  struct stat st;
  return d && ::stat(d->folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string FolderDrives::VolumeLabel(char letter) const {
  return DrivePresent(letter) ? Find(letter)->label : std::string();
}

std::string FolderDrives::VolumeSerialText(char letter) const {
  return DrivePresent(letter) ? Find(letter)->serial : std::string();
}

std::optional<std::string> FolderDrives::Root(char letter) const {
  const Drive* d = Find(letter);
  if (!d) return std::nullopt;
  return d->folder;
}

std::string FolderDrives::Eject(char letter, const EjectWait& /*wait*/) const {
  if (!DrivePresent(letter)) {
    throw Error(CannotEjectMessage(std::string("no drive is present as ") + letter + ":"));
  }
  drives_.erase(NormalizeDriveLetter(letter));
  return kEjectedMessage;
}

}  // namespace plondex
