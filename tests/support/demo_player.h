#pragma once

// The demo player: a folder that looks like a player's drive, with about 300 songs by a dozen
// artists in artist/album folders, every kind of tag the readers handle, a few problem songs and
// two playlists. The same every time it is made.

#include <string>

namespace plondex::test {

struct DemoPlayerSummary {
  int songs = 0;  // song files, Recycled included
  int id3v2 = 0, id3v1 = 0, ogg = 0, wma = 0, untagged = 0;
};

// Fills the (empty or missing) native folder; throws std::runtime_error when it cannot.
DemoPlayerSummary MakeDemoPlayer(const std::string& folder);

}  // namespace plondex::test
