#include "send/songfacts.h"

#include <gtest/gtest.h>

#include "platform/error.h"
#include "send/child_process.h"
#include "send/convert.h"
#include "send/flacfacts.h"
#include "send/probe.h"
#include "support/audio_maker.h"
#include "support/temp_dir.h"

namespace plondex {
namespace {

using namespace std::string_literals;

TEST(MapSourceTag, KnowsTheNamesEachContainerGivesItsTags) {
  SourceTags tags;
  MapSourceTag("TITLE", "  Song  ", tags);
  MapSourceTag("title", "Second title", tags);  // the first one stays
  MapSourceTag("ALBUM ARTIST", "Various", tags);
  MapSourceTag("WM/AlbumTitle", "Record", tags);
  MapSourceTag("artist", "Band", tags);
  MapSourceTag("genre", "Rock", tags);
  MapSourceTag("TRACKNUMBER", "03/12", tags);
  MapSourceTag("DISCNUMBER", "2", tags);
  MapSourceTag("DISCTOTAL", "3", tags);
  MapSourceTag("date", "5.2.2001", tags);
  MapSourceTag("comment", "ignored", tags);
  SourceTags expected;
  expected.title = "Song";
  expected.artist = "Band";
  expected.album_artist = "Various";
  expected.album = "Record";
  expected.genre = "Rock";
  expected.track = 3;
  expected.track_total = 12;
  expected.disc = 2;
  expected.disc_total = 3;
  expected.year = 2001;
  EXPECT_EQ(tags, expected);
}

TEST(MapSourceTag, TextsBecomeCleanUtf8) {
  SourceTags tags;
  MapSourceTag("title", "Bj\xF6rk", tags);  // Windows-1252, not UTF-8
  MapSourceTag("artist", "a\0b"s, tags);
  MapSourceTag("album", std::string(2000, 'x'), tags);
  MapSourceTag("genre", std::string(1023, 'x') + "é", tags);
  MapSourceTag("track", "A1", tags);
  MapSourceTag("date", "12345", tags);
  EXPECT_EQ(tags.title, "Björk");
  EXPECT_EQ(tags.artist, "a");
  EXPECT_EQ(tags.album.size(), kMaxTagTextBytes);
  EXPECT_EQ(tags.genre, std::string(1023, 'x'));  // never half a character
  EXPECT_EQ(tags.track, 0);
  EXPECT_EQ(tags.year, 0);
}

TEST(ParseProbeOutput, ReadsFlatOutputWithItsEscapes) {
  const SongFacts facts = ParseProbeOutput(
      "streams.stream.0.codec_name=\"mjpeg\"\n"
      "streams.stream.0.codec_type=\"video\"\n"
      "streams.stream.0.disposition.attached_pic=1\n"
      "streams.stream.1.codec_name=\"opus\"\n"
      "streams.stream.1.codec_type=\"audio\"\n"
      "streams.stream.1.sample_rate=\"48000\"\n"
      "streams.stream.1.channels=6\n"
      "streams.stream.1.disposition.attached_pic=0\n"
      "streams.stream.1.tags.title=\"Line1\\nLine2 \\\"q\\\" \\\\ \\$x \\`y\"\n"
      "streams.stream.1.tags.ARTIST=\"From the stream\"\n"
      "format.duration=\"61.500000\"\n"
      "format.bit_rate=\"128000\"\n"
      "format.tags.artist=\"From the file\"\n"
      "format.tags.track=\"7\"\n"
      "garbage line\n"
      "streams.stream.99999999999.codec_type=\"audio\"\n"
      "format.tags.album=\"cut sho");
  EXPECT_EQ(facts.codec, "opus");
  EXPECT_EQ(facts.sample_rate, 48000);
  EXPECT_EQ(facts.channels, 6);
  EXPECT_FALSE(facts.has_video);
  EXPECT_DOUBLE_EQ(facts.duration, 61.5);
  EXPECT_EQ(facts.bit_rate, 128000);
  EXPECT_EQ(facts.tags.title, "Line1\nLine2 \"q\" \\ $x `y");
  EXPECT_EQ(facts.tags.artist, "From the file");
  EXPECT_EQ(facts.tags.track, 7);
  EXPECT_EQ(facts.tags.album, "cut sho");

  const SongFacts film = ParseProbeOutput(
      "streams.stream.0.codec_type=\"video\"\nstreams.stream.0.disposition.attached_pic=0\n"
      "streams.stream.1.codec_type=\"audio\"\nformat.duration=\"N/A\"\n");
  EXPECT_TRUE(film.has_video);
  EXPECT_EQ(film.duration, 0);
  EXPECT_TRUE(ParseProbeOutput("format.duration=\"3.0\"\n").codec.empty());
}

TEST(FirstErrorLine, LeavesOutWhoSaidIt) {
  EXPECT_EQ(FirstErrorLine("\n[flac @ 0x55d0] invalid residual\nsecond\n", "/a: b.flac"),
            "invalid residual");
  EXPECT_EQ(FirstErrorLine("file:/a: b.flac: Invalid data found\n", "/a: b.flac"),
            "Invalid data found");
  EXPECT_EQ(FirstErrorLine("", "x"), "");
}

TEST(ReadFlacFacts, ReadsStreamInfoAndCommentsAsTheProbeDoes) {
  test::TempDir dir;
  const std::string flac = dir.Path("a.flac");
  test::MakeFlac(flac, 1.5,
                 {"TITLE=Ёлка", "ARTIST=Björk", "ALBUMARTIST=日本語", "ALBUM=Record",
                  "TRACKNUMBER=4", "TRACKTOTAL=9", "DATE=1999-01-02", "GENRE=Pop"},
                 48000, 1);
  const auto input = InputFile::Open(FileLocation(flac));
  const std::optional<SongFacts> own = ReadFlacFacts(*input);
  ASSERT_TRUE(own);
  EXPECT_EQ(own->tags.title, "Ёлка");
  EXPECT_EQ(own->tags.album_artist, "日本語");
  EXPECT_EQ(own->tags.track_total, 9);
  EXPECT_DOUBLE_EQ(own->duration, 1.5);
  EXPECT_EQ(own->sample_rate, 48000);
  EXPECT_EQ(own->channels, 1);

  const auto probe = ChildProcess::Start(ProbeCommand("ffprobe", flac), ProbeLimits(), 1 << 20,
                                         ChildProcess::Keep::kHead);
  probe->Wait();
  ASSERT_TRUE(probe->Succeeded()) << probe->errors();
  SongFacts probed = ParseProbeOutput(probe->output());
  EXPECT_EQ(probed.tags, own->tags);
  EXPECT_NEAR(probed.duration, own->duration, 1e-6);
  EXPECT_EQ(probed.bit_rate / 1000, own->bit_rate / 1000);
  probed.duration = own->duration;
  probed.bit_rate = own->bit_rate;
  EXPECT_EQ(probed, *own);

  EXPECT_FALSE(ReadFlacFacts(MemorySource("fLaC\x80\0\0\x22"s + std::string(34, '\0'))));
  EXPECT_FALSE(ReadFlacFacts(MemorySource("fLaC")));
}

TEST(ReadVorbisComments, StopsAtACommentThatDoesNotFit) {
  auto le32 = [](uint32_t n) {
    return std::string{static_cast<char>(n), static_cast<char>(n >> 8), static_cast<char>(n >> 16),
                       static_cast<char>(n >> 24)};
  };
  SourceTags tags;
  ReadVorbisComments(
      le32(2) + "v!" + le32(3) + le32(7) + "TITLE=x" + le32(100) + "ARTIST=y" + le32(7) + "ALBUM=z",
      tags);
  EXPECT_EQ(tags.title, "x");
  EXPECT_EQ(tags.artist, "");
  EXPECT_EQ(tags.album, "");
}

TEST(ChildProcess, BoundsWhatItRuns) {
  ChildLimits quick;
  quick.wall = std::chrono::milliseconds(300);
  const auto start = std::chrono::steady_clock::now();
  const auto sleeper = ChildProcess::Start({"sleep", "30"}, quick, 0, ChildProcess::Keep::kHead);
  sleeper->Wait();
  EXPECT_EQ(sleeper->end(), ChildProcess::End::kTimedOut);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));

  ChildLimits small;
  small.memory_bytes = 128 << 20;
  const auto hungry = ChildProcess::Start({"python3", "-c", "bytearray(512 << 20)"}, small, 0,
                                          ChildProcess::Keep::kHead);
  hungry->Wait();
  EXPECT_FALSE(hungry->Succeeded());

  const auto chatty = ChildProcess::Start({"sh", "-c", "seq 100000; echo oops >&2; exit 3"}, {},
                                          100, ChildProcess::Keep::kTail);
  chatty->Wait();
  EXPECT_EQ(chatty->end(), ChildProcess::End::kExited);
  EXPECT_EQ(chatty->code(), 3);
  EXPECT_EQ(chatty->errors(), "oops\n");
  EXPECT_LE(chatty->output().size(), 200u);
  EXPECT_EQ(chatty->output().substr(chatty->output().size() - 7), "100000\n");

  try {
    ChildProcess::Start({"/nonexistent/ffmpeg"}, {}, 0, ChildProcess::Keep::kHead);
    FAIL() << "started";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "Cannot start \"/nonexistent/ffmpeg\". No such file or directory");
  }
}

}  // namespace
}  // namespace plondex
