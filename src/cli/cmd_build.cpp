// plondex-cli build: the database build of the window, headless, on a folder that stands for the
// player drive.

#include <unistd.h>

#include <cstdio>
#include <memory>

#include "cli/command.h"
#include "library/checkstates.h"
#include "library/scan.h"
#include "library/treeops.h"
#include "navdb/database_build.h"
#include "navdb/sqlite_tag_cache.h"
#include "platform/codepage.h"
#include "platform/drives.h"
#include "platform/numbers.h"
#include "platform/player_files.h"
#include "platform/program_folder.h"
#include "tags/id3v1.h"
#include "tags/id3v2.h"

namespace plondex::cli {
namespace {

constexpr char kUsage[] =
    "build ROOT [--letter L] [--checked FILE] [--sort] [--lists-dir DIR] [--cutat N] [--verbose] "
    "[--nowrite] [--cache FILE] [--no-cache]";

// Prints the log as it comes and keeps the counters for the end. On a terminal, standard error
// shows how many songs have been read, on one line that is rewritten in place.
class PrintingReporter : public BuildReporter {
 public:
  explicit PrintingReporter(bool show_progress) : show_progress_(show_progress) {}
  void ClearLog() override {}
  void LogLine(const std::string& text) override {
    ClearProgress();
    // Every byte: a tag text may hold a zero byte.
    const std::string line = AnsiToUtf8(text) + '\n';
    std::fwrite(line.data(), 1, line.size(), stdout);
  }
  void CounterRaised(BuildCounter counter, int value) override {
    values_[static_cast<int>(counter)] = value;
  }
  void SongRead(int done, int total) override {
    if (!show_progress_) return;
    std::fprintf(stderr, "\r%d / %d songs", done, total);
    std::fflush(stderr);
    progress_shown_ = true;
  }
  // Takes the progress line away, so that what follows starts on a clean line.
  void ClearProgress() {
    if (!progress_shown_) return;
    std::fputs("\r\x1b[K", stderr);
    std::fflush(stderr);
    progress_shown_ = false;
  }
  void PrintCounters() {
    ClearProgress();
    for (int i = 0; i < kBuildCounterCount; ++i) {
      std::printf("%s %d\n", kBuildCounterCaptions[i], values_[i]);
    }
  }

 private:
  const bool show_progress_;
  bool progress_shown_ = false;
  int values_[kBuildCounterCount] = {};
};

int UsageError(const char* what) {
  std::fprintf(stderr, "plondex-cli build: %s\nusage: plondex-cli %s\n", what, kUsage);
  return 2;
}

int RunBuild(const std::vector<std::string>& args) {
  std::string root;
  std::string checked_file;
  BuildSettings settings;
  settings.drive_letter = 'e';
  settings.lists_folder = ".";
  bool sort = false;
  // An empty name: no tag cache at all.
  std::string cache_file = DefaultTagCacheFile();
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool has_value = i + 1 < args.size();
    if (a == "--letter" && has_value) {
      settings.drive_letter = LetterArgument(args[++i]);
      if (!settings.drive_letter) return UsageError("--letter needs a letter");
    } else if (a == "--checked" && has_value) {
      checked_file = args[++i];
    } else if (a == "--lists-dir" && has_value) {
      settings.lists_folder = args[++i];
    } else if (a == "--cutat" && has_value) {
      // Written as in the settings file.
      const auto n = ParseWholeNumber(args[++i], kInt32Syntax);
      if (!n) return UsageError("--cutat needs a whole number");
      settings.cutat = static_cast<int>(*n);
    } else if (a == "--cache" && has_value) {
      cache_file = args[++i];
    } else if (a == "--no-cache") {
      settings.read_all_tags = true;
    } else if (a == "--sort") {
      sort = true;
    } else if (a == "--verbose") {
      settings.verbose = true;
    } else if (a == "--nowrite") {
      settings.nowrite = true;
    } else if (!a.empty() && a[0] != '-' && root.empty()) {
      root = a;
    } else {
      std::string what = "unknown or incomplete argument: ";
      what += a;
      return UsageError(what.c_str());
    }
  }
  if (root.empty()) return UsageError("ROOT is missing");

  FolderDrives drives;
  drives.Add(settings.drive_letter, root, "", "");
  const PlayerFiles files(drives);
  if (!drives.DrivePresent(settings.drive_letter)) {
    std::fprintf(stderr, "%s: not a folder\n", root.c_str());
    return 1;
  }

  SongTree tree;
  TId3v1 idv1;
  TId3v2 idv2;
  PrintingReporter reporter(::isatty(STDERR_FILENO) == 1);
  int status = 0;
  try {
    RebuildSongTree(tree, files, settings.drive_letter, checked_file, nullptr);
    if (checked_file.empty() && tree.root()) SetSubtreeState(tree.root(), CheckState::kChecked);
    RecomputeCheckStates(tree);
    if (sort) SortSongTree(tree);
    std::unique_ptr<SqliteTagCache> cache;
    if (!cache_file.empty()) cache = std::make_unique<SqliteTagCache>(cache_file);
    BuildDatabase(tree, files, settings, idv1, idv2, reporter, cache.get());
  } catch (const std::exception& e) {
    reporter.ClearProgress();
    std::fflush(stdout);
    std::fprintf(stderr, "%s\n", AnsiToUtf8(e.what()).c_str());
    status = 1;
  }
  reporter.PrintCounters();
  return status;
}

const Registration kBuild("build", kUsage, RunBuild);

}  // namespace
}  // namespace plondex::cli
