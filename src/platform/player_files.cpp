#include "platform/player_files.h"

#include <dirent.h>
#include <sys/stat.h>

#include <vector>

#include "platform/codepage.h"
#include "platform/error.h"

namespace plondex {
namespace {

bool Exists(const std::string& native) {
  struct stat st;
  return ::lstat(native.c_str(), &st) == 0;
}

// Splits the part of a player path after "x:" at '\', dropping empty names.
std::vector<std::string_view> SplitPlayerNames(std::string_view rest) {
  std::vector<std::string_view> names;
  size_t start = 0;
  while (start <= rest.size()) {
    size_t end = rest.find('\\', start);
    if (end == std::string_view::npos) end = rest.size();
    if (end > start) names.push_back(rest.substr(start, end - start));
    start = end + 1;
  }
  return names;
}

}  // namespace

char PlayerPath::letter() const {
  return text_.size() >= 2 && text_[1] == ':' ? NormalizeDriveLetter(text_[0]) : 0;
}

std::optional<std::string> PlayerFiles::FindByAnsiName(const std::string& folder,
                                                       std::string_view name) const {
  const std::lock_guard<std::mutex> lock(mutex_);
  const std::string key(name);
  if (listed_folder_ == folder) {
    // A hit is checked against the disk; a miss lists the folder again, as it may have changed.
    auto it = native_by_ansi_.find(key);
    if (it != native_by_ansi_.end() && Exists(JoinNative(folder, it->second))) return it->second;
  }
  listed_folder_.clear();
  native_by_ansi_.clear();
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return std::nullopt;
  listed_folder_ = folder;
  while (dirent* e = ::readdir(dir))
    native_by_ansi_.emplace(NativeNameToAnsi(e->d_name), e->d_name);
  ::closedir(dir);
  auto it = native_by_ansi_.find(key);
  if (it == native_by_ansi_.end()) return std::nullopt;
  return it->second;
}

std::string PlayerFiles::ResolveName(const std::string& folder, std::string_view name) const {
  std::string utf8 = AnsiToUtf8(name);
  if (Exists(JoinNative(folder, utf8))) return utf8;
  std::string raw(name);
  if (raw != utf8 && Exists(JoinNative(folder, raw))) return raw;
  // A name that became '?' or another 8-bit form: look for it among the folder's entries.
  if (std::optional<std::string> found = FindByAnsiName(folder, name)) return *found;
  return utf8;
}

std::optional<std::string> PlayerFiles::DriveRoot(char letter) const {
  if (!NormalizeDriveLetter(letter)) return std::nullopt;
  std::optional<std::string> root = drives_.Root(letter);
  if (!root || root->empty()) return std::nullopt;
  while (root->size() > 1 && root->back() == '/') root->pop_back();
  return root;
}

FileLocation PlayerFiles::Locate(const PlayerPath& path) const {
  std::optional<std::string> root = DriveRoot(path.letter());
  if (!root) return FileLocation::Nowhere(path.text());
  std::string native = std::move(*root);
  for (std::string_view name : SplitPlayerNames(std::string_view(path.text()).substr(2))) {
    if (name == "." || name == ".." || name.find('/') != std::string_view::npos ||
        name.find('\0') != std::string_view::npos) {
      return FileLocation::Nowhere(path.text());
    }
    native = JoinNative(native, ResolveName(native, name));
  }
  return FileLocation(std::move(native), path.text());
}

bool PlayerFiles::CreateFolderPath(const PlayerPath& folder) const {
  std::string p = folder.text();
  if (p.empty()) throw Error("Unable to create directory");
  if (p.back() == '\\' || p.back() == '/') p.pop_back();
  if (p.size() < 3 || FolderExists(Locate(PlayerPath(p)))) return true;
  const size_t cut = p.find_last_of('\\');
  bool parent_ok = true;
  if (cut != std::string::npos && cut > 0)
    parent_ok = CreateFolderPath(PlayerPath(p.substr(0, cut)));
  return parent_ok && CreateOneFolder(Locate(PlayerPath(p)));
}

}  // namespace plondex
