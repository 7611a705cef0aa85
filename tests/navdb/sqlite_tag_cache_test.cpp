#include "navdb/sqlite_tag_cache.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include "platform/error.h"
#include "support/temp_dir.h"

namespace plondex {
namespace {

using namespace std::string_literals;

RememberedSong Answer(TagSource source, const std::string& title) {
  RememberedSong song;
  song.stamp = {4'000'000, 1'072'915'200'123'456'789};
  song.tags.source = source;
  song.tags.title = TagText::Ansi(title);
  return song;
}

class SqliteTagCacheTest : public ::testing::Test {
 protected:
  std::string File() const { return dir_.Path("cache/plondex/tags.sqlite"); }
  test::TempDir dir_;
};

TEST_F(SqliteTagCacheTest, KeepsWhatTheReadersGaveByPlayerAndPath) {
  RememberedSong wma = Answer(TagSource::kWma, "");
  wma.tags.title = TagText::Unicode(u"\u6771\u4EAC \U0001F3B5");
  wma.tags.artists = {TagText::Unicode(u"")};
  wma.tags.album = TagText::Ansi("zero\0byte"s);
  wma.tags.genre = TagText::Unicode(u"Jazz");
  RememberedSong id3 = Answer(TagSource::kId3v2, "T\xe9");
  id3.tags.artists = {TagText::Ansi("AC"), TagText::Ansi("DC"), TagText::Ansi("")};
  const RememberedSong none = Answer(TagSource::kNone, "");
  {
    SqliteTagCache cache(File());
    EXPECT_TRUE(cache.Load("1234-ABCD").empty());
    EXPECT_FALSE(test::NativeExists(File()));  // nothing is made before there is something to keep
    cache.Store("1234-ABCD",
                {{{"Music/a.wma", wma}, {"Music/b.mp3", id3}, {"c\xe4.mp3", none}}, {}});
    cache.Store("/media/other", {{{"Music/a.wma", none}}, {}});
  }
  SqliteTagCache cache(File());
  const RememberedSongs songs = cache.Load("1234-ABCD");
  ASSERT_EQ(songs.size(), 3u);
  EXPECT_EQ(songs.at("Music/a.wma"), wma);
  EXPECT_EQ(songs.at("Music/b.mp3"), id3);
  EXPECT_EQ(songs.at("c\xe4.mp3"), none);
  EXPECT_EQ(cache.Load("/media/other").at("Music/a.wma"), none);

  cache.Store("1234-ABCD", {{{"Music/b.mp3", none}}, {"Music/a.wma", "never kept.mp3"}});
  const RememberedSongs after = SqliteTagCache(File()).Load("1234-ABCD");
  ASSERT_EQ(after.size(), 2u);
  EXPECT_EQ(after.at("Music/b.mp3"), none);
  EXPECT_EQ(SqliteTagCache(File()).Load("/media/other").size(), 1u);
}

// Two programs that build at once: each stores what it read, and neither loses the other's.
TEST_F(SqliteTagCacheTest, TwoProgramsAtOnce) {
  SqliteTagCache first(File()), second(File());
  first.Load("A");
  second.Load("B");
  first.Store("A", {{{"one.mp3", Answer(TagSource::kId3v1, "one")}}, {}});
  second.Store("B", {{{"two.mp3", Answer(TagSource::kId3v1, "two")}}, {}});
  first.Store("A", {{{"three.mp3", Answer(TagSource::kId3v1, "three")}}, {}});
  SqliteTagCache reader(File());
  EXPECT_EQ(reader.Load("A").size(), 2u);
  EXPECT_EQ(reader.Load("B").size(), 1u);
}

// Answers of other readers are not passed off as today's; an answer too large to keep is read
// again instead.
TEST_F(SqliteTagCacheTest, AnotherFormatIsDroppedAndHugeAnswersAreNotKept) {
  SqliteTagCache(File()).Store("A", {{{"old.mp3", Answer(TagSource::kId3v1, "old")}}, {}});
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(File().c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db, "PRAGMA user_version=1", nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(db);
  SqliteTagCache cache(File());
  EXPECT_TRUE(cache.Load("A").empty());
  cache.Store("B", {{{"new.mp3", Answer(TagSource::kOgg, "new")},
                     {"huge.mp3", Answer(TagSource::kOgg, std::string(2 << 20, 'x'))}},
                    {}});
  EXPECT_TRUE(SqliteTagCache(File()).Load("A").empty());
  const RememberedSongs b = SqliteTagCache(File()).Load("B");
  EXPECT_EQ(b.size(), 1u);
  EXPECT_TRUE(b.contains("new.mp3"));
}

TEST_F(SqliteTagCacheTest, AFileThatCannotBeMadeSaysWhere) {
  dir_.Write("cache", "a file where the folder should be");
  const std::string expected = "unable to open database file (" + File() + ")";
  SqliteTagCache cache(File());
  for (int store = 0; store < 2; ++store) {
    try {
      if (store) {
        cache.Store("A", {{{"a.mp3", Answer(TagSource::kNone, "")}}, {}});
      } else {
        cache.Load("A");
      }
      ADD_FAILURE() << "no error";
    } catch (const Error& e) {
      EXPECT_EQ(e.what(), expected);
    }
  }
}

}  // namespace
}  // namespace plondex
