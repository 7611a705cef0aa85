#pragma once

// What the tag cache keeps of one player: for each song its native path below the player's root,
// its size and time when it was read, and what the readers gave for it (never what cleaning made
// of it). The songs lie in the order of the build that stored them, as bytes that end with a
// checksum, so a build of the same tree takes them one after another without looking them up,
// and decodes only what it takes.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/files.h"
#include "tags/songtags.h"

namespace plondex {

class RememberedSongs {
 public:
  // None.
  RememberedSongs() = default;
  // The songs in bytes that RememberedSongsWriter made. Empty bytes, or bytes of readers of another
  // version, hold none (outdated() tells the latter). Throws Error "the songs remembered are
  // damaged" for anything else that is not such bytes.
  explicit RememberedSongs(std::string bytes);
  RememberedSongs(RememberedSongs&&) = default;
  RememberedSongs& operator=(RememberedSongs&&) = default;

  size_t size() const { return entries_.size(); }
  // The bytes held songs of other readers: the cache should be written afresh.
  bool outdated() const { return outdated_; }

  // The song at this path, once: nullopt when it is not remembered or was taken already. Looking
  // for the songs in the order they were stored costs no lookup.
  std::optional<size_t> Take(std::string_view path);
  const FileStamp& Stamp(size_t song) const { return entries_[song].stamp; }
  SongTags Tags(size_t song) const;
  std::string_view Path(size_t song) const { return entries_[song].path; }
  // The song as stored, for RememberedSongsWriter::AddStored.
  std::string_view Stored(size_t song) const;
  // Songs not taken yet, in stored order.
  std::vector<size_t> NotTaken() const;

 private:
  struct Entry {
    size_t begin = 0, end = 0;  // the entry within bytes_
    std::string_view path;
    FileStamp stamp;
    size_t tags = 0;  // where its tags begin within bytes_
    bool taken = false;
  };
  std::string bytes_;
  std::vector<Entry> entries_;
  size_t next_ = 0;                                     // where the next song is expected
  std::unordered_map<std::string_view, size_t> index_;  // made at the first song out of order
  bool outdated_ = false;
};

// Writes songs as RememberedSongs reads them, in the order they are added.
class RememberedSongsWriter {
 public:
  RememberedSongsWriter();
  // Adds a song; gives its bytes as stored, to compare with another's Stored, valid until the next
  // Add. A song too large to keep (over 1 MiB) is not added, and gives nothing.
  std::string_view Add(std::string_view path, const FileStamp& stamp, const SongTags& tags);
  // Adds a song as another RememberedSongs stored it.
  void AddStored(std::string_view stored);
  // The bytes with everything added. Once.
  std::string Finish();

 private:
  std::string bytes_;
  uint32_t count_ = 0;
};

}  // namespace plondex
