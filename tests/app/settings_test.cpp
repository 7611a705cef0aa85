#include "app/core/settings.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/error.h"
#include "support/temp_dir.h"

namespace plondex {
namespace {

class SettingsTest : public ::testing::Test {
 protected:
  std::string Ini() const { return dir_.Path("plondex.ini"); }
  std::string Drive(const std::string& name) const { return dir_.MakeFolder(name); }
  test::TempDir dir_;
};

TEST_F(SettingsTest, MissingFileGivesDefaults) {
  const Settings s = LoadSettings(Ini());
  EXPECT_EQ(s.driveid, "");
  EXPECT_FALSE(s.verbose);
  EXPECT_FALSE(s.nowrite);
  EXPECT_EQ(s.playlists, "playlists");
  EXPECT_EQ(s.cutat, 32);
  EXPECT_EQ(s.usedrive, 0);
  EXPECT_TRUE(s.tagcache);
}

TEST_F(SettingsTest, ValuesAreReadAsTheyStand) {
  dir_.Write("plondex.ini",
             "[main]\ndriveid=1234-ABCD\ncutat=200\nplaylists=lists\\sub\nusedrive=7\n");
  const Settings s = LoadSettings(Ini());
  EXPECT_EQ(s.driveid, "1234-ABCD");
  EXPECT_EQ(s.cutat, 200);  // outside the dialog's bounds, used as it stands
  EXPECT_EQ(s.playlists, "lists\\sub");
  EXPECT_EQ(s.usedrive, 7);
}

TEST_F(SettingsTest, UnreadableFileIsAnError) {
  dir_.MakeFolder("plondex.ini");  // exists, cannot be read as a file
  EXPECT_THROW(LoadSettings(Ini()), Error);
}

TEST_F(SettingsTest, FindPlayerDriveTakesTheLastMatch) {
  FolderDrives drives;
  drives.Add('d', Drive("d"), "A", "1111-2222");
  drives.Add('g', Drive("g"), "B", "1111-2222");
  drives.Add('h', "/nonexistent-plondex", "C", "1111-2222");
  drives.Add('b', Drive("b"), "never", "1111-2222");
  EXPECT_EQ(FindPlayerDrive(drives, "1111-2222"), 'g');
  EXPECT_EQ(FindPlayerDrive(drives, "1111-2223"), kNoDrive);
  // An empty serial text matches a drive whose serial cannot be read.
  drives.Add('k', Drive("k"), "", "");
  EXPECT_EQ(FindPlayerDrive(drives, ""), 'k');
}

TEST_F(SettingsTest, PreselectionBySerialOrIhpLabel) {
  FolderDrives drives;
  drives.Add('c', Drive("c"), "SYSTEM", "AAAA-0001");
  drives.Add('e', Drive("e"), "My IHP-120 disk", "AAAA-0002");
  drives.Add('f', Drive("f"), "ihp-lower", "AAAA-0003");
  DriveChoices c = ListDriveChoices(drives, "");
  EXPECT_EQ(c.entries,
            (std::vector<std::string>{"c: SYSTEM", "e: My IHP-120 disk", "f: ihp-lower"}));
  EXPECT_EQ(c.serials, (std::vector<std::string>{"AAAA-0001", "AAAA-0002", "AAAA-0003"}));
  EXPECT_EQ(c.selection, 1);
  EXPECT_EQ(ListDriveChoices(drives, "AAAA-0003").selection, 2);
  EXPECT_EQ(ListDriveChoices(drives, "FFFF-FFFF").selection, -1);  // no label rule with a driveid
}

TEST_F(SettingsTest, ConfirmedOptionsWriteEveryKeyInOrderAndKeepTheRest) {
  FolderDrives drives;
  drives.Add('e', Drive("e"), "IHP-120", "1234-ABCD");
  dir_.Write("plondex.ini", "[other]\nx=1\n[main]\nCUTAT=10\nusedrive=3\n");
  Settings s = LoadSettings(Ini());
  const DriveChoices c = ListDriveChoices(drives, s.driveid);
  char drive = kNoDrive;
  SaveOptions(Ini(), c, OptionsAnswer{0, true, false, "pl", 40, false}, drives, s, drive);
  EXPECT_EQ(drive, 'e');
  EXPECT_EQ(s.driveid, "1234-ABCD");
  EXPECT_EQ(test::ReadNative(Ini()),
            "[other]\r\nx=1\r\n\r\n[main]\r\ncutat=40\r\nusedrive=3\r\ndriveid=1234-ABCD\r\n"
            "verbose=1\r\nnowrite=0\r\nplaylists=pl\r\ntagcache=0\r\n\r\n");
  EXPECT_FALSE(LoadSettings(Ini()).tagcache);
}

TEST_F(SettingsTest, NewFileHoldsTheKeysInTheirOrder) {
  FolderDrives drives;
  Settings s;
  char drive = 'q';
  SaveOptions(Ini(), ListDriveChoices(drives, ""), OptionsAnswer{-1, false, true, "", 32}, drives,
              s, drive);
  EXPECT_EQ(drive, kNoDrive);  // no selection keeps driveid empty
  EXPECT_EQ(test::ReadNative(Ini()),
            "[main]\r\ndriveid=\r\nverbose=0\r\nnowrite=1\r\nplaylists=\r\ncutat=32\r\n"
            "usedrive=0\r\ntagcache=1\r\n\r\n");
}

TEST_F(SettingsTest, FailedWriteKeepsTheNewValuesInMemory) {
  FolderDrives drives;
  drives.Add('e', Drive("e"), "IHP-120", "1234-ABCD");
  Settings s;
  char drive = kNoDrive;
  const std::string bad = dir_.Path("missing/plondex.ini");
  EXPECT_THROW(SaveOptions(bad, ListDriveChoices(drives, ""), OptionsAnswer{0, true, true, "x", 8},
                           drives, s, drive),
               Error);
  EXPECT_EQ(drive, 'e');
  EXPECT_TRUE(s.nowrite);
  EXPECT_EQ(s.cutat, 8);
}

}  // namespace
}  // namespace plondex
