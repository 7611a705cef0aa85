#pragma once

// The names of sent songs on the player: FOLDER\Artist\Album\NN Title.ext. This is the one place
// that makes a path on the player for a song; nothing else invents one.

#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/japanese.h"
#include "platform/player_files.h"
#include "send/songfacts.h"

namespace plondex {

// The texts a song is named by, as its source gives them (UTF-8, or 8-bit bytes where a name is
// not UTF-8).
struct SongNameTexts {
  std::string title, artist, album, genre;
};

// The same texts as the player shows them (8-bit text).
struct PlayerNameTexts {
  std::string title, artist, album, genre;
};

// The player-text rule for the names of one song, the same as for the database's texts
// (ToPlayerTexts): a character that Windows-1252 holds stays, any other takes its readable
// spelling, and the Han characters of a Japanese song are read as Japanese (readings, when
// given).
PlayerNameTexts SpellSongTexts(const SongNameTexts& texts, JapaneseReadings* readings);

// A song to name: its tags, and its own names for the fields the tags leave empty.
struct SongNameSource {
  SourceTags tags;
  std::string file_stem;           // the source file's name without its extension
  std::string folder_name;         // the folder that holds it; empty when there is none
  std::string parent_folder_name;  // that folder's parent; empty when there is none
};

// The longest name of a file or folder that sending makes: the database build warns about
// longer song names.
inline constexpr size_t kMaxSentNameLength = 52;

// One 8-bit name made safe for FAT: control characters and " * / : < > ? \ | become "_", leading
// spaces and trailing spaces and dots go, cut to max_length characters (at least 8; then
// trimmed again, "_" when nothing is left of a name that had something), and a name the system
// reserves (CON, NUL, COM1, ...) gets a "_" after its base.
std::string FatSafeName(std::string_view name, size_t max_length = kMaxSentNameLength);

// Upper case of the 8-bit letters as FAT compares names: ASCII and the Windows-1252 letters that
// have a case.
std::string FoldNameCase(std::string_view name);

// Names the songs of one send, one after another. Folders and files are compared ignoring letter
// case, as on the player's FAT: a folder already on the player or named earlier in this send keeps
// the spelling it has, and a file name that an earlier song of this send took gets " (2)",
// " (3)", ... before its extension.
class SongNamer {
 public:
  struct Name {
    PlayerPath path;
    bool exists = false;  // a file of this name (in any letter case) is on the player already
  };

  // files and its drive table must outlive the namer. folder: the player folder below the root
  // that songs go into, 8-bit, names separated by '\' ("Music"); empty for the root itself.
  SongNamer(const PlayerFiles& files, char letter, std::string_view folder);

  // FOLDER\Artist\Album\NN Title.ext, where the artist is the album artist or else the artist,
  // NN the track number (D-NN when the album has more than one disc) and missing fields are
  // taken from the source's own names ("Unknown Artist", "Unknown Album" when it has none).
  // extension: ".mp3", ".ogg" or ".wma".
  Name NameSong(const SongNameSource& song, std::string_view extension);

 private:
  struct Entry {
    std::string name;  // as the player or this send spells it
    bool is_folder = false;
  };
  using Listing = std::map<std::string, Entry>;  // by FoldNameCase of the name
  // The entries of a folder on the player, listed once, and those this send adds.
  Listing& Folder(const std::string& path);
  // The folder's entry of this name in its existing spelling, added as a folder when missing.
  std::string FolderName(const std::string& parent, const std::string& name);

  const PlayerFiles& files_;
  std::string root_;                        // "e:"
  std::vector<std::string> base_;           // the names of FOLDER
  std::map<std::string, Listing> folders_;  // by FoldNameCase of the path
  std::set<std::string> taken_;             // FoldNameCase of every path named in this send
  JapaneseReadings japanese_;               // opened on the first Japanese song, if any
};

}  // namespace plondex
