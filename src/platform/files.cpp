#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <random>
#include <unordered_map>

#include "platform/codepage.h"
#include "platform/drives.h"
#include "platform/error.h"

namespace plondex {
namespace {

FileFaultHook& FaultHook() {
  static FileFaultHook hook;
  return hook;
}

bool Fails(FileOp op) { return FaultHook() && FaultHook()(op); }

std::atomic<uint64_t> g_bytes_read{0};

bool LstatOk(const std::string& native, struct stat* st) {
  return ::lstat(native.c_str(), st) == 0;
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

// The entries of the folder searched last, by their 8-bit names. A build looks up every song of a
// folder in turn, and listing a large folder once per song would make that quadratic.
struct FolderNames {
  std::string folder;
  std::unordered_map<std::string, std::string> native_by_ansi;  // the first entry of each name
};

// The native name of the folder's first entry whose 8-bit form is name.
std::optional<std::string> FindByAnsiName(const std::string& folder, std::string_view name) {
  static std::mutex mutex;
  static FolderNames last;
  const std::lock_guard<std::mutex> lock(mutex);
  const std::string key(name);
  if (last.folder == folder) {
    // A hit is checked against the disk; a miss lists the folder again, as it may have changed.
    auto it = last.native_by_ansi.find(key);
    struct stat st;
    if (it != last.native_by_ansi.end() && LstatOk(folder + "/" + it->second, &st)) {
      return it->second;
    }
  }
  last = FolderNames();
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return std::nullopt;
  last.folder = folder;
  while (dirent* e = ::readdir(dir)) {
    last.native_by_ansi.emplace(NativeNameToAnsi(e->d_name), e->d_name);
  }
  ::closedir(dir);
  auto it = last.native_by_ansi.find(key);
  if (it == last.native_by_ansi.end()) return std::nullopt;
  return it->second;
}

// Finds the native name of an 8-bit name in a folder.
std::string ResolveName(const std::string& folder, std::string_view name) {
  std::string utf8 = AnsiToUtf8(name);
  struct stat st;
  if (LstatOk(folder + "/" + utf8, &st)) return utf8;
  std::string raw(name);
  if (raw != utf8 && LstatOk(folder + "/" + raw, &st)) return raw;
  // A name that became '?' or another 8-bit form: look for it among the folder's entries.
  if (std::optional<std::string> found = FindByAnsiName(folder, name)) return *found;
  return utf8;
}

std::string WithoutTrailingSeparator(std::string_view path) {
  std::string p(path);
  if (!p.empty() && (p.back() == '\\' || p.back() == '/')) p.pop_back();
  return p;
}

}  // namespace

bool IsPlayerPath(std::string_view path) {
  return path.size() >= 2 && NormalizeDriveLetter(path[0]) && path[1] == ':';
}

std::string NativeNameToAnsi(std::string_view native_name) { return Utf8ToAnsi(native_name); }

std::string DisplayPath(std::string_view path) {
  return IsPlayerPath(path) ? std::string(path) : Utf8ToAnsi(path);
}

std::optional<std::string> NativePath(std::string_view path) {
  if (!IsPlayerPath(path)) {
    if (path.empty()) return std::nullopt;
    return std::string(path);
  }
  std::optional<std::string> root = CurrentDriveTable().Root(path[0]);
  if (!root) return std::nullopt;
  std::string native = *root;
  while (native.size() > 1 && native.back() == '/') native.pop_back();
  for (std::string_view name : SplitPlayerNames(path.substr(2))) {
    if (name == "." || name == ".." || name.find('/') != std::string_view::npos ||
        name.find('\0') != std::string_view::npos) {
      return std::nullopt;
    }
    native += "/" + ResolveName(native, name);
  }
  return native;
}

bool FileExists(std::string_view path) {
  auto native = NativePath(path);
  struct stat st;
  return native && LstatOk(*native, &st);
}

bool FolderExists(std::string_view path) {
  auto native = NativePath(path);
  struct stat st;
  return native && ::stat(native->c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool CreateOneFolder(std::string_view path) {
  auto native = NativePath(path);
  return native && ::mkdir(native->c_str(), 0777) == 0;
}

bool CreateFolderPath(std::string_view path) {
  if (path.empty()) throw Error("Unable to create directory");
  const std::string p = WithoutTrailingSeparator(path);
  if (p.size() < 3 || FolderExists(p)) return true;
  const size_t cut = p.find_last_of(IsPlayerPath(p) ? "\\" : "/");
  bool parent_ok = true;
  if (cut != std::string::npos && cut > 0) parent_ok = CreateFolderPath(p.substr(0, cut));
  return parent_ok && CreateOneFolder(p);
}

bool RemoveFile(std::string_view path) {
  auto native = NativePath(path);
  return native && ::unlink(native->c_str()) == 0;
}

std::optional<std::vector<DirEntry>> ListFolder(std::string_view folder) {
  auto native = NativePath(WithoutTrailingSeparator(folder));
  if (!native) return std::nullopt;
  if (native->empty()) native = "/";
  DIR* dir = ::opendir(native->c_str());
  if (!dir) return std::nullopt;
  std::vector<DirEntry> entries;
  while (dirent* e = ::readdir(dir)) {
    const std::string_view name = e->d_name;
    if (name == "." || name == ".." || name.find('\\') != std::string_view::npos) continue;
    bool is_folder = e->d_type == DT_DIR;
    if (e->d_type == DT_UNKNOWN || e->d_type == DT_LNK) {
      struct stat st;
      const std::string full = *native + "/" + e->d_name;
      if (::lstat(full.c_str(), &st) != 0) continue;
      if (S_ISLNK(st.st_mode)) {
        // A link to a folder is never followed; a link to anything else is taken as a file.
        struct stat target;
        if (::stat(full.c_str(), &target) == 0 && S_ISDIR(target.st_mode)) continue;
        is_folder = false;
      } else {
        is_folder = S_ISDIR(st.st_mode);
      }
    }
    entries.push_back(DirEntry{NativeNameToAnsi(name), is_folder, std::string(name)});
  }
  ::closedir(dir);
  return entries;
}

size_t MemorySource::ReadAt(uint64_t offset, void* buffer, size_t n) const {
  if (offset >= data_.size()) return 0;
  const size_t count = std::min<uint64_t>(n, data_.size() - offset);
  std::memcpy(buffer, data_.data() + offset, count);
  return count;
}

InputFile::InputFile(int fd, uint64_t size, std::string shown)
    : fd_(fd), size_(size), shown_(std::move(shown)) {}

InputFile::~InputFile() { ::close(fd_); }

std::unique_ptr<InputFile> InputFile::Open(std::string_view path) {
  const std::string shown = DisplayPath(path);
  auto native = NativePath(path);
  if (!native) throw Error(CannotOpenMessage(shown, SystemErrorText(ENOENT)));
  struct stat st;
  if (::stat(native->c_str(), &st) != 0)
    throw Error(CannotOpenMessage(shown, SystemErrorText(errno)));
  if (!S_ISREG(st.st_mode)) throw Error(CannotOpenMessage(shown, "Not a regular file"));
  const int fd = ::open(native->c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) throw Error(CannotOpenMessage(shown, SystemErrorText(errno)));
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    throw Error(CannotOpenMessage(shown, "Not a regular file"));
  }
  return std::unique_ptr<InputFile>(new InputFile(fd, static_cast<uint64_t>(st.st_size), shown));
}

std::unique_ptr<InputFile> InputFile::TryOpen(std::string_view path) {
  try {
    return Open(path);
  } catch (const Error&) {
    return nullptr;
  }
}

size_t InputFile::ReadAt(uint64_t offset, void* buffer, size_t n) const {
  size_t done = 0;
  auto* out = static_cast<char*>(buffer);
  while (done < n) {
    const ssize_t r = ::pread(fd_, out + done, n - done, static_cast<off_t>(offset + done));
    if (r < 0) {
      if (errno == EINTR) continue;
      throw Error("Stream read error");
    }
    if (r == 0) break;
    done += static_cast<size_t>(r);
  }
  g_bytes_read += done;
  return done;
}

uint64_t InputFile::TotalBytesRead() { return g_bytes_read.load(); }

std::string ReadWholeFile(std::string_view path, uint64_t max_size) {
  auto file = InputFile::Open(path);
  if (file->Size() > max_size) {
    throw Error(CannotOpenMessage(DisplayPath(path), "File too large"));
  }
  std::string data(file->Size(), '\0');
  data.resize(file->ReadAt(0, data.data(), data.size()));
  return data;
}

void WriteWholeFile(std::string_view path, std::string_view data) {
  const std::string shown = DisplayPath(path);
  auto native = NativePath(path);
  if (!native) throw Error(CannotCreateMessage(shown, SystemErrorText(ENOENT)));
  static std::mt19937_64 rng{std::random_device{}()};
  const size_t slash = native->find_last_of('/');
  const std::string folder = slash == std::string::npos ? "." : native->substr(0, slash + 1);
  const std::string base = slash == std::string::npos ? *native : native->substr(slash + 1);
  std::string temp;
  int fd = -1;
  for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
    temp = folder + "." + base + "." + std::to_string(rng() % 1000000000) + ".tmp";
    if (Fails(FileOp::kCreate)) {
      errno = EIO;
      break;
    }
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) throw Error(CannotCreateMessage(shown, SystemErrorText(errno)));

  auto fail = [&](int err, bool create) {
    ::close(fd);
    ::unlink(temp.c_str());
    const std::string reason = SystemErrorText(err);
    if (create) throw Error(CannotCreateMessage(shown, reason));
    throw Error("Cannot write file \"" + shown + "\". " + reason);
  };
  constexpr size_t kChunk = 1 << 20;
  size_t done = 0;
  while (done < data.size()) {
    if (Fails(FileOp::kWrite)) fail(EIO, false);
    const ssize_t w = ::write(fd, data.data() + done, std::min(kChunk, data.size() - done));
    if (w < 0) {
      if (errno == EINTR) continue;
      fail(errno, false);
    }
    done += static_cast<size_t>(w);
  }
  if (Fails(FileOp::kFlush)) fail(EIO, false);
  if (::fsync(fd) != 0 && errno != EINVAL && errno != EROFS) fail(errno, false);
  // Keep the permissions of the file we replace.
  struct stat old;
  if (::stat(native->c_str(), &old) == 0) ::fchmod(fd, old.st_mode & 07777);
  if (Fails(FileOp::kRename)) fail(EIO, true);
  if (::rename(temp.c_str(), native->c_str()) != 0) fail(errno, true);
  ::close(fd);
}

void SetFileFaultHook(FileFaultHook hook) { FaultHook() = std::move(hook); }

}  // namespace plondex
