// The database build on a large player (scan excluded): time per song and bytes read, against
// reading every song file whole, which is what a reader that does not seek would cost; and the
// build with the tag cache, first with an empty one, then with one that knows every song.

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "library/checkstates.h"
#include "library/scan.h"
#include "navdb/database_build.h"
#include "navdb/sqlite_tag_cache.h"
#include "platform/drives.h"
#include "platform/files.h"
#include "platform/player_files.h"
#include "support/bench_player.h"
#include "support/temp_dir.h"
#include "tags/id3v1.h"
#include "tags/id3v2.h"

namespace {

namespace fs = std::filesystem;
using namespace plondex;

class NullReporter : public BuildReporter {
 public:
  void ClearLog() override {}
  void LogLine(const std::string& line) override {
    ++lines;
    if (line.starts_with("Tag cache not used")) cache_failed = true;
  }
  void CounterRaised(BuildCounter, int) override {}
  size_t lines = 0;
  bool cache_failed = false;
};

size_t SongCount() {
  const char* n = std::getenv("PLONDEX_BENCH_SONGS");
  return n ? std::strtoul(n, nullptr, 10) : 9999;
}

struct Player {
  test::TempDir dir;
  test::BenchPlayerSummary summary;
  FolderDrives drives;
  PlayerFiles files{drives};
  SongTree tree;
  Player() {
    summary = test::MakeBenchPlayer(dir.Path("player"), SongCount());
    drives.Add('e', dir.Path("player"), "BENCH", "0000-0001");
    RebuildSongTree(tree, files, 'e', "", nullptr);
    SetSubtreeState(tree.root(), CheckState::kChecked);
    RecomputeCheckStates(tree);
  }
};

Player& ThePlayer() {
  static Player player;
  return player;
}

void BM_Build(benchmark::State& state) {
  Player& p = ThePlayer();
  BuildSettings settings;
  settings.drive_letter = 'e';
  settings.lists_folder = p.dir.path();
  TId3v1 idv1;
  TId3v2 idv2;
  NullReporter reporter;
  uint64_t bytes = 0;
  for (auto _ : state) {
    const uint64_t before = InputFile::TotalBytesRead();
    BuildDatabase(p.tree, p.files, settings, idv1, idv2, reporter);
    bytes = InputFile::TotalBytesRead() - before;
  }
  state.counters["songs"] = static_cast<double>(p.summary.songs);
  // Seconds per song, shown with an SI prefix (u for microseconds).
  state.counters["per_song"] = benchmark::Counter(
      static_cast<double>(p.summary.songs),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.counters["bytes_read"] = static_cast<double>(bytes);
  state.counters["player_bytes"] = static_cast<double>(p.summary.bytes);
}
BENCHMARK(BM_Build)->Unit(benchmark::kMillisecond)->UseRealTime();

// The database is not written in the cache benchmarks: what they measure is the songs' part, and
// bench/compare sets them against a peer that writes nothing.
BuildSettings CacheBenchSettings(const Player& p) {
  BuildSettings settings;
  settings.drive_letter = 'e';
  settings.nowrite = true;
  settings.lists_folder = p.dir.path();
  return settings;
}

void SetCounters(benchmark::State& state, const Player& p, uint64_t bytes) {
  state.counters["songs"] = static_cast<double>(p.summary.songs);
  state.counters["per_song"] = benchmark::Counter(
      static_cast<double>(p.summary.songs),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.counters["bytes_read"] = static_cast<double>(bytes);
}

// The same build without a cache, for the two below.
void BM_BuildWithoutCache(benchmark::State& state) {
  Player& p = ThePlayer();
  const BuildSettings settings = CacheBenchSettings(p);
  TId3v1 idv1;
  TId3v2 idv2;
  NullReporter reporter;
  uint64_t bytes = 0;
  for (auto _ : state) {
    const uint64_t before = InputFile::TotalBytesRead();
    BuildDatabase(p.tree, p.files, settings, idv1, idv2, reporter);
    bytes = InputFile::TotalBytesRead() - before;
  }
  SetCounters(state, p, bytes);
}
BENCHMARK(BM_BuildWithoutCache)->Unit(benchmark::kMillisecond)->UseRealTime();

// The first build: every song read, and all of them stored in a new cache file.
void BM_FirstBuildWithCache(benchmark::State& state) {
  Player& p = ThePlayer();
  const BuildSettings settings = CacheBenchSettings(p);
  const std::string file = p.dir.Path("first.sqlite");
  TId3v1 idv1;
  TId3v2 idv2;
  NullReporter reporter;
  uint64_t bytes = 0;
  for (auto _ : state) {
    state.PauseTiming();
    std::filesystem::remove(file);
    state.ResumeTiming();
    const uint64_t before = InputFile::TotalBytesRead();
    SqliteTagCache cache(file);
    BuildDatabase(p.tree, p.files, settings, idv1, idv2, reporter, &cache);
    bytes = InputFile::TotalBytesRead() - before;
  }
  SetCounters(state, p, bytes);
  if (reporter.cache_failed) state.SkipWithError("the tag cache was not used");
  state.counters["cache_bytes"] = static_cast<double>(std::filesystem::file_size(file));
}
BENCHMARK(BM_FirstBuildWithCache)->Unit(benchmark::kMillisecond)->UseRealTime();

// A build of the unchanged player: every song taken from the cache.
void BM_RebuildFromCache(benchmark::State& state) {
  Player& p = ThePlayer();
  const BuildSettings settings = CacheBenchSettings(p);
  const std::string file = p.dir.Path("rebuild.sqlite");
  TId3v1 idv1;
  TId3v2 idv2;
  NullReporter reporter;
  {
    SqliteTagCache cache(file);
    BuildDatabase(p.tree, p.files, settings, idv1, idv2, reporter, &cache);
  }
  uint64_t bytes = 0;
  for (auto _ : state) {
    const uint64_t before = InputFile::TotalBytesRead();
    SqliteTagCache cache(file);
    BuildDatabase(p.tree, p.files, settings, idv1, idv2, reporter, &cache);
    bytes = InputFile::TotalBytesRead() - before;
  }
  SetCounters(state, p, bytes);
  if (reporter.cache_failed) state.SkipWithError("the tag cache was not used");
}
BENCHMARK(BM_RebuildFromCache)->Unit(benchmark::kMillisecond)->UseRealTime();

// Every song file read whole, in the same order, with nothing parsed.
void BM_ReadEverySongWhole(benchmark::State& state) {
  Player& p = ThePlayer();
  std::vector<std::string> paths;
  for (const auto& e : fs::recursive_directory_iterator(p.dir.Path("player"))) {
    if (e.is_regular_file() && e.path().filename() != "iRivNavi.iDB") {
      paths.push_back(e.path().string());
    }
  }
  uint64_t bytes = 0;
  for (auto _ : state) {
    bytes = 0;
    for (const auto& path : paths) bytes += ReadWholeFile(FileLocation(path), 1ull << 30).size();
    benchmark::DoNotOptimize(bytes);
  }
  state.counters["bytes_read"] = static_cast<double>(bytes);
}
BENCHMARK(BM_ReadEverySongWhole)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
