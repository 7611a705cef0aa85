#include "library/scan.h"

#include <algorithm>
#include <exception>
#include <optional>
#include <utility>
#include <vector>

#include "platform/collation.h"
#include "platform/drives.h"
#include "platform/files.h"

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

bool IsSongFileName(std::string_view name) {
  const size_t dot = name.rfind('.');
  // Lower-casing keeps the length, so only four-byte extensions can match.
  if (dot == std::string_view::npos || name.size() - dot != 4) return false;
  std::string ext(name.substr(dot));
  if (std::all_of(ext.begin(), ext.end(), [](char c) { return c > 0 && c < 0x7F; })) {
    // Plain ASCII lower-cases the same in every locale, and far faster.
    for (char& c : ext) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  } else {
    ext = LowerText(ext);
  }
  return ext == ".mp3" || ext == ".ogg" || ext == ".wma";
}

void ScanFolder(SongTree& tree, const std::string& folder, SongNode* parent,
                const SavedCheckList& saved, const ScanCountFn& on_count) {
  std::vector<PendingFolder> stack;
  // Subfolders are listed by their native path: resolving a player path again for every folder
  // would cost a lookup per level, which adds up on deep trees.
  auto enter = [&stack](std::string path, std::string native, SongNode* node) {
    std::optional<std::vector<DirEntry>> entries = ListFolder(native);
    if (!entries || entries->empty()) return;
    stack.push_back(PendingFolder{std::move(path), std::move(native), node, std::move(*entries)});
  };
  std::optional<std::string> top = NativePath(folder);
  if (!top) return;
  while (!top->empty() && top->back() == '/') top->pop_back();
  std::optional<std::vector<DirEntry>> top_entries = ListFolder(folder);
  if (!top_entries || top_entries->empty()) return;
  stack.push_back(PendingFolder{folder, std::move(*top), parent, std::move(*top_entries)});
  std::string song_path;  // reused: one allocation for all songs
  while (!stack.empty()) {
    PendingFolder& current = stack.back();
    if (current.next == current.entries.size()) {
      stack.pop_back();
      continue;
    }
    DirEntry& entry = current.entries[current.next++];
    try {
      if (!entry.is_folder) {
        if (!IsSongFileName(entry.name)) continue;
        // The check is settled before the node exists, so no failure later on can leave a
        // listed song unchecked.
        bool listed = false;
        if (!saved.empty()) {
          song_path.assign(current.path).append(entry.name);
          listed = saved.Contains(song_path);
        }
        SongNode* node = tree.AddChild(current.node, std::move(entry.name));
        node->state = listed ? kChecked : kUnchecked;
        node->checked = listed ? 1 : 0;
        if (on_count && tree.node_count() % 10 == 0) on_count(tree.node_count());
      } else {
        if (entry.name == "." || entry.name == ".." || entry.name == "Recycled") continue;
        std::string path = current.path + entry.name + '\\';
        std::string native = current.native + '/' + entry.native_name;
        SongNode* node = tree.AddChild(current.node, std::move(entry.name));
        // May move the stack: `current` is not used after this.
        enter(std::move(path), std::move(native), node);
      }
    } catch (const std::exception&) {
      // One entry that fails costs only that entry.
    }
  }
}

void RebuildSongTree(SongTree& tree, char drive_letter, const std::string& songs_dat_path,
                     const ScanCountFn& on_count) {
  const SavedCheckList saved = SavedCheckList::Load(songs_dat_path);
  tree.Clear();
  SongNode* root = tree.AddRoot(kRootText);
  // Without a drive letter the path would be taken as a folder of the working directory.
  if (!NormalizeDriveLetter(drive_letter)) return;
  ScanFolder(tree, std::string{drive_letter, ':', '\\'}, root, saved, on_count);
}

std::string NodePath(const SongNode& node, char drive_letter) {
  std::vector<const SongNode*> chain;
  size_t length = 3;
  for (const SongNode* n = &node; n->parent; n = n->parent) {
    chain.push_back(n);
    length += n->text.size() + 1;
  }
  std::string path{drive_letter, ':', '\\'};
  path.reserve(length);
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    if (it != chain.rbegin()) path += '\\';
    path += (*it)->text;
  }
  return path;
}

}  // namespace plondex
