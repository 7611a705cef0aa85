// Every file a reader opens is closed again, whether the read succeeds, fails or cannot open the
// file at all: a build over thousands of songs must not run out of descriptors.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <functional>
#include <memory>
#include <string>

#include "platform/error.h"
#include "platform/files.h"
#include "support/asf_builder.h"
#include "support/id3v1_builder.h"
#include "support/id3v2_builder.h"
#include "support/ogg_builder.h"
#include "support/player_drive.h"
#include "support/process_usage.h"
#include "support/temp_dir.h"
#include "tags/id3v1.h"
#include "tags/id3v2.h"
#include "tags/oggreader.h"
#include "tags/wmareader.h"

namespace plondex {
namespace {

constexpr int kRounds = 1000;

class DescriptorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    drive_.Use(dir_.MakeFolder("player"));
    ::alarm(60);  // an open that waits ends the test program instead of hanging it
  }
  void TearDown() override { ::alarm(0); }
  // Writes a song on the player and gives where its player path leads.
  FileLocation Song(const std::string& name, const std::string& bytes) {
    dir_.Write("player/" + name, bytes);
    return drive_.Locate("e:\\" + name);
  }
  // Runs read kRounds times and gives how many more descriptors are open afterwards.
  static int Leaked(const std::function<void()>& read) {
    const int before = test::OpenDescriptorCount();
    for (int i = 0; i < kRounds; ++i) read();
    return test::OpenDescriptorCount() - before;
  }

  test::TempDir dir_;
  test::PlayerDrive drive_;
};

TEST_F(DescriptorTest, Id3v1Reads) {
  const FileLocation tagged =
      Song("a.mp3", test::MakeMpegAudio(1) + test::MakeId3v1Block("A", "B", "C", "", "", 1));
  const FileLocation untagged = Song("b.mp3", test::MakeMpegAudio(1));
  const FileLocation tiny = Song("c.mp3", "TAG");
  const FileLocation paths[] = {tagged, untagged, tiny};
  TId3v1 tag;
  int i = 0;
  // The reader skips a name it already holds, so the names take turns.
  EXPECT_EQ(Leaked([&] {
              const FileLocation& path = paths[i++ % 3];
              tag.SetFileName(path);
              EXPECT_EQ(Id3v1TagInFile(path), path == tagged);
            }),
            0);
  tag.SetFileName(tagged);
  EXPECT_EQ(tag.SongName(), "A");
}

TEST_F(DescriptorTest, Id3v2ReadsThatSucceedAndThatFail) {
  const FileLocation good =
      Song("good.mp3", test::Id3v2Builder().Text("TIT2", "Title").Build() + test::MakeMpegAudio(1));
  const FileLocation liar = Song("liar.mp3", std::string("ID3\x03\x00\x00", 6) +
                                                 test::SynchsafeSize(0x0FFFFFFF) + "0123456789");
  const FileLocation bad_number =
      Song("number.mp3", test::Id3v2Builder().Text("TSIZ", "12x").Build());
  const FileLocation short_file = Song("short.mp3", "ID3");
  TId3v2 tag;
  EXPECT_EQ(Leaked([&] {
              tag.SetFileName(good);
              EXPECT_EQ(tag.Texts().ContentDescription(), "Title");
            }),
            0);
  for (const FileLocation& path : {liar, bad_number, short_file}) {
    EXPECT_EQ(Leaked([&] { EXPECT_THROW(tag.SetFileName(path), Error); }), 0) << path.shown();
  }
}

TEST_F(DescriptorTest, OggReads) {
  const FileLocation good = Song("good.ogg", test::MakeOggVorbisFile({"TITLE=Title"}));
  std::string cut = test::MakeOggVorbisFile({"TITLE=" + std::string(300, 'x')});
  cut.resize(200);
  const FileLocation cut_path = Song("cut.ogg", cut);
  const FileLocation short_path = Song("short.ogg", std::string(57, 'x'));
  TOggReader reader;
  EXPECT_EQ(Leaked([&] {
              EXPECT_TRUE(reader.ReadOggFile(good));
              EXPECT_EQ(reader.Title(), "Title");
              EXPECT_TRUE(reader.ReadOggFile(cut_path));
              EXPECT_FALSE(reader.ReadOggFile(short_path));
            }),
            0);
}

TEST_F(DescriptorTest, WmaReads) {
  const FileLocation good = Song("good.wma", test::MakeWmaFile(u"Title", u"Artist", {}));
  const FileLocation cut =
      Song("cut.wma", test::MakeWmaFile(u"Title", u"Artist", {}).substr(0, 100));
  const FileLocation not_asf = Song("not.wma", std::string(200, 'x'));
  TWmaReader reader;
  EXPECT_EQ(Leaked([&] {
              EXPECT_TRUE(reader.ReadWmaFile(good));
              EXPECT_EQ(reader.Title(), u"Title");
              EXPECT_FALSE(reader.ReadWmaFile(cut));
              EXPECT_TRUE(reader.ReadWmaFile(not_asf));
            }),
            0);
}

TEST_F(DescriptorTest, FailingOpens) {
  dir_.MakeFolder("player/folder.mp3");
  ASSERT_EQ(::mkfifo(dir_.Path("player/pipe.mp3").c_str(), 0644), 0);
  ASSERT_EQ(::symlink("loop.mp3", dir_.Path("player/loop.mp3").c_str()), 0);
  std::vector<std::string> paths = {"e:\\missing.mp3", "e:\\folder.mp3", "e:\\pipe.mp3",
                                    "e:\\loop.mp3", "q:\\no drive.mp3"};
  if (::mknod(dir_.Path("player/zero.mp3").c_str(), S_IFCHR | 0644, makedev(1, 5)) == 0) {
    paths.push_back("e:\\zero.mp3");
  }
  TId3v1 v1;
  TId3v2 v2;
  TOggReader ogg;
  TWmaReader wma;
  for (const std::string& player_path : paths) {
    const FileLocation path = drive_.Locate(player_path);
    EXPECT_EQ(Leaked([&] {
                EXPECT_THROW(InputFile::Open(path), Error);
                EXPECT_EQ(InputFile::TryOpen(path), nullptr);
                EXPECT_THROW(ReadWholeFile(path), Error);
                EXPECT_FALSE(Id3v1TagInFile(path));
                v1.SetFileName(FileLocation(std::string()));
                v1.SetFileName(path);
                EXPECT_FALSE(ogg.ReadOggFile(path));
                EXPECT_FALSE(wma.ReadWmaFile(path));
                try {
                  v2.SetFileName(path);  // a missing file is no tag; the others fail to open
                } catch (const Error&) {
                }
                EXPECT_FALSE(v2.TagPresent());
              }),
              0)
        << player_path;
  }
  // A file that opens but is too large for a whole read.
  const FileLocation big = Song("big.txt", std::string(100, 'x'));
  EXPECT_EQ(Leaked([&] { EXPECT_THROW(ReadWholeFile(big, 10), Error); }), 0);
}

}  // namespace
}  // namespace plondex
