#include "library/checkstates.h"

#include <utility>
#include <vector>

#include "library/scan.h"
#include "library/textlines.h"
#include "platform/files.h"

namespace plondex {
namespace {

uint8_t StateFromChildren(const SongNode& node) {
  size_t unchecked = 0;
  size_t checked = 0;
  for (const auto& child : node.children) {
    if (child->state == kUnchecked) ++unchecked;
    if (child->state == kChecked) ++checked;
  }
  if (unchecked == node.children.size()) return kUnchecked;
  if (checked == node.children.size()) return kChecked;
  return kPartlyChecked;
}

}  // namespace

void RecomputeCheckStates(SongTree& tree) {
  SongNode* root = tree.root();
  if (!root) return;
  // Post-order without recursion: a node is settled once all of its children are.
  std::vector<std::pair<SongNode*, size_t>> stack;
  stack.emplace_back(root, 0);
  while (!stack.empty()) {
    auto& [node, next] = stack.back();
    if (next < node->children.size()) {
      SongNode* child = node->children[next++].get();
      stack.emplace_back(child, 0);
      continue;
    }
    if (node->HasChildren()) {
      node->state = StateFromChildren(*node);
    } else {
      node->state = node->checked == 1 ? kChecked : kUnchecked;
    }
    stack.pop_back();
  }
}

void RecomputeCheckStates(SongNode* node) {
  if (!node) return;
  for (SongNode* ancestor = node->parent; ancestor; ancestor = ancestor->parent) {
    ancestor->state = StateFromChildren(*ancestor);
  }
}

void SetSubtreeState(SongNode* node, uint8_t state) {
  if (!node) return;
  const uint8_t flag = state == kUnchecked ? 0 : 1;
  std::vector<SongNode*> pending{node};
  while (!pending.empty()) {
    SongNode* n = pending.back();
    pending.pop_back();
    n->state = state;
    n->checked = flag;
    for (const auto& child : n->children) pending.push_back(child.get());
  }
}

void ToggleNode(SongNode* node) {
  if (!node) return;
  if (node->HasChildren()) {
    SetSubtreeState(node, node->state == kChecked ? kUnchecked : kChecked);
  } else if (node->checked != 0) {
    node->checked = 0;
    node->state = kUnchecked;
  } else {
    node->checked = 1;
    node->state = kChecked;
  }
  RecomputeCheckStates(node);
}

void SaveCheckStates(const SongTree& tree, char drive_letter, const std::string& path) {
  const SongNode* root = tree.root();
  if (!root) return;
  std::vector<std::string> lines;
  // Pre-order: children are pushed last to first so the first child comes off the stack first.
  std::vector<const SongNode*> pending{root};
  while (!pending.empty()) {
    const SongNode* n = pending.back();
    pending.pop_back();
    if (!n->HasChildren()) {
      if (n != root && n->checked == 1) lines.push_back(NodePath(*n, drive_letter));
      continue;
    }
    for (auto it = n->children.rbegin(); it != n->children.rend(); ++it) {
      pending.push_back(it->get());
    }
  }
  WriteWholeFile(path, JoinTextLines(lines));
}

}  // namespace plondex
