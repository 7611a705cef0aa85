#pragma once

// What the tag readers hand over for one song, and the one conversion of a song's texts into the
// player's 8-bit text. The readers give their texts as they decoded them; everything that turns
// them into what the player shows happens here, once per song, with all four texts at hand.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/codepage.h"

namespace plondex {

class JapaneseReadings;
class TId3v1;
class TId3v2;
class TOggReader;
class TWmaReader;

// A tag text as a reader decoded it: 8-bit text (ID3v1, ID3v2 in ISO-8859-1, Ogg comments that
// are not UTF-8) or Unicode (UTF-16).
struct TagText {
  enum class Kind : uint8_t { kAnsi = 0, kUnicode = 1 };
  Kind kind = Kind::kAnsi;
  std::string ansi;     // kAnsi
  std::u16string wide;  // kUnicode

  static TagText Ansi(std::string text);
  static TagText Unicode(std::u16string text);
  // Bytes that are UTF-8 where they decode as such, as Vorbis comments are: Unicode then, else the
  // bytes as 8-bit text.
  static TagText Utf8OrBytes(std::string_view bytes);
  bool operator==(const TagText&) const = default;
};

// A text in 8-bit tag text: an 8-bit one as it is, a Unicode one through WideToTagAnsi out of
// the budget (when given). No readings: ToPlayerTexts adds them for a whole song.
std::string SpellTagText(const TagText& text, SpellingBudget* budget);

// The reader that answered for a song; kNone when none found a tag.
enum class TagSource : uint8_t { kNone = 0, kId3v2 = 1, kId3v1 = 2, kOgg = 3, kWma = 4 };

struct SongTags {
  TagSource source = TagSource::kNone;
  TagText title;
  // ID3v2 gives its performers one by one; every other reader gives one artist.
  std::vector<TagText> artists;
  TagText album;
  TagText genre;
  bool operator==(const SongTags&) const = default;
};

// Raise whenever a reader hands over something else for the same file than it did before (another
// text kind, another decoding): the tag cache then drops what older readers gave instead of
// passing it off as theirs.
inline constexpr int kReaderAnswersVersion = 2;

// A song's four texts in the player's 8-bit text, before they are cleaned and cut.
struct PlayerTexts {
  std::string title;
  std::string artist;
  std::vector<std::string> artists;  // each of the song's artists, as the artist is made of them
  std::string album;
  std::string genre;
  // A Japanese song was spelled without readings: the dictionary could not be opened.
  bool without_readings = false;
};

// What each reader gives, from its last read: ID3v2 (when its tag is present), ID3v1 (the genre
// by its name), Ogg comments (Unicode where they are UTF-8) and WMA texts.
SongTags Id3v2Tags(const TId3v2& reader);
SongTags Id3v1Tags(const TId3v1& reader);
SongTags OggTags(const TOggReader& reader);
SongTags WmaTags(const TWmaReader& reader);

// True when one of the song's Unicode texts holds kana: its Han characters are read as Japanese.
bool IsJapaneseSong(const SongTags& tags);

// 8-bit texts stay as they are; Unicode ones keep what Windows-1252 holds and take a readable
// spelling of the rest (WideToTagAnsi), out of one budget for the whole song. In a Japanese song
// the words in Han characters are first replaced by their readings (readings, when given). An
// ID3v2 song's artist is the comma text of its performers, without the double quotes around a
// single one.
PlayerTexts ToPlayerTexts(const SongTags& tags, JapaneseReadings* readings);

// The names joined by ',', a name holding a character of value 32 or less, a '"' or a ',' put
// between double quotes with its quotes doubled.
std::string CommaText(const std::vector<std::string>& names);

}  // namespace plondex
