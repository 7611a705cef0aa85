#include "platform/program_folder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace plondex {
namespace {

std::string& Folder() {
  static std::string folder = ".";
  return folder;
}

}  // namespace

std::string ChooseProgramFolder(const std::string& executable_folder) {
  if (!executable_folder.empty() && ::access(executable_folder.c_str(), W_OK) == 0) {
    return executable_folder;
  }
  std::string base;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg == '/') {
    base = xdg;
  } else if (const char* home = std::getenv("HOME"); home && *home) {
    base = std::string(home) + "/.config";
  } else {
    base = "/tmp";
  }
  ::mkdir(base.c_str(), 0700);
  const std::string folder = base + "/plondex";
  ::mkdir(folder.c_str(), 0700);
  return folder;
}

void SetProgramFolder(std::string folder) {
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  Folder() = std::move(folder);
}

const std::string& ProgramFolder() { return Folder(); }

std::string ProgramFile(std::string_view name) {
  std::string path = Folder();
  path += '/';
  path.append(name);
  return path;
}

std::string ExecutableFolder() {
  std::vector<char> buffer(4096);
  const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (n <= 0) return ".";
  std::string path(buffer.data(), static_cast<size_t>(n));
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
}

}  // namespace plondex
