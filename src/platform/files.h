#pragma once

// File access on native paths. A plain string path is always a native path of this system
// ("/home/u/.config/plondex/songs.dat"); a path on the player is a PlayerPath and reaches these
// functions only through PlayerFiles::Locate (player_files.h). Error texts name a file as its
// FileLocation shows it: a player path as the player writes it, a native path as 8-bit text.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace plondex {

// Where a file is on this system, and the name messages give it.
class FileLocation {
 public:
  // A native path; messages show its 8-bit form.
  explicit FileLocation(std::string native);
  FileLocation(std::string native, std::string shown)
      : native_(std::move(native)), shown_(std::move(shown)) {}
  // A path that leads to no file of this system, such as a player path on a missing drive.
  static FileLocation Nowhere(std::string shown) { return FileLocation({}, std::move(shown)); }

  // Empty for a path that leads nowhere.
  const std::string& native() const { return native_; }
  // 8-bit text.
  const std::string& shown() const { return shown_; }
  bool operator==(const FileLocation&) const = default;

 private:
  std::string native_;
  std::string shown_;
};

// The native path of an entry of a native folder ("/" and "a" give "/a").
std::string JoinNative(std::string_view folder, std::string_view name);

// The absolute path of an existing file or folder, links resolved; the path as given when the
// system cannot tell.
std::string RealNativePath(const std::string& native);

// The 8-bit form of a native file name: UTF-8 converted, other bytes kept as they are.
std::string NativeNameToAnsi(std::string_view native_name);

// True when an entry of exactly this path exists (file, folder or anything else).
bool FileExists(const FileLocation& file);
// True when the path names a folder.
bool FolderExists(const FileLocation& folder);
// Creates one folder; true on success.
bool CreateOneFolder(const FileLocation& folder);
// Creates a native folder and its missing parents, private to the user as per-user configuration
// and cache folders are. What cannot be made is left out: using the folder then fails.
void MakePrivateFolders(const std::string& native);
// Deletes a file; false when it could not be deleted.
bool RemoveFile(const FileLocation& file);
// The bytes free for this user on the file system that holds the folder; nullopt when the system
// cannot tell.
std::optional<uint64_t> FreeSpace(const FileLocation& folder);

struct DirEntry {
  std::string name;  // 8-bit text
  bool is_folder = false;
  // The listing itself said: a regular file (not a link, a pipe or a device).
  bool is_regular_file = false;
  // The name as the file system holds it. Joined to the folder's native path it reaches the entry
  // at once, where a player path is looked up again level by level.
  std::string native_name;
};

// Every entry of a folder (hidden ones included, "." and ".." left out) in the file system's own
// order. A symbolic link to a folder is left out (it is never followed); a name holding '\' cannot
// be a player path and is left out too. nullopt when the folder cannot be read.
std::optional<std::vector<DirEntry>> ListFolder(const FileLocation& folder);

// What tells a file's content apart from its content at another time without reading it: its size
// and when it was last changed, in nanoseconds since 1970.
struct FileStamp {
  uint64_t size = 0;
  int64_t mtime_ns = 0;
  bool operator==(const FileStamp&) const = default;
};

// Bytes to read from: a file or a buffer.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Throws Error when the size cannot be learnt.
  virtual uint64_t Size() const = 0;
  // True when the source holds at least n bytes. A source may know that without its size.
  virtual bool Holds(uint64_t n) const { return Size() >= n; }
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
  // Throws Error "Cannot open file "SHOWN". REASON". Only regular files are opened, and opening
  // never waits (a named pipe or a device is refused).
  static std::unique_ptr<InputFile> Open(const FileLocation& file);
  // Like Open, but gives nullptr instead of throwing.
  static std::unique_ptr<InputFile> TryOpen(const FileLocation& file);
  // Like Open, but gives nullptr when nothing exists at the path (as FileExists would say).
  static std::unique_ptr<InputFile> OpenIfExists(const FileLocation& file);
  // OpenIfExists for a file that a folder listing showed as a regular file: the file system is
  // not asked again what it is, nor its size until someone needs it.
  static std::unique_ptr<InputFile> OpenListedFile(const FileLocation& file);
  ~InputFile() override;
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  // Throws Error "Stream read error" when the system cannot tell.
  uint64_t Size() const override;
  // Throws Error "Stream read error" when the system fails the read.
  size_t ReadAt(uint64_t offset, void* buffer, size_t n) const override;

  // The stamp of what is open, when it is a regular file; nullopt for anything else or when the
  // system cannot tell. Its size is then known without asking again.
  std::optional<FileStamp> Stamp() const;

  // Bytes read by all InputFiles of the process, for the benchmarks.
  static uint64_t TotalBytesRead();

 private:
  friend class OpenFolder;
  InputFile(int fd, std::optional<uint64_t> size) : fd_(fd), size_(size) {}
  // nullptr with the system's error number when the open fails; throws for what is no file.
  // checked: whether to make sure it is a regular file.
  static std::unique_ptr<InputFile> OpenOrFail(const FileLocation& file, bool checked, int* error);
  int fd_;
  mutable std::optional<uint64_t> size_;
};

// A folder held open, so that its files are reached by their names alone: the system then looks up
// one name rather than every folder of a whole path, and a file's stamp costs one call.
class OpenFolder {
 public:
  // nullptr when the folder cannot be opened.
  static std::unique_ptr<OpenFolder> Open(const std::string& native);
  ~OpenFolder();
  OpenFolder(const OpenFolder&) = delete;
  OpenFolder& operator=(const OpenFolder&) = delete;

  // The stamp of the regular file of this name (a link followed); nullopt for anything else,
  // or when the system cannot tell.
  std::optional<FileStamp> StampOf(const std::string& native_name) const;
  // The file of this name open for reading, nullptr when that fails. known_size, when given, is
  // taken as its size. Only for a name that StampOf or a listing showed as a regular file.
  std::unique_ptr<InputFile> OpenFile(const std::string& native_name,
                                      std::optional<uint64_t> known_size) const;

 private:
  explicit OpenFolder(int fd) : fd_(fd) {}
  int fd_;
};

// A source read through blocks of at least block_size bytes: the start of the file, kept once read,
// and the block read last. Song tags lie at the start or the end of their file and are read in
// many small pieces, so most of those pieces then cost no call to the system. The source must
// outlive this object.
class BufferedSource : public ByteSource {
 public:
  BufferedSource(const ByteSource& source, size_t block_size)
      : source_(source), block_size_(block_size) {}
  uint64_t Size() const override;
  // Answered from the blocks where they reach that far, else by reading the block that ends
  // there: the bytes a reader asks about are mostly the ones it reads next.
  bool Holds(uint64_t n) const override;
  size_t ReadAt(uint64_t offset, void* buffer, size_t n) const override;

 private:
  struct Block {
    uint64_t at = 0;
    std::string bytes;
    uint64_t end() const { return at + bytes.size(); }
  };
  // Copies what the block holds of the read; false when it does not hold all of it, or all that
  // the source has of it.
  bool Serve(const Block& block, uint64_t offset, void* buffer, size_t n, size_t* count) const;
  void Fetch(Block& block, uint64_t at, size_t n) const;

  const ByteSource& source_;
  size_t block_size_;
  mutable Block head_;
  mutable Block last_;
  // Known once a read came back short.
  mutable std::optional<uint64_t> size_;
};

// The largest program text file (settings, songs.dat, playlists) that is read.
inline constexpr uint64_t kMaxTextFileSize = 64ull << 20;

// The whole content of a file. Throws Error "Cannot open file "SHOWN". REASON", also when the
// file is larger than max_size.
std::string ReadWholeFile(const FileLocation& file, uint64_t max_size = kMaxTextFileSize);

// Replaces the file with data, atomically: the bytes go to a temporary file in the same folder,
// are flushed, and the temporary file is renamed over the target. On any failure the old file
// stays as it was and the temporary file is removed. Throws Error: "Cannot create file "SHOWN".
// REASON" when the file cannot be created or replaced, "Cannot write file "SHOWN". REASON" when
// writing fails.
void WriteWholeFile(const FileLocation& file, std::string_view data);

// A file about to be replaced as WriteWholeFile does, in two steps: the temporary file is made at
// once, so a folder that cannot take it fails before any work is done for its content. Without
// Commit the temporary file is removed and the old file stays.
class ReplacementFile {
 public:
  // Throws Error "Cannot create file "SHOWN". REASON".
  explicit ReplacementFile(const FileLocation& file);
  ~ReplacementFile();
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;

  // Writes data, flushes it and renames the temporary file over the target. Throws as
  // WriteWholeFile; the old file then stays. Once only.
  void Commit(std::string_view data);

 private:
  void Discard();
  FileLocation file_;
  std::string temp_;
  int fd_ = -1;
};

// A seam for tests: the hook is asked before each step of WriteWholeFile and fails that step when
// it returns true.
enum class FileOp { kCreate, kWrite, kFlush, kRename };
using FileFaultHook = std::function<bool(FileOp)>;
void SetFileFaultHook(FileFaultHook hook);

}  // namespace plondex
