#pragma once

// Where the database build keeps what it remembers of each player's songs between builds
// (RememberedSongs): one value per player, named by the player's volume serial, or by its root
// folder when it has none. A store behind this interface only keeps bytes; what they mean is
// RememberedSongs' business.

#include <string>
#include <string_view>

namespace plondex {

class TagCache {
 public:
  virtual ~TagCache() = default;
  // What was stored for the player; empty when nothing. Throws Error saying why when the cache
  // cannot be used.
  virtual std::string Load(const std::string& player) = 0;
  // Replaces what is stored for the player, all at once. Throws Error saying why when it cannot;
  // the cache then stays as it was.
  virtual void Store(const std::string& player, std::string_view songs) = 0;
};

}  // namespace plondex
