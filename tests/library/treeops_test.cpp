#include "library/treeops.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace plondex {
namespace {

std::vector<std::string> Texts(const SongNode* n) {
  std::vector<std::string> texts;
  for (const auto& c : n->children) texts.push_back(c->text);
  return texts;
}

void ExpectRowsAndParents(const SongNode* n) {
  std::vector<const SongNode*> pending{n};
  while (!pending.empty()) {
    const SongNode* p = pending.back();
    pending.pop_back();
    for (size_t i = 0; i < p->children.size(); ++i) {
      EXPECT_EQ(p->children[i]->row, static_cast<int>(i));
      EXPECT_EQ(p->children[i]->parent, p);
      pending.push_back(p->children[i].get());
    }
  }
}

TEST(SortSongTree, SortsEveryLevelInLinguisticOrderWithCase) {
  SongTree tree;
  SongNode* root = tree.AddRoot("All songs");
  SongNode* b = tree.AddChild(root, "b");
  tree.AddChild(root, "B.mp3");
  SongNode* a_upper = tree.AddChild(root, "A");
  tree.AddChild(root, "a.mp3");
  tree.AddChild(root, "\xE4.mp3");  // "ä.mp3"
  tree.AddChild(b, "zeta.ogg");
  SongNode* inner = tree.AddChild(b, "Alpha");
  tree.AddChild(b, "10.mp3");
  tree.AddChild(b, "9.mp3");
  tree.AddChild(inner, "y.mp3");
  tree.AddChild(inner, "X.mp3");
  tree.AddChild(a_upper, "only.mp3");
  SortSongTree(tree);
  // Folders and songs are not separated; letters compare before case, "ä" after "a".
  EXPECT_EQ(Texts(root), (std::vector<std::string>{"A", "a.mp3", "\xE4.mp3", "b", "B.mp3"}));
  EXPECT_EQ(Texts(b), (std::vector<std::string>{"10.mp3", "9.mp3", "Alpha", "zeta.ogg"}));
  EXPECT_EQ(Texts(inner), (std::vector<std::string>{"X.mp3", "y.mp3"}));
  ExpectRowsAndParents(root);
  // The nodes themselves moved, not copies.
  EXPECT_EQ(root->children[3].get(), b);
  EXPECT_EQ(b->children[2].get(), inner);
}

TEST(SortSongTree, CaseDecidesOnlyBetweenOtherwiseEqualTexts) {
  SongTree tree;
  SongNode* root = tree.AddRoot("All songs");
  for (const char* t : {"ab", "Ab", "aB", "AB", "aa"}) tree.AddChild(root, t);
  SortSongTree(tree);
  const std::vector<std::string> got = Texts(root);
  EXPECT_EQ(got.front(), "aa");
  // Sorting again changes nothing.
  SortSongTree(tree);
  EXPECT_EQ(Texts(root), got);
  ExpectRowsAndParents(root);
}

TEST(SortSongTree, HandlesEmptyAndDeepTrees) {
  SongTree empty;
  SortSongTree(empty);
  SongTree tree;
  SongNode* n = tree.AddRoot("All songs");
  for (int i = 0; i < 100000; ++i) {
    tree.AddChild(n, "z.mp3");
    n = tree.AddChild(n, "d");
  }
  SortSongTree(tree);
  EXPECT_EQ(tree.root()->children[0]->text, "d");
  EXPECT_EQ(tree.root()->children[0]->children[0]->text, "d");
  EXPECT_EQ(tree.root()->children[1]->row, 1);
}

}  // namespace
}  // namespace plondex
