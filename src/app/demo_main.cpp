// plondex-demo: the window on a demo player (a fresh copy of a folder made at build time), with a
// program folder of its own, so that it never touches a real player or the user's settings.

#include <stdlib.h>

#include <QApplication>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "app/gui/main_window.h"
#include "platform/drives.h"

namespace fs = std::filesystem;

namespace {

constexpr char kDemoLabel[] = "IHP-120 DEMO";
constexpr char kDemoSerial[] = "1234-ABCD";

std::string MakeDemoFolder() {
  std::string pattern = (fs::temp_directory_path() / "plondex-demo-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) return {};
  return pattern;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const std::string base = MakeDemoFolder();
  if (base.empty()) {
    std::fprintf(stderr, "plondex-demo: cannot create a folder for the demo\n");
    return 1;
  }
  const fs::path player = fs::path(base) / "player";
  const fs::path program = fs::path(base) / "program";
  std::error_code ec;
  fs::create_directories(program, ec);
  const fs::path demo_template = argc > 1 ? fs::path(argv[1]) : fs::path(PLONDEX_DEMO_TEMPLATE);
  if (fs::is_directory(demo_template, ec)) {
    fs::copy(demo_template, player, fs::copy_options::recursive, ec);
  } else {
    fs::create_directories(player / "Music", ec);
    fs::create_directories(player / "playlists", ec);
  }
  if (ec) {
    std::fprintf(stderr, "plondex-demo: cannot copy the demo player: %s\n", ec.message().c_str());
    return 1;
  }
  std::ofstream(program / "plondex.ini", std::ios::binary)
      << "[main]\r\ndriveid=" << kDemoSerial << "\r\n\r\n";
  std::printf("plondex-demo: player e: is %s, program folder %s\n", player.c_str(),
              program.c_str());

  auto drives = std::make_shared<plondex::FolderDrives>();
  drives->Add('e', player.string(), kDemoLabel, kDemoSerial);
  plondex::TForm1 form(drives, program.string());
  // The demo's player is made afresh for each run: its tags are not worth keeping beyond it.
  form.tag_cache_file = (program / "tags.sqlite").string();
  form.show();
  return app.exec();
}
