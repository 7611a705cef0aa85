#include "app/core/settings.h"

#include "app/core/inifile.h"
#include "platform/files.h"

namespace plondex {
namespace {

constexpr char kSection[] = "main";

IniFile ReadIni(const std::string& ini_path) {
  IniFile ini;
  const FileLocation file(ini_path);
  if (FileExists(file)) ini.Parse(ReadWholeFile(file));
  return ini;
}

}  // namespace

Settings LoadSettings(const std::string& ini_path) {
  const IniFile ini = ReadIni(ini_path);
  Settings s;
  s.driveid = ini.ReadString(kSection, "driveid", "");
  s.verbose = ini.ReadBool(kSection, "verbose", false);
  s.nowrite = ini.ReadBool(kSection, "nowrite", false);
  s.playlists = ini.ReadString(kSection, "playlists", "playlists");
  s.cutat = ini.ReadInteger(kSection, "cutat", 32);
  s.usedrive = ini.ReadInteger(kSection, "usedrive", 0);
  s.tagcache = ini.ReadBool(kSection, "tagcache", true);
  return s;
}

char FindPlayerDrive(const DriveTable& drives, const std::string& driveid) {
  char found = kNoDrive;
  for (char letter = 'c'; letter <= 'z'; ++letter) {
    if (drives.DrivePresent(letter) && drives.VolumeSerialText(letter) == driveid) found = letter;
  }
  return found;
}

DriveChoices ListDriveChoices(const DriveTable& drives, const std::string& driveid) {
  DriveChoices choices;
  for (char letter = 'c'; letter <= 'z'; ++letter) {
    if (!drives.DrivePresent(letter)) continue;
    const std::string label = drives.VolumeLabel(letter);
    const std::string serial = drives.VolumeSerialText(letter);
    choices.entries.push_back(std::string(1, letter) + ": " + label);
    if (serial == driveid || (driveid.empty() && label.find("IHP-") != std::string::npos)) {
      choices.selection = static_cast<int>(choices.entries.size()) - 1;
    }
    choices.serials.push_back(serial);
  }
  return choices;
}

void SaveOptions(const std::string& ini_path, const DriveChoices& choices,
                 const OptionsAnswer& answer, const DriveTable& drives, Settings& settings,
                 char& player_drive) {
  IniFile ini = ReadIni(ini_path);
  if (answer.selection >= 0 && answer.selection < static_cast<int>(choices.serials.size())) {
    settings.driveid = choices.serials[answer.selection];
  }
  ini.Write(kSection, "driveid", settings.driveid);
  settings.verbose = answer.verbose;
  ini.Write(kSection, "verbose", settings.verbose ? "1" : "0");
  settings.nowrite = answer.nowrite;
  ini.Write(kSection, "nowrite", settings.nowrite ? "1" : "0");
  settings.playlists = answer.playlists;
  ini.Write(kSection, "playlists", settings.playlists);
  settings.cutat = answer.cutat;
  ini.Write(kSection, "cutat", std::to_string(settings.cutat));
  ini.Write(kSection, "usedrive", std::to_string(settings.usedrive));
  settings.tagcache = answer.tagcache;
  ini.Write(kSection, "tagcache", settings.tagcache ? "1" : "0");
  player_drive = FindPlayerDrive(drives, settings.driveid);
  WriteWholeFile(FileLocation(ini_path), ini.Serialize());
}

}  // namespace plondex
