#pragma once

// A mock udisks2 on a private D-Bus bus, for the eject tests: udisks2_mock.py runs the bus and
// the mock for as long as the object lives, and is driven over a pipe. Meanwhile the system bus
// of the process and its children is an address where nothing answers, so a test that forgets
// to name the mock's bus fails instead of reaching the machine's udisks2.

#include <sys/types.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/udisks_bus.h"

namespace plondex::test {

class Udisks2Mock {
 public:
  // Starts the bus and the mock; throws std::runtime_error when they do not come up. When
  // python3-dbusmock is not installed, nothing is started and skip_reason() says so.
  Udisks2Mock();
  ~Udisks2Mock();
  Udisks2Mock(const Udisks2Mock&) = delete;
  Udisks2Mock& operator=(const Udisks2Mock&) = delete;

  const std::string& skip_reason() const { return skip_reason_; }
  BusAddress bus() const { return BusAddress{address_}; }

  // The player's drive as udisks2 shows it. A D-Bus error is a name and a message; no name, no
  // error.
  struct Player {
    std::string mount_point;
    std::vector<std::string> other_mount_points;  // the file system is mounted there, too
    std::vector<std::string> left_after_unmount;  // still mounted there after Unmount
    int unmount_ms = 0;                           // Unmount answers this late
    bool can_power_off = true;
    bool ejectable = false;
    std::string unmount_error, unmount_message;  // Filesystem.Unmount fails
    std::string stop_error, stop_message;        // Drive.PowerOff and Drive.Eject fail
  };
  // Lays out the machine's own disk and the player; forgets the calls so far.
  void SetUpPlayer(const Player& player);
  // The calls udisks2 got since the last SetUpPlayer or TakeCalls, in order, each as
  // "OBJECT-PATH INTERFACE.METHOD(ARGUMENTS)".
  std::vector<std::string> TakeCalls();
  // Takes udisks2 off the bus, as on a machine where it does not run; StartService puts it back
  // with nothing laid out.
  void StopService();
  void StartService();

 private:
  void Stop();
  std::string Ask(const std::string& command);
  std::string ReadLine();

  pid_t pid_ = -1;
  FILE* to_ = nullptr;
  FILE* from_ = nullptr;
  std::string address_, skip_reason_;
  std::string old_system_bus_;
  bool had_system_bus_ = false;
};

}  // namespace plondex::test
