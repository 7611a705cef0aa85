#include "platform/udisks_bus.h"

#include <systemd/sd-bus.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>

#include "platform/error.h"

namespace plondex {
namespace {

constexpr char kService[] = "org.freedesktop.UDisks2";
constexpr char kManagerPath[] = "/org/freedesktop/UDisks2";
constexpr std::string_view kFilesystemInterface = "org.freedesktop.UDisks2.Filesystem";
constexpr std::string_view kBlockInterface = "org.freedesktop.UDisks2.Block";
constexpr std::string_view kDriveInterface = "org.freedesktop.UDisks2.Drive";

// Listing the objects is quick; this is sd-bus's own default.
constexpr std::chrono::milliseconds kQueryTimeout = std::chrono::seconds(25);
// How often a wait for an answer looks whether it is to give up.
constexpr std::chrono::milliseconds kCancelPoll{50};

struct MessageUnref {
  void operator()(sd_bus_message* m) const { sd_bus_message_unref(m); }
};
using Message = std::unique_ptr<sd_bus_message, MessageUnref>;

// Unreferencing a call's slot forgets the call: its answer, should it come, is dropped.
struct SlotUnref {
  void operator()(sd_bus_slot* s) const { sd_bus_slot_unref(s); }
};
using Slot = std::unique_ptr<sd_bus_slot, SlotUnref>;

// Passes on a non-negative answer of an sd-bus reading function; a negative one means the answer
// has a form this program does not understand.
int Parsed(int r) {
  if (r < 0) throw BusError("", "the answer of udisks2 cannot be read: " + SystemErrorText(-r));
  return r;
}

bool VariantHolds(sd_bus_message* m, const char* contents) {
  char type = 0;
  const char* inner = nullptr;
  Parsed(sd_bus_message_peek_type(m, &type, &inner));
  return type == SD_BUS_TYPE_VARIANT && inner && std::strcmp(inner, contents) == 0;
}

// A variant holding "aay": udisks2's byte strings, each ending in a NUL that is not kept.
std::vector<std::string> ReadByteStrings(sd_bus_message* m) {
  std::vector<std::string> strings;
  Parsed(sd_bus_message_enter_container(m, SD_BUS_TYPE_VARIANT, "aay"));
  Parsed(sd_bus_message_enter_container(m, SD_BUS_TYPE_ARRAY, "ay"));
  const void* data = nullptr;
  size_t size = 0;
  while (Parsed(sd_bus_message_read_array(m, 'y', &data, &size)) > 0) {
    std::string s(size ? static_cast<const char*>(data) : "", size);
    while (!s.empty() && s.back() == '\0') s.pop_back();
    strings.push_back(std::move(s));
  }
  Parsed(sd_bus_message_exit_container(m));
  Parsed(sd_bus_message_exit_container(m));
  return strings;
}

bool ReadBoolean(sd_bus_message* m) {
  int value = 0;
  Parsed(sd_bus_message_read(m, "v", "b", &value));
  return value != 0;
}

// The properties of one interface, "a{sv}", into object; the ones ejecting does not look at, or
// of an unexpected type, are skipped.
void ReadProperties(sd_bus_message* m, std::string_view interface, UdisksObject& object) {
  Parsed(sd_bus_message_enter_container(m, SD_BUS_TYPE_ARRAY, "{sv}"));
  while (Parsed(sd_bus_message_enter_container(m, SD_BUS_TYPE_DICT_ENTRY, "sv")) > 0) {
    const char* name = nullptr;
    Parsed(sd_bus_message_read(m, "s", &name));
    const std::string_view property = name;
    if (interface == kFilesystemInterface && property == "MountPoints" && VariantHolds(m, "aay")) {
      object.mount_points = ReadByteStrings(m);
    } else if (interface == kBlockInterface && property == "Drive" && VariantHolds(m, "o")) {
      const char* drive = nullptr;
      Parsed(sd_bus_message_read(m, "v", "o", &drive));
      object.drive = drive;
    } else if (interface == kDriveInterface && property == "CanPowerOff" && VariantHolds(m, "b")) {
      object.can_power_off = ReadBoolean(m);
    } else if (interface == kDriveInterface && property == "Ejectable" && VariantHolds(m, "b")) {
      object.ejectable = ReadBoolean(m);
    } else {
      Parsed(sd_bus_message_skip(m, "v"));
    }
    Parsed(sd_bus_message_exit_container(m));
  }
  Parsed(sd_bus_message_exit_container(m));
}

// Keeps the answer of a call that was sent without waiting.
int KeepAnswer(sd_bus_message* m, void* userdata, sd_bus_error* /*error*/) {
  static_cast<Message*>(userdata)->reset(sd_bus_message_ref(m));
  return 1;
}

BusError LocalFailure(int r) { return BusError("", SystemErrorText(-r)); }

void StopIfCancelled(const std::function<bool()>& cancelled) {
  if (cancelled && cancelled()) {
    throw BusError("", "the wait was cancelled", BusError::Kind::kCancelled);
  }
}

// Sends the call, then turns the connection's wheel until the answer is there. In between it
// sleeps on the connection for at most kCancelPoll, so a cancel or the end of the time is seen at
// once; the call is forgotten then, and a late answer is dropped.
Message Exchange(sd_bus* bus, sd_bus_message* call, std::chrono::milliseconds timeout,
                 const std::function<bool()>& cancelled) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + timeout;
  Message answer;
  sd_bus_slot* raw = nullptr;
  // UINT64_MAX: sd-bus itself never gives up; the loop below does.
  int r = sd_bus_call_async(bus, &raw, call, KeepAnswer, &answer, UINT64_MAX);
  const Slot slot(raw);
  if (r < 0) throw LocalFailure(r);
  for (;;) {
    r = sd_bus_process(bus, nullptr);
    if (r < 0) throw LocalFailure(r);
    if (answer) break;
    if (r > 0) continue;  // more to read
    StopIfCancelled(cancelled);
    const Clock::duration left = deadline - Clock::now();
    if (left <= Clock::duration::zero()) {
      throw BusError("", "no answer in time", BusError::Kind::kTimedOut);
    }
    const auto nap = std::chrono::duration_cast<std::chrono::microseconds>(
        std::min<Clock::duration>(left, kCancelPoll));
    r = sd_bus_wait(bus, static_cast<uint64_t>(nap.count()));
    if (r < 0 && r != -EINTR) throw LocalFailure(r);
  }
  if (sd_bus_message_is_method_error(answer.get(), nullptr)) {
    const sd_bus_error* e = sd_bus_message_get_error(answer.get());
    throw BusError(e->name, e->message ? e->message : e->name);
  }
  return answer;
}

Message CallMethod(sd_bus* bus, const char* path, const char* interface, const char* method,
                   bool with_options, std::chrono::milliseconds timeout,
                   const std::function<bool()>& cancelled) {
  StopIfCancelled(cancelled);
  sd_bus_message* raw = nullptr;
  int r = sd_bus_message_new_method_call(bus, &raw, kService, path, interface, method);
  Message call(raw);
  if (r >= 0 && with_options) r = sd_bus_message_append(call.get(), "a{sv}", 0);
  // udisks2 may ask the user for a password through the desktop's authorisation agent.
  if (r >= 0) r = sd_bus_message_set_allow_interactive_authorization(call.get(), 1);
  if (r < 0) throw LocalFailure(r);
  return Exchange(bus, call.get(), timeout, cancelled);
}

}  // namespace

UdisksBus::UdisksBus(const BusAddress& bus, std::function<bool()> cancelled)
    : cancelled_(std::move(cancelled)) {
  sd_bus* b = nullptr;
  int r = 0;
  if (bus.address.empty()) {
    r = sd_bus_open_system(&b);
  } else {
    r = sd_bus_new(&b);
    if (r >= 0) r = sd_bus_set_address(b, bus.address.c_str());
    if (r >= 0) r = sd_bus_set_bus_client(b, 1);
    if (r >= 0) r = sd_bus_start(b);
  }
  if (r < 0) {
    sd_bus_unref(b);
    const std::string where =
        bus.address.empty() ? "the system bus" : "the D-Bus bus at " + bus.address;
    throw BusError("", "cannot connect to " + where + ": " + SystemErrorText(-r));
  }
  bus_ = b;
}

UdisksBus::~UdisksBus() { sd_bus_flush_close_unref(bus_); }

std::vector<UdisksObject> UdisksBus::ManagedObjects() {
  const Message reply = CallMethod(bus_, kManagerPath, "org.freedesktop.DBus.ObjectManager",
                                   "GetManagedObjects", false, kQueryTimeout, cancelled_);
  sd_bus_message* m = reply.get();
  std::vector<UdisksObject> objects;
  Parsed(sd_bus_message_enter_container(m, SD_BUS_TYPE_ARRAY, "{oa{sa{sv}}}"));
  while (Parsed(sd_bus_message_enter_container(m, SD_BUS_TYPE_DICT_ENTRY, "oa{sa{sv}}")) > 0) {
    const char* path = nullptr;
    Parsed(sd_bus_message_read(m, "o", &path));
    UdisksObject object;
    object.path = path;
    Parsed(sd_bus_message_enter_container(m, SD_BUS_TYPE_ARRAY, "{sa{sv}}"));
    while (Parsed(sd_bus_message_enter_container(m, SD_BUS_TYPE_DICT_ENTRY, "sa{sv}")) > 0) {
      const char* name = nullptr;
      Parsed(sd_bus_message_read(m, "s", &name));
      const std::string_view interface = name;
      if (interface == kFilesystemInterface) object.is_filesystem = true;
      if (interface == kDriveInterface) object.is_drive = true;
      ReadProperties(m, interface, object);
      Parsed(sd_bus_message_exit_container(m));
    }
    Parsed(sd_bus_message_exit_container(m));
    Parsed(sd_bus_message_exit_container(m));
    objects.push_back(std::move(object));
  }
  Parsed(sd_bus_message_exit_container(m));
  return objects;
}

void UdisksBus::Call(const std::string& path, const char* interface, const char* method,
                     std::chrono::milliseconds timeout) {
  CallMethod(bus_, path.c_str(), interface, method, true, timeout, cancelled_);
}

}  // namespace plondex
