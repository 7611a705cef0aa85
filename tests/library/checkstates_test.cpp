#include "library/checkstates.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "library/scan.h"
#include "platform/error.h"
#include "platform/files.h"
#include "support/temp_dir.h"

namespace plondex {
namespace {

// A small tree:
//   All songs
//     Music
//       Rock: r1.mp3 r2.mp3 r3.mp3
//       Jazz: j1.ogg
//       m1.mp3
//     Empty
//     top.wma
struct Sample {
  SongTree tree;
  SongNode *root, *music, *rock, *r1, *r2, *r3, *jazz, *j1, *m1, *empty, *top;
  Sample() {
    root = tree.AddRoot("All songs");
    music = tree.AddChild(root, "Music");
    rock = tree.AddChild(music, "Rock");
    r1 = tree.AddChild(rock, "r1.mp3");
    r2 = tree.AddChild(rock, "r2.mp3");
    r3 = tree.AddChild(rock, "r3.mp3");
    jazz = tree.AddChild(music, "Jazz");
    j1 = tree.AddChild(jazz, "j1.ogg");
    m1 = tree.AddChild(music, "m1.mp3");
    empty = tree.AddChild(root, "Empty");
    top = tree.AddChild(root, "top.wma");
  }
};

// The invariants: a leaf shows its flag, a node with children the summary of its children.
void ExpectConsistent(const SongNode* node) {
  std::vector<const SongNode*> pending{node};
  while (!pending.empty()) {
    const SongNode* n = pending.back();
    pending.pop_back();
    if (!n->HasChildren()) {
      EXPECT_EQ(n->state, n->checked ? kChecked : kUnchecked) << n->text;
      continue;
    }
    bool all1 = true, all2 = true;
    for (const auto& c : n->children) {
      all1 = all1 && c->state == kUnchecked;
      all2 = all2 && c->state == kChecked;
      pending.push_back(c.get());
    }
    EXPECT_EQ(n->state, all1 ? kUnchecked : all2 ? kChecked : kPartlyChecked) << n->text;
  }
}

TEST(RecomputeCheckStates, FoldersSummariseTheirSongs) {
  Sample s;
  s.rock->checked = 1;  // a folder's own flag means nothing while it has children
  RecomputeCheckStates(s.tree);
  EXPECT_EQ(s.rock->state, kUnchecked);
  EXPECT_EQ(s.root->state, kUnchecked);

  s.r1->checked = 1;
  RecomputeCheckStates(s.tree);
  EXPECT_EQ(s.r1->state, kChecked);
  for (const SongNode* n : {s.rock, s.music, s.root}) EXPECT_EQ(n->state, kPartlyChecked);
  EXPECT_EQ(s.jazz->state, kUnchecked);

  s.r2->checked = s.r3->checked = 1;
  RecomputeCheckStates(s.tree);
  EXPECT_EQ(s.rock->state, kChecked);
  EXPECT_EQ(s.music->state, kPartlyChecked);
  ExpectConsistent(s.root);
}

TEST(RecomputeCheckStates, APartlyCheckedChildMakesThePartlyState) {
  Sample s;
  // Rock partly checked, Jazz and m1 fully checked: Music is partly checked.
  s.r1->checked = s.j1->checked = s.m1->checked = 1;
  RecomputeCheckStates(s.tree);
  EXPECT_EQ(s.rock->state, kPartlyChecked);
  EXPECT_EQ(s.jazz->state, kChecked);
  EXPECT_EQ(s.music->state, kPartlyChecked);
}

TEST(RecomputeCheckStates, AChildlessFolderCountsLikeASong) {
  Sample s;
  for (SongNode* n : {s.r1, s.r2, s.r3, s.j1, s.m1, s.top}) n->checked = 1;
  RecomputeCheckStates(s.tree);
  EXPECT_EQ(s.music->state, kChecked);
  EXPECT_EQ(s.root->state, kPartlyChecked);  // Empty is unchecked
  s.empty->checked = 1;
  RecomputeCheckStates(s.tree);
  EXPECT_EQ(s.empty->state, kChecked);
  EXPECT_EQ(s.root->state, kChecked);
}

TEST(RecomputeCheckStates, TheRootOfAnEmptyTreeIsALeaf) {
  SongTree tree;
  RecomputeCheckStates(tree);  // no nodes at all: nothing to do
  SongNode* root = tree.AddRoot("All songs");
  ToggleNode(root);
  EXPECT_EQ(root->state, kChecked);
  ToggleNode(root);
  EXPECT_EQ(root->state, kUnchecked);
}

TEST(ToggleNode, SongsFlipAndAncestorsFollow) {
  Sample s;
  RecomputeCheckStates(s.tree);
  ToggleNode(s.r2);
  EXPECT_EQ(s.r2->checked, 1);
  EXPECT_EQ(s.r2->state, kChecked);
  for (const SongNode* n : {s.rock, s.music, s.root}) EXPECT_EQ(n->state, kPartlyChecked);
  ToggleNode(s.r2);
  EXPECT_EQ(s.r2->checked, 0);
  for (const SongNode* n : {s.rock, s.music, s.root}) EXPECT_EQ(n->state, kUnchecked);
}

TEST(ToggleNode, APartlyCheckedFolderChecksAllThenUnchecksAll) {
  Sample s;
  s.r1->checked = 1;
  RecomputeCheckStates(s.tree);
  ASSERT_EQ(s.music->state, kPartlyChecked);
  ToggleNode(s.music);
  for (const SongNode* n : {s.music, s.rock, s.r1, s.r2, s.r3, s.jazz, s.j1, s.m1}) {
    EXPECT_EQ(n->state, kChecked) << n->text;
    EXPECT_EQ(n->checked, 1) << n->text;
  }
  EXPECT_EQ(s.root->state, kPartlyChecked);
  ToggleNode(s.music);
  for (const SongNode* n : {s.music, s.rock, s.r1, s.r2, s.r3, s.jazz, s.j1, s.m1}) {
    EXPECT_EQ(n->state, kUnchecked) << n->text;
    EXPECT_EQ(n->checked, 0) << n->text;
  }
  EXPECT_EQ(s.root->state, kUnchecked);
}

TEST(ToggleNode, KeepsEveryInvariantWhateverIsClicked) {
  // Clicks on random nodes in whatever state they are in; after each, the states must be what a
  // full recompute from the leaves gives.
  Sample s;
  RecomputeCheckStates(s.tree);
  std::vector<SongNode*> nodes{s.root, s.music, s.rock, s.r1,    s.r2, s.r3,
                               s.jazz, s.j1,    s.m1,   s.empty, s.top};
  std::mt19937 rng(12345);
  std::vector<int> seen_states(4, 0);
  for (int i = 0; i < 2000; ++i) {
    SongNode* n = nodes[rng() % nodes.size()];
    ++seen_states[n->state];
    ToggleNode(n);
    ExpectConsistent(s.root);
    std::vector<uint8_t> before;
    for (const SongNode* m : nodes) before.push_back(m->state);
    RecomputeCheckStates(s.tree);
    for (size_t k = 0; k < nodes.size(); ++k) EXPECT_EQ(nodes[k]->state, before[k]);
    if (HasFailure()) break;
  }
  // Every state was clicked at least once.
  EXPECT_GT(seen_states[kUnchecked], 0);
  EXPECT_GT(seen_states[kChecked], 0);
  EXPECT_GT(seen_states[kPartlyChecked], 0);
}

TEST(SetSubtreeState, ReachesEveryDepthAndLeavesTheRestAlone) {
  Sample s;
  SetSubtreeState(s.music, kChecked);
  for (const SongNode* n : {s.music, s.rock, s.r1, s.r2, s.r3, s.jazz, s.j1, s.m1}) {
    EXPECT_EQ(n->state, kChecked);
    EXPECT_EQ(n->checked, 1);
  }
  EXPECT_EQ(s.top->checked, 0);
  EXPECT_EQ(s.root->state, kUnchecked);  // ancestors are the caller's business
  SetSubtreeState(s.rock, kUnchecked);
  EXPECT_EQ(s.r3->checked, 0);
  EXPECT_EQ(s.j1->checked, 1);
}

class SaveCheckStatesTest : public ::testing::Test {
 protected:
  void TearDown() override { SetFileFaultHook(nullptr); }
  test::TempDir dir_;
  std::string path_ = dir_.Path("songs.dat");
};

TEST_F(SaveCheckStatesTest, WritesCheckedLeavesInPreOrderWithCrLf) {
  Sample s;
  for (SongNode* n : {s.top, s.j1, s.r3, s.r1, s.empty}) ToggleNode(n);
  s.rock->checked = 1;  // ignored: Rock has children
  SaveCheckStates(s.tree, 'e', path_);
  EXPECT_EQ(test::ReadNative(path_),
            "e:\\Music\\Rock\\r1.mp3\r\n"
            "e:\\Music\\Rock\\r3.mp3\r\n"
            "e:\\Music\\Jazz\\j1.ogg\r\n"
            "e:\\Empty\r\n"
            "e:\\top.wma\r\n");
}

TEST_F(SaveCheckStatesTest, NothingCheckedGivesAnEmptyFile) {
  dir_.Write("songs.dat", "e:\\old.mp3\r\n");
  Sample s;
  ToggleNode(s.r1);
  ToggleNode(s.r1);
  SaveCheckStates(s.tree, 'e', path_);
  EXPECT_TRUE(test::NativeExists(path_));
  EXPECT_EQ(test::ReadNative(path_), "");
}

TEST_F(SaveCheckStatesTest, TheRootIsNeverWritten) {
  SongTree tree;
  ToggleNode(tree.AddRoot("All songs"));
  SaveCheckStates(tree, 'e', path_);
  EXPECT_EQ(test::ReadNative(path_), "");
}

TEST_F(SaveCheckStatesTest, AnEmptyTreeLeavesTheFileAlone) {
  SongTree tree;
  SaveCheckStates(tree, 'e', path_);
  EXPECT_FALSE(test::NativeExists(path_));
  dir_.Write("songs.dat", "e:\\kept.mp3\r\n");
  SaveCheckStates(tree, 'e', path_);
  EXPECT_EQ(test::ReadNative(path_), "e:\\kept.mp3\r\n");
}

TEST_F(SaveCheckStatesTest, AFailedWriteThrowsAndKeepsTheOldFile) {
  dir_.Write("songs.dat", "e:\\old.mp3\r\n");
  Sample s;
  ToggleNode(s.r1);
  SetFileFaultHook([](FileOp op) { return op == FileOp::kWrite; });
  EXPECT_THROW(SaveCheckStates(s.tree, 'e', path_), Error);
  SetFileFaultHook(nullptr);
  EXPECT_EQ(test::ReadNative(path_), "e:\\old.mp3\r\n");
  EXPECT_EQ(test::ListNames(dir_.path()), "songs.dat");
  EXPECT_THROW(SaveCheckStates(s.tree, 'e', dir_.Path("missing/songs.dat")), Error);
}

TEST_F(SaveCheckStatesTest, RoundTripsThroughTheCheckList) {
  Sample s;
  for (SongNode* n : {s.r2, s.j1, s.top}) ToggleNode(n);
  SaveCheckStates(s.tree, 'e', path_);
  const SavedCheckList list = SavedCheckList::Load(path_);
  EXPECT_EQ(list.size(), 3u);
  for (const SongNode* n : {s.r2, s.j1, s.top}) EXPECT_TRUE(list.Contains(NodePath(*n, 'e')));
  for (const SongNode* n : {s.r1, s.r3, s.m1}) EXPECT_FALSE(list.Contains(NodePath(*n, 'e')));
}

TEST(CheckStatesDepth, DeepTreesNeedNoDeepCallStack) {
  // Far deeper than any drive can be, to show that nothing here recurses per level.
  SongTree tree;
  SongNode* n = tree.AddRoot("All songs");
  for (int i = 0; i < 200000; ++i) n = tree.AddChild(n, "d");
  SongNode* leaf = tree.AddChild(n, "x.mp3");
  ToggleNode(leaf);
  EXPECT_EQ(tree.root()->state, kChecked);
  ToggleNode(tree.root());
  EXPECT_EQ(leaf->checked, 0);
  SetSubtreeState(tree.root(), kChecked);
  leaf->checked = 0;
  RecomputeCheckStates(tree);
  EXPECT_EQ(tree.root()->state, kUnchecked);
  test::TempDir dir;
  leaf->checked = 1;
  SaveCheckStates(tree, 'e', dir.Path("songs.dat"));
  EXPECT_EQ(test::ReadNative(dir.Path("songs.dat")).size(), 3 + 200000 * 2 + 5 + 2);
  tree.Clear();
  EXPECT_TRUE(tree.empty());
}

}  // namespace
}  // namespace plondex
