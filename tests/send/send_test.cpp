#include "send/send.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>

#include "platform/error.h"
#include "send/sniff.h"
#include "support/audio_maker.h"
#include "support/player_drive.h"
#include "support/temp_dir.h"
#include "tags/id3v2.h"
#include "tags/oggreader.h"

namespace plondex {
namespace {

class Recorder : public SendReporter {
 public:
  void SongStarted(int done, int, const std::string&) override { started = done; }
  void SongFailed(const std::string& message) override { failures.push_back(message); }
  bool CancelRequested() override { return cancel_at >= 0 && started >= cancel_at; }
  int started = -1;
  int cancel_at = -1;
  std::vector<std::string> failures;
};

// Every file below a native folder, as paths relative to it.
std::vector<std::string> FilesBelow(const std::string& folder) {
  std::vector<std::string> found;
  std::error_code error;
  for (auto it = std::filesystem::recursive_directory_iterator(folder, error);
       it != std::filesystem::recursive_directory_iterator(); ++it) {
    if (it->is_regular_file()) found.push_back(it->path().lexically_relative(folder).string());
  }
  std::sort(found.begin(), found.end());
  return found;
}

class Send : public ::testing::Test {
 protected:
  Send() : src_(dir_.MakeFolder("src")), root_(dir_.MakeFolder("player")), player_(root_) {
    options_.jobs = 2;
    options_.scratch_folder = dir_.MakeFolder("scratch");
  }
  SendSummary Run(const std::vector<std::string>& sources = {}) {
    const SendPlan plan = PlanSend(sources.empty() ? std::vector<std::string>{src_} : sources,
                                   player_.files, options_, reporter_);
    return RunSend(plan, player_.files, reporter_);
  }
  std::string OnPlayer(const PlayerPath& path) const {
    return test::ReadNative(player_.Locate(path.text()).native());
  }

  test::TempDir dir_;
  std::string src_, root_;
  test::PlayerDrive player_;
  SendOptions options_;
  Recorder reporter_;
};

TEST_F(Send, FlacBecomesAnMp3WithAnId3v23TagThePlayerCanRead) {
  test::MakePicture(dir_.Path("src/cover.png"));
  test::MakeFlac(dir_.Path("src/a.flac"), 1.3,
                 {"TITLE=Ёлка", "ARTIST=Björk", "ALBUM=日本語", "TRACKNUMBER=1", "GENRE=Pop"},
                 44100, 2, dir_.Path("src/cover.png"));
  dir_.Write("src/notes.txt", "not a song\n");
  const SendSummary summary = Run();
  ASSERT_EQ(summary.sent, 1) << testing::PrintToString(summary.failures);
  EXPECT_EQ(summary.converted, 1);
  EXPECT_EQ(summary.skipped, 2);  // the notes and the cover
  ASSERT_EQ(summary.sent_paths.size(), 1u);
  EXPECT_EQ(summary.sent_paths[0].text(), "e:\\Music\\Bj\xF6rk\\ri ben yu\\01 Elka.mp3");

  const std::string mp3 = OnPlayer(summary.sent_paths[0]);
  TId3v2 tag;
  tag.ReadFromSource(MemorySource(mp3));
  ASSERT_TRUE(tag.TagPresent());
  EXPECT_EQ(tag.MajorVersion(), 3);
  EXPECT_EQ(tag.Texts().ContentDescription(), "Elka");
  EXPECT_EQ(tag.Texts().Performers(), std::vector<std::string>{"Bj\xF6rk"});
  EXPECT_EQ(tag.Texts().Album(), "ri ben yu");
  EXPECT_EQ(tag.Texts().TrackNumber(), "1");
  EXPECT_EQ(mp3.find("APIC"), std::string::npos);
  EXPECT_NEAR(test::DecodedSeconds(player_.Locate(summary.sent_paths[0].text()).native()),
              test::DecodedSeconds(dir_.Path("src/a.flac")), 0.05);
  EXPECT_TRUE(FilesBelow(options_.scratch_folder).empty());
}

TEST_F(Send, OpusBecomesOggVorbis) {
  dir_.MakeFolder("src/Band");
  test::MakeOpus(dir_.Path("src/Band/x.opus"), 1.0, {"TITLE=Opus Song", "ARTIST=Тест"});
  options_.convert = {SendFormat::kOgg, 5};
  const SendSummary summary = Run();
  ASSERT_EQ(summary.converted, 1) << testing::PrintToString(summary.failures);
  EXPECT_EQ(summary.sent_paths[0].text(), "e:\\Music\\Test\\Band\\Opus Song.ogg");
  const std::string ogg = OnPlayer(summary.sent_paths[0]);
  EXPECT_EQ(SniffContent(MemorySource(ogg)), AudioContent::kOggVorbis);
  TOggReader reader;
  ASSERT_TRUE(reader.ReadOggSource(MemorySource(ogg)));
  EXPECT_EQ(reader.Title(), "Opus Song");
  EXPECT_EQ(reader.Artist(), "Тест");
  EXPECT_NEAR(test::DecodedSeconds(player_.Locate(summary.sent_paths[0].text()).native()), 1.0,
              0.05);
}

TEST_F(Send, CopiesWhatThePlayerPlaysAndSendsNothingTwice) {
  test::MakeWithFfmpeg(dir_.Path("src/z.mp3"), 0.5, {"title=Copied", "artist=Copy Artist"});
  test::MakeFlac(dir_.Path("src/y.flac"), 0.5, {"TITLE=Converted", "ARTIST=Copy Artist"});
  const SendSummary first = Run();
  ASSERT_EQ(first.sent, 2) << testing::PrintToString(first.failures);
  EXPECT_EQ(first.converted, 1);
  const PlayerPath copied("e:\\Music\\Copy Artist\\src\\Copied.mp3");
  EXPECT_EQ(OnPlayer(copied), test::ReadNative(dir_.Path("src/z.mp3")));

  // Songs already there are decided before any conversion: no converter is needed now.
  options_.ffmpeg = "/nonexistent/ffmpeg";
  const SendSummary second = Run();
  EXPECT_EQ(second.sent, 0);
  EXPECT_EQ(second.failed, 0);
  EXPECT_EQ(second.already_there, 2);
  EXPECT_EQ(second.present_paths.size(), 2u);
  EXPECT_EQ(FilesBelow(root_).size(), 2u);
}

TEST_F(Send, RefusesWhatDoesNotFitAndWritesNothing) {
  test::MakeWithFfmpeg(dir_.Path("src/z.mp3"), 0.5, {});
  options_.free_space = [] { return std::optional<uint64_t>(1000); };
  try {
    Run();
    FAIL() << "sent";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "The iHP has 0 MB free; these songs need about 1 MB.");
  }
  EXPECT_TRUE(FilesBelow(root_).empty());
}

TEST_F(Send, CancelKeepsTheSongsSentAndLeavesNoPartFile) {
  for (const char* name : {"a", "b", "c"}) {
    test::MakeWithFfmpeg(dir_.Path(std::string("src/") + name + ".mp3"), 0.3,
                         {std::string("title=") + name, "artist=Band"});
  }
  // Its conversion is under way when Cancel comes.
  test::MakeFlac(dir_.Path("src/d.flac"), 2.0, {"TITLE=d", "ARTIST=Band"});
  dir_.Write("player/Music/Old/.plondex-send-0badf00d.part", "left over");
  reporter_.cancel_at = 1;
  const SendSummary summary = Run();
  EXPECT_TRUE(summary.cancelled);
  EXPECT_EQ(summary.sent, 1);
  EXPECT_EQ(SummaryLines(summary).back(), "Cancelled: 1 of 4 songs were sent");
  EXPECT_TRUE(std::filesystem::is_empty(options_.scratch_folder));
  // The song being written when Cancel came is gone, and so is the leftover of an earlier send.
  EXPECT_EQ(FilesBelow(root_), std::vector<std::string>{"Music/Band/src/a.mp3"});
}

TEST_F(Send, ACorruptFlacFailsAlone) {
  test::MakeFlac(dir_.Path("src/good.flac"), 1.0, {"TITLE=Good", "ARTIST=Band"});
  test::MakeFlac(dir_.Path("bad.flac"), 1.0, {"TITLE=Bad", "ARTIST=Band"});
  std::string bad = test::ReadNative(dir_.Path("bad.flac")).substr(0, 4096);
  std::mt19937 random(3);
  for (int i = 0; i < 60000; ++i) bad += static_cast<char>(random());
  dir_.Write("src/bad.flac", bad);
  const SendSummary summary = Run();
  EXPECT_EQ(summary.sent, 1);
  ASSERT_EQ(summary.failed, 1);
  EXPECT_EQ(summary.failures[0].rfind("Cannot convert \"" + dir_.Path("src/bad.flac") + "\": ", 0),
            0u)
      << summary.failures[0];
  EXPECT_EQ(reporter_.failures, summary.failures);
  EXPECT_EQ(FilesBelow(root_), std::vector<std::string>{"Music/Band/src/Good.mp3"});
  EXPECT_TRUE(FilesBelow(options_.scratch_folder).empty());
}

TEST_F(Send, NeedsThePlayer) {
  options_.drive_letter = 'f';
  try {
    Run();
    FAIL() << "planned";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "IHP not connected!");
  }
}

}  // namespace
}  // namespace plondex
