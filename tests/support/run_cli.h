#pragma once

// Runs the plondex-cli binary (its path is the macro PLONDEX_CLI of the test programs) and
// collects what it printed.

#include <sys/wait.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace plondex::test {

struct CliRun {
  int status = -1;
  std::string out, err;
};

// The arguments are each quoted for the shell; output goes through files in dir, and so does the
// tag cache of a build that names none.
inline CliRun RunCli(const TempDir& dir, const std::vector<std::string>& args) {
  std::string command = "XDG_CACHE_HOME='" + dir.Path("cache") + "' '" PLONDEX_CLI "'";
  for (const std::string& a : args) command += " '" + a + "'";
  const std::string out = dir.Path("cli.out"), err = dir.Path("cli.err");
  command += " >'" + out + "' 2>'" + err + "' </dev/null";
  CliRun run;
  const int raw = std::system(command.c_str());
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  run.out = ReadNative(out);
  run.err = ReadNative(err);
  return run;
}

}  // namespace plondex::test
