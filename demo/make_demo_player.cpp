// Makes the demo player folder: plondex-make-demo OUT_FOLDER

#include <cstdio>
#include <exception>
#include <filesystem>

#include "support/demo_player.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: plondex-make-demo OUT_FOLDER\n");
    return 2;
  }
  try {
    std::filesystem::remove_all(argv[1]);
    const auto s = plondex::test::MakeDemoPlayer(argv[1]);
    std::printf("demo player: %d songs (%d ID3v2, %d ID3v1, %d Ogg, %d WMA, %d untagged)\n",
                s.songs, s.id3v2, s.id3v1, s.ogg, s.wma, s.untagged);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "plondex-make-demo: %s\n", e.what());
    return 1;
  }
  return 0;
}
