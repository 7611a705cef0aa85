#include "navdb/sqlite_tag_cache.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include "platform/error.h"
#include "support/temp_dir.h"

namespace plondex {
namespace {

using namespace std::string_literals;

class SqliteTagCacheTest : public ::testing::Test {
 protected:
  std::string File() const { return dir_.Path("cache/plondex/tags.sqlite"); }
  test::TempDir dir_;
};

TEST_F(SqliteTagCacheTest, KeepsOneValuePerPlayer) {
  {
    SqliteTagCache cache(File());
    EXPECT_EQ(cache.Load("1234-ABCD"), "");
    EXPECT_FALSE(test::NativeExists(File()));  // nothing is made before there is something to keep
    cache.Store("1234-ABCD", "songs\0of A"s);
    cache.Store("/media/other", std::string(300000, 'b'));  // larger than a page
  }
  SqliteTagCache cache(File());
  EXPECT_EQ(cache.Load("1234-ABCD"), "songs\0of A"s);
  EXPECT_EQ(cache.Load("/media/other"), std::string(300000, 'b'));
  cache.Store("1234-ABCD", "");
  EXPECT_EQ(SqliteTagCache(File()).Load("1234-ABCD"), "");
  EXPECT_EQ(SqliteTagCache(File()).Load("/media/other").size(), 300000u);
}

// Two programs that build at once: neither damages the file, each player keeps the value stored
// last, and one that holds the file too long makes the other give up with a reason.
TEST_F(SqliteTagCacheTest, TwoProgramsAtOnce) {
  SqliteTagCache first(File(), 100), second(File(), 100);
  first.Load("A");
  second.Load("B");
  first.Store("A", "a1");
  second.Store("B", "b1");
  first.Store("A", "a2");
  EXPECT_EQ(second.Load("A"), "a2");
  EXPECT_EQ(first.Load("B"), "b1");
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(File().c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
  for (int store = 0; store < 2; ++store) {
    try {
      if (store) {
        second.Store("B", "b2");
      } else {
        second.Load("B");
      }
      ADD_FAILURE() << "not locked out";
    } catch (const Error& e) {
      EXPECT_EQ(e.what(), "database is locked (" + File() + ")");
    }
  }
  sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_close(db);
  EXPECT_EQ(second.Load("B"), "b1");
}

// A file of another layout of this program is emptied when next written; another program's
// database and a place where no file can be made give their reasons.
TEST_F(SqliteTagCacheTest, OtherLayoutsAndFilesThatCannotBeUsed) {
  SqliteTagCache(File()).Store("A", "old");
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(File().c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db, "PRAGMA user_version=99", nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(db);
  SqliteTagCache cache(File());
  EXPECT_EQ(cache.Load("A"), "");
  cache.Store("B", "new");
  EXPECT_EQ(SqliteTagCache(File()).Load("A"), "");
  EXPECT_EQ(SqliteTagCache(File()).Load("B"), "new");

  const std::string foreign = dir_.Path("foreign.sqlite");
  ASSERT_EQ(sqlite3_open(foreign.c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db, "CREATE TABLE notes(text)", nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(db);
  dir_.Write("file", "a file where a folder should be");
  const struct {
    std::string file, reason;
  } cases[] = {{foreign, "the file belongs to another program"},
               {dir_.Path("file/tags.sqlite"), "unable to open database file"}};
  for (const auto& c : cases) {
    SqliteTagCache bad(c.file);
    for (int store = 0; store < 2; ++store) {
      try {
        if (store) {
          bad.Store("A", "x");
        } else {
          bad.Load("A");
        }
        ADD_FAILURE() << c.file << " was used";
      } catch (const Error& e) {
        EXPECT_EQ(e.what(), c.reason + " (" + c.file + ")");
      }
    }
  }
}

}  // namespace
}  // namespace plondex
