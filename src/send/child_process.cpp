#include "send/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/error.h"

extern char** environ;

namespace plondex {
namespace {

constexpr size_t kErrorLimit = 4096;
// Read from one pipe in one turn, so that a child that writes without end cannot hold the others.
constexpr size_t kReadPerTurn = 1 << 20;

using Resource = decltype(RLIMIT_CORE);

void SetLimit(pid_t pid, Resource resource, uint64_t soft, uint64_t hard) {
  const struct rlimit limit = {static_cast<rlim_t>(soft), static_cast<rlim_t>(hard)};
  // The child may have ended already; then there is nothing to limit.
  ::prlimit(pid, resource, &limit, nullptr);
}

void CloseFd(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

}  // namespace

std::unique_ptr<ChildProcess> ChildProcess::Start(const std::vector<std::string>& arguments,
                                                  const ChildLimits& limits, size_t output_limit,
                                                  Keep keep) {
  const std::string& program = arguments.at(0);
  auto fail = [&program](int error) {
    throw Error("Cannot start \"" + program + "\". " + SystemErrorText(error));
  };
  int out[2], err[2];
  if (::pipe2(out, O_CLOEXEC) != 0) fail(errno);
  if (::pipe2(err, O_CLOEXEC) != 0) {
    const int error = errno;
    ::close(out[0]);
    ::close(out[1]);
    fail(error);
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_adddup2(&actions, err[1], 2);
  posix_spawn_file_actions_addclosefrom_np(&actions, 3);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t signals;
  sigemptyset(&signals);
  posix_spawnattr_setsigmask(&attributes, &signals);
  sigfillset(&signals);
  posix_spawnattr_setsigdefault(&attributes, &signals);
  posix_spawnattr_setpgroup(&attributes, 0);
  posix_spawnattr_setflags(&attributes,
                           POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);
  std::vector<char*> argv;
  for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = -1;
  const int error =
      program.find('/') == std::string::npos
          ? ::posix_spawnp(&pid, program.c_str(), &actions, &attributes, argv.data(), environ)
          : ::posix_spawn(&pid, program.c_str(), &actions, &attributes, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  ::close(out[1]);
  ::close(err[1]);
  if (error != 0) {
    ::close(out[0]);
    ::close(err[0]);
    fail(error);
  }
  std::unique_ptr<ChildProcess> child(new ChildProcess);
  child->pid_ = pid;
  child->out_fd_ = out[0];
  child->err_fd_ = err[0];
  child->output_limit_ = output_limit;
  child->keep_ = keep;
  ::fcntl(out[0], F_SETFL, O_NONBLOCK);
  ::fcntl(err[0], F_SETFL, O_NONBLOCK);
  SetLimit(pid, RLIMIT_CORE, 0, 0);
  if (limits.cpu_seconds) SetLimit(pid, RLIMIT_CPU, limits.cpu_seconds, limits.cpu_seconds + 5);
  if (limits.memory_bytes) SetLimit(pid, RLIMIT_AS, limits.memory_bytes, limits.memory_bytes);
  if (limits.file_bytes) SetLimit(pid, RLIMIT_FSIZE, limits.file_bytes, limits.file_bytes);
  if (limits.wall.count() > 0) child->deadline_ = std::chrono::steady_clock::now() + limits.wall;
  return child;
}

ChildProcess::~ChildProcess() {
  if (end_ == End::kRunning) Kill();
  CloseFd(out_fd_);
  CloseFd(err_fd_);
}

void ChildProcess::Kill() {
  if (end_ != End::kRunning) return;
  ::kill(-pid_, SIGKILL);
  ::kill(pid_, SIGKILL);
  Reap(true);
}

void ChildProcess::Read(int& fd, std::string& kept, size_t limit, Keep keep) {
  char buffer[65536];
  for (size_t total = 0; fd >= 0 && total < kReadPerTurn;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
    if (n <= 0) {
      CloseFd(fd);
      return;
    }
    total += static_cast<size_t>(n);
    if (keep == Keep::kHead) {
      kept.append(buffer, std::min(static_cast<size_t>(n), limit - std::min(limit, kept.size())));
    } else {
      kept.append(buffer, static_cast<size_t>(n));
      if (kept.size() > 2 * limit) kept.erase(0, kept.size() - limit);
    }
  }
}

void ChildProcess::Reap(bool wait) {
  int status = 0;
  pid_t done;
  do {
    done = ::waitpid(pid_, &status, wait ? 0 : WNOHANG);
  } while (done < 0 && errno == EINTR);
  if (done != pid_) return;
  if (WIFEXITED(status)) {
    end_ = End::kExited;
    code_ = WEXITSTATUS(status);
  } else {
    end_ = End::kSignalled;
    code_ = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
  }
  // What it wrote last is still in the pipes.
  Read(out_fd_, output_, output_limit_, keep_);
  Read(err_fd_, errors_, kErrorLimit, Keep::kHead);
  CloseFd(out_fd_);
  CloseFd(err_fd_);
}

void ChildProcess::Serve(const std::vector<ChildProcess*>& children, int timeout_ms) {
  std::vector<pollfd> fds;
  for (const ChildProcess* child : children) {
    if (child->end_ != End::kRunning) continue;
    if (child->out_fd_ >= 0) fds.push_back({child->out_fd_, POLLIN, 0});
    if (child->err_fd_ >= 0) fds.push_back({child->err_fd_, POLLIN, 0});
  }
  if (timeout_ms > 0 || !fds.empty()) ::poll(fds.data(), fds.size(), timeout_ms);
  const auto now = std::chrono::steady_clock::now();
  for (ChildProcess* child : children) {
    if (child->end_ != End::kRunning) continue;
    child->Read(child->out_fd_, child->output_, child->output_limit_, child->keep_);
    child->Read(child->err_fd_, child->errors_, kErrorLimit, Keep::kHead);
    child->Reap(false);
    if (child->end_ == End::kRunning && now >= child->deadline_) {
      child->Kill();
      child->end_ = End::kTimedOut;
    }
  }
}

void ChildProcess::Wait() {
  while (end_ == End::kRunning) Serve({this}, 100);
}

}  // namespace plondex
