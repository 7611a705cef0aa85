#pragma once

// The player's navigation database "iRivNavi.iDB": a fixed 41152-byte header (three
// identification strings, the song count and a table of record offsets), one record per song
// with five zero-terminated 8-bit texts, and 64 zero bytes at the end.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"

namespace plondex {

namespace irivdb_layout {

inline constexpr std::string_view kVersionText = "iRivDB Ver 0.12";      // at byte 0
inline constexpr std::string_view kFileText = "iRiver iHP-100 DB File";  // at byte 32
inline constexpr std::string_view kDesignText = "Designed by iRiver";    // at byte 41088
inline constexpr size_t kVersionAt = 0;
inline constexpr size_t kFileTextAt = 32;
inline constexpr size_t kCountAt = 64;
inline constexpr size_t kTableAt = 128;
inline constexpr size_t kTableSlots = 10240;
inline constexpr size_t kDesignAt = kTableAt + 4 * kTableSlots;  // 41088
inline constexpr size_t kHeaderSize = kDesignAt + 64;            // 41152
inline constexpr size_t kTrailerSize = 64;
// The player reads no more songs than this; the table's last slots stay zero.
inline constexpr size_t kMaxSongs = 9999;
// Five 16-bit lengths open every record.
inline constexpr size_t kRecordHeadSize = 10;
// A text's length with its terminating zero must fit in 16 bits.
inline constexpr size_t kMaxTextSize = 65534;
// The largest file the writer can produce.
inline constexpr uint64_t kMaxFileSize =
    kHeaderSize + kMaxSongs * (kRecordHeadSize + 5 * (kMaxTextSize + 1)) + kTrailerSize;

}  // namespace irivdb_layout

// One song of the database: five 8-bit texts (Windows-1252 bytes). Path is the song's path below
// the player's root, e.g. "\Music\Rock\Track 01.mp3".
struct tsong {
  std::string Path;
  std::string Title;
  std::string Artist;
  std::string Album;
  std::string Genre;

  bool operator==(const tsong&) const = default;
};

// The songs of one database, in the order they were added, and the writer of the file.
class tirivdb {
 public:
  // Appends a record; the database owns it from now on. A null pointer adds nothing.
  void AddSong(std::unique_ptr<tsong> song);
  void AddSong(tsong song);

  // Every record added, including those past the file's limit of 9999.
  size_t Count() const { return songs_.size(); }
  const tsong& Song(size_t index) const { return *songs_.at(index); }

  // The whole file. Only the first 9999 records are written; later ones leave no trace. Throws
  // Error, naming the record's Path, when a written text holds a zero byte or is longer than
  // 65534 bytes.
  std::string Assemble() const;

  // Assembles the file and replaces the one at file with it atomically. Throws Error: a bad text
  // before anything is written, "Cannot create file "PATH". REASON" when the file cannot be
  // created, or the system's message of a failed write; the old file then stays as it was.
  void SaveDatabase(const FileLocation& file) const;
  // The same into a file whose replacement was begun before.
  void SaveDatabase(ReplacementFile& file) const;

 private:
  std::vector<std::unique_ptr<tsong>> songs_;
};

}  // namespace plondex
