// The window with a large player: Refresh (scan, check restore, tree model, playlists) until the
// tree is painted, and the memory the process holds afterwards.

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <QApplication>
#include <cstdlib>
#include <memory>

#include "app/gui/main_window.h"
#include "app/gui/songtree_view.h"
#include "library/checkstates.h"
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
