// Player folders that try to break the database build: each hostile song must end in its own log
// line ("No tags found", "Exception reading data" or a record), at once and with little memory,
// and the build goes on with the next song.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <string>
#include <vector>

#include "library/checkstates.h"
#include "library/scan.h"
#include "library/treeops.h"
#include "navdb/database_build.h"
#include "navdb/dbreader.h"
#include "platform/error.h"
#include "support/asf_builder.h"
#include "support/id3v1_builder.h"
#include "support/id3v2_builder.h"
#include "support/ogg_builder.h"
#include "support/player_drive.h"
#include "support/process_usage.h"
#include "support/recording_reporter.h"
#include "support/temp_dir.h"
#include "tags/id3v1.h"
#include "tags/id3v2.h"

namespace plondex {
namespace {

constexpr uint64_t kFourGiB = uint64_t{1} << 32;
constexpr long kSmallGrowthKiB = test::MemoryAllowanceKiB(16 * 1024);

std::string Exception(const std::string& path, const std::string& message) {
  return "Exception reading data: " + path + " (" + message + ")";
}
std::string NoTags(const std::string& path) { return "No tags found: " + path; }

std::string Mp3WithId3v1(const std::string& title) {
  return test::MakeMpegAudio(2) + test::MakeId3v1Block(title, "Artist", "Album", "2004", "", 17);
}

// An Ogg Vorbis file whose comment count is replaced.
std::string OggWithCommentCount(uint32_t count) {
  std::string file =
      test::MakeOggVorbisFile({"TITLE=Counted", "ARTIST=Many", "ALBUM=Comments", "GENRE=Rock"});
  const size_t header = file.find("\x03vorbis");
  uint32_t vendor_length = 0;
  for (int i = 3; i >= 0; --i) {
    vendor_length = vendor_length << 8 | static_cast<unsigned char>(file[header + 7 + i]);
  }
  const size_t at = header + 7 + 4 + vendor_length;
  for (int i = 0; i < 4; ++i) file[at + i] = static_cast<char>(count >> (8 * i));
  return file;
}

class HostileBuildTest : public ::testing::Test {
 protected:
  void SetUp() override {
    player_ = dir_.MakeFolder("player");
    drive_.Use(player_);
    settings_.drive_letter = 'e';
    settings_.lists_folder = dir_.MakeFolder("program");
    // A build that waits on a pipe or a device ends the test program instead of hanging it.
    ::alarm(60);
  }
  void TearDown() override { ::alarm(0); }

  std::string Native(const std::string& relative) const { return player_ + "/" + relative; }
  void Song(const std::string& relative, const std::string& bytes) {
    dir_.Write("player/" + relative, bytes);
  }
  void Link(const std::string& target, const std::string& relative) {
    ASSERT_EQ(::symlink(target.c_str(), Native(relative).c_str()), 0) << relative;
  }
  // A file of size bytes that holds tail at its end and nothing on disk before it.
  void Sparse(const std::string& relative, uint64_t size, const std::string& tail = "") {
    const int fd = ::open(Native(relative).c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
    ASSERT_GE(fd, 0) << relative;
    ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(size)), 0) << relative;
    if (!tail.empty()) {
      ASSERT_EQ(::pwrite(fd, tail.data(), tail.size(), static_cast<off_t>(size - tail.size())),
                static_cast<ssize_t>(tail.size()));
    }
    ::close(fd);
  }

  // Scans the player, checks every song and builds, measuring the growth of the peak memory.
  void Build() {
    RebuildSongTree(tree_, drive_.files, 'e', "", nullptr);
    SetSubtreeState(tree_.root(), CheckState::kChecked);
    RecomputeCheckStates(tree_);
    SortSongTree(tree_);
    reporter_ = test::RecordingReporter();
    grown_kib_ = test::PeakRssGrowthKiB(
        [this] { BuildDatabase(tree_, drive_.files, settings_, idv1_, idv2_, reporter_); });
  }
  bool Logged(const std::string& line) const {
    return std::find(reporter_.log.begin(), reporter_.log.end(), line) != reporter_.log.end();
  }
  // The log lines about the song at path, in order.
  std::vector<std::string> LinesOf(const std::string& path) const {
    std::vector<std::string> lines;
    for (const std::string& line : reporter_.log) {
      if (line.ends_with(": " + path) || line.find(": " + path + " (") != std::string::npos) {
        lines.push_back(line);
      }
    }
    return lines;
  }
  std::vector<tsong> Records() const {
    const DbContents contents = ReadDatabase(test::ReadNative(Native("iRivNavi.iDB")));
    EXPECT_FALSE(contents.problem.has_value()) << contents.problem->Message();
    return contents.songs;
  }
  std::string List(const char* name) const {
    return test::ReadNative(settings_.lists_folder + "/" + name);
  }

  test::TempDir dir_;
  test::PlayerDrive drive_;
  std::string player_;
  BuildSettings settings_;
  SongTree tree_;
  TId3v1 idv1_;
  TId3v2 idv2_;
  test::RecordingReporter reporter_;
  long grown_kib_ = 0;
};

TEST(PeakMemoryMeter, SeesMemoryThatIsTouched) {
  const long grown = test::PeakRssGrowthKiB([] {
    std::vector<char> block(64 << 20, 1);
    volatile char sink = block[block.size() / 2];
    (void)sink;
  });
  EXPECT_GT(grown, 48 * 1024);
}

TEST_F(HostileBuildTest, LinkLoopsEndInTheirOwnLines) {
  Song("A/real.mp3", Mp3WithId3v1("Real"));
  Link("..", "A/up");
  Link("ring2.mp3", "ring1.mp3");
  Link("ring1.mp3", "ring2.mp3");
  Link("me.ogg", "me.ogg");
  Link("me.wma", "me.wma");
  Link("nowhere/x.mp3", "dangling.mp3");
  Build();
  const std::string loop = SystemErrorText(ELOOP);
  EXPECT_EQ(LinesOf("e:\\ring1.mp3"),
            std::vector<std::string>{
                Exception("e:\\ring1.mp3", CannotOpenMessage("e:\\ring1.mp3", loop))});
  EXPECT_EQ(LinesOf("e:\\ring2.mp3"),
            std::vector<std::string>{
                Exception("e:\\ring2.mp3", CannotOpenMessage("e:\\ring2.mp3", loop))});
  EXPECT_EQ(
      LinesOf("e:\\dangling.mp3"),
      std::vector<std::string>{Exception(
          "e:\\dangling.mp3", CannotOpenMessage("e:\\dangling.mp3", SystemErrorText(ENOENT)))});
  // The Ogg and WMA readers report a file they cannot open as holding no tags.
  EXPECT_EQ(LinesOf("e:\\me.ogg"), std::vector<std::string>{NoTags("e:\\me.ogg")});
  EXPECT_EQ(LinesOf("e:\\me.wma"), std::vector<std::string>{NoTags("e:\\me.wma")});
  ASSERT_EQ(Records().size(), 1u);
  EXPECT_EQ(Records()[0].Path, "\\A\\real.mp3");
  EXPECT_EQ(reporter_.Value(BuildCounter::kNoTags), 5);
  EXPECT_EQ(List(kNoTagList), "e:\\me.ogg\r\ne:\\me.wma\r\n");
}

TEST_F(HostileBuildTest, SpecialFilesNamedLikeSongsAreRefusedWithoutWaiting) {
  dir_.MakeFolder("player/s");
  std::vector<std::string> names = {"pipe.mp3", "pipe.ogg", "pipe.wma"};
  for (const std::string& n : names) ASSERT_EQ(::mkfifo(Native("s/" + n).c_str(), 0644), 0);
  // Devices that never end, like /dev/zero; making them needs the right to.
  for (const char* n : {"zero.mp3", "zero.ogg", "zero.wma"}) {
    if (::mknod(Native(std::string("s/") + n).c_str(), S_IFCHR | 0644, makedev(1, 5)) == 0) {
      names.push_back(n);
    }
  }
  const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(sock, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string sock_path = Native("s/sock.mp3");
  ASSERT_LT(sock_path.size(), sizeof address.sun_path);
  sock_path.copy(address.sun_path, sock_path.size());
  ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ::close(sock);
  names.push_back("sock.mp3");
  Song("s/z.mp3", Mp3WithId3v1("After"));  // the build goes on after them
  Build();
  for (const std::string& n : names) {
    const std::string path = "e:\\s\\" + n;
    const std::string expected =
        n.ends_with(".mp3") ? Exception(path, CannotOpenMessage(path, "Not a regular file"))
                            : NoTags(path);
    EXPECT_EQ(LinesOf(path), std::vector<std::string>{expected});
  }
  ASSERT_EQ(Records().size(), 1u);
  EXPECT_EQ(Records()[0].Title, "After");
  EXPECT_EQ(reporter_.Value(BuildCounter::kNoTags), static_cast<int>(names.size()));
  EXPECT_LT(grown_kib_, kSmallGrowthKiB);
}

TEST_F(HostileBuildTest, SparseFilesOfFourGibibytesAreReadAtTheirEdgesOnly) {
  Sparse("big.mp3", kFourGiB);
  Sparse("tagged.mp3", kFourGiB + 1000, test::MakeId3v1Block("Far", "Away", "Tail", "", "", 9));
  Sparse("big.ogg", kFourGiB);
  Sparse("big.wma", kFourGiB);
  Build();
  EXPECT_EQ(LinesOf("e:\\big.mp3"), std::vector<std::string>{NoTags("e:\\big.mp3")});
  EXPECT_EQ(LinesOf("e:\\tagged.mp3"), std::vector<std::string>{});
  // Neither is an Ogg or ASF stream, so both read with success and without texts.
  const std::vector<tsong> records = Records();
  EXPECT_EQ(records, (std::vector<tsong>{{"\\big.ogg", "???", "???", "???", "???"},
                                         {"\\big.wma", "???", "???", "???", "???"},
                                         {"\\tagged.mp3", "Far", "Away", "Tail", "Metal"}}));
  EXPECT_EQ(reporter_.Value(BuildCounter::kId3v1), 1);
  EXPECT_EQ(reporter_.Value(BuildCounter::kOgg), 1);
  EXPECT_EQ(reporter_.Value(BuildCounter::kWma), 1);
  EXPECT_EQ(reporter_.Value(BuildCounter::kNoTags), 1);
  EXPECT_LT(grown_kib_, kSmallGrowthKiB);
}

TEST_F(HostileBuildTest, LyingSizesAndCountsEndAtOnce) {
  const std::string huge_tag = test::SynchsafeSize((256u << 20) - 1);
  Song("liar.mp3", std::string("ID3\x03\x00\x00", 6) + huge_tag + "0123456789");
  Song("liar_unsync.mp3", std::string("ID3\x03\x00\x80", 6) + huge_tag + "\xFF\x00\xFF\x00xxxxxx");
  // 2^31 is a negative count: no object is walked, and nothing plausible is found.
  Song("objects_2g.wma",
       test::AsfHeaderObject(
           {test::AsfFilePropertiesObject(128000), test::AsfStreamPropertiesObject({}),
            test::AsfContentDescriptionObject(u"Title", u"Artist")},
           0x80000000u));
  // 2^31 - 1 objects run into the end of the file, which fails the walk.
  Song("objects_2g1.wma",
       test::AsfHeaderObject(
           {test::AsfFilePropertiesObject(128000), test::AsfStreamPropertiesObject({}),
            test::AsfContentDescriptionObject(u"Title", u"Artist")},
           0x7FFFFFFFu));
  // The comments present are read; the rest of the count meets the end of the file.
  Song("comments_2g1.ogg", OggWithCommentCount(0x7FFFFFFFu));
  Build();
  EXPECT_EQ(LinesOf("e:\\liar.mp3"),
            std::vector<std::string>{Exception("e:\\liar.mp3", "Stream read error")});
  EXPECT_EQ(LinesOf("e:\\liar_unsync.mp3"),
            std::vector<std::string>{Exception("e:\\liar_unsync.mp3", "Stream read error")});
  EXPECT_EQ(LinesOf("e:\\objects_2g1.wma"),
            std::vector<std::string>{NoTags("e:\\objects_2g1.wma")});
  EXPECT_EQ(Records(),
            (std::vector<tsong>{{"\\comments_2g1.ogg", "Counted", "Many", "Comments", "Rock"},
                                {"\\objects_2g.wma", "???", "???", "???", "???"}}));
  EXPECT_EQ(reporter_.Value(BuildCounter::kOgg), 1);
  EXPECT_EQ(reporter_.Value(BuildCounter::kWma), 1);
  EXPECT_EQ(reporter_.Value(BuildCounter::kNoTags), 3);
  EXPECT_EQ(List(kNoTagList), "e:\\objects_2g1.wma\r\n");
  EXPECT_LT(grown_kib_, kSmallGrowthKiB);
}

TEST_F(HostileBuildTest, NamesThatAreNoUtf8AreReadAndRecordedAsTheirBytes) {
  Song("\xC3(/caf\xE9.mp3", Mp3WithId3v1("Latin"));
  Song("\xC3(/x\x80y.ogg", test::MakeOggVorbisFile({"TITLE=Lone"}));
  Song(
      "\xC3(/M\xC3\xA4"
      "dchen.wma",
      test::MakeWmaFile(u"Utf", u"Eight", {}));
  Song("a\\b.mp3", Mp3WithId3v1("Hidden"));  // no player path can name it
  Build();
  EXPECT_EQ(Records(),
            (std::vector<tsong>{{"\\\xC3(\\caf\xE9.mp3", "Latin", "Artist", "Album", "Rock"},
                                {"\\\xC3(\\M\xE4"
                                 "dchen.wma",
                                 "Utf", "Eight", "???", "???"},
                                {"\\\xC3(\\x\x80y.ogg", "Lone", "???", "???", "???"}}));
  EXPECT_EQ(reporter_.Value(BuildCounter::kNoTags), 0);
  for (const std::string& line : reporter_.log) EXPECT_EQ(line.find("a\\b"), std::string::npos);
}

TEST_F(HostileBuildTest, AThousandLevelsDeep) {
  // Made level by level from an open folder, so no long path is looked up while building.
  int fd = ::open(player_.c_str(), O_DIRECTORY | O_RDONLY);
  ASSERT_GE(fd, 0);
  std::string path = "e:\\";
  for (int i = 0; i < 1000; ++i) {
    ASSERT_EQ(::mkdirat(fd, "d", 0755), 0);
    const int next = ::openat(fd, "d", O_DIRECTORY | O_RDONLY);
    ::close(fd);
    ASSERT_GE(fd = next, 0);
    path += "d\\";
  }
  ASSERT_EQ(::symlinkat(player_.c_str(), fd, "top"), 0);  // a loop back to the root
  const std::string tagged = Mp3WithId3v1("Bottom");
  const int song = ::openat(fd, "bottom.mp3", O_CREAT | O_WRONLY, 0644);
  ASSERT_EQ(::write(song, tagged.data(), tagged.size()), static_cast<ssize_t>(tagged.size()));
  ::close(song);
  const std::string untagged = test::MakeMpegAudio(2);
  const int plain = ::openat(fd, "untagged.mp3", O_CREAT | O_WRONLY, 0644);
  ASSERT_EQ(::write(plain, untagged.data(), untagged.size()),
            static_cast<ssize_t>(untagged.size()));
  ::close(plain);
  ::close(fd);
  const int open_before = test::OpenDescriptorCount();
  Build();
  EXPECT_EQ(test::OpenDescriptorCount(), open_before);
  EXPECT_EQ(tree_.node_count(), 1003u);
  ASSERT_EQ(Records().size(), 1u);
  EXPECT_EQ(Records()[0],
            (tsong{path.substr(2) + "bottom.mp3", "Bottom", "Artist", "Album", "Rock"}));
  EXPECT_EQ(LinesOf(path + "untagged.mp3"),
            std::vector<std::string>{NoTags(path + "untagged.mp3")});
  EXPECT_EQ(List(kNoTagList), path + "untagged.mp3\r\n");
  EXPECT_LT(grown_kib_, kSmallGrowthKiB);
}

TEST_F(HostileBuildTest, TwentyThousandEntriesInOneFolder) {
  // Hard links to one tagged song: new inodes are slow to make on some disks.
  const std::string source = dir_.Write("source.mp3", Mp3WithId3v1("Same"));
  dir_.MakeFolder("player/Big");
  for (int i = 0; i < 20000; ++i) {
    const std::string name = "e" + std::to_string(i) + (i % 2 ? ".mp3" : ".txt");
    ASSERT_EQ(::link(source.c_str(), Native("Big/" + name).c_str()), 0);
  }
  Build();
  EXPECT_EQ(reporter_.Value(BuildCounter::kId3v1), 10000);
  EXPECT_TRUE(
      Logged("Warning, too many songs: 1 song not written (the player holds at most 9999)"));
  const std::vector<tsong> records = Records();
  ASSERT_EQ(records.size(), 9999u);
  for (const tsong& s : records) ASSERT_EQ(s.Title, "Same") << s.Path;
  EXPECT_EQ(reporter_.log.back(), "Done");
  EXPECT_LT(grown_kib_, 2 * kSmallGrowthKiB);
}

TEST_F(HostileBuildTest, TwentyThousandNamesOutsideThePlayerCharacterSet) {
  // Each name shows as "??<n>.mp3" and is found again only among the folder's entries: looking
  // through all of them for every song would make the build take hours rather than seconds
  // (the alarm of the fixture ends such a run).
  const std::string source = dir_.Write("source.mp3", Mp3WithId3v1("Same"));
  dir_.MakeFolder("player/Big");
  for (int i = 0; i < 20000; ++i) {
    const std::string name = (i % 2 ? "\xE6\x97\xA5\xE6\x9C\xAC" : "\xE4\xB8\xAD") +
                             std::to_string(i) + (i % 2 ? ".mp3" : ".txt");
    ASSERT_EQ(::link(source.c_str(), Native("Big/" + name).c_str()), 0);
  }
  Build();
  EXPECT_EQ(reporter_.Value(BuildCounter::kId3v1), 10000);
  EXPECT_EQ(reporter_.Value(BuildCounter::kNoTags), 0);
  const std::vector<tsong> records = Records();
  ASSERT_EQ(records.size(), 9999u);
  for (const tsong& s : records) {
    ASSERT_EQ(s.Title, "Same") << s.Path;
    ASSERT_EQ(s.Path.rfind("\\Big\\??", 0), 0u) << s.Path;
  }
  EXPECT_LT(grown_kib_, 2 * kSmallGrowthKiB);
}

// A few of the folders above, through the command-line program: it ends by itself, and within an
// address space far smaller than any of the sizes the files claim.
TEST_F(HostileBuildTest, CommandLineBuildEndsWithItsLinesInASmallAddressSpace) {
  ASSERT_EQ(::mkfifo(Native("pipe.mp3").c_str(), 0644), 0);
  Link("loop.mp3", "loop.mp3");
  Sparse("big.mp3", kFourGiB);
  Song("liar.mp3",
       std::string("ID3\x03\x00\x00", 6) + test::SynchsafeSize((256u << 20) - 1) + "0123456789");
  Song("objects.wma", test::AsfHeaderObject({test::AsfStreamPropertiesObject({})}, 0x7FFFFFFFu));
  Song("comments.ogg", OggWithCommentCount(0x7FFFFFFFu));
  const std::string lists = dir_.MakeFolder("cli-lists");
  const test::ProgramRun run = test::RunProgram(
      PLONDEX_CLI,
      {"build", player_, "--sort", "--lists-dir", lists, "--cache", dir_.Path("tags.sqlite")},
      dir_.path(),
      // The sanitizers' own reservations would not fit in the cap.
      60, test::kAddressSanitizer ? 0 : uint64_t{128} << 20);
  ASSERT_FALSE(run.timed_out);
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(
      run.out,
      "Deleting old Database\n"
      "Creating Database\n" +
          NoTags("e:\\big.mp3") + "\n" + Exception("e:\\liar.mp3", "Stream read error") + "\n" +
          Exception("e:\\loop.mp3", CannotOpenMessage("e:\\loop.mp3", SystemErrorText(ELOOP))) +
          "\n" + NoTags("e:\\objects.wma") + "\n" +
          Exception("e:\\pipe.mp3", CannotOpenMessage("e:\\pipe.mp3", "Not a regular file")) +
          "\n"
          "Saving Database\n"
          "Done\n"
          "MP3 with id3v1 tags: 0\n"
          "MP3 with id3v2 tags: 0\n"
          "OGG with tags: 1\n"
          "WMA with tags: 0\n"
          "Songs without tags: 5\n"
          "Name too long: 0\n");
  EXPECT_EQ(test::ReadNative(lists + "/" + kNoTagList), "e:\\big.mp3\r\ne:\\objects.wma\r\n");
}

}  // namespace
}  // namespace plondex
