#include "library/songtree.h"

namespace plondex {

void SongTree::Clear() {
  std::vector<std::unique_ptr<SongNode>> pending;
  if (root_) pending.push_back(std::move(root_));
  while (!pending.empty()) {
    std::unique_ptr<SongNode> node = std::move(pending.back());
    pending.pop_back();
    for (auto& child : node->children) pending.push_back(std::move(child));
  }
  node_count_ = 0;
}

}  // namespace plondex
