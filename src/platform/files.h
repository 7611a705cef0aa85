#pragma once

// File access. Every function takes either a player path ("e:\Music\a.mp3", resolved through the
// current drive table) or a native absolute path ("/home/u/.config/plondex/songs.dat"). Error
// texts name the path as given, as 8-bit text.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace plondex {

// A player path begins with a drive letter and a colon.
bool IsPlayerPath(std::string_view path);

// The native path a path stands for. A player path is resolved name by name: each name is looked
// up as UTF-8 first, then as its raw bytes, then by its 8-bit form among the folder's entries; a
// name that exists nowhere is taken as UTF-8. nullopt when the letter has no root, or a name is
// "." or ".." or holds a '/'.
std::optional<std::string> NativePath(std::string_view path);

// The 8-bit form of a native file name: UTF-8 converted, other bytes kept as they are.
std::string NativeNameToAnsi(std::string_view native_name);

// The path for messages: a player path as it is, a native path as 8-bit text.
std::string DisplayPath(std::string_view path);

// True when an entry of exactly this path exists (file, folder or anything else).
bool FileExists(std::string_view path);
// True when the path names a folder.
bool FolderExists(std::string_view path);
// Creates one folder; true on success.
bool CreateOneFolder(std::string_view path);
// Makes sure that a folder exists, creating missing parents first. One trailing '\' (or '/') is
// removed; a path of fewer than 3 characters or an existing folder counts as success. An empty
// path throws Error("Unable to create directory").
bool CreateFolderPath(std::string_view path);
// Deletes a file; false when it could not be deleted.
bool RemoveFile(std::string_view path);

struct DirEntry {
  std::string name;  // 8-bit text
  bool is_folder = false;
  // The name as the file system holds it. Joined to the folder's native path it reaches the entry
  // at once, where a player path is looked up again level by level.
  std::string native_name;
};

// Every entry of a folder (hidden ones included, "." and ".." left out) in the file system's own
// order. A symbolic link to a folder is left out (it is never followed); a name holding '\' cannot
// be a player path and is left out too. nullopt when the folder cannot be read.
std::optional<std::vector<DirEntry>> ListFolder(std::string_view folder);

// Bytes to read from: a file or a buffer.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual uint64_t Size() const = 0;
  // Reads up to n bytes at offset into buffer; fewer only at the end of the source.
  // Throws Error on an input error.
  virtual size_t ReadAt(uint64_t offset, void* buffer, size_t n) const = 0;
};

class MemorySource : public ByteSource {
 public:
  explicit MemorySource(std::string_view data) : data_(data) {}
  uint64_t Size() const override { return data_.size(); }
  size_t ReadAt(uint64_t offset, void* buffer, size_t n) const override;

 private:
  std::string_view data_;
};

// A regular file open for reading. Others may read it at the same time; it is never written.
class InputFile : public ByteSource {
 public:
  // Throws Error "Cannot open file "PATH". REASON". Only regular files are opened, and opening
  // never waits (a named pipe or a device is refused).
  static std::unique_ptr<InputFile> Open(std::string_view path);
  // Like Open, but gives nullptr instead of throwing.
  static std::unique_ptr<InputFile> TryOpen(std::string_view path);
  ~InputFile() override;
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  uint64_t Size() const override { return size_; }
  size_t ReadAt(uint64_t offset, void* buffer, size_t n) const override;

  // Bytes read by all InputFiles of the process, for the benchmarks.
  static uint64_t TotalBytesRead();

 private:
  InputFile(int fd, uint64_t size, std::string shown);
  int fd_;
  uint64_t size_;
  std::string shown_;
};

// The largest program text file (settings, songs.dat, playlists) that is read.
inline constexpr uint64_t kMaxTextFileSize = 64ull << 20;

// The whole content of a file. Throws Error "Cannot open file "PATH". REASON", also when the file
// is larger than max_size.
std::string ReadWholeFile(std::string_view path, uint64_t max_size = kMaxTextFileSize);

// Replaces the file at path with data, atomically: the bytes go to a temporary file in the same
// folder, are flushed, and the temporary file is renamed over the target. On any failure the old
// file stays as it was and the temporary file is removed. Throws Error: "Cannot create file
// "PATH". REASON" when the file cannot be created or replaced, "Cannot write file "PATH". REASON"
// when writing fails.
void WriteWholeFile(std::string_view path, std::string_view data);

// A seam for tests: the hook is asked before each step of WriteWholeFile and fails that step when
// it returns true.
enum class FileOp { kCreate, kWrite, kFlush, kRename };
using FileFaultHook = std::function<bool(FileOp)>;
void SetFileFaultHook(FileFaultHook hook);

}  // namespace plondex
