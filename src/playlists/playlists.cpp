#include "playlists/playlists.h"

#include <algorithm>
#include <numeric>
#include <utility>

#include "library/textlines.h"
#include "platform/collation.h"
#include "platform/error.h"
#include "platform/files.h"
#include "playlists/playlist_shuffle.h"

namespace plondex {
namespace {

std::string Quoted(const std::string& name) { return "\"" + name + "\""; }

}  // namespace

Playlists::Playlists(Prompter* prompter, const PlayerFiles* files, ContextSource context)
    : prompter_(prompter), files_(files), context_(std::move(context)), seed_source_(CounterSeed) {}

void Playlists::SelectPlaylist(int index) {
  selected_ = index >= 0 && index < static_cast<int>(names_.size()) ? index : -1;
}

std::string Playlists::SelectedName() const {
  if (selected_ < 0 || selected_ >= static_cast<int>(names_.size())) {
    throw Error("List index out of bounds (" + std::to_string(selected_) + ")");
  }
  return names_[selected_];
}

PlayerPath Playlists::SelectedPlaylistPath() const {
  return PlaylistFilePath(context_(), SelectedName());
}

void Playlists::ListPlaylists() {
  const PlaylistContext context = context_();
  names_.clear();
  selected_ = -1;
  if (!HasPlayerDrive(context)) return;
  const PlayerPath folder = PlaylistFolderPath(context);
  if (!FolderExists(files_->Locate(folder))) {
    // A folder that cannot be created shows up as an empty playlist list.
    try {
      files_->CreateFolderPath(folder);
    } catch (const Error&) {
    }
  }
  const auto entries = ListFolder(files_->Locate(folder));
  if (!entries) return;
  for (const DirEntry& entry : *entries) {
    if (!entry.is_folder && IsPlaylistFileName(entry.name)) names_.push_back(entry.name);
  }
}

void Playlists::ShowSelectedPlaylist() {
  if (selected_ < 0) {
    content_.Clear();
    return;
  }
  LoadPlaylist(SelectedPlaylistPath());
}

void Playlists::LoadPlaylist(const PlayerPath& path) {
  content_.Assign(SplitTextLines(ReadWholeFile(files_->Locate(path))));
}

void Playlists::SavePlaylist(const PlayerPath& path) {
  if (context_().nowrite) return;
  WriteWholeFile(files_->Locate(path), JoinTextLines(content_.Texts()));
}

void Playlists::New() {
  const std::optional<std::string> typed =
      prompter_->InputBox("New Playlist", "Please enter the name of the palylist:", 255);
  if (!typed) return;
  if (!IsValidPlaylistName(*typed)) {
    prompter_->Information("Invalid playlist name: " + *typed);
    return;
  }
  const std::string name = *typed + ".m3u";

  // A playlist of that name is shown, never replaced by an empty one.
  const std::string lower = LowerText(name);
  for (size_t i = 0; i < names_.size(); ++i) {
    if (LowerText(names_[i]) == lower) {
      SelectPlaylist(static_cast<int>(i));
      ShowSelectedPlaylist();
      return;
    }
  }
  const PlaylistContext context = context_();
  const PlayerPath path = PlaylistFilePath(context, name);
  const bool exists = FileExists(files_->Locate(path));

  names_.push_back(name);
  SelectPlaylist(static_cast<int>(names_.size()) - 1);
  if (!exists) {
    content_.Clear();
    SavePlaylist(path);
  }
  ShowSelectedPlaylist();
}

void Playlists::Delete() {
  const std::string name = SelectedName();
  if (!prompter_->Confirm("Are you sure to DELETE the playlist " + Quoted(name) + " ?")) return;
  // Deleted also under nowrite; a failure is not reported.
  RemoveFile(files_->Locate(PlaylistFilePath(context_(), name)));
  names_.erase(names_.begin() + selected_);
  if (names_.empty()) {
    selected_ = -1;
    content_.Clear();
    return;
  }
  selected_ = 0;
  ShowSelectedPlaylist();
}

void Playlists::Sort() {
  const std::string name = SelectedName();
  if (!prompter_->Confirm("Are you sure to SORT the playlist " + Quoted(name) +
                          " alphabetically?")) {
    return;
  }
  std::vector<std::string> texts = content_.Texts();
  // One sort key per entry instead of a collation per comparison.
  std::vector<std::string> keys;
  keys.reserve(texts.size());
  for (const std::string& t : texts) keys.push_back(SortKeyNoCase(t));
  std::vector<size_t> order(texts.size());
  std::iota(order.begin(), order.end(), size_t{0});
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t a, size_t b) { return keys[a] < keys[b]; });
  std::vector<std::string> sorted;
  sorted.reserve(texts.size());
  for (size_t i : order) sorted.push_back(std::move(texts[i]));
  content_.Assign(std::move(sorted));
  SavePlaylist(PlaylistFilePath(context_(), name));
}

void Playlists::Clear() {
  const std::string name = SelectedName();
  if (!prompter_->Confirm("Are you sure to CLEAR the playlist " + Quoted(name) + " ?")) return;
  content_.Clear();
  SavePlaylist(PlaylistFilePath(context_(), name));
}

void Playlists::RemoveSelectedSongs() {
  const int count = content_.SelectedCount();
  if (count == 0) return;
  if (count >= 2 && !prompter_->Confirm("Are you sure to remove the selected " +
                                        std::to_string(count) + " songs from the playlist?")) {
    return;
  }
  for (int i = content_.size() - 1; i >= 0; --i) {
    if (content_.selected(i)) content_.Erase(i);
  }
}

void Playlists::Random() {
  // Seeded before anything else, so that even "No" moves the generator on.
  RandomGenerator generator(seed_source_());
  const std::string name = SelectedName();
  if (!prompter_->Confirm("Are you sure to RANDOMIZE the playlist " + Quoted(name) + "?")) return;
  content_.Assign(ShuffleEntries(content_.Texts(), generator));
  SavePlaylist(PlaylistFilePath(context_(), name));
}

}  // namespace plondex
