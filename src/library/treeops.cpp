#include "library/treeops.h"

#include <algorithm>
#include <vector>

#include "platform/collation.h"

namespace plondex {

void SortSongTree(SongTree& tree) {
  if (!tree.root()) return;
  std::vector<SongNode*> pending{tree.root()};
  while (!pending.empty()) {
    SongNode* node = pending.back();
    pending.pop_back();
    auto& children = node->children;
    std::stable_sort(children.begin(), children.end(), [](const auto& a, const auto& b) {
      return CompareText(a->text, b->text) < 0;
    });
    for (size_t i = 0; i < children.size(); ++i) {
      children[i]->row = static_cast<int>(i);
      if (children[i]->HasChildren()) pending.push_back(children[i].get());
    }
  }
}

}  // namespace plondex
