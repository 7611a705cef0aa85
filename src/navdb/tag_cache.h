#pragma once

// What the database build remembers of each song between builds: what the readers gave for it
// (never what cleaning made of it), with the file's size and time when it was read. A song whose
// size and time are unchanged is taken from here instead of being read again.

#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/files.h"
#include "tags/songtags.h"

namespace plondex {

struct RememberedSong {
  FileStamp stamp;
  SongTags tags;
  bool operator==(const RememberedSong&) const = default;
};

// The songs of one player by their native paths below the player's root ("Music/a.mp3").
using RememberedSongs = std::unordered_map<std::string, RememberedSong>;

// What one build changes among the songs of one player.
struct TagCacheChanges {
  std::vector<std::pair<std::string, RememberedSong>> put;  // read afresh
  std::vector<std::string> drop;                            // no longer on the player
  bool empty() const { return put.empty() && drop.empty(); }
};

// The store behind the build. A player is named by its volume serial, or by its root folder when
// it has none. One build uses it from one thread: Load first, then at most one Store.
class TagCache {
 public:
  virtual ~TagCache() = default;
  // Every song remembered for the player. Throws Error saying why when the cache cannot be used.
  virtual RememberedSongs Load(const std::string& player) = 0;
  // Makes the changes all at once. Throws Error saying why when it cannot; the cache then stays
  // as it was.
  virtual void Store(const std::string& player, const TagCacheChanges& changes) = 0;
};

}  // namespace plondex
