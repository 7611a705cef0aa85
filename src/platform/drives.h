#pragma once

// The drive table: what stands for drive letters on this system. Whoever reaches the player's
// files is given one (see PlayerFiles): the window, the command line and each test own theirs.

#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <string>

namespace plondex {

// How long ejecting waits for the system, and what stops the wait sooner: the system may wait for
// the disk, or for the user to allow the eject.
struct EjectWait {
  // Asked a few times a second while waiting; true gives up. Empty: never.
  std::function<bool()> cancelled;
  // The longest wait for one answer of the system.
  std::chrono::milliseconds timeout = std::chrono::minutes(2);
};

class DriveTable {
 public:
  virtual ~DriveTable() = default;

  // True when a disk is ready in the drive. Upper- or lower-case letters; anything that is not a
  // letter gives false.
  virtual bool DrivePresent(char letter) const = 0;
  // The volume label as 8-bit text; empty when unknown.
  virtual std::string VolumeLabel(char letter) const = 0;
  // The 32-bit volume serial as "0012-ABCD"; empty when unknown.
  virtual std::string VolumeSerialText(char letter) const = 0;
  // The native folder that is the drive's root, when the letter stands for one.
  virtual std::optional<std::string> Root(char letter) const = 0;
  // Ejects the drive so it can be unplugged; afterwards the letter is no longer present. Answers
  // what the user is told; throws Error with the text for the user when the drive stays, also
  // when the wait ends first. Const as the other questions are: it acts on the drives, not on how
  // letters are handed out.
  virtual std::string Eject(char letter, const EjectWait& wait) const = 0;
};

// Letters mapped to plain folders, each with a label and a serial of its own. The demo, the CLI and
// the tests use it; a letter counts as present while its folder exists. Ejecting removes the
// letter and leaves the folder as it is.
class FolderDrives : public DriveTable {
 public:
  void Add(char letter, std::string folder, std::string label, std::string serial);

  bool DrivePresent(char letter) const override;
  std::string VolumeLabel(char letter) const override;
  std::string VolumeSerialText(char letter) const override;
  std::optional<std::string> Root(char letter) const override;
  std::string Eject(char letter, const EjectWait& wait) const override;

 private:
  struct Drive {
    std::string folder, label, serial;
  };
  const Drive* Find(char letter) const;
  mutable std::map<char, Drive> drives_;  // mutable: ejecting takes a drive away
};

// Formats a 32-bit serial as its upper and lower 16 bits in upper-case hex: "0012-ABCD".
std::string FormatVolumeSerial(uint32_t serial);

// Lower-cases a drive letter; 0 when the character is not a letter.
char NormalizeDriveLetter(char letter);

}  // namespace plondex
