#include "send/sniff.h"

#include <gtest/gtest.h>

#include <random>

#include "support/asf_builder.h"
#include "support/id3v1_builder.h"
#include "support/id3v2_builder.h"
#include "support/ogg_builder.h"

namespace plondex {
namespace {

using namespace std::string_literals;

AudioContent Sniff(const std::string& bytes) { return SniffContent(MemorySource(bytes)); }

std::string Frames(std::string header, size_t length, int count) {
  header.resize(length, '\0');
  std::string frames;
  for (int i = 0; i < count; ++i) frames += header;
  return frames;
}

// MPEG-1 layer II at 128 kbit/s and 44.1 kHz: 417-byte frames.
std::string LayerTwo(int count) { return Frames("\xFF\xFD\x80\x00"s, 417, count); }
// AAC in ADTS frames of 100 bytes.
std::string Adts(int count) { return Frames("\xFF\xF1\x50\x80\x0C\x9F\xFC"s, 100, count); }

std::string Mp4(std::string_view brand) {
  std::string bytes =
      "\0\0\0\x18"
      "ftyp"s;
  bytes += brand;
  bytes.resize(64, '\0');
  return bytes;
}

std::string OggFirstPacket(const std::string& packet) {
  return test::MakeOggPage({packet}, 0x02, 0, 1, 0) + std::string(200, '\0');
}

std::string Boxed(std::string_view magic_at_0, std::string_view magic_at_8) {
  std::string bytes(magic_at_0);
  bytes += "\x24\0\0\0"s;
  bytes += magic_at_8;
  bytes.resize(64, '\0');
  return bytes;
}

TEST(SniffContent, TellsSongsByTheirFirstBytes) {
  const std::string id3 = test::Id3v2Builder().Text("TIT2", "x").Padding(300).Build();
  const struct {
    const char* what;
    std::string bytes;
    AudioContent content;
  } cases[] = {
      {"MP3", test::MakeMpegAudio(4), AudioContent::kMp3},
      {"MP3 after ID3v2", id3 + test::MakeMpegAudio(2), AudioContent::kMp3},
      {"MP3 after two ID3v2 tags", id3 + id3 + test::MakeMpegAudio(2), AudioContent::kMp3},
      {"MP3 after junk", std::string(3000, 'j') + test::MakeMpegAudio(4), AudioContent::kMp3},
      {"MP3 of one frame", test::MakeMpegAudio(1), AudioContent::kMp3},
      {"MPEG layer II", LayerTwo(4), AudioContent::kMpegAudio},
      {"ADTS", Adts(4), AudioContent::kAdtsAac},
      {"Ogg Vorbis", test::MakeOggVorbisFile({"TITLE=x"}), AudioContent::kOggVorbis},
      {"Ogg Opus", OggFirstPacket("OpusHead\x01\x02\0\0\x80\xBB\0\0\0\0\0"s),
       AudioContent::kOggOpus},
      {"Ogg FLAC",
       OggFirstPacket("\x7F"
                      "FLAC\x01\0\0\x01"s),
       AudioContent::kOggFlac},
      {"WMA", test::MakeWmaFile(u"t", u"a", {}), AudioContent::kAsf},
      // The player looks for Ogg and WMA at the start of the file only: such a file is converted.
      {"WMA after ID3v2", id3 + test::MakeWmaFile(u"t", u"a", {}), AudioContent::kTaggedStream},
      {"Ogg Vorbis after ID3v2", id3 + test::MakeOggVorbisFile({"TITLE=x"}),
       AudioContent::kTaggedStream},
      {"FLAC", "fLaC\0\0\0\x22"s + std::string(60, '\0'), AudioContent::kFlac},
      {"FLAC after ID3v2", id3 + "fLaC\0\0\0\x22"s + std::string(60, '\0'), AudioContent::kFlac},
      {"M4A", Mp4("M4A "), AudioContent::kMp4},
      {"WAV", Boxed("RIFF", "WAVE"), AudioContent::kWav},
      {"AIFF", Boxed("FORM", "AIFF"), AudioContent::kAiff},
      {"WavPack", Boxed("wvpk", ""), AudioContent::kWavPack},
      {"Matroska", Boxed("\x1A\x45\xDF\xA3", ""), AudioContent::kMatroska},
  };
  for (const auto& c : cases) EXPECT_EQ(Sniff(c.bytes), c.content) << c.what;
}

TEST(SniffContent, TakesNothingElseForASong) {
  std::mt19937 random(7);
  std::string noise(100000, '\0');
  for (char& c : noise) c = static_cast<char>(random());
  // A lone frame header in the middle of other bytes is chance, not MP3.
  std::string lone = std::string(500, 'x') + test::MakeMpegAudio(1) + std::string(500, 'x');
  const struct {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"empty", ""},
      {"JPEG", "\xFF\xD8\xFF\xE0\0\x10JFIF\0"s + std::string(2000, '\xFF')},
      {"PNG", "\x89PNG\r\n\x1A\n"s + std::string(200, '\0')},
      {"text", "FILE \"album.flac\" WAVE\n  TRACK 01 AUDIO\n"},
      {"noise", noise},
      {"lone frame", lone},
      {"ID3v2 alone", test::Id3v2Builder().Text("TIT2", "x").Build()},
      {"Ogg Theora", OggFirstPacket("\x80theora\x03\x02\x01"s)},
      {"HEIF picture", Mp4("heic")},
      {"AVI", Boxed("RIFF", "AVI ")},
  };
  for (const auto& c : cases) EXPECT_EQ(Sniff(c.bytes), AudioContent::kNone) << c.what;
}

TEST(SniffContent, PlayerPlaysMp3OggVorbisAndWmaAsTheyAre) {
  EXPECT_TRUE(PlayerPlaysContent(AudioContent::kMp3));
  EXPECT_TRUE(PlayerPlaysContent(AudioContent::kOggVorbis));
  EXPECT_TRUE(PlayerPlaysContent(AudioContent::kAsf));
  EXPECT_FALSE(PlayerPlaysContent(AudioContent::kOggOpus));
  EXPECT_FALSE(PlayerPlaysContent(AudioContent::kMpegAudio));
  EXPECT_FALSE(PlayerPlaysContent(AudioContent::kFlac));
}

}  // namespace
}  // namespace plondex
