// The database build with a tag cache: whatever the cache holds, the build logs, counts and
// writes what a build that reads every song does.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <random>

#include "library/checkstates.h"
#include "library/scan.h"
#include "navdb/database_build.h"
#include "navdb/remembered_songs.h"
#include "navdb/sqlite_tag_cache.h"
#include "platform/error.h"
#include "platform/files.h"
#include "support/asf_builder.h"
#include "support/bench_player.h"
#include "support/demo_player.h"
#include "support/id3v1_builder.h"
#include "support/id3v2_builder.h"
#include "support/memory_tag_cache.h"
#include "support/ogg_builder.h"
#include "support/player_drive.h"
#include "support/temp_dir.h"
#include "tags/id3v1.h"
#include "tags/id3v2.h"

namespace plondex {
namespace {

namespace fs = std::filesystem;
using test::Id3v2Builder;

// Everything a build tells, in the order it tells it.
class EventReporter : public BuildReporter {
 public:
  void ClearLog() override { events.push_back("clear"); }
  void LogLine(const std::string& text) override { events.push_back(text); }
  void CounterRaised(BuildCounter counter, int value) override {
    events.push_back("counter " + std::to_string(static_cast<int>(counter)) + " = " +
                     std::to_string(value));
  }
  void SongRead(int done, int total) override {
    events.push_back("read " + std::to_string(done) + "/" + std::to_string(total));
  }
  bool CancelRequested() override { return cancel_after >= 0 && reads++ > cancel_after; }

  std::vector<std::string> events;
  int cancel_after = -1;
  int reads = 0;
};

// What a build gave: its events, its files, and the bytes it read from songs.
struct Outcome {
  std::vector<std::string> events;
  std::string database, long_names, no_tags;
  uint64_t bytes_read = 0;
  BuildOutcome outcome = BuildOutcome::kDone;
};

// The songs remembered, by path.
std::map<std::string, SongTags> Remembered(const std::string& bytes) {
  RememberedSongs songs(bytes);
  std::map<std::string, SongTags> by_path;
  for (size_t i = 0; i < songs.size(); ++i) by_path[std::string(songs.Path(i))] = songs.Tags(i);
  return by_path;
}

// 2005-01-01: a time that settled, other than the one AgeFiles gives.
void Redate(const std::string& path) {
  const struct timespec times[2] = {{1104537600, 0}, {1104537600, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << path;
}

class TagCacheBuildTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UsePlayer("player");
    settings_.drive_letter = 'e';
    settings_.verbose = true;
  }

  void UsePlayer(const std::string& name) {
    player_ = dir_.MakeFolder(name);
    drive_.Use(player_);
  }
  std::string Song(const std::string& relative, const std::string& bytes) {
    return dir_.Write(fs::relative(player_, dir_.path()).string() + "/" + relative, bytes);
  }

  // Scans the player, checks every song and builds, each build with side lists of its own.
  Outcome Build(TagCache* cache, bool read_all = false, int cancel_after = -1) {
    SongTree tree;
    RebuildSongTree(tree, drive_.files, 'e', "", nullptr);
    SetSubtreeState(tree.root(), CheckState::kChecked);
    RecomputeCheckStates(tree);
    BuildSettings settings = settings_;
    settings.lists_folder = dir_.MakeFolder("lists" + std::to_string(++builds_));
    settings.read_all_tags = read_all;
    EventReporter reporter;
    reporter.cancel_after = cancel_after;
    Outcome o;
    const uint64_t before = InputFile::TotalBytesRead();
    o.outcome = BuildDatabase(tree, drive_.files, settings, idv1_, idv2_, reporter, cache);
    o.bytes_read = InputFile::TotalBytesRead() - before;
    o.events = reporter.events;
    o.database = test::ReadNative(player_ + "/" + kDatabaseFileName);
    o.long_names = test::ReadNative(settings.lists_folder + "/" + kLongNameList);
    o.no_tags = test::ReadNative(settings.lists_folder + "/" + kNoTagList);
    return o;
  }
  Outcome BuildWith(const std::string& cache_file, bool read_all = false) {
    SqliteTagCache cache(cache_file, 100);
    return Build(&cache, read_all);
  }

  static void ExpectSame(const Outcome& a, const Outcome& b) {
    EXPECT_EQ(a.events, b.events);
    EXPECT_TRUE(a.database == b.database) << "the database files differ";
    EXPECT_EQ(a.long_names, b.long_names);
    EXPECT_EQ(a.no_tags, b.no_tags);
  }

  // Songs whose reading goes wrong, or whose texts the build logs as it changes them.
  void AddOddSongs() {
    Song("Odd/same size.mp3", Id3v2Builder().Text("TIT2", "Before").Build());
    Song("Odd/bad size.mp3", Id3v2Builder().Text("TSIZ", "12x").Build());
    Song("Odd/quotes.mp3", Id3v2Builder()
                               .Text("TIT2", "Hello; <World>")
                               .Text("TPE1", "\"The Band\"")
                               .Text("TCON", "(17)")
                               .Build());
    Song("Odd/none.mp3", test::MakeMpegAudio(2));
    Song("Odd/N\xe4me.mp3",
         test::MakeMpegAudio(1) + test::MakeId3v1Block("Raw", "Name", "", "", "", 200));
    Song(std::string(60, 'L') + ".mp3", test::MakeMpegAudio(1));
    Song("Odd/latin.ogg", test::MakeOggVorbisFile({"TITLE=M\xc3\xa4"
                                                   "dchen",
                                                   "ARTIST=Latin \xe4"}));
    Song("Odd/short.ogg", "OggS");
    Song("Odd/empty.wma", "not an asf file at all");
    dir_.MakeFolder(fs::relative(player_, dir_.path()).string() + "/Odd/folder.mp3");
    ASSERT_EQ(::mkfifo((player_ + "/Odd/pipe.mp3").c_str(), 0644), 0);
    ASSERT_EQ(::symlink("nowhere.mp3", (player_ + "/Odd/dangling.mp3").c_str()), 0);
  }

  // Between two builds: songs changed, touched, removed and renamed, an album renamed, an album
  // added. Every song changed keeps a settled time of its own.
  void ChangePlayer() {
    const fs::path odd = fs::path(player_) / "Odd";
    std::vector<fs::path> songs;
    for (const auto& e : fs::recursive_directory_iterator(player_)) {
      if (e.is_regular_file() && !e.is_symlink() && e.path().parent_path() != odd &&
          IsSongFileName(e.path().filename().string())) {
        songs.push_back(e.path());
      }
    }
    std::sort(songs.begin(), songs.end());
    const fs::path album = songs[songs.size() / 2].parent_path();
    const fs::path added = fs::path(player_) / "Added";
    fs::create_directories(added);
    for (size_t i = 0; i < songs.size(); ++i) {
      const fs::path& song = songs[i];
      if (song.parent_path() == album) continue;
      if (i % 11 == 3) {
        fs::remove(song);
      } else if (i % 13 == 5) {
        fs::rename(
            song, song.parent_path() / (song.stem().string() + " (2)" + song.extension().string()));
      } else if (i % 7 == 1 && i + 1 < songs.size()) {
        fs::copy_file(songs[i + 1], song, fs::copy_options::overwrite_existing);
        Redate(song);
      } else if (i % 17 == 2) {
        Redate(song);
      } else if (i % 19 == 4) {
        fs::copy_file(song, added / song.filename(), fs::copy_options::overwrite_existing);
        Redate(added / song.filename());
      }
    }
    fs::rename(album, album.string() + " (renamed)");
    Song("Odd/same size.mp3", Id3v2Builder().Text("TIT2", "Behind").Build());
    Redate(player_ + "/Odd/same size.mp3");
  }

  test::TempDir dir_;
  test::PlayerDrive drive_;
  std::string player_;
  BuildSettings settings_;
  TId3v1 idv1_;
  TId3v2 idv2_;
  int builds_ = 0;
};

TEST_F(TagCacheBuildTest, BuildsFromTheCacheAreTheSameAsFullReads) {
  size_t songs = 0;
  for (const bool demo : {true, false}) {
    SCOPED_TRACE(demo ? "demo player" : "benchmark player");
    UsePlayer(demo ? "demo" : "bench");
    if (demo) {
      songs += static_cast<size_t>(test::MakeDemoPlayer(player_).songs);
    } else {
      songs += test::MakeBenchPlayer(player_, 200).songs;
    }
    AddOddSongs();
    test::AgeFiles(player_);
    const std::string cache = dir_.Path(demo ? "demo.sqlite" : "bench.sqlite");
    const Outcome first = BuildWith(cache);
    ExpectSame(first, Build(nullptr));

    ChangePlayer();
    const Outcome changed = BuildWith(cache);
    const Outcome full = Build(nullptr);
    ExpectSame(changed, full);
    const Outcome again = BuildWith(cache);
    ExpectSame(again, full);
    // The songs were taken from the cache: only those it cannot remember were read again.
    EXPECT_LT(changed.bytes_read, full.bytes_read / 2);
    EXPECT_LT(again.bytes_read, changed.bytes_read);
    EXPECT_LT(again.bytes_read, full.bytes_read / 20);
  }
  EXPECT_GT(songs, 500u);
}

TEST_F(TagCacheBuildTest, ReadingAllTagsSeesATagChangedWithoutItsSizeOrTime) {
  Song("a.mp3", Id3v2Builder().Text("TIT2", "Old title").Build());
  test::AgeFiles(player_);
  const std::string cache = dir_.Path("tags.sqlite");
  BuildWith(cache);
  // A tagger that keeps the file's time.
  Song("a.mp3", Id3v2Builder().Text("TIT2", "New title").Build());
  test::AgeFiles(player_);
  auto title = [](const Outcome& o) {
    return std::find(o.events.begin(), o.events.end(), "Title: New title") != o.events.end()
               ? "new"
               : "old";
  };
  EXPECT_STREQ(title(BuildWith(cache)), "old");
  EXPECT_STREQ(title(BuildWith(cache, true)), "new");
  EXPECT_STREQ(title(BuildWith(cache)), "new");  // the cache learnt it
}

// Damaged, foreign or locked: the build reads every song, says why in one line and leaves the file
// alone; songs of the player damaged in a sound file are stored afresh.
TEST_F(TagCacheBuildTest, ACacheThatCannotBeUsedCostsOneLine) {
  AddOddSongs();
  Song("b.mp3", Id3v2Builder().Text("TIT2", "Unique title").Build());
  test::AgeFiles(player_);
  const std::string good = dir_.Path("good.sqlite"), foreign = dir_.Path("foreign.sqlite");
  BuildWith(good);
  const std::string bytes = test::ReadNative(good);
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(foreign.c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db, "CREATE TABLE notes(text)", nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(db);
  std::string noise(bytes.size(), '\0');
  std::mt19937 random(7);
  for (char& c : noise) c = static_cast<char>(random());
  std::string damaged = bytes;
  ASSERT_NE(damaged.find("Unique title"), std::string::npos);
  damaged.replace(damaged.find("Unique title"), 6, "Unholy");
  const Outcome full = Build(nullptr);
  auto with_line = [&full](const std::string& reason) {
    std::vector<std::string> events = full.events;
    events.insert(events.begin() + 3, "Tag cache not used: " + reason);
    return events;
  };
  const std::pair<std::string, std::string> cases[] = {
      {noise, "file is not a database"},
      {bytes.substr(0, bytes.size() / 2), "database disk image is malformed"},
      {test::ReadNative(foreign), "the file belongs to another program"}};
  for (const auto& [content, reason] : cases) {
    const std::string file = dir_.Write("bad.sqlite", content);
    const Outcome o = BuildWith(file);
    EXPECT_EQ(o.events, with_line(reason + " (" + file + ")"));
    EXPECT_EQ(o.database, full.database);
    EXPECT_EQ(o.bytes_read, full.bytes_read);
    EXPECT_TRUE(test::ReadNative(file) == content) << reason;
  }

  ASSERT_EQ(sqlite3_open(good.c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
  EXPECT_EQ(BuildWith(good).events, with_line("database is locked (" + good + ")"));
  sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_close(db);
  EXPECT_LT(BuildWith(good).bytes_read, full.bytes_read);  // free again, it serves

  const std::string repaired = dir_.Write("damaged.sqlite", damaged);
  EXPECT_EQ(BuildWith(repaired).events, with_line("the songs remembered are damaged"));
  EXPECT_LT(BuildWith(repaired).bytes_read, full.bytes_read);
}

TEST_F(TagCacheBuildTest, ACancelledOrFailedBuildLeavesTheCacheFileAsItWas) {
  for (int i = 0; i < 6; ++i) {
    Song("s" + std::to_string(i) + ".mp3", Id3v2Builder().Text("TIT2", "Song").Build());
  }
  test::AgeFiles(player_);
  const std::string file = dir_.Path("tags.sqlite");
  BuildWith(file);
  const std::string before = test::ReadNative(file);
  // Every song changed: a build that ended well would store them all.
  for (int i = 0; i < 6; ++i) {
    Song("s" + std::to_string(i) + ".mp3", Id3v2Builder().Text("TIT2", "Other").Build());
    Redate(player_ + "/s" + std::to_string(i) + ".mp3");
  }
  {
    SqliteTagCache cache(file);
    EXPECT_EQ(Build(&cache, false, 3).outcome, BuildOutcome::kCancelled);
  }
  SetFileFaultHook([](FileOp op) { return op == FileOp::kRename; });
  EXPECT_THROW(BuildWith(file), Error);
  SetFileFaultHook(nullptr);
  EXPECT_TRUE(test::ReadNative(file) == before);
  EXPECT_EQ(test::ListNames(dir_.path()).find("tags.sqlite-journal"), std::string::npos);
  BuildWith(file);
  EXPECT_FALSE(test::ReadNative(file) == before);
}

// What a build hands to the cache: what was read of the songs that settled, and of the songs it
// did not read those the player still holds; never an error, nor "no tags" for a file that could
// not be opened.
TEST_F(TagCacheBuildTest, WhatTheCacheIsToldToRemember) {
  for (const char* name : {"gone", "unchecked", "vanishing"}) {
    Song(std::string("A/") + name + ".ogg", test::MakeOggVorbisFile({"TITLE=T"}));
  }
  Song("A/error.mp3", Id3v2Builder().Text("TSIZ", "12x").Build());
  Song("A/none.mp3", test::MakeMpegAudio(1));
  test::AgeFiles(player_);
  Song("A/fresh.ogg", test::MakeOggVorbisFile({"TITLE=Fresh"}));  // changed a moment ago
  test::MemoryTagCache cache;
  const std::string& stored = cache.players["1234-ABCD"];
  auto paths = [&stored] {
    std::string all;
    for (const auto& [path, tags] : Remembered(stored)) all += path + " ";
    return all;
  };
  Build(&cache);
  EXPECT_EQ(paths(), "A/gone.ogg A/none.mp3 A/unchecked.ogg A/vanishing.ogg ");
  EXPECT_EQ(Remembered(stored).at("A/none.mp3").source, TagSource::kNone);
  Build(&cache);
  EXPECT_EQ(cache.stores, 1);  // nothing changed

  // One song gone, one unchecked, one that cannot be opened since the scan.
  fs::remove(player_ + "/A/gone.ogg");
  SongTree tree;
  RebuildSongTree(tree, drive_.files, 'e', "", nullptr);
  SetSubtreeState(tree.root(), CheckState::kChecked);
  for (const auto& child : tree.root()->children[0]->children) {
    if (child->text == "unchecked.ogg") child->checked = 0;
  }
  fs::remove(player_ + "/A/vanishing.ogg");
  settings_.lists_folder = dir_.MakeFolder("lists");
  EventReporter reporter;
  BuildDatabase(tree, drive_.files, settings_, idv1_, idv2_, reporter, &cache);
  EXPECT_NE(std::find(reporter.events.begin(), reporter.events.end(),
                      "No tags found: e:\\A\\vanishing.ogg"),
            reporter.events.end());
  EXPECT_EQ(paths(), "A/none.mp3 A/unchecked.ogg ");
}

}  // namespace
}  // namespace plondex
