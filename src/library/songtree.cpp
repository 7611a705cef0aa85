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

void ForEachLeaf(const SongNode& node, const std::function<void(const SongNode&)>& visit) {
  // Children are pushed last to first, so the first child comes off the stack first.
  std::vector<const SongNode*> pending{&node};
  while (!pending.empty()) {
    const SongNode* n = pending.back();
    pending.pop_back();
    if (!n->HasChildren()) {
      visit(*n);
      continue;
    }
    for (auto it = n->children.rbegin(); it != n->children.rend(); ++it) {
      pending.push_back(it->get());
    }
  }
}

}  // namespace plondex
