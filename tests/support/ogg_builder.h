#pragma once

// Ogg Vorbis bytes: pages with a correct checksum, the Vorbis identification and comment
// headers, and whole small files, for tests, benchmarks and the demo.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace plondex::test {

// The Ogg page checksum (CRC-32, polynomial 0x04C11DB7, no reflection, zero start).
uint32_t OggCrc(std::string_view bytes);

// Page flags.
inline constexpr uint8_t kOggContinued = 1;
inline constexpr uint8_t kOggFirstPage = 2;
inline constexpr uint8_t kOggLastPage = 4;

// One page holding whole packets, laced into 255-byte segments. Throws std::length_error when
// they need more than 255 segments.
std::string MakeOggPage(const std::vector<std::string>& packets, uint8_t flags, uint64_t granule,
                        uint32_t serial, uint32_t sequence);

// The 30-byte Vorbis I identification header.
std::string MakeVorbisIdentificationHeader(uint8_t channels = 2, uint32_t sample_rate = 44100);

// A Vorbis comment header: the vendor string and each comment ("NAME=value", or anything else
// for odd cases) with its 32-bit length, then the framing bit.
std::string MakeVorbisCommentHeader(std::string_view vendor,
                                    const std::vector<std::string>& comments);

// A complete small file: the identification header alone on the first page, the comment
// header and a stand-in setup header on the second, one audio packet on the last. The comment
// header starts at byte 85 plus the second page's segment count (one per 255 bytes of its
// packets), so it lies within the first 250 bytes for comments of up to about 40 KB.
std::string MakeOggVorbisFile(const std::vector<std::string>& comments,
                              std::string_view vendor = "Plondex test encoder");

}  // namespace plondex::test
