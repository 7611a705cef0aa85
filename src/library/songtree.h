#pragma once

// The song tree: the one copy of the player's songs. The root "All songs" is the only node at the
// top; folders and songs below it mirror the player's folders. The window shows it through a model.

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace plondex {

// What a node's check box shows. The values are those songs.dat's writers and the window's state
// images have always used.
enum class CheckState : uint8_t { kUnchecked = 1, kChecked = 2, kPartlyChecked = 3 };

struct SongNode {
  std::string text;  // 8-bit text: the file or folder name, or "All songs"
  // The name as the file system listed it in the scan; empty for the root and for a node that no
  // scan made.
  std::string native_name;
  // The scan listed a regular file here (not a link, a pipe or a device).
  bool regular_file = false;
  // The scan listed a folder here. A folder without songs is a leaf like a song, but no song.
  bool folder = false;
  CheckState state = CheckState::kUnchecked;
  uint8_t checked = 0;  // the checked flag: 1 when the user checked it or it was restored checked
  SongNode* parent = nullptr;
  int row = 0;  // index among the parent's children
  std::vector<std::unique_ptr<SongNode>> children;

  bool HasChildren() const { return !children.empty(); }
  int Level() const {
    int level = 0;
    for (const SongNode* p = parent; p; p = p->parent) ++level;
    return level;
  }
};

class SongTree {
 public:
  SongTree() = default;
  ~SongTree() { Clear(); }
  SongTree(const SongTree&) = delete;
  SongTree& operator=(const SongTree&) = delete;
  SongTree(SongTree&& other) noexcept
      : root_(std::move(other.root_)),
        node_count_(std::exchange(other.node_count_, 0)),
        scan_root_(std::move(other.scan_root_)) {}
  SongTree& operator=(SongTree&& other) noexcept {
    if (this != &other) {
      Clear();
      root_ = std::move(other.root_);
      node_count_ = std::exchange(other.node_count_, 0);
      scan_root_ = std::move(other.scan_root_);
    }
    return *this;
  }

  // The root, or nullptr while the tree holds no nodes.
  SongNode* root() const { return root_.get(); }
  bool empty() const { return !root_; }
  // Number of nodes at all levels, the root included.
  size_t node_count() const { return node_count_; }
  // The native folder the tree was scanned from (no trailing '/'); empty when no scan filled it.
  const std::string& scan_root() const { return scan_root_; }
  void set_scan_root(std::string root) { scan_root_ = std::move(root); }

  // Releases every node. Nodes are taken apart one by one, so a deep tree never meets the depth
  // of the call stack.
  void Clear();
  // Starts the tree afresh with a root of this text.
  SongNode* AddRoot(std::string text) {
    Clear();
    scan_root_.clear();
    root_ = std::make_unique<SongNode>();
    root_->text = std::move(text);
    node_count_ = 1;
    return root_.get();
  }
  SongNode* AddChild(SongNode* parent, std::string text) {
    auto node = std::make_unique<SongNode>();
    node->text = std::move(text);
    node->parent = parent;
    node->row = static_cast<int>(parent->children.size());
    parent->children.push_back(std::move(node));
    ++node_count_;
    return parent->children.back().get();
  }

 private:
  std::unique_ptr<SongNode> root_;
  size_t node_count_ = 0;
  std::string scan_root_;
};

// Calls visit for every node without children at or below node, in tree order (pre-order), without
// recursion, so deep folders cost no stack. Node is SongNode or const SongNode.
template <typename Node, typename Visit>
void ForEachLeaf(Node& node, Visit visit) {
  // Children are pushed last to first, so the first child comes off the stack first.
  std::vector<Node*> pending{&node};
  while (!pending.empty()) {
    Node* n = pending.back();
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
