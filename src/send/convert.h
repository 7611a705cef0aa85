#pragma once

// The conversion of a song the player cannot play: ffmpeg's command line for it, the bounds it
// runs within, and the size it is expected to take on the player.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "send/child_process.h"
#include "send/songfacts.h"

namespace plondex {

enum class SendFormat { kMp3, kOgg };

struct ConvertSettings {
  SendFormat format = SendFormat::kMp3;
  // LAME's VBR quality for MP3 (0 best to 9), Vorbis quality for Ogg (-1 to 10).
  int quality = 2;
};

int DefaultQuality(SendFormat format);
bool QualityInRange(SendFormat format, int quality);
// ".mp3" or ".ogg".
std::string_view FormatExtension(SendFormat format);

// ffmpeg converting the first audio stream of source into output (native paths, both named with
// the "file:" protocol): MP3 at 44.1 kHz stereo with an ID3v2.3 tag, or Ogg Vorbis resampled to
// 44.1 kHz above 48 kHz and mixed down to stereo above two channels. The tag holds the fields of
// tags only (nothing of the source's other metadata, no cover). It stops at the first decoding
// error and reports its progress on standard output.
std::vector<std::string> ConvertCommand(const std::string& ffmpeg, const std::string& source,
                                        const std::string& output, const SourceTags& tags,
                                        const SongFacts& facts, const ConvertSettings& settings);

// The bounds of one conversion, from the length the source claims (a source that does not say
// is bounded as an hour): processor time for encoding at real-time speed plus a minute, three
// times that in all, 1 GiB of address space, and an output of at most 640 kbit/s plus 64 MiB.
ChildLimits ConvertLimits(const SongFacts& facts);
// The bounds of one probe: 20 s of processor time, 30 s in all, 1 GiB of address space.
ChildLimits ProbeLimits();

// The bytes a converted song is expected to take: its length at the quality's typical bit rate,
// or the source's size when its length is unknown.
uint64_t ConvertedSizeEstimate(const SongFacts& facts, const ConvertSettings& settings,
                               uint64_t source_bytes);

// The length of what the converter wrote, in seconds, from its last progress report; 0 when it
// reported none.
double ConvertedSeconds(std::string_view progress);

}  // namespace plondex
