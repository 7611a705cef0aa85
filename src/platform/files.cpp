#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <random>
#include <stdexcept>

#include "platform/codepage.h"
#include "platform/error.h"

namespace plondex {
namespace {

FileFaultHook& FaultHook() {
  static FileFaultHook hook;
  return hook;
}

bool Fails(FileOp op) { return FaultHook() && FaultHook()(op); }

std::atomic<uint64_t> g_bytes_read{0};

FileStamp StampFrom(const struct stat& st) {
  return FileStamp{static_cast<uint64_t>(st.st_size),
                   static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

// Flags of every song file opened for reading: non-blocking, so that a named pipe never holds the
// open up.
constexpr int kReadFlags = O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;

bool LstatOk(const std::string& native, struct stat* st) {
  return ::lstat(native.c_str(), st) == 0;
}

// Adds one entry as ListFolder gives it, unless it is left out.
void AddEntry(const std::string& folder, const dirent64& e, std::vector<DirEntry>& entries) {
  const std::string_view name = e.d_name;
  if (name == "." || name == ".." || name.find('\\') != std::string_view::npos) return;
  bool is_folder = e.d_type == DT_DIR;
  bool is_regular_file = e.d_type == DT_REG;
  if (e.d_type == DT_UNKNOWN || e.d_type == DT_LNK) {
    struct stat st;
    const std::string full = JoinNative(folder, e.d_name);
    if (::lstat(full.c_str(), &st) != 0) return;
    if (S_ISLNK(st.st_mode)) {
      // A link to a folder is never followed; a link to anything else is taken as a file.
      struct stat target;
      if (::stat(full.c_str(), &target) == 0 && S_ISDIR(target.st_mode)) return;
      is_folder = false;
    } else {
      is_folder = S_ISDIR(st.st_mode);
      is_regular_file = S_ISREG(st.st_mode);
    }
  }
  entries.push_back(
      DirEntry{NativeNameToAnsi(name), is_folder, is_regular_file, std::string(name)});
}

}  // namespace

FileLocation::FileLocation(std::string native)
    : native_(std::move(native)), shown_(Utf8ToAnsi(native_)) {}

std::string JoinNative(std::string_view folder, std::string_view name) {
  std::string path(folder);
  if (path.empty() || path.back() != '/') path += '/';
  path.append(name);
  return path;
}

std::string RealNativePath(const std::string& native) {
  char* resolved = ::realpath(native.c_str(), nullptr);
  if (!resolved) return native;
  std::string path(resolved);
  std::free(resolved);
  return path;
}

std::string NativeNameToAnsi(std::string_view native_name) { return Utf8ToAnsi(native_name); }

bool FileExists(const FileLocation& file) {
  struct stat st;
  return !file.native().empty() && LstatOk(file.native(), &st);
}

bool FolderExists(const FileLocation& folder) {
  struct stat st;
  return !folder.native().empty() && ::stat(folder.native().c_str(), &st) == 0 &&
         S_ISDIR(st.st_mode);
}

std::optional<uint64_t> FreeSpace(const FileLocation& folder) {
  struct statvfs st;
  if (folder.native().empty() || ::statvfs(folder.native().c_str(), &st) != 0) return {};
  return static_cast<uint64_t>(st.f_bavail) * st.f_frsize;
}

bool CreateOneFolder(const FileLocation& folder) {
  return !folder.native().empty() && ::mkdir(folder.native().c_str(), 0777) == 0;
}

void MakePrivateFolders(const std::string& native) {
  for (size_t slash = native.find('/', 1); slash != std::string::npos;
       slash = native.find('/', slash + 1)) {
    ::mkdir(native.substr(0, slash).c_str(), 0700);
  }
  ::mkdir(native.c_str(), 0700);
}

bool RemoveFile(const FileLocation& file) {
  return !file.native().empty() && ::unlink(file.native().c_str()) == 0;
}

std::optional<std::vector<DirEntry>> ListFolder(const FileLocation& folder) {
  if (folder.native().empty()) return std::nullopt;
  const std::string& native = folder.native();
  // The entries are read straight from the folder: a scan lists a thousand folders, and the
  // directory stream would ask the system about each of them once more.
  const int fd = ::open(native.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::vector<DirEntry> entries;
  alignas(dirent64) char chunk[32 * 1024];
  ssize_t got;
  while ((got = ::getdents64(fd, chunk, sizeof chunk)) > 0) {
    for (ssize_t at = 0; at < got;) {
      const auto* e = reinterpret_cast<const dirent64*>(chunk + at);
      at += e->d_reclen;
      AddEntry(native, *e, entries);
    }
  }
  ::close(fd);
  return entries;
}

size_t MemorySource::ReadAt(uint64_t offset, void* buffer, size_t n) const {
  if (offset >= data_.size()) return 0;
  const size_t count = std::min<uint64_t>(n, data_.size() - offset);
  std::memcpy(buffer, data_.data() + offset, count);
  return count;
}

InputFile::~InputFile() { ::close(fd_); }

std::unique_ptr<InputFile> InputFile::Open(const FileLocation& file) {
  int error = 0;
  auto opened = OpenOrFail(file, true, &error);
  if (!opened) throw Error(CannotOpenMessage(file.shown(), SystemErrorText(error)));
  return opened;
}

std::unique_ptr<InputFile> InputFile::TryOpen(const FileLocation& file) {
  int error = 0;
  try {
    return OpenOrFail(file, true, &error);
  } catch (const Error&) {
    return nullptr;
  }
}

std::unique_ptr<InputFile> InputFile::OpenIfExists(const FileLocation& file) {
  int error = 0;
  auto opened = OpenOrFail(file, true, &error);
  if (opened || !FileExists(file)) return opened;
  throw Error(CannotOpenMessage(file.shown(), SystemErrorText(error)));
}

std::unique_ptr<InputFile> InputFile::OpenListedFile(const FileLocation& file) {
  int error = 0;
  auto opened = OpenOrFail(file, false, &error);
  if (opened || !FileExists(file)) return opened;
  throw Error(CannotOpenMessage(file.shown(), SystemErrorText(error)));
}

std::unique_ptr<InputFile> InputFile::OpenOrFail(const FileLocation& file, bool checked,
                                                 int* error) {
  if (file.native().empty()) {
    *error = ENOENT;
    return nullptr;
  }
  const char* native = file.native().c_str();
  // A named pipe is refused below.
  const int fd = ::open(native, kReadFlags);
  struct stat st;
  if (fd < 0) {
    // What stands there explains the failure better than the open does: a socket, say, is no
    // regular file rather than "no such device".
    *error = errno;
    if (::stat(native, &st) != 0) {
      *error = errno;
    } else if (!S_ISREG(st.st_mode)) {
      throw Error(CannotOpenMessage(file.shown(), "Not a regular file"));
    }
    return nullptr;
  }
  if (!checked) return std::unique_ptr<InputFile>(new InputFile(fd, std::nullopt));
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    throw Error(CannotOpenMessage(file.shown(), "Not a regular file"));
  }
  return std::unique_ptr<InputFile>(new InputFile(fd, static_cast<uint64_t>(st.st_size)));
}

uint64_t InputFile::Size() const {
  if (!size_) {
    struct stat st;
    if (::fstat(fd_, &st) != 0) throw Error("Stream read error");
    size_ = static_cast<uint64_t>(st.st_size);
  }
  return *size_;
}

std::optional<FileStamp> InputFile::Stamp() const {
  struct stat st;
  if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  size_ = static_cast<uint64_t>(st.st_size);
  return StampFrom(st);
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
    // Where the size is known, the end needs no read of its own to be found.
    if (size_ && offset + done >= *size_) break;
  }
  g_bytes_read += done;
  return done;
}

uint64_t InputFile::TotalBytesRead() { return g_bytes_read.load(); }

std::unique_ptr<OpenFolder> OpenFolder::Open(const std::string& native) {
  // Only a handle on the folder's place, which is all that names below it need.
  const int fd = ::open(native.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  return std::unique_ptr<OpenFolder>(new OpenFolder(fd));
}

OpenFolder::~OpenFolder() { ::close(fd_); }

std::optional<FileStamp> OpenFolder::StampOf(const std::string& native_name) const {
  struct stat st;
  if (::fstatat(fd_, native_name.c_str(), &st, 0) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  return StampFrom(st);
}

std::unique_ptr<InputFile> OpenFolder::OpenFile(const std::string& native_name,
                                                std::optional<uint64_t> known_size) const {
  const int fd = ::openat(fd_, native_name.c_str(), kReadFlags);
  if (fd < 0) return nullptr;
  return std::unique_ptr<InputFile>(new InputFile(fd, known_size));
}

uint64_t BufferedSource::Size() const { return size_ ? *size_ : source_.Size(); }

bool BufferedSource::Holds(uint64_t n) const {
  if (size_) return *size_ >= n;
  for (const Block* block : {&head_, &last_}) {
    if (!block->bytes.empty() && block->end() >= n) return true;
  }
  const bool in_head = n <= block_size_;
  Block& block = in_head ? head_ : last_;
  Fetch(block, in_head ? 0 : n - block_size_, block_size_);
  return !block.bytes.empty() && block.end() >= n;
}

bool BufferedSource::Serve(const Block& block, uint64_t offset, void* buffer, size_t n,
                           size_t* count) const {
  if (block.bytes.empty() || offset < block.at || offset > block.end()) return false;
  const uint64_t held = block.end() - offset;
  if (held < n && !(size_ && block.end() == *size_)) return false;
  *count = static_cast<size_t>(std::min<uint64_t>(n, held));
  if (*count > 0) std::memcpy(buffer, block.bytes.data() + (offset - block.at), *count);
  return true;
}

void BufferedSource::Fetch(Block& block, uint64_t at, size_t n) const {
  block.at = at;
  block.bytes.resize(n);
  block.bytes.resize(source_.ReadAt(at, block.bytes.data(), n));
  // A short read ends at the end of the source; one that got nothing only says it lies before at.
  if (block.bytes.size() < n && (!block.bytes.empty() || at == 0)) size_ = block.end();
}

size_t BufferedSource::ReadAt(uint64_t offset, void* buffer, size_t n) const {
  size_t count = 0;
  if (n == 0 || Serve(head_, offset, buffer, n, &count) ||
      Serve(last_, offset, buffer, n, &count)) {
    return count;
  }
  // A read in the start of the file fetches the start, where the next reads are likely to be.
  const bool in_head = offset < block_size_ && n <= block_size_ - offset;
  Block& block = in_head && head_.bytes.empty() ? head_ : last_;
  if (&block == &head_) {
    Fetch(head_, 0, block_size_);
  } else {
    Fetch(last_, offset, std::max(block_size_, n));
  }
  return Serve(block, offset, buffer, n, &count) ? count : 0;
}

std::string ReadWholeFile(const FileLocation& file, uint64_t max_size) {
  auto input = InputFile::Open(file);
  if (input->Size() > max_size) throw Error(CannotOpenMessage(file.shown(), "File too large"));
  std::string data(input->Size(), '\0');
  data.resize(input->ReadAt(0, data.data(), data.size()));
  return data;
}

ReplacementFile::ReplacementFile(const FileLocation& file) : file_(file) {
  const std::string& shown = file.shown();
  const std::string& native = file.native();
  if (native.empty()) throw Error(CannotCreateMessage(shown, SystemErrorText(ENOENT)));
  // One generator per thread: files are written from the window's and from a worker's thread.
  thread_local std::mt19937_64 rng{std::random_device{}()};
  const size_t slash = native.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "." : native.substr(0, slash + 1);
  const std::string base = slash == std::string::npos ? native : native.substr(slash + 1);
  for (int attempt = 0; attempt < 16 && fd_ < 0; ++attempt) {
    temp_ = folder + "." + base + "." + std::to_string(rng() % 1000000000) + ".tmp";
    if (Fails(FileOp::kCreate)) {
      errno = EIO;
      break;
    }
    fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd_ < 0 && errno != EEXIST) break;
  }
  if (fd_ < 0) throw Error(CannotCreateMessage(shown, SystemErrorText(errno)));
}

ReplacementFile::~ReplacementFile() { Discard(); }

void ReplacementFile::Discard() {
  if (fd_ < 0) return;
  ::close(fd_);
  ::unlink(temp_.c_str());
  fd_ = -1;
}

void ReplacementFile::Commit(std::string_view data) {
  if (fd_ < 0) throw std::logic_error("ReplacementFile committed twice");
  const std::string& shown = file_.shown();
  auto fail = [&](int err, bool create) {
    Discard();
    const std::string reason = SystemErrorText(err);
    if (create) throw Error(CannotCreateMessage(shown, reason));
    throw Error("Cannot write file \"" + shown + "\". " + reason);
  };
  constexpr size_t kChunk = 1 << 20;
  size_t done = 0;
  while (done < data.size()) {
    if (Fails(FileOp::kWrite)) fail(EIO, false);
    const ssize_t w = ::write(fd_, data.data() + done, std::min(kChunk, data.size() - done));
    if (w < 0) {
      if (errno == EINTR) continue;
      fail(errno, false);
    }
    done += static_cast<size_t>(w);
  }
  if (Fails(FileOp::kFlush)) fail(EIO, false);
  if (::fsync(fd_) != 0 && errno != EINVAL && errno != EROFS) fail(errno, false);
  // Keep the permissions of the file we replace.
  const std::string& native = file_.native();
  struct stat old;
  if (::stat(native.c_str(), &old) == 0) ::fchmod(fd_, old.st_mode & 07777);
  if (Fails(FileOp::kRename)) fail(EIO, true);
  if (::rename(temp_.c_str(), native.c_str()) != 0) fail(errno, true);
  ::close(fd_);
  fd_ = -1;
}

void WriteWholeFile(const FileLocation& file, std::string_view data) {
  ReplacementFile(file).Commit(data);
}

void SetFileFaultHook(FileFaultHook hook) { FaultHook() = std::move(hook); }

}  // namespace plondex
