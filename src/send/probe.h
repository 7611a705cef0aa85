#pragma once

// The probe: ffprobe run on a source as a child process, its "flat" output read back into facts.

#include <string>
#include <string_view>
#include <vector>

#include "send/child_process.h"
#include "send/songfacts.h"

namespace plondex {

// The command line that ParseProbeOutput reads: format and stream facts, every tag, the
// attached-picture mark of each stream, in ffprobe's flat form. The source is named with the
// "file:" protocol, so that no path is taken for another protocol or an option.
std::vector<std::string> ProbeCommand(const std::string& ffprobe, const std::string& source);

// The facts in a flat output (lines "format.duration=\"30.000000\"",
// "streams.stream.0.tags.title=\"...\""). Values in quotes have \n, \r, \\, \", \` and \$
// escaped. Tags of the whole file come first, then those of the first audio stream (Ogg keeps
// its comments there). Lines it does not know are passed over; it never throws.
SongFacts ParseProbeOutput(std::string_view flat);

// The first line of a program's error output without the "[flac @ 0x55d0c0] " of the part that
// wrote it and without the "file:SOURCE: " that names the source, or empty when there is none.
std::string FirstErrorLine(std::string_view error_output, std::string_view source);

// Why a child that ran on source did not succeed, for a message: what ("the conversion") took too
// long, grew too large, stopped with a signal, or its first error line.
std::string FailureReason(const ChildProcess& child, std::string_view source,
                          std::string_view what);

}  // namespace plondex
