#pragma once

// A tag cache in memory for tests: it keeps what builds store and counts what they ask.

#include <map>
#include <string>

#include "navdb/tag_cache.h"

namespace plondex::test {

class MemoryTagCache : public TagCache {
 public:
  RememberedSongs Load(const std::string& player) override {
    ++loads;
    return players[player];
  }
  void Store(const std::string& player, const TagCacheChanges& changes) override {
    ++stores;
    RememberedSongs& songs = players[player];
    for (const auto& [path, song] : changes.put) songs[path] = song;
    for (const std::string& path : changes.drop) songs.erase(path);
  }

  std::map<std::string, RememberedSongs> players;
  int loads = 0;
  int stores = 0;
};

}  // namespace plondex::test
