#pragma once

// What a file holds, told from its bytes rather than its name: the first step of sending, which
// decides whether a file is a song at all and whether the player plays it as it is.

#include <string_view>

#include "platform/files.h"

namespace plondex {

enum class AudioContent {
  kNone,       // not a song: a picture, a text, a video, anything unknown
  kMp3,        // MPEG audio layer III, with or without ID3v2 tags
  kMpegAudio,  // MPEG audio layer I or II
  kAdtsAac,    // AAC in ADTS frames
  kOggVorbis,
  kOggOpus,
  kOggFlac,
  kOggSpeex,
  kAsf,  // WMA (or another ASF file; the probe tells which codec)
  kFlac,
  kMp4,  // MP4, M4A (AAC or ALAC), 3GP: the probe tells whether it is a song
  kWav,
  kAiff,
  kWavPack,
  kApe,
  kMatroska,  // Matroska or WebM: the probe tells whether it is a song
  kCaf,
  kTta,
  kMusepack,
  kDsf,
  kAu,
  // Ogg or ASF behind an ID3v2 tag: no player nor reader looks for them there, so such a file
  // is converted, never copied.
  kTaggedStream,
};

// Looks at the start of the source (after any ID3v2 tags) and reads at most a few hundred KB.
// Never throws for what the bytes hold; a read error of the source is thrown as the source
// throws it.
AudioContent SniffContent(const ByteSource& source);

// True for the contents the player plays when they come as they are: MP3, Ogg Vorbis and ASF
// (whose codec the probe must still confirm as WMA).
bool PlayerPlaysContent(AudioContent content);

// A short name for messages and the plan: "MP3", "Ogg Opus", "FLAC".
std::string_view ContentName(AudioContent content);

}  // namespace plondex
