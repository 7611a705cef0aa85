#pragma once

// A tag cache in memory for tests: it keeps what builds store and counts what they ask.

#include <map>
#include <string>
#include <string_view>

#include "navdb/tag_cache.h"

namespace plondex::test {

class MemoryTagCache : public TagCache {
 public:
  std::string Load(const std::string& player) override {
    ++loads;
    return players[player];
  }
  void Store(const std::string& player, std::string_view songs) override {
    ++stores;
    players[player] = std::string(songs);
  }

  std::map<std::string, std::string> players;
  int loads = 0;
  int stores = 0;
};

}  // namespace plondex::test
