#pragma once

// The ID3v1 tag: the fixed 128-byte block at the end of an MP3 file, and the genre table that
// also names the numeric genres of ID3v2 tags. Nothing here ever throws: a file without a
// readable tag simply gives empty texts.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/files.h"

namespace plondex {

// One value per row of the genre table, in table order.
enum TGenre : uint8_t {
  grBlues,
  grClassicRock,
  grCountry,
  grDance,
  grDisco,
  grFunk,
  grGrunge,
  grHipHop,
  grJazz,
  grMetal,
  grNewAge,
  grOldies,
  grOther,
  grPop,
  grRandB,
  grRap,
  grReggae,
  grRock,
  grTechno,
  grIndustrial,
  grAlternative,
  grSka,
  grDeathMetal,
  grPranks,
  grSoundtrack,
  grEuroTechno,
  grAmbient,
  grTripHop,
  grVocal,
  grJazzFunk,
  grFusion,
  grTrance,
  grClassical,
  grInstrumental,
  grAcid,
  grHouse,
  grGame,
  grSoundClip,
  grGospel,
  grNoise,
  grAlternRock,
  grBass,
  grSoul,
  grPunk,
  grSpace,
  grMeditative,
  grInstrumentalPop,
  grInstrumentalRock,
  grEthnic,
  grGothic,
  grDarkwave,
  grTechnoIndustrial,
  grElectronic,
  grPopFolk,
  grEurodance,
  grDream,
  grSouthernRock,
  grComedy,
  grCult,
  grGangsta,
  grTop40,
  grChristianRap,
  grPopFunk,
  grJungle,
  grNativeAmerican,
  grCabaret,
  grNewWave,
  grPsychadelic,
  grRave,
  grShowtunes,
  grTrailer,
  grLoFi,
  grTribal,
  grAcidPunk,
  grAcidJazz,
  grPolka,
  grRetro,
  grMusical,
  grRockandRoll,
  grHardRock,
  grFolk,
  grFolkRock,
  grNationalFolk,
  grSwing,
  grFastFusion,
  grBebob,
  grLatin,
  grRevival,
  grCeltic,
  grBluegrass,
  grAvantgarde,
  grGothicRock,
  grProgressiveRock,
  grPsychedelicRock,
  grSymphonicRock,
  grSlowRock,
  grBigBand,
  grChorus,
  grEasyListening,
  grAcoustic,
  grHumour,
  grSpeech,
  grChanson,
  grOpera,
  grChamberMusic,
  grSonata,
  grSymphony,
  grBootyBass,
  grPrimus,
  grPornGroove,
  grSatire,
  grSlowJam,
  grClub,
  grTango,
  grSamba,
  grFolklore,
  grBallad,
  grPowerBallad,
  grRhythmicSoul,
  grFreestyle,
  grDuet,
  grPunkRock,
  grDrumSolo,
  grAcapella,
  grEuroHouse,
  grDanceHall,
  grNone,
};

inline constexpr int kGenreCount = 127;
inline constexpr size_t kId3v1BlockSize = 128;

// The genre table's name for 0 to 126. Any other index is outside the table and gives an empty
// text rather than reading past it.
const std::string& GenreName(int index);

// The genre name of an ID3v2 genre "(n)" with 0 <= n <= 125, or of a genre that is only the
// decimal digits of such an n (as ID3v2.4 writes it); the text itself otherwise. In "(n)" n is
// a whole number: optional spaces, an optional sign, then decimal digits, or hexadecimal digits
// after "$" or "0x"; nothing may follow.
std::string MapId3v2Genre(const std::string& genre);

// A fixed-width text field: its bytes up to the first zero byte, or all of them. Padding spaces
// and bytes above 127 are kept.
std::string FixedFieldText(const unsigned char* field, size_t width);

// True when the file opens, holds at least 128 bytes and its last 128 begin with "TAG".
bool Id3v1TagInFile(const FileLocation& file);
bool Id3v1TagInSource(const ByteSource& source);

// Copies the last 128 bytes into block; true when all 128 were read and they begin with "TAG".
bool ReadId3v1Block(const FileLocation& file, unsigned char (&block)[kId3v1BlockSize]);
bool ReadId3v1BlockFromSource(const ByteSource& source, unsigned char (&block)[kId3v1BlockSize]);

// The reader component. Assigning a file name reads that file's tag, unless the name is the one
// already held: then the earlier values stay, even when the file has changed since.
class TId3v1 {
 public:
  // The file as messages name it.
  const std::string& FileName() const { return file_.shown(); }
  void SetFileName(const FileLocation& file);
  // The same for a file the caller has open already: it is read through opened.
  void SetFile(const FileLocation& file, const ByteSource& opened);

  // Reads the tag of a source without touching FileName.
  void ReadFromSource(const ByteSource& source);

  const std::string& SongName() const { return song_name_; }
  const std::string& Artist() const { return artist_; }
  const std::string& Album() const { return album_; }
  const std::string& Year() const { return year_; }
  const std::string& Comment() const { return comment_; }
  TGenre Genre() const { return genre_; }

  // The setters change only the values held; no file is written.
  void SetSongName(std::string_view value) { song_name_ = value; }
  void SetArtist(std::string_view value) { artist_ = value; }
  void SetAlbum(std::string_view value) { album_ = value; }
  void SetYear(std::string_view value) { year_ = value; }
  void SetComment(std::string_view value) { comment_ = value; }
  void SetGenre(TGenre value) { genre_ = value; }

 private:
  // Takes the fields of a block, or clears them when there is none.
  void TakeBlock(const unsigned char* block);

  FileLocation file_ = FileLocation(std::string());
  std::string song_name_;
  std::string artist_;
  std::string album_;
  std::string year_;
  std::string comment_;
  TGenre genre_ = grBlues;
};

}  // namespace plondex
