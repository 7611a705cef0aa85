#pragma once

// ID3v1 blocks and a stand-in MP3 body, for songs made by tests, benchmarks and the demo.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace plondex::test {

// A 128-byte ID3v1 block. Each text is cut to its field (30 bytes, the year 4) and the rest of
// the field is filled with pad: zero bytes as most taggers write, or spaces as some do.
std::string MakeId3v1Block(std::string_view title, std::string_view artist, std::string_view album,
                           std::string_view year, std::string_view comment, uint8_t genre,
                           char pad = '\0');

// An ID3v1.1 block: the comment cut to 28 bytes, a zero byte, then the track number.
std::string MakeId3v11Block(std::string_view title, std::string_view artist, std::string_view album,
                            std::string_view year, std::string_view comment, uint8_t track,
                            uint8_t genre);

// Bytes shaped like MPEG-1 Layer III frames (128 kbit/s, 44.1 kHz, silent payload).
std::string MakeMpegAudio(size_t frames);

}  // namespace plondex::test
