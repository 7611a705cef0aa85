#include "platform/linux_drives.h"

#include <gtest/gtest.h>
#include <sys/sysmacros.h>

#include "platform/error.h"
#include "support/temp_dir.h"

namespace plondex {
namespace {

constexpr char kMountInfo[] =
    "22 27 0:21 / /proc rw,relatime - proc proc rw\n"
    "27 1 8:1 / / rw,relatime - ext4 /dev/sda1 rw\n"
    "40 27 8:17 / /media/user/IHP\\040120 rw - vfat /dev/sdb1 rw,fmask=0022\n"
    "41 27 8:33 / /mnt/usb rw shared:5 master:1 - ext4 /dev/sdc1 rw\n"
    "42 27 0:50 / /mnt/net rw - nfs server:/x rw\n"
    "43 27 8:49 / /data/fat rw - exfat /dev/sdd1 rw\n"
    "44 27 0:60 / /media/tmp rw - tmpfs tmpfs rw\n"
    "garbage line\n"
    "45 27 x:y / /mnt/odd rw - vfat /dev/sde1 rw\n"
    "46 27 8:65 / /home rw - ext4 /dev/sdf1 rw\n";

TEST(LinuxDrives, CandidatesAreBlockDevicesInMediaPlacesOrFat) {
  const auto mounts = SelectCandidateMounts(kMountInfo);
  std::vector<std::string> points;
  for (const auto& m : mounts) points.push_back(m.mount_point);
  EXPECT_EQ(points, (std::vector<std::string>{"/media/user/IHP 120", "/mnt/usb", "/data/fat"}));
  EXPECT_EQ(mounts[0].device, makedev(8, 17));
  EXPECT_EQ(mounts[0].fs_type, "vfat");
}

TEST(LinuxDrives, LettersFollowSortedMountPointsAndLinksGiveSerialAndLabel) {
  const auto mounts = SelectCandidateMounts(kMountInfo);
  const std::vector<LinkFact> uuids = {{"12AB-34CD", makedev(8, 17)},
                                       {"3e6be9de-8139-11d1-9106-a43f08d823a6", makedev(8, 33)}};
  const std::vector<LinkFact> labels = {{"IHP-120\\x20DEMO", makedev(8, 17)}};
  const auto drives = AssignDrives(mounts, uuids, labels, {{"/data/fat", 0x0012ABCDu}});
  ASSERT_EQ(drives.size(), 3u);
  EXPECT_EQ(drives[0].letter, 'c');
  EXPECT_EQ(drives[0].mount_point, "/data/fat");
  EXPECT_EQ(drives[0].serial, "0012-ABCD");  // no link: the ioctl's answer
  EXPECT_EQ(drives[0].label, "");
  EXPECT_EQ(drives[1].letter, 'd');
  EXPECT_EQ(drives[1].serial, "12AB-34CD");
  EXPECT_EQ(drives[1].label, "IHP-120 DEMO");
  EXPECT_EQ(drives[2].serial, "3E6B-E9DE");  // a longer UUID gives its first 8 digits
}

TEST(LinuxDrives, MissingFactsGiveEmptyTexts) {
  const auto drives = AssignDrives(SelectCandidateMounts(kMountInfo), {}, {}, {});
  ASSERT_EQ(drives.size(), 3u);
  for (const auto& d : drives) {
    EXPECT_EQ(d.serial, "");
    EXPECT_EQ(d.label, "");
  }
}

TEST(LinuxDrives, TwoDrivesMayShareOneSerial) {
  const std::string info =
      "1 0 8:1 / /media/a rw - vfat /dev/sdb1 rw\n2 0 8:2 / /media/b rw - vfat /dev/sdc1 rw\n";
  const auto drives =
      AssignDrives(SelectCandidateMounts(info),
                   {{"AAAA-BBBB", makedev(8, 1)}, {"AAAA-BBBB", makedev(8, 2)}}, {}, {});
  ASSERT_EQ(drives.size(), 2u);
  EXPECT_EQ(drives[0].serial, drives[1].serial);
}

TEST(LinuxDrives, AtMostTwentyFourLetters) {
  std::string info;
  for (int i = 0; i < 30; ++i) {
    info += std::to_string(i) + " 0 8:" + std::to_string(i) + " / /media/d" + (i < 10 ? "0" : "") +
            std::to_string(i) + " rw - vfat /dev/sd" + std::to_string(i) + " rw\n";
  }
  const auto drives = AssignDrives(SelectCandidateMounts(info), {}, {}, {});
  ASSERT_EQ(drives.size(), 24u);
  EXPECT_EQ(drives.back().letter, 'z');
}

TEST(LinuxDrives, EscapesAndSerialTexts) {
  EXPECT_EQ(DecodeMountEscapes("/media/a\\040b\\134c\\011"), "/media/a b\\c\t");
  EXPECT_EQ(DecodeMountEscapes("/x\\04"), "/x\\04");
  EXPECT_EQ(DecodeUdevEscapes("My\\x20Player\\x2f"), "My Player/");
  EXPECT_EQ(DecodeUdevEscapes("bad\\xZZ"), "bad\\xZZ");
  EXPECT_EQ(SerialFromUuid("abcd-1234"), "ABCD-1234");
  EXPECT_EQ(SerialFromUuid("1234567890ABCDEF"), "1234-5678");
  EXPECT_EQ(SerialFromUuid("12"), "0000-0012");
  EXPECT_EQ(SerialFromUuid(""), "");
  EXPECT_EQ(SerialFromUuid("not a uuid"), "");
  EXPECT_EQ(FormatVolumeSerial(0x0012ABCD), "0012-ABCD");
}

TEST(FolderDrives, PresentWhileTheFolderExists) {
  FolderDrives drives;
  drives.Add('E', "/nonexistent-plondex", "L", "1111-2222");
  drives.Add('f', "/", "ROOT", "3333-4444");
  EXPECT_FALSE(drives.DrivePresent('e'));
  EXPECT_EQ(drives.VolumeSerialText('e'), "");
  EXPECT_TRUE(drives.DrivePresent('F'));
  EXPECT_EQ(drives.VolumeLabel('f'), "ROOT");
  EXPECT_FALSE(drives.DrivePresent('1'));
  EXPECT_FALSE(drives.DrivePresent('g'));
}

TEST(FolderDrives, EjectTakesTheLetterAwayAndLeavesTheFolder) {
  test::TempDir dir;
  const std::string player = dir.Write("player/iRivNavi.iDB", "db");
  FolderDrives drives;
  drives.Add('e', dir.Path("player"), "IHP-120", "1234-ABCD");
  EXPECT_EQ(drives.Eject('E', {}), "The iHP can be unplugged now.");
  EXPECT_FALSE(drives.DrivePresent('e'));
  EXPECT_EQ(drives.Root('e'), std::nullopt);
  EXPECT_EQ(test::ReadNative(player), "db");
  try {
    drives.Eject('e', {});
    ADD_FAILURE() << "ejected twice";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(),
                 "Cannot eject the iHP here: no drive is present as e:. Unmount it with your file "
                 "manager before you unplug it.");
  }
}

}  // namespace
}  // namespace plondex
