// The window with a large player: Refresh (scan, check restore, tree model, playlists) until the
// tree is painted, and the memory the process holds afterwards; and how long the window's thread
// stays busy in one go while Refresh and Create Database run, on a player made here or on one
// given by PLONDEX_BENCH_PLAYER (such as a slowdisk mount).

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <QApplication>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include "app/gui/main_window.h"
#include "app/gui/songtree_view.h"
#include "library/checkstates.h"
#include "library/scan.h"
#include "platform/drives.h"
#include "support/bench_player.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"

namespace {

using namespace plondex;

size_t SongCount() {
  const char* n = std::getenv("PLONDEX_BENCH_SONGS");
  return n ? std::strtoul(n, nullptr, 10) : 10000;
}

double MaxRssMiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void BM_RefreshAndPaint(benchmark::State& state) {
  static test::TempDir dir;
  static const test::BenchPlayerSummary summary =
      test::MakeBenchPlayer(dir.Path("player"), SongCount(), 1024);
  dir.Write("program/plondex.ini", "[main]\r\ndriveid=0000-0001\r\n");
  dir.Write("program/songs.dat", test::BenchCheckList(dir.Path("player")));
  auto drives = std::make_shared<FolderDrives>();
  drives->Add('e', dir.Path("player"), "BENCH", "0000-0001");
  TForm1 form(drives, dir.Path("program"));
  form.SetPrompter(std::make_unique<test::ScriptedPrompter>());
  form.run_warning = [](TForm3&) { return true; };
  form.show();
  QApplication::processEvents();
  form.StartUp();
  const double rss_before = MaxRssMiB();
  for (auto _ : state) {
    form.Update1Click();
    form.tree_view()->ExpandAllNodes();
    form.repaint();
    QApplication::processEvents();
  }
  state.counters["songs"] = static_cast<double>(summary.songs);
  state.counters["nodes"] = static_cast<double>(form.song_tree().node_count());
  state.counters["max_rss_MiB"] = MaxRssMiB();
  state.counters["rss_before_MiB"] = rss_before;
}
BENCHMARK(BM_RefreshAndPaint)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// Notes when the window's event loop turns (a 1 ms timer fires); the longest gap between two turns
// is the longest time the window's thread was busy in one go, give or take the interval.
class Heartbeat {
 public:
  Heartbeat() {
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(1);
    QObject::connect(&timer_, &QTimer::timeout, [this] { Beat(); });
  }
  void Start() {
    longest_ = {};
    last_ = Clock::now();
    timer_.start();
  }
  // The longest gap, in milliseconds.
  double Stop() {
    Beat();
    timer_.stop();
    return std::chrono::duration<double, std::milli>(longest_).count();
  }

 private:
  using Clock = std::chrono::steady_clock;
  void Beat() {
    const Clock::time_point now = Clock::now();
    longest_ = std::max(longest_, now - last_);
    last_ = now;
  }
  QTimer timer_;
  Clock::time_point last_;
  Clock::duration longest_{};
};

// The player of the busy benchmarks: PLONDEX_BENCH_PLAYER, or a benchmark player made once.
const std::string& BusyPlayer() {
  static test::TempDir dir;
  static const std::string folder = [] {
    if (const char* given = std::getenv("PLONDEX_BENCH_PLAYER")) return std::string(given);
    test::MakeBenchPlayer(dir.Path("player"), SongCount());
    return dir.Path("player");
  }();
  return folder;
}

// Empties slowdisk's cache, so that every run reads the disk cold; nothing on another folder.
void DropSlowdiskCache() {
  std::ifstream drop(BusyPlayer() + "/.slowdisk-drop");
  std::string ignored;
  std::getline(drop, ignored);
}

size_t CheckedSongs(const SongTree& tree) {
  size_t songs = 0;
  ForEachLeaf(*tree.root(), [&songs](const SongNode& leaf) {
    songs += leaf.checked == 1 && IsSongFileName(leaf.text);
  });
  return songs;
}

// A window on the busy player with every song checked; nothing is written to the player, and
// every build reads every song (no tag cache).
struct BusyWindow {
  explicit BusyWindow(bool verbose = false) {
    dir.Write("program/plondex.ini",
              std::string("[main]\r\ndriveid=0000-0003\r\nnowrite=1\r\ntagcache=0\r\n") +
                  (verbose ? "verbose=1\r\n" : ""));
    drives->Add('e', BusyPlayer(), "BENCH", "0000-0003");
    form.SetPrompter(std::make_unique<test::ScriptedPrompter>());
    form.run_warning = [](TForm3&) { return true; };
    form.show();
    QApplication::processEvents();
    form.StartUp();
    SetSubtreeState(form.song_tree().root(), CheckState::kChecked);
    form.tree_view()->StatesChanged();
  }
  test::TempDir dir;
  std::shared_ptr<FolderDrives> drives = std::make_shared<FolderDrives>();
  TForm1 form{drives, dir.Path("program")};
};

void BM_RefreshBusyStretch(benchmark::State& state) {
  BusyWindow window;
  Heartbeat heartbeat;
  double longest = 0;
  for (auto _ : state) {
    state.PauseTiming();
    DropSlowdiskCache();
    state.ResumeTiming();
    heartbeat.Start();
    window.form.Update1Click();
    longest = std::max(longest, heartbeat.Stop());
  }
  state.counters["nodes"] = static_cast<double>(window.form.song_tree().node_count());
  state.counters["longest_busy_ms"] = longest;
}
BENCHMARK(BM_RefreshBusyStretch)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// Argument 1: with the verbose setting, six or more log lines a song.
void BM_CreateDatabaseBusyStretch(benchmark::State& state) {
  BusyWindow window(state.range(0) == 1);
  Heartbeat heartbeat;
  double longest = 0;
  for (auto _ : state) {
    state.PauseTiming();
    DropSlowdiskCache();
    state.ResumeTiming();
    heartbeat.Start();
    window.form.Create1Click();
    longest = std::max(longest, heartbeat.Stop());
  }
  state.counters["songs"] = static_cast<double>(CheckedSongs(window.form.song_tree()));
  state.counters["longest_busy_ms"] = longest;
}
BENCHMARK(BM_CreateDatabaseBusyStretch)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

void BM_ToggleAllSongsAndPaint(benchmark::State& state) {
  static test::TempDir dir;
  static const test::BenchPlayerSummary summary =
      test::MakeBenchPlayer(dir.Path("player"), SongCount(), 1024);
  dir.Write("program/plondex.ini", "[main]\r\ndriveid=0000-0002\r\n");
  auto drives = std::make_shared<FolderDrives>();
  drives->Add('e', dir.Path("player"), "BENCH", "0000-0002");
  TForm1 form(drives, dir.Path("program"));
  form.SetPrompter(std::make_unique<test::ScriptedPrompter>());
  form.run_warning = [](TForm3&) { return true; };
  form.show();
  form.StartUp();
  form.tree_view()->ExpandAllNodes();
  for (auto _ : state) {
    ToggleNode(form.song_tree().root());
    form.tree_view()->StatesChanged();
    form.tree_view()->repaint();
  }
  state.counters["songs"] = static_cast<double>(summary.songs);
}
BENCHMARK(BM_ToggleAllSongsAndPaint)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM",
          qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
