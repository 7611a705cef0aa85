#pragma once

// What sending needs to know of a source: the tags its names and its converted copy take, and
// the length, rate and channels its conversion is planned and bounded by. The facts come from the
// probe (probe.h) or, for FLAC, from the file's own metadata blocks (flacfacts.h); both hand every
// tag to MapSourceTag, the one place that knows the names tags go by.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace plondex {

// The tags a sent song keeps. Texts are UTF-8, trimmed, without zero bytes, at most
// kMaxTagTextBytes long; a number is 0 when unknown.
struct SourceTags {
  std::string title, artist, album_artist, album, genre;
  int track = 0, track_total = 0, disc = 0, disc_total = 0, year = 0;
  bool operator==(const SourceTags&) const = default;
};

inline constexpr size_t kMaxTagTextBytes = 1024;

// Takes one tag of a source by its name as the container or the probe spells it ("TITLE",
// "album_artist", "ALBUM ARTIST", "WM/AlbumArtist", "TRACKNUMBER", "date", ...). Names match
// ignoring letter case and every character but ASCII letters and digits. A field keeps the first
// value that gives it something; names it does not know are passed over. A text that is not valid
// UTF-8 is taken as Windows-1252. Numbers: "3", "03", "3/12" (a total after the slash); a year is
// the first run of four digits ("2001-05-02", "5.2.2001").
void MapSourceTag(std::string_view name, std::string_view value, SourceTags& tags);

struct SongFacts {
  SourceTags tags;
  double duration = 0;     // seconds; 0 when unknown
  int64_t bit_rate = 0;    // bits per second of the whole file; 0 when unknown
  int sample_rate = 0;     // of the first audio stream; 0 when unknown
  int channels = 0;        // of the first audio stream; 0 when unknown
  std::string codec;       // of the first audio stream ("flac", "mp3", "wmav2"); empty: none
  bool has_video = false;  // a moving picture beside the sound (a cover does not count)
  bool operator==(const SongFacts&) const = default;
};

}  // namespace plondex
