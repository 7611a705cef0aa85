#include "platform/eject.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/error.h"
#include "platform/linux_drives.h"
#include "support/temp_dir.h"
#include "support/udisks2_fixture.h"

namespace plondex {
namespace {

using Calls = std::vector<std::string>;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr char kList[] =
    "/org/freedesktop/UDisks2 org.freedesktop.DBus.ObjectManager.GetManagedObjects()";
constexpr char kUnmount[] =
    "/org/freedesktop/UDisks2/block_devices/sdb1 org.freedesktop.UDisks2.Filesystem.Unmount({})";
constexpr char kPowerOff[] =
    "/org/freedesktop/UDisks2/drives/IHP_120_0123 org.freedesktop.UDisks2.Drive.PowerOff({})";
constexpr char kEject[] =
    "/org/freedesktop/UDisks2/drives/IHP_120_0123 org.freedesktop.UDisks2.Drive.Eject({})";

std::string CannotEject(const std::string& detail) {
  return "Cannot eject the iHP here: " + detail +
         ". Unmount it with your file manager before you unplug it.";
}

class Eject : public test::Udisks2Test {
 protected:
  Eject() : Udisks2Test("IHP 120") {}

  // What EjectPlayer answers, or the text of the Error it throws.
  static std::string EjectText(const std::string& mount_point, const BusAddress& bus,
                               const EjectWait& wait = {}) {
    try {
      return EjectPlayer(mount_point, bus, wait);
    } catch (const Error& e) {
      return e.what();
    }
  }
  std::string EjectPlayerAs(const test::Udisks2Mock::Player& player) {
    mock_->SetUpPlayer(player);
    return EjectText(player_.mount_point, mock_->bus());
  }
};

TEST_F(Eject, UnmountsThePlayerThenPowersItsDriveOff) {
  EXPECT_EQ(EjectPlayerAs(player_), "The iHP can be unplugged now.");
  EXPECT_EQ(mock_->TakeCalls(), (Calls{kList, kUnmount, kList, kPowerOff}));
}

TEST_F(Eject, ADriveThatCannotPowerOffIsEjectedOrOnlyUnmounted) {
  player_.can_power_off = false;
  player_.ejectable = true;
  EXPECT_EQ(EjectPlayerAs(player_), "The iHP can be unplugged now.");
  EXPECT_EQ(mock_->TakeCalls(), (Calls{kList, kUnmount, kList, kEject}));

  player_.ejectable = false;
  EXPECT_EQ(EjectPlayerAs(player_), "The iHP can be unplugged now.");
  EXPECT_EQ(mock_->TakeCalls(), (Calls{kList, kUnmount, kList}));
}

TEST_F(Eject, FailuresStopBeforeTheDriveIsPoweredOff) {
  const std::string missing = dir_.Path("gone");
  const std::string elsewhere = dir_.MakeFolder("elsewhere");
  struct Case {
    std::string mount_point, unmount_error, unmount_message, text;
    Calls calls;
  };
  const Case cases[] = {
      {player_.mount_point,
       "org.freedesktop.UDisks2.Error.DeviceBusy",
       "Error unmounting /dev/sdb1: target is busy",
       "The iHP is in use by another program and was not ejected: Error unmounting /dev/sdb1: "
       "target is busy",
       {kList, kUnmount}},
      {player_.mount_point,
       "org.freedesktop.UDisks2.Error.NotAuthorizedCanObtain",
       "Not authorized to perform operation",
       CannotEject("Not authorized to perform operation"),
       {kList, kUnmount}},
      {elsewhere, "", "", CannotEject("no udisks2 device is mounted at " + elsewhere), {kList}},
      {missing, "", "", CannotEject(missing + ": No such file or directory"), {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    test::Udisks2Mock::Player player = player_;
    player.unmount_error = c.unmount_error;
    player.unmount_message = c.unmount_message;
    mock_->SetUpPlayer(player);
    EXPECT_EQ(EjectText(c.mount_point, mock_->bus()), c.text);
    EXPECT_EQ(mock_->TakeCalls(), c.calls);
  }
}

TEST_F(Eject, ARefusedPowerOffStillSaysTheUnmountedPlayerIsSafe) {
  player_.stop_error = "org.freedesktop.UDisks2.Error.Failed";
  player_.stop_message = "Error powering off drive: no power control";
  EXPECT_EQ(EjectPlayerAs(player_),
            "The iHP is unmounted and can be unplugged now, but it could not be powered off: "
            "Error powering off drive: no power control");
  EXPECT_EQ(mock_->TakeCalls(), (Calls{kList, kUnmount, kList, kPowerOff}));
}

TEST_F(Eject, APlayerMountedTwiceIsLeftMountedAndAMountLeftBehindIsNoSuccess) {
  const std::string second = std::filesystem::canonical(dir_.MakeFolder("second")).string();
  player_.other_mount_points = {second};
  mock_->SetUpPlayer(player_);
  // udisks2 would take away only the mount it made, whichever place it is asked for.
  for (const std::string& named : {player_.mount_point, second}) {
    EXPECT_EQ(EjectText(named, mock_->bus()), "The iHP is mounted more than once (" +
                                                  player_.mount_point + ", " + second +
                                                  "). Unmount the other places first.");
    EXPECT_EQ(mock_->TakeCalls(), Calls{kList});
  }

  player_.other_mount_points = {};
  player_.left_after_unmount = {player_.mount_point};
  EXPECT_EQ(EjectPlayerAs(player_), CannotEject("it is still mounted at " + player_.mount_point));
  EXPECT_EQ(mock_->TakeCalls(), (Calls{kList, kUnmount, kList}));
}

TEST_F(Eject, AnUnansweredUnmountEndsInTimeOrWhenCancelled) {
  // Unmount answers only after the eject has stopped waiting for it.
  player_.unmount_ms = 400;
  mock_->SetUpPlayer(player_);
  EjectWait wait;
  wait.timeout = 50ms;
  Clock::time_point start = Clock::now();
  EXPECT_EQ(EjectText(player_.mount_point, mock_->bus(), wait),
            "The iHP was not ejected: permission was not given in time.");
  EXPECT_LT(Clock::now() - start, 300ms);
  EXPECT_EQ(mock_->TakeCalls(), (Calls{kList, kUnmount}));

  mock_->SetUpPlayer(player_);
  wait.timeout = 10s;
  wait.cancelled = [&start] { return Clock::now() - start > 100ms; };
  start = Clock::now();
  EXPECT_EQ(EjectText(player_.mount_point, mock_->bus(), wait),
            "The iHP was not ejected: the eject was cancelled.");
  EXPECT_LT(Clock::now() - start, 300ms);
  EXPECT_EQ(mock_->TakeCalls(), (Calls{kList, kUnmount}));

  // Cancelled before it began: nothing is asked of udisks2.
  mock_->SetUpPlayer(player_);
  wait.cancelled = [] { return true; };
  EXPECT_EQ(EjectText(player_.mount_point, mock_->bus(), wait),
            "The iHP was not ejected: the eject was cancelled.");
  EXPECT_EQ(mock_->TakeCalls(), Calls{});
}

TEST_F(Eject, WithoutUdisks2NothingHappens) {
  mock_->StopService();
  EXPECT_EQ(EjectText(player_.mount_point, mock_->bus()), CannotEject("udisks2 is not running"));
  mock_->StartService();

  const std::string nowhere = "unix:path=" + dir_.Path("no-bus");
  EXPECT_EQ(
      EjectText(player_.mount_point, BusAddress{nowhere}),
      CannotEject("cannot connect to the D-Bus bus at " + nowhere + ": No such file or directory"));
}

TEST_F(Eject, ALetterWithoutAMountIsNotEjected) {
  mock_->SetUpPlayer(player_);
  try {
    LinuxDriveTable(mock_->bus()).Eject('z', {});
    ADD_FAILURE() << "ejected z:";
  } catch (const Error& e) {
    EXPECT_EQ(e.what(), CannotEject("no drive is mounted as z:"));
  }
  EXPECT_EQ(mock_->TakeCalls(), Calls{});
}

}  // namespace
}  // namespace plondex
