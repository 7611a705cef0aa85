#pragma once

// plondex-cli subcommands. Each command file registers itself with a static Registration.

#include <functional>
#include <string>
#include <vector>

namespace plondex::cli {

// Runs with the arguments after the command name; returns the exit status
// (0 success, 1 failure, 2 wrong usage).
using CommandFn = std::function<int(const std::vector<std::string>& args)>;

struct Command {
  std::string name;
  std::string usage;  // one line, e.g. "dump FILE"
  CommandFn run;
};

std::vector<Command>& Commands();

// The drive letter an argument names ("e" or "E"), in lower case; 0 when it names none.
char LetterArgument(const std::string& argument);

struct Registration {
  Registration(std::string name, std::string usage, CommandFn run) {
    Commands().push_back(Command{std::move(name), std::move(usage), std::move(run)});
  }
};

}  // namespace plondex::cli
