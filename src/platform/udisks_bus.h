#pragma once

// The D-Bus side of udisks2, the system service that desktops use to mount, unmount and power
// off removable drives: a connection, the objects udisks2 manages as far as ejecting needs them,
// and calls of methods whose only argument is an empty options dictionary. Nothing is decided
// here; eject.h decides what to call.

#include <chrono>
#include <functional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

struct sd_bus;

namespace plondex {

// The bus udisks2 is asked on. An empty address is the machine's system bus; the tests give the
// address of a private bus with a mock udisks2 on it.
struct BusAddress {
  std::string address;
};

// A failed D-Bus exchange. name() is the D-Bus error name, e.g.
// "org.freedesktop.UDisks2.Error.DeviceBusy", or empty when the failure is this side's (no
// connection, an answer that cannot be read, a wait that ended first); what() is the error's
// message.
class BusError : public std::runtime_error {
 public:
  // Why a call has no answer: udisks2 or the bus said no, or this side stopped waiting.
  enum class Kind { kFailed, kTimedOut, kCancelled };

  BusError(std::string name, const std::string& message, Kind kind = Kind::kFailed)
      : std::runtime_error(message), name_(std::move(name)), kind_(kind) {}
  const std::string& name() const { return name_; }
  Kind kind() const { return kind_; }

 private:
  std::string name_;
  Kind kind_;
};

// One object udisks2 manages, with the properties ejecting looks at.
struct UdisksObject {
  std::string path;
  // org.freedesktop.UDisks2.Filesystem: where it is mounted (native paths, without the NUL).
  bool is_filesystem = false;
  std::vector<std::string> mount_points;
  // org.freedesktop.UDisks2.Block: the object path of its drive; "/" or empty when it has none.
  std::string drive;
  // org.freedesktop.UDisks2.Drive
  bool is_drive = false;
  bool can_power_off = false;
  bool ejectable = false;
};

class UdisksBus {
 public:
  // Connects to the bus; BusError when it cannot be reached. Every wait for an answer asks
  // cancelled (when given) a few times a second, and gives up when it says so.
  UdisksBus(const BusAddress& bus, std::function<bool()> cancelled);
  ~UdisksBus();
  UdisksBus(const UdisksBus&) = delete;
  UdisksBus& operator=(const UdisksBus&) = delete;

  // Every object of udisks2's object manager. BusError on failure.
  std::vector<UdisksObject> ManagedObjects();
  // Calls interface.method with empty options on the object at path and waits at most timeout
  // for the answer, which may take a while when the user is asked for authorisation: the call
  // allows that, and the empty options leave udisks2's "auth.no_user_interaction" false. BusError
  // on failure; when cancelled before it is sent, nothing is sent.
  void Call(const std::string& path, const char* interface, const char* method,
            std::chrono::milliseconds timeout);

 private:
  sd_bus* bus_ = nullptr;
  std::function<bool()> cancelled_;
};

}  // namespace plondex
