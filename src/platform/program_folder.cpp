#include "platform/program_folder.h"

#include <unistd.h>

#include <cstdlib>
#include <string_view>
#include <vector>

#include "platform/files.h"

namespace plondex {
namespace {

// The package manager owns these folders. Root can write to them, but settings and song lists
// dropped there would litter the system, so an installed program keeps its files per user.
bool IsSystemProgramFolder(const std::string& folder) {
  std::string path = folder;
  if (char* resolved = ::realpath(folder.c_str(), nullptr)) {
    path = resolved;
    std::free(resolved);
  }
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  static constexpr std::string_view kSystemFolders[] = {
      "/bin",       "/sbin",          "/usr/bin",        "/usr/sbin",
      "/usr/games", "/usr/local/bin", "/usr/local/sbin", "/usr/local/games"};
  for (std::string_view system : kSystemFolders) {
    if (path == system) return true;
  }
  return false;
}

// The per-user folder named by the environment variable (an absolute path), else the one below
// the home folder, else one in /tmp.
std::string UserFolder(const char* variable, const char* below_home) {
  if (const char* xdg = std::getenv(variable); xdg && *xdg == '/') return xdg;
  if (const char* home = std::getenv("HOME"); home && *home) {
    return std::string(home) + "/" + below_home;
  }
  return "/tmp";
}

}  // namespace

std::string ChooseProgramFolder(const std::string& executable_folder) {
  if (!executable_folder.empty() && ::access(executable_folder.c_str(), W_OK) == 0 &&
      !IsSystemProgramFolder(executable_folder)) {
    return executable_folder;
  }
  const std::string folder = UserFolder("XDG_CONFIG_HOME", ".config") + "/plondex";
  MakePrivateFolders(folder);
  return folder;
}

std::string DefaultTagCacheFile() {
  return UserFolder("XDG_CACHE_HOME", ".cache") + "/plondex/tags.sqlite";
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
