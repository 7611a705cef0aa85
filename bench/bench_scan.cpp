// The drive scan with the check list restored, against a bare walk of the same folders; and a
// click on "All songs" on that tree.
//
// The player: 100 artist folders of 10 album folders of 10 songs: 10,000 songs in 1,000 album
// folders, every song name different. songs.dat is written by the program in tree order, as at
// a close, and holds 10,000 lines: every song; or the songs of every other album, each line
// followed by one of 5,000 songs that are gone; or every other song of each album, each line
// followed by a song that is gone (the hardest case for the look-up: every folder holds songs
// both listed and not).

#include <benchmark/benchmark.h>
#include <dirent.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "library/checkstates.h"
#include "library/scan.h"
#include "library/textlines.h"
#include "platform/drives.h"
#include "platform/files.h"
#include "platform/player_files.h"
#include "support/temp_dir.h"

namespace {

using plondex::SongTree;

struct Player {
  plondex::test::TempDir dir;
  plondex::FolderDrives drives;
  plondex::PlayerFiles files{drives};
  std::string root;
  std::string every_song;
  std::string half_the_albums;
  std::string every_other_song;

  Player() {
    root = dir.MakeFolder("player");
    const std::string source = dir.Write("source.mp3", "");
    for (int a = 0; a < 100; ++a) {
      const std::string artist = "Artist " + std::to_string(a);
      for (int b = 0; b < 10; ++b) {
        const std::string album = artist + "/Album " + std::to_string(b) + " of " + artist;
        dir.MakeFolder("player/" + album);
        for (int s = 0; s < 10; ++s) {
          const std::string song = std::to_string(s + 1) + " - Song number " +
                                   std::to_string(a * 100 + b * 10 + s) + " by " + artist + ".mp3";
          // Hard links: the same directory entries as real files, made far faster.
          const std::string native = root + "/" + album + "/" + song;
          if (::link(source.c_str(), native.c_str()) != 0) std::perror("link");
        }
      }
    }
    drives.Add('e', root, "IHP", "1234-ABCD");

    SongTree tree;
    plondex::RebuildSongTree(tree, files, 'e', dir.Path("none.dat"), nullptr);
    every_song = Save(
        tree, [](const plondex::SongNode&) { return true; }, false);
    half_the_albums = Save(
        tree, [](const plondex::SongNode& song) { return song.parent->row % 2 == 0; }, true);
    every_other_song = Save(
        tree, [](const plondex::SongNode& song) { return song.row % 2 == 0; }, true);
  }

  // songs.dat as a close writes it with the chosen songs checked, and a line of a song that is
  // gone after each line when asked.
  template <typename Choose>
  std::string Save(SongTree& tree, Choose choose, bool with_gone) {
    std::vector<plondex::SongNode*> pending{tree.root()};
    while (!pending.empty()) {
      plondex::SongNode* n = pending.back();
      pending.pop_back();
      n->checked = !n->HasChildren() && choose(*n);
      for (const auto& c : n->children) pending.push_back(c.get());
    }
    const std::string path = dir.Path("songs" + std::to_string(files_++) + ".dat");
    plondex::SaveCheckStates(tree, 'e', path);
    std::vector<std::string> lines = plondex::SplitTextLines(plondex::test::ReadNative(path));
    if (with_gone) {
      std::vector<std::string> mixed;
      for (size_t i = 0; i < lines.size(); ++i) {
        mixed.push_back(lines[i]);
        mixed.push_back("e:\\Gone\\Artist " + std::to_string(i % 100) + "\\Song " +
                        std::to_string(i) + ".mp3");
      }
      lines = std::move(mixed);
    }
    dir.Write("songs" + std::to_string(files_) + ".dat", plondex::JoinTextLines(lines));
    return dir.Path("songs" + std::to_string(files_++) + ".dat");
  }
  int files_ = 0;
};

Player& ThePlayer() {
  static Player player;
  return player;
}

// What any program must do at the least to see the same folders.
size_t BareWalk(const std::string& folder) {
  size_t entries = 0;
  std::vector<std::string> pending{folder};
  while (!pending.empty()) {
    const std::string path = std::move(pending.back());
    pending.pop_back();
    DIR* dir = ::opendir(path.c_str());
    if (!dir) continue;
    while (dirent* e = ::readdir(dir)) {
      const std::string_view name = e->d_name;
      if (name == "." || name == "..") continue;
      ++entries;
      if (e->d_type == DT_DIR) pending.push_back(path + "/" + e->d_name);
    }
    ::closedir(dir);
  }
  return entries;
}

void BM_BareWalk(benchmark::State& state) {
  Player& player = ThePlayer();
  for (auto _ : state) benchmark::DoNotOptimize(BareWalk(player.root));
}
BENCHMARK(BM_BareWalk)->Unit(benchmark::kMillisecond);

// Rebuild plus the full recompute that follows it, as a refresh runs them.
void Rescan(benchmark::State& state, const std::string& songs_dat) {
  SongTree tree;
  size_t checked = 0;
  for (auto _ : state) {
    plondex::RebuildSongTree(tree, ThePlayer().files, 'e', songs_dat, nullptr);
    plondex::RecomputeCheckStates(tree);
    benchmark::DoNotOptimize(tree.root()->state);
  }
  std::vector<const plondex::SongNode*> pending{tree.root()};
  while (!pending.empty()) {
    const plondex::SongNode* n = pending.back();
    pending.pop_back();
    checked += n->checked;
    for (const auto& c : n->children) pending.push_back(c.get());
  }
  state.counters["nodes"] = static_cast<double>(tree.node_count());
  state.counters["checked"] = static_cast<double>(checked);
}

void BM_ScanWithoutCheckList(benchmark::State& state) {
  Rescan(state, ThePlayer().dir.Path("none.dat"));
}
BENCHMARK(BM_ScanWithoutCheckList)->Unit(benchmark::kMillisecond);

void BM_ScanRestoringEverySong(benchmark::State& state) { Rescan(state, ThePlayer().every_song); }
BENCHMARK(BM_ScanRestoringEverySong)->Unit(benchmark::kMillisecond);

void BM_ScanRestoringHalfTheAlbums(benchmark::State& state) {
  Rescan(state, ThePlayer().half_the_albums);
}
BENCHMARK(BM_ScanRestoringHalfTheAlbums)->Unit(benchmark::kMillisecond);

void BM_ScanRestoringEveryOtherSong(benchmark::State& state) {
  Rescan(state, ThePlayer().every_other_song);
}
BENCHMARK(BM_ScanRestoringEveryOtherSong)->Unit(benchmark::kMillisecond);

SongTree& ScannedTree() {
  static SongTree tree = [] {
    SongTree t;
    plondex::RebuildSongTree(t, ThePlayer().files, 'e', ThePlayer().every_other_song, nullptr);
    plondex::RecomputeCheckStates(t);
    return t;
  }();
  return tree;
}

// A click on the root's icon: everything checked, the next click everything unchecked.
void BM_ToggleAllSongs(benchmark::State& state) {
  SongTree& tree = ScannedTree();
  for (auto _ : state) {
    plondex::ToggleNode(tree.root());
    benchmark::DoNotOptimize(tree.root()->state);
  }
}
BENCHMARK(BM_ToggleAllSongs)->Unit(benchmark::kMillisecond);

void BM_ToggleAllSongsAndRecompute(benchmark::State& state) {
  SongTree& tree = ScannedTree();
  for (auto _ : state) {
    plondex::ToggleNode(tree.root());
    plondex::RecomputeCheckStates(tree);
    benchmark::DoNotOptimize(tree.root()->state);
  }
}
BENCHMARK(BM_ToggleAllSongsAndRecompute)->Unit(benchmark::kMillisecond);

void BM_SaveCheckStates(benchmark::State& state) {
  SongTree& tree = ScannedTree();
  plondex::SetSubtreeState(tree.root(), plondex::CheckState::kChecked);
  const std::string path = ThePlayer().dir.Path("saved.dat");
  for (auto _ : state) plondex::SaveCheckStates(tree, 'e', path);
}
BENCHMARK(BM_SaveCheckStates)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
