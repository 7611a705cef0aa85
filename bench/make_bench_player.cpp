// plondex-make-bench-player FOLDER [SONGS] [--real-sizes]: writes the benchmark player (default
// 10,000 songs); --real-sizes makes each song 3 to 8 MB, as sparse files.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>

#include "support/bench_player.h"

int main(int argc, char** argv) {
  const bool real_sizes = argc > 1 && std::strcmp(argv[argc - 1], "--real-sizes") == 0;
  if (real_sizes) --argc;
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: plondex-make-bench-player FOLDER [SONGS] [--real-sizes]\n");
    return 2;
  }
  try {
    const size_t songs = argc == 3 ? std::strtoul(argv[2], nullptr, 10) : 10000;
    const auto s = plondex::test::MakeBenchPlayer(argv[1], songs, 64 * 1024, real_sizes);
    std::printf(
        "%zu songs in %zu albums: %zu ID3v2 (%zu with cover), %zu ID3v1, %zu Ogg, %zu WMA; %llu "
        "bytes\n",
        s.songs, s.folders, s.id3v2, s.covers, s.id3v1, s.ogg, s.wma,
        static_cast<unsigned long long>(s.bytes));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "plondex-make-bench-player: %s\n", e.what());
    return 1;
  }
  return 0;
}
