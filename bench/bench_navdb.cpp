// Time to assemble and to save a full database of 9999 typical records.

#include <benchmark/benchmark.h>

#include <string>

#include "navdb/irivdb.h"
#include "support/temp_dir.h"

namespace {

// Paths and tag texts of the length a real collection has: about 50 and 20 characters.
plondex::tirivdb TypicalDatabase() {
  plondex::tirivdb db;
  for (int i = 0; i < 9999; ++i) {
    const std::string n = std::to_string(i);
    db.AddSong(plondex::tsong{"\\Music\\Artist Name " + std::to_string(i / 100) + "\\Album " +
                                  std::to_string(i / 10) + "\\" + n + " Song Title.mp3",
                              "Song Title Number " + n, "Artist Name " + std::to_string(i / 100),
                              "Album Title " + std::to_string(i / 10), "Rock"});
  }
  return db;
}

void BM_Assemble(benchmark::State& state) {
  const plondex::tirivdb db = TypicalDatabase();
  size_t bytes = 0;
  for (auto _ : state) {
    const std::string file = db.Assemble();
    bytes = file.size();
    benchmark::DoNotOptimize(file.data());
  }
  state.counters["file_bytes"] = static_cast<double>(bytes);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}
BENCHMARK(BM_Assemble)->Unit(benchmark::kMillisecond);

void BM_Save(benchmark::State& state) {
  const plondex::tirivdb db = TypicalDatabase();
  plondex::test::TempDir dir;
  const std::string path = dir.Path("iRivNavi.iDB");
  for (auto _ : state) db.SaveDatabase(plondex::FileLocation(path));
}
BENCHMARK(BM_Save)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
