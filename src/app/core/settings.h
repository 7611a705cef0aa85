#pragma once

// The settings of section "main" of plondex.ini, the search for the player's drive and the
// options dialog's logic.

#include <string>
#include <vector>

#include "platform/drives.h"

namespace plondex {

inline constexpr char kSettingsFileName[] = "plondex.ini";
inline constexpr char kNoDrive = ' ';

struct Settings {
  std::string driveid;  // the player's volume serial text
  bool verbose = false;
  bool nowrite = false;
  std::string playlists = "playlists";
  int cutat = 32;
  int usedrive = 0;      // carried through unchanged
  bool tagcache = true;  // builds remember each song's tags between them
};

// Reads the settings file; a missing file gives the defaults. A file that exists but cannot be
// read throws plondex::Error.
Settings LoadSettings(const std::string& ini_path);

// The last letter c..z whose drive is present and whose serial text equals driveid exactly;
// kNoDrive when none.
char FindPlayerDrive(const DriveTable& drives, const std::string& driveid);

// What the options dialog shows of the drives.
struct DriveChoices {
  std::vector<std::string> entries;  // "e: LABEL" per present drive, c..z
  std::vector<std::string> serials;  // the serial text of each entry
  int selection = -1;                // the pre-selected entry, or -1
};

// One entry per present drive; pre-selects the drive whose serial equals driveid or, when
// driveid is empty, whose label holds "IHP-" (exact case); a later match wins.
DriveChoices ListDriveChoices(const DriveTable& drives, const std::string& driveid);

// What the user confirmed in the options dialog.
struct OptionsAnswer {
  int selection = -1;
  bool verbose = false;
  bool nowrite = false;
  std::string playlists;
  int cutat = 32;
  bool tagcache = true;
};

// A confirmed options dialog: reads the settings file (to keep what else it holds), stores the
// answer in settings and the file, finds the player drive again, and writes the file. When the
// write fails, settings and player_drive already hold their new values and plondex::Error is
// thrown.
void SaveOptions(const std::string& ini_path, const DriveChoices& choices,
                 const OptionsAnswer& answer, const DriveTable& drives, Settings& settings,
                 char& player_drive);

}  // namespace plondex
