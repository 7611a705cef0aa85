#include "library/checkstates.h"

#include <utility>
#include <vector>

#include "library/checklist.h"
#include "library/scan.h"
#include "library/textlines.h"
#include "platform/files.h"

namespace plondex {
namespace {

CheckState StateFromChildren(const SongNode& node) {
  size_t unchecked = 0;
  size_t checked = 0;
  for (const auto& child : node.children) {
    if (child->state == CheckState::kUnchecked) ++unchecked;
    if (child->state == CheckState::kChecked) ++checked;
  }
  if (unchecked == node.children.size()) return CheckState::kUnchecked;
  if (checked == node.children.size()) return CheckState::kChecked;
  return CheckState::kPartlyChecked;
}

CheckState LeafState(bool checked) {
  return checked ? CheckState::kChecked : CheckState::kUnchecked;
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
      node->state = LeafState(node->checked == 1);
    }
    stack.pop_back();
  }
}

void RecomputeAncestorStates(SongNode* node) {
  if (!node) return;
  for (SongNode* ancestor = node->parent; ancestor; ancestor = ancestor->parent) {
    ancestor->state = StateFromChildren(*ancestor);
  }
}

void SetSubtreeState(SongNode* node, CheckState state) {
  if (!node) return;
  const uint8_t flag = state == CheckState::kUnchecked ? 0 : 1;
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
    SetSubtreeState(node, LeafState(node->state != CheckState::kChecked));
  } else {
    node->checked = node->checked != 0 ? 0 : 1;
    node->state = LeafState(node->checked == 1);
  }
  RecomputeAncestorStates(node);
}

void SaveCheckStates(const SongTree& tree, char drive_letter, const std::string& path) {
  const SongNode* root = tree.root();
  if (!root) return;
  std::vector<std::string> lines;
  ForEachLeaf(*root, [&](const SongNode& leaf) {
    if (&leaf != root && leaf.checked == 1) lines.push_back(NodePath(leaf, drive_letter).text());
  });
  WriteWholeFile(FileLocation(path), JoinTextLines(lines));
}

int CheckNamedSongs(SongTree& tree, std::vector<std::string> player_paths, char drive_letter) {
  if (!tree.root()) return 0;
  const SavedCheckList named(std::move(player_paths));
  int found = 0;
  ForEachLeaf(*tree.root(), [&](SongNode& leaf) {
    if (!IsSongNode(leaf) || !named.Contains(NodePath(leaf, drive_letter).text())) return;
    leaf.checked = 1;
    ++found;
  });
  RecomputeCheckStates(tree);
  return found;
}

}  // namespace plondex
