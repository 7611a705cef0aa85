#include "support/process_usage.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>

#include "support/temp_dir.h"

namespace plondex::test {
namespace {

// "5" brings the peak resident size down to the present size (Linux 4.0 and later).
void ResetPeakRss() {
  std::ofstream clear("/proc/self/clear_refs");
  clear << "5";
}

}  // namespace

int OpenDescriptorCount() {
  DIR* dir = ::opendir("/proc/self/fd");
  if (!dir) return -1;
  int count = 0;
  while (dirent* e = ::readdir(dir)) {
    if (e->d_name[0] != '.') ++count;
  }
  ::closedir(dir);
  return count - 1;  // the listing's own descriptor
}

long PeakRssKiB() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

long PeakRssGrowthKiB(const std::function<void()>& fn) {
  ResetPeakRss();
  const long before = PeakRssKiB();
  fn();
  return PeakRssKiB() - before;
}

ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args,
                      const std::string& scratch_folder, unsigned timeout_seconds,
                      uint64_t address_space_limit) {
  const std::string out_path = scratch_folder + "/program.out";
  const std::string err_path = scratch_folder + "/program.err";
  std::vector<std::string> argv_text = {program};
  argv_text.insert(argv_text.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : argv_text) argv.push_back(a.data());
  argv.push_back(nullptr);

  ProgramRun run;
  const pid_t pid = ::fork();
  if (pid < 0) return run;
  if (pid == 0) {
    const int out = ::open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = ::open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out < 0 || err < 0 || ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0) ::_exit(127);
    if (address_space_limit > 0) {
      const rlimit limit{address_space_limit, address_space_limit};
      if (::setrlimit(RLIMIT_AS, &limit) != 0) ::_exit(127);
    }
    // The alarm outlives exec: a program that hangs ends with SIGALRM.
    ::alarm(timeout_seconds);
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
  }
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.timed_out = WIFSIGNALED(status) && WTERMSIG(status) == SIGALRM;
  run.out = ReadNative(out_path);
  run.err = ReadNative(err_path);
  return run;
}

}  // namespace plondex::test
