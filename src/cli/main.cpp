// plondex-cli: the program's core, headless, for scripts and checks.

#include <algorithm>
#include <cstdio>
#include <exception>

#include "cli/command.h"
#include "platform/codepage.h"
#include "platform/drives.h"

namespace plondex::cli {

std::vector<Command>& Commands() {
  static std::vector<Command> commands;
  return commands;
}

char LetterArgument(const std::string& argument) {
  return argument.size() == 1 ? NormalizeDriveLetter(argument[0]) : 0;
}

}  // namespace plondex::cli

namespace {

int Usage() {
  auto commands = plondex::cli::Commands();
  std::sort(commands.begin(), commands.end(),
            [](const auto& a, const auto& b) { return a.name < b.name; });
  std::fprintf(stderr, "usage: plondex-cli COMMAND [ARGS]\ncommands:\n");
  for (const auto& c : commands) std::fprintf(stderr, "  plondex-cli %s\n", c.usage.c_str());
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  const std::string name = argv[1];
  for (const auto& command : plondex::cli::Commands()) {
    if (command.name == name) {
      try {
        return command.run(std::vector<std::string>(argv + 2, argv + argc));
      } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", plondex::AnsiToUtf8(e.what()).c_str());
        return 1;
      }
    }
  }
  return Usage();
}
