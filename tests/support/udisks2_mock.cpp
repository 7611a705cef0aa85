#include "support/udisks2_mock.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>

extern char** environ;

namespace plondex::test {
namespace {

std::string JsonString(const std::string& s) {
  std::string out = "\"";
  for (const char c : s) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
      out += escape;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string JsonError(const std::string& name, const std::string& message) {
  return "[" + JsonString(name) + ", " + JsonString(message) + "]";
}

std::string JsonStrings(const std::vector<std::string>& strings) {
  std::string out;
  for (const std::string& s : strings) out += (out.empty() ? "" : ", ") + JsonString(s);
  return "[" + out + "]";
}

constexpr char kSystemBusVariable[] = "DBUS_SYSTEM_BUS_ADDRESS";

}  // namespace

Udisks2Mock::Udisks2Mock() {
  int in[2], out[2];
  if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0) {
    throw std::runtime_error("udisks2 mock: no pipes");
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0], 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  char python[] = PLONDEX_PYTHON3;
  char script[] = PLONDEX_UDISKS2_MOCK;
  char* argv[] = {python, script, nullptr};
  const int r = posix_spawn(&pid_, python, &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(in[0]);
  ::close(out[1]);
  to_ = ::fdopen(in[1], "w");
  from_ = ::fdopen(out[0], "r");
  if (r != 0) {
    // No Python, so no python3-dbusmock either.
    pid_ = -1;
    Stop();
    skip_reason_ = "python3-dbusmock is not installed (cannot run " PLONDEX_PYTHON3 ")";
    return;
  }
  const std::string first = ReadLine();
  if (first.rfind("address ", 0) == 0) {
    address_ = first.substr(8);
    if (const char* old = std::getenv(kSystemBusVariable)) {
      had_system_bus_ = true;
      old_system_bus_ = old;
    }
    ::setenv(kSystemBusVariable, "unix:path=/dev/null/no-system-bus", 1);
  } else if (first.rfind("skip ", 0) == 0) {
    skip_reason_ = first.substr(5);
  } else {
    Stop();
    throw std::runtime_error("udisks2 mock did not start: " + first);
  }
}

Udisks2Mock::~Udisks2Mock() {
  Stop();
  if (address_.empty()) return;
  if (had_system_bus_) {
    ::setenv(kSystemBusVariable, old_system_bus_.c_str(), 1);
  } else {
    ::unsetenv(kSystemBusVariable);
  }
}

void Udisks2Mock::Stop() {
  if (to_) std::fclose(to_);  // the end of input stops the mock and the bus
  if (from_) std::fclose(from_);
  if (pid_ > 0) ::waitpid(pid_, nullptr, 0);
  to_ = from_ = nullptr;
  pid_ = -1;
}

std::string Udisks2Mock::ReadLine() {
  char* line = nullptr;
  size_t size = 0;
  const ssize_t n = ::getline(&line, &size, from_);
  std::string text = n > 0 ? std::string(line, static_cast<size_t>(n)) : std::string();
  std::free(line);
  if (!text.empty() && text.back() == '\n') text.pop_back();
  return text;
}

std::string Udisks2Mock::Ask(const std::string& command) {
  std::fprintf(to_, "%s\n", command.c_str());
  std::fflush(to_);
  return ReadLine();
}

void Udisks2Mock::SetUpPlayer(const Player& p) {
  std::string layout = "{\"mount_point\": " + JsonString(p.mount_point) +
                       ", \"can_power_off\": " + (p.can_power_off ? "true" : "false") +
                       ", \"ejectable\": " + (p.ejectable ? "true" : "false") +
                       ", \"other_mount_points\": " + JsonStrings(p.other_mount_points) +
                       ", \"left_after_unmount\": " + JsonStrings(p.left_after_unmount) +
                       ", \"unmount_ms\": " + std::to_string(p.unmount_ms);
  if (!p.unmount_error.empty()) {
    layout += ", \"unmount_error\": " + JsonError(p.unmount_error, p.unmount_message);
  }
  if (!p.stop_error.empty()) {
    layout += ", \"stop_error\": " + JsonError(p.stop_error, p.stop_message);
  }
  layout += "}";
  if (Ask("player " + layout) != "ok") throw std::runtime_error("udisks2 mock: no player");
}

std::vector<std::string> Udisks2Mock::TakeCalls() {
  std::vector<std::string> calls;
  for (std::string line = Ask("calls"); line != "."; line = ReadLine()) {
    if (line.empty()) throw std::runtime_error("udisks2 mock: calls cut short");
    calls.push_back(line);
  }
  return calls;
}

void Udisks2Mock::StopService() {
  if (Ask("stop") != "ok") throw std::runtime_error("udisks2 mock: not stopped");
}

void Udisks2Mock::StartService() {
  if (Ask("start") != "ok") throw std::runtime_error("udisks2 mock: not started");
}

}  // namespace plondex::test
