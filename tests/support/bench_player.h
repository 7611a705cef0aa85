#pragma once

// A large player for the benchmarks: songs in artist/album folders, about half ID3v2.3 (a fifth
// of those with a 200 KB cover picture), a sixth ID3v1 only, a fifth Ogg, the rest WMA. The same
// every time for the same count.

#include <cstddef>
#include <string>

namespace plondex::test {

struct BenchPlayerSummary {
  size_t songs = 0, id3v2 = 0, covers = 0, id3v1 = 0, ogg = 0, wma = 0, folders = 0;
  uint64_t bytes = 0;
};

// Fills the native folder (made when missing) with `songs` songs, 10 per album and 10 albums per
// artist; each song carries about audio_bytes of audio (MPEG frames back to back). With
// real_sizes each song is as large as a real one, 3 to 8 MB, the rest of it a hole that takes no
// room on disk (an ID3v1 tag stays at the very end). Every file is dated 2004-01-01.
BenchPlayerSummary MakeBenchPlayer(const std::string& folder, size_t songs,
                                   size_t audio_bytes = 64 * 1024, bool real_sizes = false);

// A songs.dat text naming every other song of such a player (as drive e:).
std::string BenchCheckList(const std::string& folder);

}  // namespace plondex::test
