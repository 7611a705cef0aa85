#include "library/scan.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <set>

#include "library/checkstates.h"
#include "platform/drives.h"
#include "platform/error.h"
#include "platform/files.h"
#include "support/temp_dir.h"

namespace plondex {
namespace {

class ScanTest : public ::testing::Test {
 protected:
  void SetUp() override {
    player_ = dir_.MakeFolder("player");
    drives_.Add('e', player_, "IHP", "1234-ABCD");
    drives_.Add('f', player_, "IHP", "1234-ABCD");
  }

  void File(const std::string& relative) { dir_.Write("player/" + relative, ""); }
  void Scan(char letter = 'e') {
    counts_.clear();
    RebuildSongTree(tree_, files_, letter, songs_dat_, [this](size_t n) { counts_.push_back(n); });
  }
  // Every node path below the root; folders end with '/'.
  std::set<std::string> Paths() const {
    std::set<std::string> paths;
    std::vector<const SongNode*> pending{tree_.root()};
    while (!pending.empty()) {
      const SongNode* n = pending.back();
      pending.pop_back();
      for (const auto& c : n->children) pending.push_back(c.get());
      if (n != tree_.root())
        paths.insert(NodePath(*n, 'e').text() + (IsSongFileName(n->text) ? "" : "/"));
    }
    return paths;
  }
  SongNode* Find(const std::string& path) const {  // "Music/Rock/Track.mp3"
    SongNode* n = tree_.root();
    for (size_t start = 0; n && start <= path.size();) {
      const size_t end = std::min(path.find('/', start), path.size());
      SongNode* next = nullptr;
      for (const auto& c : n->children) {
        if (c->text == path.substr(start, end - start)) next = c.get();
      }
      n = next;
      start = end + 1;
    }
    return n;
  }

  test::TempDir dir_;
  std::string player_;
  FolderDrives drives_;
  PlayerFiles files_{drives_};
  std::string songs_dat_ = dir_.Path("songs.dat");
  SongTree tree_;
  std::vector<size_t> counts_;
};

TEST_F(ScanTest, AnEmptyDriveGivesTheRootAlone) {
  Scan();
  ASSERT_TRUE(tree_.root());
  EXPECT_EQ(tree_.root()->text, "All songs");
  EXPECT_EQ(tree_.node_count(), 1u);
  // No drive letter: " :\\" must not be taken for a folder of the working folder.
  dir_.Write("cwd/ :/a.mp3", "");
  char* previous = ::getcwd(nullptr, 0);
  ASSERT_EQ(::chdir(dir_.Path("cwd").c_str()), 0);
  Scan(' ');
  EXPECT_EQ(::chdir(previous), 0);
  std::free(previous);
  EXPECT_EQ(tree_.node_count(), 1u);
}

TEST_F(ScanTest, TakesSongsFoldersAndHiddenEntriesButNotRecycled) {
  for (const char* name : {"Song.MP3", "a.Wma", "b.ogg", ".hidden.mp3", "song.mp3.bak", "song.mp2",
                           "noext", "mp3", "x.m3u", "Recycled/gone.mp3", "Recycled/In/gone.mp3",
                           "RECYCLED/kept.mp3", "recycled/kept.mp3", "Music/Rock/Track 01.mp3",
                           ".secret/in.ogg", "Deep/Er/readme.txt", "\xC3\x89t\xC3\xA9.mp3"}) {
    File(name);
  }
  dir_.MakeFolder("player/Empty");
  Scan();
  EXPECT_EQ(Paths(), (std::set<std::string>{
                         "e:\\Song.MP3", "e:\\a.Wma", "e:\\b.ogg", "e:\\.hidden.mp3",
                         "e:\\RECYCLED/", "e:\\RECYCLED\\kept.mp3", "e:\\recycled/",
                         "e:\\recycled\\kept.mp3", "e:\\Music/", "e:\\Music\\Rock/",
                         "e:\\Music\\Rock\\Track 01.mp3", "e:\\.secret/", "e:\\.secret\\in.ogg",
                         "e:\\Deep/", "e:\\Deep\\Er/", "e:\\Empty/", "e:\\\xC9t\xE9.mp3"}));
  EXPECT_FALSE(Find("Empty")->HasChildren());
  EXPECT_EQ(Find("Empty")->state, CheckState::kUnchecked);
  // Node paths lead back to the files and folders.
  EXPECT_EQ(NodePath(*Find("Song.MP3"), 'e').text(), "e:\\Song.MP3");
  EXPECT_EQ(NodePath(*Find("Music/Rock"), 'e').text(), "e:\\Music\\Rock");
  EXPECT_EQ(NodePath(*tree_.root(), 'e').text(), "e:\\");
  EXPECT_TRUE(FileExists(files_.Locate(NodePath(*Find("\xC9t\xE9.mp3"), 'e'))));
  EXPECT_TRUE(FolderExists(files_.Locate(NodePath(*Find("Music/Rock"), 'e'))));
}

TEST_F(ScanTest, KeepsTheFileSystemsOrder) {
  for (int i = 0; i < 30; ++i) {
    if (i % 3)
      File("s" + std::to_string(i) + ".mp3");
    else
      dir_.MakeFolder("player/f" + std::to_string(i));
  }
  Scan();
  const auto listed = ListFolder(FileLocation(player_));
  ASSERT_TRUE(listed);
  std::vector<std::string> expected, got;
  for (const auto& e : *listed) expected.push_back(e.name);
  for (const auto& c : tree_.root()->children) got.push_back(c->text);
  EXPECT_EQ(got, expected);
}

TEST_F(ScanTest, ReportsTheCountWhenASongMakesItAMultipleOfTen) {
  for (int i = 0; i < 8; ++i) File("s" + std::to_string(i) + ".mp3");
  Scan();
  EXPECT_TRUE(counts_.empty());  // root and 8 songs
  File("s8.mp3");
  Scan();
  EXPECT_EQ(counts_, std::vector<size_t>{10});  // root and 9 songs
  for (int i = 0; i < 9; ++i) ::unlink((player_ + "/s" + std::to_string(i) + ".mp3").c_str());
  // Folders count, but only a song reports: root, A, then 25 songs make 10 and 20.
  for (int i = 0; i < 25; ++i) File("A/s" + std::to_string(i) + ".ogg");
  Scan();
  EXPECT_EQ(counts_, (std::vector<size_t>{10, 20}));
}

TEST_F(ScanTest, RestoresListedSongsOnlyWithTheSameDriveLetter) {
  File("Music/Track.mp3");
  File("Music/Other.mp3");
  File("\xC3\x89t\xC3\xA9.ogg");
  dir_.MakeFolder("player/Empty");
  dir_.Write("songs.dat",
             "E:\\MUSIC\\track.MP3\r\ne:\\\xC9T\xC9.OGG\r\ne:\\Empty\r\ne:\\Music\r\n");
  Scan();
  EXPECT_EQ(Find("Music/Track.mp3")->checked, 1);
  EXPECT_EQ(Find("Music/Track.mp3")->state, CheckState::kChecked);
  EXPECT_EQ(Find("\xC9t\xE9.ogg")->checked, 1);
  EXPECT_EQ(Find("Music/Other.mp3")->checked, 0);
  // Folders are never matched, not even a childless one saved as checked.
  EXPECT_EQ(Find("Music")->checked, 0);
  EXPECT_EQ(Find("Empty")->checked, 0);
  // The same player under another letter (another drive mounted beside it) keeps its checks.
  Scan('f');
  EXPECT_EQ(Find("Music/Track.mp3")->checked, 1);
  EXPECT_EQ(NodePath(*Find("Music/Track.mp3"), 'f').text(), "f:\\Music\\Track.mp3");
}

TEST_F(ScanTest, ARefreshKeepsTheChecksShownAndTakesSongsDatForNewSongs) {
  File("A/one.mp3");
  File("A/two.mp3");
  dir_.Write("songs.dat", "e:\\A\\one.mp3\r\ne:\\A\\new.mp3\r\n");
  Scan();
  ToggleNode(Find("A/one.mp3"));  // unchecked on screen, still listed in songs.dat
  ToggleNode(Find("A/two.mp3"));  // checked on screen only
  File("A/new.mp3");              // copied since: songs.dat decides
  File("A/other.mp3");
  SongTree fresh;
  RebuildSongTree(fresh, files_, 'e', songs_dat_, nullptr, nullptr, &tree_);
  tree_ = std::move(fresh);
  EXPECT_EQ(Find("A/one.mp3")->checked, 0);
  EXPECT_EQ(Find("A/two.mp3")->checked, 1);
  EXPECT_EQ(Find("A/new.mp3")->checked, 1);
  EXPECT_EQ(Find("A/other.mp3")->checked, 0);
}

TEST_F(ScanTest, ARebuildRestoresWhatWasSavedAndLosesTheRest) {
  File("A/one.mp3");
  File("A/two.mp3");
  Scan();
  RecomputeCheckStates(tree_);
  ToggleNode(Find("A/one.mp3"));
  SaveCheckStates(tree_, 'e', songs_dat_);
  ToggleNode(Find("A/two.mp3"));  // never saved
  Scan();
  RecomputeCheckStates(tree_);
  EXPECT_EQ(Find("A/one.mp3")->checked, 1);
  EXPECT_EQ(Find("A/two.mp3")->checked, 0);
  EXPECT_EQ(Find("A")->state, CheckState::kPartlyChecked);
}

TEST_F(ScanTest, AnUnreadableCheckListLeavesTheOldTree) {
  File("a.mp3");
  Scan();
  const SongNode* old_root = tree_.root();
  dir_.MakeFolder("songs.dat");
  File("b.mp3");
  EXPECT_THROW(Scan(), Error);
  EXPECT_EQ(tree_.root(), old_root);
  EXPECT_EQ(Paths(), std::set<std::string>{"e:\\a.mp3"});
}

TEST_F(ScanTest, ACancelledScanLeavesTheOldTree) {
  File("a.mp3");
  Scan();
  const SongNode* old_root = tree_.root();
  for (int i = 0; i < 30; ++i) File("B/s" + std::to_string(i) + ".mp3");
  int asked = 0;
  EXPECT_FALSE(
      RebuildSongTree(tree_, files_, 'e', songs_dat_, nullptr, [&] { return ++asked > 20; }));
  EXPECT_EQ(asked, 21);  // it stops at the first yes
  EXPECT_EQ(tree_.root(), old_root);
  EXPECT_EQ(Paths(), std::set<std::string>{"e:\\a.mp3"});
  EXPECT_TRUE(RebuildSongTree(tree_, files_, 'e', songs_dat_, nullptr, [] { return false; }));
  EXPECT_EQ(tree_.node_count(), 33u);
}

TEST_F(ScanTest, NeverFollowsLinksToFolders) {
  File("A/B/deep.mp3");
  ASSERT_EQ(::symlink("..", (player_ + "/A/B/up").c_str()), 0);
  ASSERT_EQ(::symlink(player_.c_str(), (player_ + "/root").c_str()), 0);
  ASSERT_EQ(::symlink("B/deep.mp3", (player_ + "/A/alias.mp3").c_str()), 0);
  Scan();
  EXPECT_EQ(Paths(), (std::set<std::string>{"e:\\A/", "e:\\A\\B/", "e:\\A\\B\\deep.mp3",
                                            "e:\\A\\alias.mp3"}));
}

TEST_F(ScanTest, SurvivesAThousandNestedFolders) {
  // Made level by level from an open folder, so building it looks up no long paths.
  int fd = ::open(player_.c_str(), O_DIRECTORY | O_RDONLY);
  std::string expected = "e:\\";
  for (int i = 0; i < 1000; ++i, expected += "d\\") {
    ASSERT_EQ(::mkdirat(fd, "d", 0755), 0);
    const int next = ::openat(fd, "d", O_DIRECTORY | O_RDONLY);
    ::close(fd);
    ASSERT_GE(fd = next, 0);
  }
  ::close(::openat(fd, "bottom.mp3", O_CREAT | O_WRONLY, 0644));
  ::close(fd);
  expected += "bottom.mp3";
  dir_.Write("songs.dat", expected + "\r\n");
  Scan();
  const SongNode* n = tree_.root();
  while (n->HasChildren()) n = n->children[0].get();
  EXPECT_EQ(n->Level(), 1001);
  EXPECT_EQ(NodePath(*n, 'e').text(), expected);
  EXPECT_EQ(n->checked, 1);
}

TEST_F(ScanTest, TwentyThousandEntriesInOneFolder) {
  // Hard links to one file: far cheaper to make in bulk than new files.
  dir_.MakeFolder("player/Big");
  const std::string source = dir_.Write("source", "");
  std::string lines;
  for (int i = 0; i < 20000; ++i) {
    const std::string name = "entry" + std::to_string(i) + (i % 2 ? ".txt" : ".mp3");
    ASSERT_EQ(::link(source.c_str(), (player_ + "/Big/" + name).c_str()), 0);
    if (i % 4 == 0) lines += "e:\\Big\\" + name + "\r\n";
  }
  dir_.Write("songs.dat", lines);
  Scan();
  const SongNode* big = Find("Big");
  ASSERT_EQ(big->children.size(), 10000u);
  size_t checked = 0;
  for (const auto& c : big->children) checked += c->checked;
  EXPECT_EQ(checked, 5000u);
  EXPECT_EQ(counts_.size(), 1000u);
}

}  // namespace
}  // namespace plondex
