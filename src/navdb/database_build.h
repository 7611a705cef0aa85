#pragma once

// The database build: the checked songs of the song tree, their tags read by file type, one
// record per song in tree order, the player's database file, and two side playlists of problem
// songs in the program folder.

#include <string>
#include <string_view>
#include <vector>

#include "library/songtree.h"
#include "navdb/build_reporter.h"
#include "navdb/irivdb.h"
#include "navdb/tag_cache.h"
#include "platform/player_files.h"

namespace plondex {

class TId3v1;
class TId3v2;

struct BuildSettings {
  char drive_letter = ' ';
  bool verbose = false;
  bool nowrite = false;
  int cutat = 32;
  std::string lists_folder;  // where longfilename.m3u and notag.m3u go (native path)
  // Every song is read, none taken from the tag cache; the cache then learns what was read.
  bool read_all_tags = false;
  // The MeCab dictionary Japanese songs are read with; empty for the system's own.
  std::string mecab_dictionary;
};

inline constexpr char kDatabaseFileName[] = "iRivNavi.iDB";
inline constexpr char kLongNameList[] = "longfilename.m3u";
inline constexpr char kNoTagList[] = "notag.m3u";
// A file name longer than this gets a warning and goes into the long-name list.
inline constexpr size_t kMaxFileNameLength = 52;

enum class BuildOutcome { kDone, kCancelled };

// Runs one build: songs are reached through files, the database is written to the drive of
// settings.drive_letter. The ID3 readers are the window's long-lived ones.
// - Throws Error, having logged and written nothing, when the drive is missing or the tree was
//   not scanned from it (RequireSongListOfPlayer).
// - Throws Error when the database cannot be written: at once when its temporary file cannot be
//   made, else after the songs were read (before "Done"); or when a side playlist cannot be
//   written (after "Done"). The log then ends with "Failed: " and the error's text.
// - When the reporter asks to stop, the build logs "Cancelled" as its last line, writes no file at
//   all and gives kCancelled.
// A song that cannot be read, whatever it holds, is logged for that song and the build goes on.
// With a tag cache, a song whose size and time are those remembered is taken from the cache, and
// a build that ends well stores what it read, and forgets the songs that are gone from the player.
// The log, the counters, the database and the side playlists are the same as without the cache.
// A cache that cannot be used costs one line, "Tag cache not used: REASON", never the build.
BuildOutcome BuildDatabase(const SongTree& tree, const PlayerFiles& files,
                           const BuildSettings& settings, TId3v1& idv1, TId3v2& idv2,
                           BuildReporter& reporter, TagCache* cache = nullptr);

// The nodes a build visits: every checked node without children below the root, in tree order.
std::vector<const SongNode*> CheckedLeaves(const SongTree& tree);
// How many of them are songs by their names: the total that the build's progress counts to.
int CountCheckedSongs(const SongTree& tree);

// True for the 93 byte values a tag text keeps (IsShownByte).
bool IsAllowedTagByte(unsigned char byte);

// Keeps the allowed bytes, spells out the other letters and removes the rest
// (AnsiToShownText), gives "???" for what is left empty, and cuts to limit - 1 characters
// (limit 1 leaves nothing, limit 0 or less cuts nothing). With verbose, a changed text is
// logged as "Adjusting tag: "OLD" -> "NEW"".
std::string CleanTagText(std::string_view text, int limit, bool verbose, BuildReporter& reporter);
void CleanSongTexts(tsong& song, int limit, bool verbose, BuildReporter& reporter);

}  // namespace plondex
