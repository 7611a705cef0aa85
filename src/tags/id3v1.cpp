#include "tags/id3v1.h"

#include <cstring>
#include <memory>

#include "platform/error.h"
#include "platform/numbers.h"

namespace plondex {

namespace {

const std::string kGenreNames[kGenreCount] = {
    "Blues",
    "Classic Rock",
    "Country",
    "Dance",
    "Disco",
    "Funk",
    "Grunge",
    "Hip-Hop",
    "Jazz",
    "Metal",
    "New Age",
    "Oldies",
    "Other",
    "Pop",
    "R&B",
    "Rap",
    "Reggae",
    "Rock",
    "Techno",
    "Industrial",
    "Alternative",
    "Ska",
    "Death Metal",
    "Pranks",
    "Soundtrack",
    "Euro-Techno",
    "Ambient",
    "Trip-Hop",
    "Vocal",
    "Jazz+Funk",
    "Fusion",
    "Trance",
    "Classical",
    "Instrumental",
    "Acid",
    "House",
    "Game",
    "Sound Clip",
    "Gospel",
    "Noise",
    "AlternRock",
    "Bass",
    "Soul",
    "Punk",
    "Space",
    "Meditative",
    "Instrumental Pop",
    "Instrumental Rock",
    "Ethnic",
    "Gothic",
    "Darkwave",
    "Techno-Industrial",
    "Electronic",
    "Pop-Folk",
    "Eurodance",
    "Dream",
    "Southern Rock",
    "Comedy",
    "Cult",
    "Gangsta",
    "Top 40",
    "Christian Rap",
    "Pop/Funk",
    "Jungle",
    "Native American",
    "Cabaret",
    "New Wave",
    "Psychadelic",
    "Rave",
    "Showtunes",
    "Trailer",
    "Lo-Fi",
    "Tribal",
    "Acid Punk",
    "Acid Jazz",
    "Polka",
    "Retro",
    "Musical",
    "Rock & Roll",
    "Hard Rock",
    "Folk",
    "Folk/Rock",
    "National Folk",
    "Swing",
    "Fast Fusion",
    "Bebob",
    "Latin",
    "Revival",
    "Celtic",
    "Bluegrass",
    "Avantgarde",
    "Gothic Rock",
    "Progressive Rock",
    "Psychedelic Rock",
    "Symphonic Rock",
    "Slow Rock",
    "Big Band",
    "Chorus",
    "Easy Listening",
    "Acoustic",
    "Humour",
    "Speech",
    "Chanson",
    "Opera",
    "Chamber Music",
    "Sonata",
    "Symphony",
    "Booty Bass",
    "Primus",
    "Porn Groove",
    "Satire",
    "Slow Jam",
    "Club",
    "Tango",
    "Samba",
    "Folklore",
    "Ballad",
    "Power Ballad",
    "Rhythmic Soul",
    "Freestyle",
    "Duet",
    "Punk Rock",
    "Drum Solo",
    "Acapella",
    "Euro-House",
    "Dance Hall",
    "none",
};

bool StartsWithTag(const unsigned char* bytes) { return std::memcmp(bytes, "TAG", 3) == 0; }

// Field positions inside the block.
constexpr size_t kTitleAt = 3;
constexpr size_t kArtistAt = 33;
constexpr size_t kAlbumAt = 63;
constexpr size_t kYearAt = 93;
constexpr size_t kCommentAt = 97;
constexpr size_t kGenreAt = 127;
constexpr size_t kTextWidth = 30;
constexpr size_t kYearWidth = 4;

}  // namespace

const std::string& GenreName(int index) {
  static const std::string kOutside;
  if (index < 0 || index >= kGenreCount) return kOutside;
  return kGenreNames[index];
}

std::string MapId3v2Genre(const std::string& genre) {
  // ID3v2.4 writes the number alone: decimal digits and nothing else.
  if (const auto n = ParseWholeNumber(genre, NumberSyntax{.min = 0, .max = 125})) {
    return GenreName(static_cast<int>(*n));
  }
  if (genre.size() <= 2 || genre.front() != '(' || genre.back() != ')') return genre;
  constexpr NumberSyntax kGenreNumber{.leading_spaces = true,
                                      .sign = true,
                                      .hex_0x = true,
                                      .hex_dollar = true,
                                      .min = 0,
                                      .max = 125};
  const auto n =
      ParseWholeNumber(std::string_view(genre).substr(1, genre.size() - 2), kGenreNumber);
  return n ? GenreName(static_cast<int>(*n)) : genre;
}

std::string FixedFieldText(const unsigned char* field, size_t width) {
  const void* zero = std::memchr(field, 0, width);
  const size_t length =
      zero ? static_cast<size_t>(static_cast<const unsigned char*>(zero) - field) : width;
  return std::string(reinterpret_cast<const char*>(field), length);
}

bool Id3v1TagInSource(const ByteSource& source) {
  try {
    const uint64_t size = source.Size();
    if (size < kId3v1BlockSize) return false;
    unsigned char marker[3];
    if (source.ReadAt(size - kId3v1BlockSize, marker, sizeof marker) != sizeof marker) {
      return false;
    }
    return StartsWithTag(marker);
  } catch (const Error&) {
    return false;
  }
}

bool Id3v1TagInFile(const FileLocation& file) {
  const std::unique_ptr<InputFile> input = InputFile::TryOpen(file);
  return input && Id3v1TagInSource(*input);
}

bool ReadId3v1BlockFromSource(const ByteSource& source, unsigned char (&block)[kId3v1BlockSize]) {
  try {
    const uint64_t size = source.Size();
    if (size < kId3v1BlockSize) return false;
    if (source.ReadAt(size - kId3v1BlockSize, block, kId3v1BlockSize) != kId3v1BlockSize) {
      return false;
    }
    return StartsWithTag(block);
  } catch (const Error&) {
    return false;
  }
}

bool ReadId3v1Block(const FileLocation& file, unsigned char (&block)[kId3v1BlockSize]) {
  const std::unique_ptr<InputFile> input = InputFile::TryOpen(file);
  return input && ReadId3v1BlockFromSource(*input, block);
}

void TId3v1::SetFileName(const FileLocation& file) {
  if (file == file_) return;
  file_ = file;
  unsigned char block[kId3v1BlockSize];
  TakeBlock(ReadId3v1Block(file_, block) ? block : nullptr);
}

void TId3v1::SetFile(const FileLocation& file, const ByteSource& opened) {
  if (file == file_) return;
  file_ = file;
  ReadFromSource(opened);
}

void TId3v1::ReadFromSource(const ByteSource& source) {
  unsigned char block[kId3v1BlockSize];
  TakeBlock(ReadId3v1BlockFromSource(source, block) ? block : nullptr);
}

void TId3v1::TakeBlock(const unsigned char* block) {
  if (!block) {
    song_name_.clear();
    artist_.clear();
    album_.clear();
    year_.clear();
    comment_.clear();
    genre_ = grNone;
    return;
  }
  song_name_ = FixedFieldText(block + kTitleAt, kTextWidth);
  artist_ = FixedFieldText(block + kArtistAt, kTextWidth);
  album_ = FixedFieldText(block + kAlbumAt, kTextWidth);
  year_ = FixedFieldText(block + kYearAt, kYearWidth);
  comment_ = FixedFieldText(block + kCommentAt, kTextWidth);
  const unsigned char genre = block[kGenreAt];
  genre_ = genre < grNone ? static_cast<TGenre>(genre) : grNone;
}

}  // namespace plondex
