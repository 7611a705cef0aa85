#include "library/scan.h"

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

#include "library/checklist.h"
#include "platform/error.h"
#include "platform/files.h"
#include "tags/songformat.h"

namespace plondex {
namespace {

constexpr char kRootText[] = "All songs";

// One folder being searched. The search keeps its own stack so that the depth of the drive's
// folders never meets the depth of the call stack.
struct PendingFolder {
  std::string path;    // player path, ends with '\'
  std::string native;  // where it is on this system, no trailing '/'
  SongNode* node;
  std::vector<DirEntry> entries;
  size_t next = 0;
};

}  // namespace

bool IsSongFileName(std::string_view name) { return SongFormatOf(name) != SongFormat::kNone; }

bool IsSongNode(const SongNode& node) {
  return node.parent && !node.folder && !node.HasChildren() && IsSongFileName(node.text);
}

namespace {

// Which songs a scan brings back checked: a song the tree on screen holds keeps the check it shows
// there; any other song is checked when songs.dat names it.
class RestoredChecks {
 public:
  RestoredChecks(SavedCheckList saved, const SongTree* shown, char drive_letter)
      : saved_(std::move(saved)) {
    if (!shown || !shown->root()) return;
    std::vector<std::string> all;
    std::vector<std::string> checked;
    ForEachLeaf(*shown->root(), [&](const SongNode& leaf) {
      if (!IsSongNode(leaf)) return;
      std::string path = NodePath(leaf, drive_letter).text();
      if (leaf.checked) checked.push_back(path);
      all.push_back(std::move(path));
    });
    shown_ = SavedCheckList(std::move(all));
    shown_checked_ = SavedCheckList(std::move(checked));
  }

  bool empty() const { return saved_.empty() && shown_.empty(); }
  bool Checked(std::string_view path) const {
    if (!shown_.empty() && shown_.Contains(path)) return shown_checked_.Contains(path);
    return saved_.Contains(path);
  }

 private:
  SavedCheckList saved_;
  SavedCheckList shown_;
  SavedCheckList shown_checked_;
};

// Adds everything below one folder under parent, in the file system's order. An entry that fails
// is left out and the search goes on. False when cancelled stopped it.
bool ScanFolder(SongTree& tree, std::string folder, std::string native, SongNode* parent,
                const RestoredChecks& checks, const ScanCountFn& on_count,
                const ScanCancelFn& cancelled) {
  std::vector<PendingFolder> stack;
  // Every folder is listed by its native path, found from its parent's: no name is looked up.
  auto enter = [&stack](std::string path, std::string native, SongNode* node) {
    std::optional<std::vector<DirEntry>> entries = ListFolder(FileLocation(native));
    if (!entries || entries->empty()) return;
    stack.push_back(PendingFolder{std::move(path), std::move(native), node, std::move(*entries)});
  };
  enter(std::move(folder), std::move(native), parent);
  std::string song_path;  // reused: one allocation for all songs
  while (!stack.empty()) {
    if (cancelled && cancelled()) return false;
    PendingFolder& current = stack.back();
    if (current.next == current.entries.size()) {
      stack.pop_back();
      continue;
    }
    DirEntry& entry = current.entries[current.next++];
    if (!entry.is_folder) {
      if (!IsSongFileName(entry.name)) continue;
      // The check is settled before the node exists, so no failure later on can leave a listed
      // song unchecked.
      bool listed = false;
      if (!checks.empty()) {
        song_path.assign(current.path).append(entry.name);
        listed = checks.Checked(song_path);
      }
      SongNode* node = tree.AddChild(current.node, std::move(entry.name));
      node->native_name = std::move(entry.native_name);
      node->regular_file = entry.is_regular_file;
      node->state = listed ? CheckState::kChecked : CheckState::kUnchecked;
      node->checked = listed ? 1 : 0;
      if (on_count && tree.node_count() % 10 == 0) on_count(tree.node_count());
    } else {
      if (entry.name == "." || entry.name == ".." || entry.name == "Recycled") continue;
      std::string path = current.path + entry.name + '\\';
      std::string native = JoinNative(current.native, entry.native_name);
      SongNode* node = tree.AddChild(current.node, std::move(entry.name));
      node->native_name = std::move(entry.native_name);
      node->folder = true;
      // May move the stack: `current` is not used after this.
      enter(std::move(path), std::move(native), node);
    }
  }
  return true;
}

}  // namespace

bool RebuildSongTree(SongTree& tree, const PlayerFiles& files, char drive_letter,
                     const std::string& songs_dat_path, const ScanCountFn& on_count,
                     const ScanCancelFn& cancelled, const SongTree* shown) {
  const RestoredChecks checks(SavedCheckList::Load(songs_dat_path), shown, drive_letter);
  SongTree fresh;
  SongNode* root = fresh.AddRoot(kRootText);
  // Without a drive letter the path would be taken as a folder of the working directory.
  std::optional<std::string> drive_root = files.DriveRoot(drive_letter);
  if (drive_root) {
    fresh.set_scan_root(*drive_root);
    if (!ScanFolder(fresh, std::string{drive_letter, ':', '\\'}, std::move(*drive_root), root,
                    checks, on_count, cancelled)) {
      return false;
    }
  }
  tree = std::move(fresh);
  return true;
}

namespace {

// The node and its ancestors below the root, from the top down.
std::vector<const SongNode*> ChainFromTop(const SongNode& node) {
  std::vector<const SongNode*> chain;
  for (const SongNode* n = &node; n->parent; n = n->parent) chain.push_back(n);
  std::reverse(chain.begin(), chain.end());
  return chain;
}

}  // namespace

void RequireSongListOfPlayer(const SongTree& tree, const PlayerFiles& files, char drive_letter) {
  if (!files.drives().DrivePresent(drive_letter)) throw Error(kNotConnectedMessage);
  const std::optional<std::string> root = files.DriveRoot(drive_letter);
  if (!root || tree.scan_root().empty() || tree.scan_root() != *root) {
    throw Error(kSongListNotFromPlayerMessage);
  }
}

std::optional<std::string> ScannedNativePath(const SongTree& tree, const SongNode& node,
                                             const std::string& drive_root) {
  if (tree.scan_root().empty() || tree.scan_root() != drive_root) return std::nullopt;
  const std::optional<std::string> relative = ScannedRelativePath(node);
  if (!relative) return std::nullopt;
  return relative->empty() ? drive_root : JoinNative(drive_root, *relative);
}

std::optional<std::string> ScannedRelativePath(const SongNode& node) {
  std::string path;
  for (const SongNode* n : ChainFromTop(node)) {
    if (n->native_name.empty()) return std::nullopt;
    if (!path.empty()) path += '/';
    path += n->native_name;
  }
  return path;
}

PlayerPath NodePath(const SongNode& node, char drive_letter) {
  // Built from the end, in one allocation: every song of a build and a save takes this way.
  size_t length = 3;
  for (const SongNode* n = &node; n->parent; n = n->parent) {
    length += n->text.size() + (n->parent->parent ? 1 : 0);
  }
  std::string path(length, '\\');
  path[0] = drive_letter;
  path[1] = ':';
  size_t end = length;
  for (const SongNode* n = &node; n->parent; n = n->parent) {
    end -= n->text.size();
    path.replace(end, n->text.size(), n->text);
    if (n->parent->parent) --end;  // the '\\' before it stays
  }
  return PlayerPath(std::move(path));
}

}  // namespace plondex
