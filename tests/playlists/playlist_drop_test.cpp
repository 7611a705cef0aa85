#include "playlists/playlist_drop.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "library/songtree.h"
#include "player_fixture.h"

namespace plondex::test {
namespace {

TEST(DropIndex, OnlyExistingEntriesCount) {
  EXPECT_EQ(DropIndex(2, 3), 2);
  EXPECT_EQ(DropIndex(3, 3), -1);
  EXPECT_EQ(DropIndex(-1, 3), -1);
  EXPECT_EQ(DropIndex(0, 0), -1);
}

TEST(MoveEntry, EndsDirectlyBeforeTheEntryDroppedOnOrLast) {
  struct Case {
    int from, drop;
    Lines expected;
  };
  const Lines abcd{"A", "B", "C", "D"};
  for (const Case& c : {Case{0, 2, {"B", "A", "C", "D"}}, Case{3, 1, {"A", "D", "B", "C"}},
                        Case{1, -1, {"A", "C", "D", "B"}}, Case{3, 0, {"D", "A", "B", "C"}},
                        Case{0, 1, {"A", "B", "C", "D"}}, Case{3, -1, {"A", "B", "C", "D"}}}) {
    PlaylistContent content;
    content.Assign(abcd);
    content.SetSelected(c.from, true);
    EXPECT_TRUE(MoveEntry(content, c.from, c.drop)) << c.from << " onto " << c.drop;
    EXPECT_EQ(content.Texts(), c.expected) << c.from << " onto " << c.drop;
    EXPECT_EQ(content.text(content.focused()), abcd[c.from]);
    EXPECT_TRUE(content.selected(content.focused()));
    EXPECT_EQ(content.SelectedCount(), 1);
  }
  for (const auto& [from, drop] : std::vector<std::pair<int, int>>{{2, 2}, {-1, 1}, {4, 1}}) {
    PlaylistContent content;
    content.Assign(abcd);
    EXPECT_FALSE(MoveEntry(content, from, drop));
    EXPECT_EQ(content.Texts(), abcd);
  }
}

class DropTest : public PlayerTest {
 protected:
  DropTest() {
    SongNode* root = tree_.AddRoot("All songs");
    music_ = tree_.AddChild(root, "Music");
    rock_ = tree_.AddChild(music_, "Rock");
    for (const char* name : {"c.mp3", "a.mp3", "b.mp3"}) tree_.AddChild(rock_, name);
    // Folders without songs are leaves, but no entries: not even one named like a song.
    empty_ = tree_.AddChild(rock_, "Empty");
    empty_->folder = true;
    tree_.AddChild(rock_, "Odd.mp3")->folder = true;
    tree_.AddChild(music_, "x.ogg");
    song_ = tree_.AddChild(root, "Track 01.mp3");
  }
  void SetUp() override {
    Write("p.m3u", kFive);
    Open("p.m3u");
    CountWrites();
  }
  Lines After(size_t n) const {
    const Lines all = Entries();
    return Lines(all.begin() + n, all.end());
  }

  static constexpr const char* kFive = "\\1.mp3\r\n\\2.mp3\r\n\\3.mp3\r\n\\4.mp3\r\n\\5.mp3\r\n";
  const Lines rock_entries_{"\\Music\\Rock\\c.mp3", "\\Music\\Rock\\a.mp3", "\\Music\\Rock\\b.mp3"};
  SongTree tree_;
  SongNode* music_;
  SongNode* rock_;
  SongNode* empty_;
  SongNode* song_;
};

TEST_F(DropTest, OneSongOnTheThirdEntryTakesItsPlace) {
  DropTreeNode(playlists_, song_, 2);
  EXPECT_EQ(writes_, 1);
  EXPECT_EQ(Read("p.m3u"),
            "\\1.mp3\r\n\\2.mp3\r\n\\Track 01.mp3\r\n\\3.mp3\r\n\\4.mp3\r\n\\5.mp3\r\n");
}

TEST_F(DropTest, FolderSongsStandTogetherInTreeOrderWithOneWrite) {
  DropTreeNode(playlists_, rock_, 0);
  Lines expected = rock_entries_;
  expected.push_back("\\1.mp3");
  const Lines entries = Entries();
  EXPECT_EQ(Lines(entries.begin(), entries.begin() + 4), expected);
  EXPECT_EQ(writes_, 1);

  DropTreeNode(playlists_, music_, -1);  // below the last entry
  expected = rock_entries_;
  expected.push_back("\\Music\\x.ogg");
  EXPECT_EQ(After(8), expected);
  EXPECT_EQ(writes_, 2);
}

TEST_F(DropTest, RootAddsEverySongAgainWhileAnEmptyRootAddsNothing) {
  DropTreeNode(playlists_, song_, -1);
  DropTreeNode(playlists_, tree_.root(), -1);
  Lines expected{"\\Track 01.mp3"};
  expected.insert(expected.end(), rock_entries_.begin(), rock_entries_.end());
  expected.push_back("\\Music\\x.ogg");
  expected.push_back("\\Track 01.mp3");
  EXPECT_EQ(After(5), expected);

  SongTree empty_tree;
  int position = 1;
  AddNodeEntries(*empty_tree.AddRoot("All songs"), position, 'e', playlists_.content());
  EXPECT_EQ(position, 1);
  EXPECT_EQ(Entries().size(), 5u + expected.size());
}

TEST_F(DropTest, AddNodeEntriesAdvancesThePositionAndSurvivesDeepFolders) {
  int position = 1;
  AddNodeEntries(*rock_, position, 'e', playlists_.content());
  EXPECT_EQ(position, 4);
  EXPECT_EQ(Entries().at(4), "\\2.mp3");

  SongNode* node = empty_;
  for (int i = 0; i < 5000; ++i) node = tree_.AddChild(node, "d");
  tree_.AddChild(node, "deep.mp3");
  position = -1;
  AddNodeEntries(*empty_, position, 'e', playlists_.content());
  EXPECT_EQ(position, -1);
  const std::string last = Entries().back();
  EXPECT_EQ(last.size(), std::string("\\Music\\Rock\\Empty").size() + 5000 * 2 + 9);
  EXPECT_EQ(last.substr(last.size() - 11), "\\d\\deep.mp3");
}

TEST_F(DropTest, EveryDropWritesPendingRemovalsButOntoItselfNothing) {
  playlists_.content().SetSelected(0, true);
  playlists_.RemoveSelectedSongs();
  DropTreeNode(playlists_, nullptr, 1);  // no selected tree node: nothing inserted
  EXPECT_EQ(writes_, 1);
  EXPECT_EQ(Read("p.m3u"), "\\2.mp3\r\n\\3.mp3\r\n\\4.mp3\r\n\\5.mp3\r\n");

  playlists_.content().SetFocused(0);
  DropListEntry(playlists_, 0);
  EXPECT_EQ(writes_, 1);
  DropListEntry(playlists_, 2);
  EXPECT_EQ(writes_, 2);
  EXPECT_EQ(Read("p.m3u"), "\\3.mp3\r\n\\2.mp3\r\n\\4.mp3\r\n\\5.mp3\r\n");
}

TEST_F(DropTest, RefusedWithoutPlaylistAndNotWrittenUnderNowrite) {
  EXPECT_TRUE(AcceptsDrop(playlists_, DragSource::kSongTree));
  EXPECT_TRUE(AcceptsDrop(playlists_, DragSource::kContentList));
  EXPECT_FALSE(AcceptsDrop(playlists_, DragSource::kOther));
  playlists_.SelectPlaylist(-1);
  EXPECT_FALSE(AcceptsDrop(playlists_, DragSource::kSongTree));
  DropTreeNode(playlists_, rock_, 0);
  playlists_.content().SetFocused(0);
  DropListEntry(playlists_, 2);
  EXPECT_EQ(Entries().size(), 5u);

  playlists_.SelectPlaylist(0);
  context_.nowrite = true;
  DropTreeNode(playlists_, song_, 0);
  EXPECT_EQ(Entries().front(), "\\Track 01.mp3");
  EXPECT_EQ(writes_, 0);
}

TEST_F(DropTest, FailedWriteKeepsTheInsertedEntries) {
  SetFileFaultHook([](FileOp op) { return op == FileOp::kWrite; });
  EXPECT_THROW(DropTreeNode(playlists_, rock_, -1), Error);
  EXPECT_EQ(After(5), rock_entries_);
  EXPECT_EQ(Read("p.m3u"), kFive);
}

}  // namespace
}  // namespace plondex::test
