#pragma once

// The two playlist lists of the window and the commands on them. The playlist list holds the
// ".m3u" names of the playlist folder; the content list holds the entries of the selected one.
// Every command that changes the contents writes the file back at once, except
// RemoveSelectedSongs. Failures are thrown as plondex::Error for the caller's error box.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/prompter.h"
#include "playlists/playlist_content.h"
#include "playlists/playlist_folder.h"

namespace plondex {

class Playlists {
 public:
  using ContextSource = std::function<PlaylistContext()>;
  using SeedSource = std::function<uint32_t()>;

  // The playlists are reached through files, which must outlive this object.
  Playlists(Prompter* prompter, const PlayerFiles* files, ContextSource context);

  // The generator's seed for each Random command; CounterSeed unless a test fixes it.
  void SetSeedSource(SeedSource seed_source) { seed_source_ = std::move(seed_source); }

  PlaylistContext context() const { return context_(); }

  // The playlist list.
  const std::vector<std::string>& names() const { return names_; }
  int selected_index() const { return selected_; }
  // Out-of-range indexes select nothing.
  void SelectPlaylist(int index);
  // The selected name; Error "List index out of bounds (-1)" when none is selected.
  std::string SelectedName() const;
  PlayerPath SelectedPlaylistPath() const;

  // The content list.
  PlaylistContent& content() { return content_; }
  const PlaylistContent& content() const { return content_; }

  // Fills the playlist list from the playlist folder, creating the folder when it is missing.
  // Nothing is selected afterwards.
  void ListPlaylists();
  // Loads the selected playlist, or empties the content list when none is selected.
  void ShowSelectedPlaylist();
  // Replaces the content list with the file's lines; on failure the list stays as it was.
  void LoadPlaylist(const PlayerPath& path);
  // Writes the content list to the file, unless nowrite is set.
  void SavePlaylist(const PlayerPath& path);
  void SaveSelectedPlaylist() { SavePlaylist(SelectedPlaylistPath()); }

  // The commands.
  void New();
  void Delete();
  void Sort();
  void Clear();
  void RemoveSelectedSongs();
  void Random();

 private:
  Prompter* prompter_;
  const PlayerFiles* files_;
  ContextSource context_;
  SeedSource seed_source_;
  std::vector<std::string> names_;
  int selected_ = -1;
  PlaylistContent content_;
};

}  // namespace plondex
