#pragma once

// A program run as a child process under limits: the converter and the probe. A decoder that
// crashes, hangs or runs wild on a hostile file takes only its own process down: the limits end
// it, and the program that started it goes on.

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace plondex {

struct ChildLimits {
  std::chrono::milliseconds wall{0};  // time from the start; 0: none
  uint64_t cpu_seconds = 0;           // processor time; 0: none
  uint64_t memory_bytes = 0;          // address space; 0: none
  uint64_t file_bytes = 0;            // the largest file it may write; 0: none
};

class ChildProcess {
 public:
  // Which part of a long standard output is kept.
  enum class Keep { kHead, kTail };
  enum class End { kRunning, kExited, kSignalled, kTimedOut };

  // Starts the program (looked up in PATH when it has no '/') with standard input from
  // /dev/null, standard output and error into pipes and no other open file. It runs in a process
  // group of its own, so that Ctrl+C at a terminal reaches only this program, which decides what
  // to end. Its limits are set right after the start, while the program is still being loaded,
  // and it leaves no core dump. output_limit bytes of standard output are kept, the first or the
  // last ones; of the error output the first 4 KiB. Throws Error "Cannot start "PROGRAM". REASON".
  static std::unique_ptr<ChildProcess> Start(const std::vector<std::string>& arguments,
                                             const ChildLimits& limits, size_t output_limit,
                                             Keep keep);
  // Kills and reaps a child still running.
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Waits up to timeout_ms for any of the children to write or end, then reads what they wrote,
  // reaps those that ended and kills those past their time.
  static void Serve(const std::vector<ChildProcess*>& children, int timeout_ms);
  // Serves this one child until it ends.
  void Wait();
  // Kills the child (and its process group) and reaps it.
  void Kill();

  End end() const { return end_; }
  // The exit status, or the signal that ended it.
  int code() const { return code_; }
  bool Succeeded() const { return end_ == End::kExited && code_ == 0; }
  const std::string& output() const { return output_; }
  const std::string& errors() const { return errors_; }

 private:
  ChildProcess() = default;
  void Read(int& fd, std::string& kept, size_t limit, Keep keep);
  void Reap(bool wait);

  pid_t pid_ = -1;
  int out_fd_ = -1, err_fd_ = -1;
  std::chrono::steady_clock::time_point deadline_ = std::chrono::steady_clock::time_point::max();
  size_t output_limit_ = 0;
  Keep keep_ = Keep::kHead;
  End end_ = End::kRunning;
  int code_ = 0;
  std::string output_, errors_;
};

}  // namespace plondex
