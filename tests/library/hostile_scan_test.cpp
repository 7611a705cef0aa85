// Player folders that try to break the scan: link loops, special files named like songs, names
// that are no UTF-8 or hold a '\', very deep and very wide folders.

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <set>
#include <string>
#include <vector>

#include "library/checkstates.h"
#include "library/scan.h"
#include "platform/drives.h"
#include "platform/files.h"
#include "support/player_drive.h"
#include "support/process_usage.h"
#include "support/temp_dir.h"

namespace plondex {
namespace {

// Every node path below the root, with a '/' after folders.
std::set<std::string> Paths(const SongTree& tree) {
  std::set<std::string> paths;
  std::vector<const SongNode*> pending{tree.root()};
  while (!pending.empty()) {
    const SongNode* n = pending.back();
    pending.pop_back();
    for (const auto& c : n->children) pending.push_back(c.get());
    if (n == tree.root()) continue;
    const bool song = IsSongFileName(n->text) && !n->HasChildren();
    paths.insert(NodePath(*n, 'e').text() + (song ? "" : "/"));
  }
  return paths;
}

class HostileScanTest : public ::testing::Test {
 protected:
  void SetUp() override {
    player_ = dir_.MakeFolder("player");
    drive_.Use(player_);
    // A scan that blocks on a special file ends the test program instead of hanging it.
    ::alarm(60);
  }
  void TearDown() override { ::alarm(0); }

  std::string Native(const std::string& relative) const { return player_ + "/" + relative; }
  void Link(const std::string& target, const std::string& relative) {
    ASSERT_EQ(::symlink(target.c_str(), Native(relative).c_str()), 0) << relative;
  }
  void Scan() { RebuildSongTree(tree_, drive_.files, 'e', dir_.Path("songs.dat"), nullptr); }

  test::TempDir dir_;
  std::string player_;
  test::PlayerDrive drive_;
  SongTree tree_;
};

TEST_F(HostileScanTest, LinkLoopsEndTheirOwnEntryOnly) {
  dir_.Write("player/A/B/song.mp3", "");
  Link("../..", "A/B/up");         // a folder loop back to the root
  Link(".", "A/self");             // a folder loop onto itself
  Link("../A", "A/folder.mp3");    // a folder link that looks like a song
  Link("ring2.mp3", "ring1.mp3");  // two links that point at each other
  Link("ring1.mp3", "ring2.mp3");
  Link("me.ogg", "me.ogg");           // a link to itself
  Link("nowhere/x", "dangling.wma");  // a link to nothing
  Scan();
  // Folder links are never entered; the other links stand for files that the build may try.
  EXPECT_EQ(Paths(tree_),
            (std::set<std::string>{"e:\\A/", "e:\\A\\B/", "e:\\A\\B\\song.mp3", "e:\\ring1.mp3",
                                   "e:\\ring2.mp3", "e:\\me.ogg", "e:\\dangling.wma"}));
  EXPECT_TRUE(FileExists(drive_.Locate("e:\\ring1.mp3")));
  EXPECT_FALSE(FolderExists(drive_.Locate("e:\\ring1.mp3")));
}

TEST_F(HostileScanTest, NamesThatAreNoUtf8KeepTheirBytesAndLeadBackToTheirFiles) {
  // Native name -> the node text the tree shows.
  const std::vector<std::pair<std::string, std::string>> names = {
      {"caf\xE9.mp3", "caf\xE9.mp3"},    // Latin-1, not UTF-8
      {"\xFF\xFE.ogg", "\xFF\xFE.ogg"},  // bytes that never start UTF-8
      {"x\x80y.wma", "x\x80y.wma"},      // a lone continuation byte
      {"cut\xC3.mp3", "cut\xC3.mp3"},    // a sequence cut short
      {"M\xC3\xA4"
       "dchen.mp3",
       "M\xE4"
       "dchen.mp3"},  // proper UTF-8
  };
  for (const auto& [native, shown] : names) dir_.Write("player/\xC3(/" + native, native);
  Scan();
  ASSERT_EQ(tree_.root()->children.size(), 1u);
  const SongNode& folder = *tree_.root()->children[0];
  EXPECT_EQ(folder.text, "\xC3(");
  std::set<std::string> shown_texts;
  for (const auto& c : folder.children) shown_texts.insert(c->text);
  std::set<std::string> expected;
  for (const auto& [native, shown] : names) expected.insert(shown);
  EXPECT_EQ(shown_texts, expected);
  // Each node path reaches the very file it was listed from.
  for (const auto& c : folder.children) {
    const std::string path = NodePath(*c, 'e').text();
    const FileLocation file = drive_.Locate(path);
    ASSERT_FALSE(file.native().empty()) << path;
    EXPECT_EQ(ReadWholeFile(file), file.native().substr(file.native().rfind('/') + 1)) << path;
  }
}

TEST_F(HostileScanTest, NamesHoldingABackslashAreLeftOutWithAllBelowThem) {
  dir_.Write("player/a\\b.mp3", "");
  dir_.Write("player/x\\y/in.mp3", "");
  dir_.Write("player/\\.mp3", "");
  dir_.Write("player/ok.mp3", "");
  Scan();
  EXPECT_EQ(Paths(tree_), std::set<std::string>{"e:\\ok.mp3"});
}

TEST_F(HostileScanTest, SpecialFilesNamedLikeSongsAreListedWithoutBeingOpened) {
  dir_.MakeFolder("player/special");
  ASSERT_EQ(::mkfifo(Native("special/pipe.mp3").c_str(), 0644), 0);
  // A socket with no one listening.
  const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(sock, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string sock_path = Native("special/sock.wma");
  ASSERT_LT(sock_path.size(), sizeof address.sun_path);
  sock_path.copy(address.sun_path, sock_path.size());
  ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ::close(sock);
  std::set<std::string> expected = {"e:\\special/", "e:\\special\\pipe.mp3",
                                    "e:\\special\\sock.wma"};
  // A device that never ends, like /dev/zero; making one needs the right to.
  if (::mknod(Native("special/zero.ogg").c_str(), S_IFCHR | 0644, makedev(1, 5)) == 0) {
    expected.insert("e:\\special\\zero.ogg");
  }
  Scan();
  EXPECT_EQ(Paths(tree_), expected);
}

TEST_F(HostileScanTest, TwentyThousandEntriesOfEveryKindInOneFolder) {
  dir_.MakeFolder("player/Big");
  // Hard links to one empty file: new inodes are slow to make on some disks.
  const std::string source = dir_.Write("source.mp3", "");
  std::string lines;
  for (int i = 0; i < 20000; ++i) {
    const std::string base = Native("Big/e" + std::to_string(i));
    if (i % 100 == 1) {
      ASSERT_EQ(::mkdir(base.c_str(), 0755), 0);  // an empty folder
    } else if (i % 100 == 3) {
      ASSERT_EQ(::symlink("..", (base + ".ogg").c_str()), 0);  // a folder link named like a song
    } else if (i % 2 == 0) {
      ASSERT_EQ(::link(source.c_str(), (base + ".mp3").c_str()), 0);
      // Every other song is listed, in another letter case.
      if (i % 4 == 0) lines += "E:\\BIG\\E" + std::to_string(i) + ".MP3\r\n";
    } else {
      ASSERT_EQ(::link(source.c_str(), (base + ".mp3.bak").c_str()), 0);  // no song
    }
  }
  dir_.Write("songs.dat", lines);
  const int open_before = test::OpenDescriptorCount();
  const long grown = test::PeakRssGrowthKiB([this] { Scan(); });
  EXPECT_EQ(test::OpenDescriptorCount(), open_before);
  EXPECT_LT(grown, test::MemoryAllowanceKiB(32 * 1024));
  ASSERT_EQ(tree_.root()->children.size(), 1u);
  const SongNode& big = *tree_.root()->children[0];
  ASSERT_EQ(big.children.size(), 10200u);
  size_t songs = 0, folders = 0, checked = 0;
  for (const auto& c : big.children) {
    if (IsSongFileName(c->text)) {
      ++songs;
      checked += c->checked;
    } else {
      ++folders;
      EXPECT_FALSE(c->HasChildren());
    }
  }
  EXPECT_EQ(songs, 10000u);
  EXPECT_EQ(folders, 200u);
  EXPECT_EQ(checked, 5000u);
}

}  // namespace
}  // namespace plondex
