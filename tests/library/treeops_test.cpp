#include "library/treeops.h"

#include <gtest/gtest.h>

namespace plondex {
namespace {

std::vector<std::string> Texts(const SongNode* n) {
  std::vector<std::string> texts;
  for (const auto& c : n->children) {
    EXPECT_EQ(c->row, static_cast<int>(texts.size()));
    EXPECT_EQ(c->parent, n);
    texts.push_back(c->text);
  }
  return texts;
}

TEST(SortSongTree, SortsEveryLevelInTheLocalesOrder) {
  SongTree tree;
  SongNode* root = tree.AddRoot("All songs");
  SongNode* b = tree.AddChild(root, "b");
  for (const char* t : {"B.mp3", "A", "a.mp3", "\xE4.mp3"}) tree.AddChild(root, t);
  SongNode* inner = tree.AddChild(b, "Alpha");
  for (const char* t : {"zeta.ogg", "10.mp3", "9.mp3"}) tree.AddChild(b, t);
  for (const char* t : {"y.mp3", "X.mp3"}) tree.AddChild(inner, t);
  SortSongTree(tree);
  // Folders and songs are not kept apart; letters count before accents, accents before case.
  EXPECT_EQ(Texts(root), (std::vector<std::string>{"A", "a.mp3", "\xE4.mp3", "b", "B.mp3"}));
  EXPECT_EQ(Texts(b), (std::vector<std::string>{"10.mp3", "9.mp3", "Alpha", "zeta.ogg"}));
  EXPECT_EQ(Texts(inner), (std::vector<std::string>{"X.mp3", "y.mp3"}));
  EXPECT_EQ(root->children[3].get(), b);  // the nodes move, they are not copied
}

}  // namespace
}  // namespace plondex
