#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/run_cli.h"
#include "support/udisks2_fixture.h"

namespace plondex {
namespace {

using test::CliRun;
using test::RunCli;

class EjectCli : public test::Udisks2Test {
 protected:
  EjectCli() : Udisks2Test("player") {}
};

TEST_F(EjectCli, EjectsTheDriveMountedAtTheFolder) {
  mock_->SetUpPlayer(player_);
  const CliRun run =
      RunCli(dir_, {"eject", "--mount-point", player_.mount_point, "--bus", mock_->bus().address});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "The iHP can be unplugged now.\n");
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(mock_->TakeCalls(),
            (std::vector<std::string>{
                "/org/freedesktop/UDisks2 org.freedesktop.DBus.ObjectManager.GetManagedObjects()",
                "/org/freedesktop/UDisks2/block_devices/sdb1 "
                "org.freedesktop.UDisks2.Filesystem.Unmount({})",
                "/org/freedesktop/UDisks2 org.freedesktop.DBus.ObjectManager.GetManagedObjects()",
                "/org/freedesktop/UDisks2/drives/IHP_120_0123 "
                "org.freedesktop.UDisks2.Drive.PowerOff({})"}));
}

TEST_F(EjectCli, TheFolderMayBeRelativeOrReachedThroughALink) {
  const std::string link = dir_.Path("link");
  std::filesystem::create_directory_symlink(player_.mount_point, link);
  const std::string relative =
      std::filesystem::relative(player_.mount_point, std::filesystem::current_path()).string();
  for (const std::string& folder : {relative, link, link + "/", player_.mount_point + "//"}) {
    SCOPED_TRACE(folder);
    mock_->SetUpPlayer(player_);
    const CliRun run =
        RunCli(dir_, {"eject", "--mount-point", folder, "--bus", mock_->bus().address});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "The iHP can be unplugged now.\n");
    EXPECT_EQ(mock_->TakeCalls().size(), 4u);
  }
}

TEST_F(EjectCli, FailuresGoToStandardErrorWithStatus1) {
  player_.unmount_error = "org.freedesktop.UDisks2.Error.DeviceBusy";
  player_.unmount_message = "Error unmounting /dev/sdb1: target is busy";
  mock_->SetUpPlayer(player_);
  CliRun run =
      RunCli(dir_, {"eject", "--bus", mock_->bus().address, "--mount-point", player_.mount_point});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err,
            "The iHP is in use by another program and was not ejected: Error unmounting "
            "/dev/sdb1: target is busy\n");

  player_.unmount_error = "";
  player_.other_mount_points = {"/media/user/IHP"};
  mock_->SetUpPlayer(player_);
  run =
      RunCli(dir_, {"eject", "--mount-point", player_.mount_point, "--bus", mock_->bus().address});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "The iHP is mounted more than once (" + player_.mount_point +
                         ", /media/user/IHP). Unmount the other places first.\n");

  run = RunCli(dir_, {"eject", "z", "--bus", mock_->bus().address});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err,
            "Cannot eject the iHP here: no drive is mounted as z:. Unmount it with your file "
            "manager before you unplug it.\n");
}

TEST_F(EjectCli, WrongUsageIsStatus2) {
  mock_->SetUpPlayer(player_);
  const std::vector<std::vector<std::string>> usages = {
      {"eject"},
      {"eject", "e", "f"},
      {"eject", "e", "--mount-point", player_.mount_point},
      {"eject", "ef"},
      {"eject", "e", "--bus"},
      {"eject", "--mount-point", ""},
  };
  for (const auto& args : usages) {
    const CliRun run = RunCli(dir_, args);
    EXPECT_EQ(run.status, 2) << args.back();
    EXPECT_NE(run.err.find("usage: plondex-cli eject LETTER|--mount-point DIR [--bus ADDRESS]"),
              std::string::npos);
  }
  EXPECT_EQ(mock_->TakeCalls(), std::vector<std::string>{});
}

}  // namespace
}  // namespace plondex
