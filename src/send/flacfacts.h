#pragma once

// The facts of a FLAC file read from its own metadata blocks: the stream information and the
// Vorbis comments. Most lossless sources are FLAC, and reading a few kilobytes here saves each of
// them a run of the probe.

#include <optional>
#include <string_view>

#include "platform/files.h"
#include "send/songfacts.h"

namespace plondex {

// nullopt when the source does not start with "fLaC" and a stream information block, or when
// that block does not tell the song's length: the probe answers for those. The comments are
// taken from the first comment block; a block that is not whole, or larger than 1 MiB, gives no
// tags. Throws what the source throws for a read error.
std::optional<SongFacts> ReadFlacFacts(const ByteSource& source);

// The comments of a Vorbis comment block (vendor, count, then "NAME=value" each with its
// little-endian length) handed to MapSourceTag; a comment that does not fit stops the reading.
void ReadVorbisComments(std::string_view block, SourceTags& tags);

}  // namespace plondex
