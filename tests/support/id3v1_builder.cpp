#include "support/id3v1_builder.h"

#include <algorithm>

namespace plondex::test {

namespace {

void PutField(std::string& block, size_t at, size_t width, std::string_view text, char pad) {
  const size_t n = std::min(width, text.size());
  block.replace(at, n, text.substr(0, n));
  std::fill(block.begin() + static_cast<std::ptrdiff_t>(at + n),
            block.begin() + static_cast<std::ptrdiff_t>(at + width), pad);
}

}  // namespace

std::string MakeId3v1Block(std::string_view title, std::string_view artist, std::string_view album,
                           std::string_view year, std::string_view comment, uint8_t genre,
                           char pad) {
  std::string block(128, '\0');
  block.replace(0, 3, "TAG");
  PutField(block, 3, 30, title, pad);
  PutField(block, 33, 30, artist, pad);
  PutField(block, 63, 30, album, pad);
  PutField(block, 93, 4, year, pad);
  PutField(block, 97, 30, comment, pad);
  block[127] = static_cast<char>(genre);
  return block;
}

std::string MakeId3v11Block(std::string_view title, std::string_view artist, std::string_view album,
                            std::string_view year, std::string_view comment, uint8_t track,
                            uint8_t genre) {
  std::string block = MakeId3v1Block(title, artist, album, year, comment.substr(0, 28), genre);
  block[125] = '\0';
  block[126] = static_cast<char>(track);
  return block;
}

std::string MakeMpegAudio(size_t frames) {
  // 144 * 128000 / 44100 bytes per frame, no padding.
  constexpr size_t kFrameSize = 417;
  std::string frame(kFrameSize, '\0');
  frame[0] = '\xFF';
  frame[1] = '\xFB';
  frame[2] = '\x90';
  frame[3] = '\x64';
  std::string audio;
  audio.reserve(frames * kFrameSize);
  for (size_t i = 0; i < frames; ++i) audio += frame;
  return audio;
}

}  // namespace plondex::test
