#include "library/checkstates.h"

#include <gtest/gtest.h>

#include <random>

#include "library/checklist.h"
#include "library/scan.h"
#include "library/treeops.h"
#include "platform/error.h"
#include "platform/files.h"
#include "support/temp_dir.h"

namespace plondex {
namespace {

// All songs / Music / Rock: r1 r2 r3; Music / Jazz: j1; Music / m1; Empty; top.wma
struct Sample {
  SongTree tree;
  SongNode* root = tree.AddRoot("All songs");
  SongNode* music = tree.AddChild(root, "Music");
  SongNode* rock = tree.AddChild(music, "Rock");
  SongNode* r1 = tree.AddChild(rock, "r1.mp3");
  SongNode* r2 = tree.AddChild(rock, "r2.mp3");
  SongNode* r3 = tree.AddChild(rock, "r3.mp3");
  SongNode* jazz = tree.AddChild(music, "Jazz");
  SongNode* j1 = tree.AddChild(jazz, "j1.ogg");
  SongNode* m1 = tree.AddChild(music, "m1.mp3");
  SongNode* empty = tree.AddChild(root, "Empty");
  SongNode* top = tree.AddChild(root, "top.wma");
  std::vector<SongNode*> all{root, music, rock, r1, r2, r3, jazz, j1, m1, empty, top};
};

TEST(CheckStates, FoldersSummariseWhatLiesBelow) {
  Sample s;
  s.rock->checked = 1;  // a folder's own flag means nothing while it has children
  RecomputeCheckStates(s.tree);
  EXPECT_EQ(s.rock->state, CheckState::kUnchecked);
  s.r1->checked = s.j1->checked = s.m1->checked = 1;
  RecomputeCheckStates(s.tree);
  EXPECT_EQ(s.r1->state, CheckState::kChecked);
  EXPECT_EQ(s.jazz->state, CheckState::kChecked);
  // A partly checked child makes the parent partly checked, up to the root.
  for (const SongNode* n : {s.rock, s.music, s.root})
    EXPECT_EQ(n->state, CheckState::kPartlyChecked);
  s.r2->checked = s.r3->checked = s.top->checked = 1;
  RecomputeCheckStates(s.tree);
  EXPECT_EQ(s.music->state, CheckState::kChecked);
  EXPECT_EQ(s.root->state, CheckState::kPartlyChecked);  // the empty folder counts like a song
  s.empty->checked = 1;
  RecomputeCheckStates(s.tree);
  EXPECT_EQ(s.root->state, CheckState::kChecked);
}

TEST(CheckStates, AFolderClickChecksAllUnlessAllAreChecked) {
  Sample s;
  ToggleNode(s.r1);
  ASSERT_EQ(s.music->state, CheckState::kPartlyChecked);
  ToggleNode(s.music);
  for (const SongNode* n : {s.music, s.rock, s.r1, s.r2, s.r3, s.jazz, s.j1, s.m1}) {
    EXPECT_EQ(n->state, CheckState::kChecked);
    EXPECT_EQ(n->checked, 1);
  }
  EXPECT_EQ(s.root->state, CheckState::kPartlyChecked);
  ToggleNode(s.music);
  for (const SongNode* n : {s.music, s.rock, s.r1, s.r2, s.r3, s.jazz, s.j1, s.m1}) {
    EXPECT_EQ(n->state, CheckState::kUnchecked);
    EXPECT_EQ(n->checked, 0);
  }
  EXPECT_EQ(s.root->state, CheckState::kUnchecked);
  // The root of an otherwise empty tree is a leaf like any other.
  SongTree lone;
  ToggleNode(lone.AddRoot("All songs"));
  EXPECT_EQ(lone.root()->state, CheckState::kChecked);
}

TEST(CheckStates, ClicksInEveryStateKeepTheInvariants) {
  Sample s;
  RecomputeCheckStates(s.tree);
  std::mt19937 rng(12345);
  int clicked[4] = {};
  for (int i = 0; i < 2000 && !HasFailure(); ++i) {
    SongNode* node = s.all[rng() % s.all.size()];
    ++clicked[static_cast<int>(node->state)];
    ToggleNode(node);
    // What the clicks left must be what a full recompute from the songs gives.
    std::vector<CheckState> after;
    for (const SongNode* n : s.all) after.push_back(n->state);
    RecomputeCheckStates(s.tree);
    for (size_t k = 0; k < s.all.size(); ++k) EXPECT_EQ(s.all[k]->state, after[k]) << i;
    for (const SongNode* n : s.all) {
      if (!n->HasChildren()) {
        EXPECT_EQ(n->state, n->checked ? CheckState::kChecked : CheckState::kUnchecked);
      }
    }
  }
  EXPECT_TRUE(clicked[1] && clicked[2] && clicked[3]);
}

TEST(CheckStates, SavesCheckedLeavesInTreeOrder) {
  test::TempDir dir;
  const std::string path = dir.Path("songs.dat");
  SongTree none;
  SaveCheckStates(none, 'e', path);  // an empty tree writes nothing
  EXPECT_FALSE(test::NativeExists(path));

  Sample s;
  SaveCheckStates(s.tree, 'e', path);
  EXPECT_TRUE(test::NativeExists(path));
  EXPECT_EQ(test::ReadNative(path), "");
  for (SongNode* n : {s.top, s.j1, s.r3, s.r1, s.empty}) ToggleNode(n);
  s.rock->checked = 1;  // ignored: Rock has children
  SaveCheckStates(s.tree, 'e', path);
  EXPECT_EQ(test::ReadNative(path),
            "e:\\Music\\Rock\\r1.mp3\r\ne:\\Music\\Rock\\r3.mp3\r\ne:\\Music\\Jazz\\j1.ogg\r\n"
            "e:\\Empty\r\ne:\\top.wma\r\n");
  const SavedCheckList list = SavedCheckList::Load(path);
  EXPECT_TRUE(list.Contains(NodePath(*s.r3, 'e').text()));
  EXPECT_FALSE(list.Contains(NodePath(*s.r2, 'e').text()));

  // A failed write throws and leaves the old file whole, with no temporary file beside it.
  SetFileFaultHook([](FileOp op) { return op == FileOp::kWrite; });
  ToggleNode(s.m1);
  EXPECT_THROW(SaveCheckStates(s.tree, 'e', path), Error);
  SetFileFaultHook(nullptr);
  EXPECT_EQ(SavedCheckList::Load(path).size(), 5u);
  EXPECT_EQ(test::ListNames(dir.path()), "songs.dat");
}

TEST(CheckStates, NamedSongsAreCheckedAndTheOtherChecksStay) {
  Sample s;
  ToggleNode(s.top);
  EXPECT_EQ(CheckNamedSongs(s.tree, {"f:\\MUSIC\\Rock\\R1.mp3", "e:\\Empty", "e:\\gone.mp3"}, 'e'),
            1);
  EXPECT_EQ(s.r1->checked, 1);
  EXPECT_EQ(s.top->checked, 1);
  EXPECT_EQ(s.empty->checked, 0);  // a folder is no song
  EXPECT_EQ(s.rock->state, CheckState::kPartlyChecked);
}

TEST(CheckStates, DeepTreesNeedNoDeepCallStack) {
  // Far deeper than a drive can be: nothing here may recurse per level.
  SongTree tree;
  SongNode* n = tree.AddRoot("All songs");
  for (int i = 0; i < 200000; ++i) n = tree.AddChild(n, "d");
  SongNode* leaf = tree.AddChild(n, "x.mp3");
  tree.AddChild(n, "a.mp3");
  SortSongTree(tree);
  EXPECT_EQ(leaf->row, 1);
  ToggleNode(leaf);
  EXPECT_EQ(tree.root()->state, CheckState::kPartlyChecked);
  leaf->checked = 0;
  RecomputeCheckStates(tree);
  EXPECT_EQ(tree.root()->state, CheckState::kUnchecked);
  ToggleNode(tree.root());
  EXPECT_EQ(leaf->checked, 1);
  test::TempDir dir;
  SaveCheckStates(tree, 'e', dir.Path("songs.dat"));
  EXPECT_EQ(test::ReadNative(dir.Path("songs.dat")).size(), 2 * (3 + 200000 * 2 + 5 + 2));
  tree.Clear();
}

}  // namespace
}  // namespace plondex
