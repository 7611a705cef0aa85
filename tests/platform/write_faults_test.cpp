// Every file the program writes, with each step of its writing failed in turn: the create, every
// write, the flush and the rename. Afterwards each file is whole, the old one or the new one, the
// failure has been reported, and no temporary file or descriptor is left behind.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/core/settings.h"
#include "library/checkstates.h"
#include "library/scan.h"
#include "library/songtree.h"
#include "navdb/database_build.h"
#include "navdb/irivdb.h"
#include "platform/drives.h"
#include "platform/error.h"
#include "platform/files.h"
#include "playlists/playlists.h"
#include "support/id3v1_builder.h"
#include "support/player_drive.h"
#include "support/process_usage.h"
#include "support/recording_reporter.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"
#include "tags/id3v1.h"
#include "tags/id3v2.h"

namespace plondex {
namespace {

// Fails the n-th step (counted from 1) that the writer asks about, and notes which step that was
// and how many files had been started by then.
class OneFault {
 public:
  explicit OneFault(int n) {
    SetFileFaultHook([this, n](FileOp op) {
      if (op == FileOp::kCreate) ++creates_;
      if (++asked_ != n) return false;
      failed_ = op;
      failed_file_ = creates_;
      return true;
    });
  }
  ~OneFault() { SetFileFaultHook(nullptr); }
  OneFault(const OneFault&) = delete;
  OneFault& operator=(const OneFault&) = delete;

  std::optional<FileOp> failed() const { return failed_; }
  // 1 for the first file written, 2 for the second, ...
  int failed_file() const { return failed_file_; }

 private:
  int asked_ = 0;
  int creates_ = 0;
  std::optional<FileOp> failed_;
  int failed_file_ = 0;
};

// The steps one clean run of write takes, in order.
std::vector<FileOp> StepsOf(const std::function<void()>& write) {
  std::vector<FileOp> steps;
  SetFileFaultHook([&steps](FileOp op) {
    steps.push_back(op);
    return false;
  });
  write();
  SetFileFaultHook(nullptr);
  return steps;
}

// A file the writes replace: where it is, what it held before and what a clean run leaves.
struct Target {
  std::string native;
  std::string old_bytes;
  std::string new_bytes;
};

// Runs write once per step of a clean run, failing that step, after restore() has put the old
// files back. Targets are listed in the order they are written: the one being written when the
// step fails, and those after it, must be the old ones; those before it the new ones. Each folder
// must then hold exactly the names it held after restore().
void CheckEveryFault(const std::vector<Target>& targets, const std::vector<std::string>& folders,
                     const std::function<void()>& restore, const std::function<void()>& write,
                     const std::function<void(int failed_file)>& also = nullptr) {
  restore();
  const std::vector<FileOp> steps = StepsOf(write);
  for (size_t i = 0; i < targets.size(); ++i) {
    ASSERT_EQ(test::ReadNative(targets[i].native), targets[i].new_bytes) << targets[i].native;
  }
  ASSERT_FALSE(steps.empty());
  for (size_t n = 1; n <= steps.size(); ++n) {
    SCOPED_TRACE("failing step " + std::to_string(n) + " of " + std::to_string(steps.size()));
    restore();
    std::vector<std::string> names_before;
    for (const std::string& f : folders) names_before.push_back(test::ListNames(f));
    const int open_before = test::OpenDescriptorCount();
    OneFault fault(static_cast<int>(n));
    std::string message;
    try {
      write();
    } catch (const Error& e) {
      message = e.what();
    }
    ASSERT_TRUE(fault.failed().has_value());
    EXPECT_EQ(*fault.failed(), steps[n - 1]);
    EXPECT_FALSE(message.empty()) << "a failed write was reported as success";
    const bool create_failed = steps[n - 1] == FileOp::kCreate || steps[n - 1] == FileOp::kRename;
    EXPECT_EQ(message.rfind(create_failed ? "Cannot create file \"" : "Cannot write file \"", 0),
              0u)
        << message;
    for (size_t i = 0; i < targets.size(); ++i) {
      const bool written = static_cast<int>(i + 1) < fault.failed_file();
      EXPECT_EQ(test::ReadNative(targets[i].native),
                written ? targets[i].new_bytes : targets[i].old_bytes)
          << targets[i].native;
    }
    for (size_t i = 0; i < folders.size(); ++i) {
      EXPECT_EQ(test::ListNames(folders[i]), names_before[i]) << "left behind in " << folders[i];
    }
    EXPECT_EQ(test::OpenDescriptorCount(), open_before);
    if (also) also(fault.failed_file());
  }
}

size_t Count(const std::vector<FileOp>& steps, FileOp op) {
  size_t n = 0;
  for (FileOp s : steps) n += s == op;
  return n;
}

class WriteFaultsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    player_ = dir_.MakeFolder("player");
    program_ = dir_.MakeFolder("program");
    drive_.Use(player_);
  }
  void TearDown() override { SetFileFaultHook(nullptr); }

  test::TempDir dir_;
  std::string player_;
  std::string program_;
  test::PlayerDrive drive_;
};

TEST_F(WriteFaultsTest, DatabaseOfSeveralChunks) {
  tirivdb old_db;
  old_db.AddSong(tsong{"\\old.mp3", "Old", "Old", "Old", "Old"});
  tirivdb db;
  for (int i = 0; i < 100; ++i) {
    const std::string text(10000, static_cast<char>('a' + i % 26));
    db.AddSong(tsong{"\\Music\\song" + std::to_string(i) + ".mp3", text, text, text, text});
  }
  const Target target{player_ + "/iRivNavi.iDB", old_db.Assemble(), db.Assemble()};
  ASSERT_GT(target.new_bytes.size(), 3u << 20);
  const auto write = [&] { db.SaveDatabase(drive_.Locate("e:\\iRivNavi.iDB")); };
  const std::vector<FileOp> steps = StepsOf(write);
  EXPECT_EQ(Count(steps, FileOp::kWrite), 4u);  // 1 MiB each
  EXPECT_EQ(Count(steps, FileOp::kCreate), 1u);
  EXPECT_EQ(Count(steps, FileOp::kFlush), 1u);
  EXPECT_EQ(Count(steps, FileOp::kRename), 1u);
  CheckEveryFault(
      {target}, {player_}, [&] { dir_.Write("player/iRivNavi.iDB", target.old_bytes); }, write);
}

TEST_F(WriteFaultsTest, BuildWritesTheDatabaseThenEachSideList) {
  const std::string tagged =
      test::MakeMpegAudio(2) + test::MakeId3v1Block("Title", "Artist", "Album", "", "", 17);
  const std::string long_name = std::string(60, 'n') + ".mp3";
  dir_.Write("player/a.mp3", tagged);
  dir_.Write("player/" + long_name, tagged);
  dir_.Write("player/untagged.mp3", test::MakeMpegAudio(2));
  SongTree tree;
  RebuildSongTree(tree, drive_.files, 'e', "", nullptr);
  SetSubtreeState(tree.root(), CheckState::kChecked);
  BuildSettings settings;
  settings.drive_letter = 'e';
  settings.lists_folder = program_;
  TId3v1 idv1;
  TId3v2 idv2;
  test::RecordingReporter reporter;
  const auto write = [&] { BuildDatabase(tree, drive_.files, settings, idv1, idv2, reporter); };
  const auto restore = [&] {
    dir_.Write("player/iRivNavi.iDB", "old database");
    dir_.Write("program/longfilename.m3u", "e:\\old long\r\n");
    dir_.Write("program/notag.m3u", "e:\\old notag\r\n");
  };
  restore();
  write();
  const std::vector<Target> targets = {
      {player_ + "/iRivNavi.iDB", "old database", test::ReadNative(player_ + "/iRivNavi.iDB")},
      {program_ + "/longfilename.m3u", "e:\\old long\r\n", "e:\\" + long_name + "\r\n"},
      {program_ + "/notag.m3u", "e:\\old notag\r\n", "e:\\untagged.mp3\r\n"}};
  CheckEveryFault(targets, {player_, program_}, restore, write, [&](int failed_file) {
    // "Done" comes once the database is written, before the side lists.
    const bool done =
        std::find(reporter.log.begin(), reporter.log.end(), "Done") != reporter.log.end();
    EXPECT_EQ(done, failed_file > 1);
    ASSERT_GE(reporter.log.size(), 2u);
    EXPECT_EQ(reporter.log.back().rfind("Failed: Cannot ", 0), 0u) << reporter.log.back();
    const std::string& before = reporter.log[reporter.log.size() - 2];
    // The database's temporary file is made before any song is read: failing it ends the build
    // right after "Creating Database".
    if (reporter.log.size() == 3) {
      EXPECT_EQ(failed_file, 1);
      EXPECT_EQ(before, "Creating Database");
    } else {
      EXPECT_EQ(before, failed_file > 1 ? "Done" : "Saving Database");
    }
  });
}

TEST_F(WriteFaultsTest, CheckStates) {
  SongTree tree;
  SongNode* root = tree.AddRoot("All songs");
  SongNode* folder = tree.AddChild(root, "Music");
  for (int i = 0; i < 20; ++i) tree.AddChild(folder, "s" + std::to_string(i) + ".mp3")->checked = 1;
  std::string lines;
  for (int i = 0; i < 20; ++i) lines += "e:\\Music\\s" + std::to_string(i) + ".mp3\r\n";
  const std::string path = program_ + "/songs.dat";
  CheckEveryFault(
      {{path, "e:\\old.mp3\r\n", lines}}, {program_},
      [&] { dir_.Write("program/songs.dat", "e:\\old.mp3\r\n"); },
      [&] { SaveCheckStates(tree, 'e', path); });
  // Nothing checked: an empty file, with no write step at all.
  for (auto& c : folder->children) c->checked = 0;
  CheckEveryFault(
      {{path, "e:\\old.mp3\r\n", ""}}, {program_},
      [&] { dir_.Write("program/songs.dat", "e:\\old.mp3\r\n"); },
      [&] { SaveCheckStates(tree, 'e', path); });
}

TEST_F(WriteFaultsTest, Settings) {
  const std::string ini = program_ + "/plondex.ini";
  const std::string old_ini =
      "[other]\r\nkeep=1\r\n\r\n[main]\r\ndriveid=0000-0000\r\ncutat=10\r\n\r\n";
  const DriveChoices choices = ListDriveChoices(drive_.drives, "");
  const auto write = [&] {
    Settings settings;
    char drive = kNoDrive;
    SaveOptions(ini, choices, OptionsAnswer{0, true, false, "lists", 40}, drive_.drives, settings,
                drive);
    // The new values hold in memory whether or not the file could be written.
    EXPECT_EQ(drive, 'e');
  };
  CheckEveryFault(
      {{ini, old_ini,
        "[other]\r\nkeep=1\r\n\r\n[main]\r\ndriveid=1234-ABCD\r\ncutat=40\r\n"
        "verbose=1\r\nnowrite=0\r\nplaylists=lists\r\nusedrive=0\r\ntagcache=1\r\n\r\n"}},
      {program_}, [&] { dir_.Write("program/plondex.ini", old_ini); }, write);
}

TEST_F(WriteFaultsTest, PlaylistSavedAndSortedByItsCommand) {
  test::ScriptedPrompter prompter;
  const PlaylistContext context{'e', "playlists", false};
  Playlists playlists(&prompter, &drive_.files, [&context] { return context; });
  const std::string folder = dir_.MakeFolder("player/playlists");
  const std::string file = folder + "/Road.m3u";
  const std::string old_list = "\\old.mp3\r\n";
  const auto restore = [&] {
    dir_.Write("player/playlists/Road.m3u", old_list);
    dir_.Write("player/playlists/Other.m3u", "\\other.mp3\r\n");
  };
  playlists.content().Assign({"\\b.mp3", "\\A.mp3", "\\c.ogg"});
  CheckEveryFault({{file, old_list, "\\b.mp3\r\n\\A.mp3\r\n\\c.ogg\r\n"}}, {folder}, restore,
                  [&] { playlists.SavePlaylist(PlayerPath("e:\\playlists\\Road.m3u")); });

  restore();
  playlists.ListPlaylists();
  const std::vector<std::string>& names = playlists.names();
  for (size_t i = 0; i < names.size(); ++i) {
    if (names[i] == "Road.m3u") playlists.SelectPlaylist(static_cast<int>(i));
  }
  ASSERT_EQ(playlists.SelectedName(), "Road.m3u");
  const auto sort = [&] {
    playlists.content().Assign({"\\b.mp3", "\\A.mp3", "\\c.ogg"});
    prompter.confirm_answers.push_back(true);
    playlists.Sort();
  };
  CheckEveryFault({{file, old_list, "\\A.mp3\r\n\\b.mp3\r\n\\c.ogg\r\n"}}, {folder}, restore, sort);
}

}  // namespace
}  // namespace plondex
