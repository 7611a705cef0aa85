#include "send/songfacts.h"

#include <algorithm>

#include "platform/ascii.h"
#include "platform/codepage.h"
#include "platform/numbers.h"

namespace plondex {
namespace {

enum class Field {
  kNone,
  kTitle,
  kArtist,
  kAlbumArtist,
  kAlbum,
  kGenre,
  kTrack,
  kTrackTotal,
  kDisc,
  kDiscTotal,
  kYear
};

// The name with letter case and everything but letters and digits left out.
std::string Squeezed(std::string_view name) {
  std::string out;
  for (const char c : name) {
    const char lower = AsciiLower(c);
    if ((lower >= 'a' && lower <= 'z') || (lower >= '0' && lower <= '9')) out += lower;
  }
  return out;
}

Field FieldOf(std::string_view name) {
  struct Name {
    std::string_view squeezed;
    Field field;
  };
  // Vorbis comments, the probe's own names (which it gives ID3v2, MP4 and ASF tags) and the
  // ASF names it passes on as they are.
  static constexpr Name kNames[] = {
      {"title", Field::kTitle},
      {"artist", Field::kArtist},
      {"albumartist", Field::kAlbumArtist},
      {"wmalbumartist", Field::kAlbumArtist},
      {"album", Field::kAlbum},
      {"wmalbumtitle", Field::kAlbum},
      {"genre", Field::kGenre},
      {"wmgenre", Field::kGenre},
      {"track", Field::kTrack},
      {"tracknumber", Field::kTrack},
      {"wmtracknumber", Field::kTrack},
      {"tracktotal", Field::kTrackTotal},
      {"totaltracks", Field::kTrackTotal},
      {"disc", Field::kDisc},
      {"discnumber", Field::kDisc},
      {"wmpartofset", Field::kDisc},
      {"disctotal", Field::kDiscTotal},
      {"totaldiscs", Field::kDiscTotal},
      {"date", Field::kYear},
      {"year", Field::kYear},
      {"wmyear", Field::kYear},
  };
  const std::string squeezed = Squeezed(name);
  for (const Name& n : kNames) {
    if (n.squeezed == squeezed) return n.field;
  }
  return Field::kNone;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A whole number of at most four digits from i on, after spaces; 0 when there is none.
int SmallNumberAt(std::string_view text, size_t& i) {
  while (i < text.size() && text[i] == ' ') ++i;
  int value = 0;
  size_t digits = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i, ++digits) {
    if (digits < 4) value = value * 10 + (text[i] - '0');
  }
  return digits > 4 ? 0 : value;
}

// "3", "03", "3/12": the number and the total after the slash.
void NumberAndTotal(std::string_view text, int& number, int& total) {
  size_t i = 0;
  const int n = SmallNumberAt(text, i);
  if (n == 0) return;
  if (number == 0) number = n;
  while (i < text.size() && text[i] == ' ') ++i;
  if (i < text.size() && text[i] == '/') {
    ++i;
    const int t = SmallNumberAt(text, i);
    if (total == 0) total = t;
  }
}

int YearOf(std::string_view text) {
  for (size_t i = 0; i < text.size();) {
    if (!IsDigit(text[i])) {
      ++i;
      continue;
    }
    const size_t start = i;
    while (i < text.size() && IsDigit(text[i])) ++i;
    if (i - start == 4) {
      const int64_t year = ParseWholeNumber(text.substr(start, 4)).value_or(0);
      if (year > 0) return static_cast<int>(year);
    }
  }
  return 0;
}

// The text as UTF-8, cut at a zero byte and to the longest text kept, trimmed.
std::string CleanText(std::string_view value) {
  value = value.substr(0, value.find('\0'));
  std::string text = Utf8ToWide(value) ? std::string(value) : AnsiToUtf8(value);
  if (text.size() > kMaxTagTextBytes) {
    size_t cut = kMaxTagTextBytes;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
    text.resize(cut);
  }
  auto space = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  const auto first = std::find_if_not(text.begin(), text.end(), space);
  const auto last = std::find_if_not(text.rbegin(), text.rend(), space).base();
  return first < last ? std::string(first, last) : std::string();
}

}  // namespace

void MapSourceTag(std::string_view name, std::string_view value, SourceTags& tags) {
  std::string* text = nullptr;
  switch (FieldOf(name)) {
    case Field::kNone:
      return;
    case Field::kTitle:
      text = &tags.title;
      break;
    case Field::kArtist:
      text = &tags.artist;
      break;
    case Field::kAlbumArtist:
      text = &tags.album_artist;
      break;
    case Field::kAlbum:
      text = &tags.album;
      break;
    case Field::kGenre:
      text = &tags.genre;
      break;
    case Field::kTrack:
      NumberAndTotal(value, tags.track, tags.track_total);
      return;
    case Field::kTrackTotal: {
      int unused = 1;
      NumberAndTotal(value, tags.track_total, unused);
      return;
    }
    case Field::kDisc:
      NumberAndTotal(value, tags.disc, tags.disc_total);
      return;
    case Field::kDiscTotal: {
      int unused = 1;
      NumberAndTotal(value, tags.disc_total, unused);
      return;
    }
    case Field::kYear:
      if (tags.year == 0) tags.year = YearOf(value);
      return;
  }
  if (text->empty()) *text = CleanText(value);
}

}  // namespace plondex
