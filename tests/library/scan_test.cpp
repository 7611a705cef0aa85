#include "library/scan.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "library/checkstates.h"
#include "platform/drives.h"
#include "platform/error.h"
#include "platform/files.h"
#include "support/temp_dir.h"

namespace plondex {
namespace {

// Every node path of the tree below the root, with a '/' after folders.
std::set<std::string> Paths(const SongTree& tree, char letter = 'e') {
  std::set<std::string> paths;
  std::vector<const SongNode*> pending{tree.root()};
  while (!pending.empty()) {
    const SongNode* n = pending.back();
    pending.pop_back();
    for (const auto& c : n->children) pending.push_back(c.get());
    if (n == tree.root()) continue;
    const bool song = IsSongFileName(n->text) && !n->HasChildren();
    paths.insert(NodePath(*n, letter) + (song ? "" : "/"));
  }
  return paths;
}

const SongNode* Child(const SongNode* parent, const std::string& text) {
  for (const auto& c : parent->children) {
    if (c->text == text) return c.get();
  }
  return nullptr;
}

class ScanTest : public ::testing::Test {
 protected:
  void SetUp() override {
    player_ = dir_.MakeFolder("player");
    auto drives = std::make_shared<FolderDrives>();
    drives->Add('e', player_, "IHP", "1234-ABCD");
    drives->Add('f', player_, "IHP", "1234-ABCD");
    SetDriveTable(drives);
    songs_dat_ = dir_.Path("songs.dat");
  }
  void TearDown() override { SetDriveTable(nullptr); }

  void File(const std::string& relative) { dir_.Write("player/" + relative, ""); }
  void Folder(const std::string& relative) { dir_.MakeFolder("player/" + relative); }
  // Hard links to one empty file: far cheaper to make in bulk than new files.
  void LinkedFile(const std::string& relative) {
    if (link_source_.empty()) link_source_ = dir_.Write("link-source", "");
    ASSERT_EQ(::link(link_source_.c_str(), (player_ + "/" + relative).c_str()), 0) << relative;
  }

  void Scan(char letter = 'e') {
    counts_.clear();
    RebuildSongTree(tree_, letter, songs_dat_, [this](size_t n) { counts_.push_back(n); });
  }

  test::TempDir dir_;
  std::string player_;
  std::string songs_dat_;
  SongTree tree_;
  std::vector<size_t> counts_;
  std::string link_source_;
};

TEST_F(ScanTest, EmptyDriveGivesTheRootAlone) {
  Scan();
  ASSERT_NE(tree_.root(), nullptr);
  EXPECT_EQ(tree_.root()->text, "All songs");
  EXPECT_FALSE(tree_.root()->HasChildren());
  EXPECT_EQ(tree_.node_count(), 1u);
  EXPECT_TRUE(counts_.empty());
}

TEST_F(ScanTest, TakesSongsByLowerCasedExtension) {
  for (const char* name : {"Song.MP3", "a.Wma", "b.ogg", "c.mP3", ".mp3", "song.mp3.bak",
                           "song.mp2", "noextension", "mp3", "x.mp33", "x.m3u", "y.wav"}) {
    File(name);
  }
  Scan();
  EXPECT_EQ(Paths(tree_), (std::set<std::string>{"e:\\.mp3", "e:\\Song.MP3", "e:\\a.Wma",
                                                 "e:\\b.ogg", "e:\\c.mP3"}));
  EXPECT_TRUE(IsSongFileName("\xC4.OGG"));
  EXPECT_FALSE(IsSongFileName("a.mp3\xA0"));
}

TEST_F(ScanTest, IncludesHiddenEntries) {
  File(".hidden.mp3");
  File(".secret/in.ogg");
  Scan();
  EXPECT_EQ(Paths(tree_),
            (std::set<std::string>{"e:\\.hidden.mp3", "e:\\.secret/", "e:\\.secret\\in.ogg"}));
}

TEST_F(ScanTest, SkipsOnlyAFolderNamedExactlyRecycled) {
  File("Recycled/gone.mp3");
  File("Recycled/Deep/gone.mp3");
  File("RECYCLED/kept.mp3");
  File("recycled/kept.mp3");
  File("Music/Recycled/gone.mp3");
  File("Recycled.mp3");
  Scan();
  EXPECT_EQ(Paths(tree_),
            (std::set<std::string>{"e:\\RECYCLED/", "e:\\RECYCLED\\kept.mp3", "e:\\recycled/",
                                   "e:\\recycled\\kept.mp3", "e:\\Music/", "e:\\Recycled.mp3"}));
}

TEST_F(ScanTest, FoldersWithoutSongsStayAsUncheckedLeaves) {
  Folder("Empty");
  Folder("Deep/Er");
  File("Deep/readme.txt");
  Scan();
  const SongNode* empty = Child(tree_.root(), "Empty");
  const SongNode* deep = Child(tree_.root(), "Deep");
  ASSERT_TRUE(empty && deep);
  EXPECT_FALSE(empty->HasChildren());
  EXPECT_EQ(empty->state, kUnchecked);
  EXPECT_EQ(empty->checked, 0);
  ASSERT_EQ(deep->children.size(), 1u);
  EXPECT_EQ(deep->children[0]->text, "Er");
}

TEST_F(ScanTest, NodePathsMatchThePlayerPaths) {
  File("Track 01.mp3");
  File("Music/Rock/Track 01.mp3");
  Scan();
  const SongNode* top = Child(tree_.root(), "Track 01.mp3");
  const SongNode* music = Child(tree_.root(), "Music");
  ASSERT_TRUE(top && music);
  const SongNode* rock = Child(music, "Rock");
  ASSERT_TRUE(rock);
  const SongNode* deep = Child(rock, "Track 01.mp3");
  ASSERT_TRUE(deep);
  EXPECT_EQ(NodePath(*top, 'e'), "e:\\Track 01.mp3");
  EXPECT_EQ(NodePath(*deep, 'e'), "e:\\Music\\Rock\\Track 01.mp3");
  EXPECT_EQ(NodePath(*rock, 'e'), "e:\\Music\\Rock");
  EXPECT_EQ(NodePath(*tree_.root(), 'e'), "e:\\");
  // The path leads back to the file.
  EXPECT_TRUE(FileExists(NodePath(*deep, 'e')));
  EXPECT_TRUE(FolderExists(NodePath(*rock, 'e')));
}

TEST_F(ScanTest, EightBitNamesKeepTheirCodePageBytes) {
  File("\xC3\x89t\xC3\xA9.mp3");  // "Été.mp3" as the file system stores it
  Scan();
  ASSERT_EQ(tree_.root()->children.size(), 1u);
  const SongNode& song = *tree_.root()->children[0];
  EXPECT_EQ(song.text, "\xC9t\xE9.mp3");
  EXPECT_TRUE(FileExists(NodePath(song, 'e')));
}

TEST_F(ScanTest, ChildrenFollowTheFileSystemOrder) {
  for (int i = 0; i < 30; ++i) {
    if (i % 3 == 0) {
      Folder("f" + std::to_string(i));
    } else {
      File("s" + std::to_string(i) + ".mp3");
    }
  }
  Scan();
  const auto listed = ListFolder("e:\\");
  ASSERT_TRUE(listed);
  std::vector<std::string> expected, got;
  for (const auto& e : *listed) expected.push_back(e.name);
  for (const auto& c : tree_.root()->children) got.push_back(c->text);
  EXPECT_EQ(got, expected);
  for (size_t i = 0; i < tree_.root()->children.size(); ++i) {
    EXPECT_EQ(tree_.root()->children[i]->row, static_cast<int>(i));
  }
}

TEST_F(ScanTest, CountIsReportedWhenASongMakesTheTotalAMultipleOfTen) {
  for (int i = 0; i < 8; ++i) File("s" + std::to_string(i) + ".mp3");
  Scan();
  EXPECT_TRUE(counts_.empty());  // root + 8 songs
  File("s8.mp3");
  Scan();
  EXPECT_EQ(counts_, std::vector<size_t>{10});  // root + 9 songs
}

TEST_F(ScanTest, FoldersCountButOnlySongsReport) {
  // Root and nine folders make ten nodes, but no song made the total.
  for (int i = 0; i < 9; ++i) Folder("f" + std::to_string(i));
  Scan();
  EXPECT_EQ(tree_.node_count(), 10u);
  EXPECT_TRUE(counts_.empty());
}

TEST_F(ScanTest, CountIncludesTheFoldersAlreadyAdded) {
  // Root, folder A, then 25 songs in A: the 8th and the 18th song make 10 and 20.
  for (int i = 0; i < 25; ++i) File("A/s" + std::to_string(i) + ".ogg");
  Scan();
  EXPECT_EQ(counts_, (std::vector<size_t>{10, 20}));
  EXPECT_EQ(tree_.node_count(), 27u);
}

TEST_F(ScanTest, RestoresListedSongsIgnoringCase) {
  File("Music/Track.mp3");
  File("Music/Other.mp3");
  File("\xC3\x89t\xC3\xA9.ogg");
  Folder("Checked");
  dir_.Write("songs.dat",
             "E:\\MUSIC\\track.MP3\r\ne:\\\xC9T\xC9.OGG\r\ne:\\Checked\r\ne:\\Music\r\n");
  Scan();
  const SongNode* music = Child(tree_.root(), "Music");
  ASSERT_TRUE(music);
  const SongNode* track = Child(music, "Track.mp3");
  const SongNode* other = Child(music, "Other.mp3");
  const SongNode* ete = Child(tree_.root(), "\xC9t\xE9.ogg");
  const SongNode* checked_folder = Child(tree_.root(), "Checked");
  ASSERT_TRUE(track && other && ete && checked_folder);
  EXPECT_EQ(track->checked, 1);
  EXPECT_EQ(track->state, kChecked);
  EXPECT_EQ(ete->checked, 1);
  EXPECT_EQ(other->checked, 0);
  EXPECT_EQ(other->state, kUnchecked);
  // Folders are never matched, not even a childless one that was saved checked.
  EXPECT_EQ(music->checked, 0);
  EXPECT_EQ(checked_folder->checked, 0);
  EXPECT_EQ(checked_folder->state, kUnchecked);
}

TEST_F(ScanTest, AnotherDriveLetterRestoresNothing) {
  File("Music/Track.mp3");
  dir_.Write("songs.dat", "e:\\Music\\Track.mp3\r\n");
  Scan('f');
  const SongNode* music = Child(tree_.root(), "Music");
  ASSERT_TRUE(music);
  EXPECT_EQ(music->children[0]->checked, 0);
  EXPECT_EQ(NodePath(*music->children[0], 'f'), "f:\\Music\\Track.mp3");
}

TEST_F(ScanTest, SavedChecksComeBackAndUnsavedOnesAreLost) {
  File("A/one.mp3");
  File("A/two.mp3");
  File("three.wma");
  Scan();
  RecomputeCheckStates(tree_);
  const SongNode* a = Child(tree_.root(), "A");
  ASSERT_TRUE(a);
  ToggleNode(const_cast<SongNode*>(Child(a, "one.mp3")));
  ToggleNode(const_cast<SongNode*>(Child(tree_.root(), "three.wma")));
  SaveCheckStates(tree_, 'e', songs_dat_);

  Scan();
  RecomputeCheckStates(tree_);
  a = Child(tree_.root(), "A");
  EXPECT_EQ(Child(a, "one.mp3")->checked, 1);
  EXPECT_EQ(Child(a, "two.mp3")->checked, 0);
  EXPECT_EQ(Child(tree_.root(), "three.wma")->checked, 1);
  EXPECT_EQ(a->state, kPartlyChecked);

  // A check made after the save is gone after the next rebuild.
  ToggleNode(const_cast<SongNode*>(Child(a, "two.mp3")));
  EXPECT_EQ(a->state, kChecked);
  Scan();
  RecomputeCheckStates(tree_);
  a = Child(tree_.root(), "A");
  EXPECT_EQ(Child(a, "two.mp3")->checked, 0);
  EXPECT_EQ(a->state, kPartlyChecked);
}

TEST_F(ScanTest, UnreadableCheckListLeavesTheOldTree) {
  File("a.mp3");
  Scan();
  const SongNode* old_root = tree_.root();
  dir_.MakeFolder("songs.dat");  // exists, but cannot be read as a file
  File("b.mp3");
  EXPECT_THROW(Scan(), Error);
  EXPECT_EQ(tree_.root(), old_root);
  EXPECT_EQ(tree_.node_count(), 2u);
  EXPECT_EQ(Paths(tree_), std::set<std::string>{"e:\\a.mp3"});
}

TEST_F(ScanTest, NeverFollowsLinksToFolders) {
  File("A/song.mp3");
  File("A/B/deep.mp3");
  ASSERT_EQ(::symlink("..", (player_ + "/A/B/up").c_str()), 0);
  ASSERT_EQ(::symlink(".", (player_ + "/A/self").c_str()), 0);
  ASSERT_EQ(::symlink(player_.c_str(), (player_ + "/root").c_str()), 0);
  ASSERT_EQ(::symlink("song.mp3", (player_ + "/A/alias.mp3").c_str()), 0);
  Scan();
  EXPECT_EQ(Paths(tree_), (std::set<std::string>{"e:\\A/", "e:\\A\\song.mp3", "e:\\A\\alias.mp3",
                                                 "e:\\A\\B/", "e:\\A\\B\\deep.mp3"}));
}

TEST_F(ScanTest, SurvivesAThousandNestedFolders) {
  // Made level by level from an open folder, so no long path is looked up while building.
  int fd = ::open(player_.c_str(), O_DIRECTORY | O_RDONLY);
  ASSERT_GE(fd, 0);
  for (int i = 0; i < 1000; ++i) {
    ASSERT_EQ(::mkdirat(fd, "d", 0755), 0);
    const int next = ::openat(fd, "d", O_DIRECTORY | O_RDONLY);
    ::close(fd);
    ASSERT_GE(fd = next, 0);
  }
  ::close(::openat(fd, "bottom.mp3", O_CREAT | O_WRONLY, 0644));
  ::close(fd);
  std::string expected = "e:\\";
  for (int i = 0; i < 1000; ++i) expected += "d\\";
  expected += "bottom.mp3";
  dir_.Write("songs.dat", expected + "\r\n");
  Scan();
  EXPECT_EQ(tree_.node_count(), 1002u);
  const SongNode* n = tree_.root();
  while (n->HasChildren()) n = n->children[0].get();
  EXPECT_EQ(n->Level(), 1001);
  EXPECT_EQ(NodePath(*n, 'e'), expected);
  EXPECT_EQ(n->checked, 1);
  RecomputeCheckStates(tree_);
  EXPECT_EQ(tree_.root()->state, kChecked);
}

TEST_F(ScanTest, TwentyThousandEntriesInOneFolder) {
  Folder("Big");
  std::string lines;
  for (int i = 0; i < 20000; ++i) {
    // Every other entry is a song; every fourth entry is listed in songs.dat.
    const std::string name = "entry" + std::to_string(i) + (i % 2 ? ".txt" : ".mp3");
    LinkedFile("Big/" + name);
    if (i % 4 == 0) lines += "e:\\Big\\" + name + "\r\n";
  }
  dir_.Write("songs.dat", lines);
  Scan();
  const SongNode* big = Child(tree_.root(), "Big");
  ASSERT_TRUE(big);
  ASSERT_EQ(big->children.size(), 10000u);
  size_t checked = 0;
  for (const auto& c : big->children) checked += c->checked;
  EXPECT_EQ(checked, 5000u);
  EXPECT_EQ(counts_.size(), 1000u);  // totals 10, 20, ... 10000; the last total is 10002
  EXPECT_EQ(counts_.back(), 10000u);
}

}  // namespace
}  // namespace plondex
