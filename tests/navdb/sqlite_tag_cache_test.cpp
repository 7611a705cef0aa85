#include "navdb/sqlite_tag_cache.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include "platform/error.h"
#include "support/temp_dir.h"

namespace plondex {
namespace {

using namespace std::string_literals;

// One value per player; two programs storing in turn keep each other's values.
TEST(SqliteTagCache, KeepsOneValuePerPlayer) {
  test::TempDir dir;
  const std::string file = dir.Path("cache/plondex/tags.sqlite");
  SqliteTagCache first(file), second(file);
  EXPECT_EQ(first.Load("1234-ABCD"), "");
  EXPECT_FALSE(test::NativeExists(file));  // nothing is made before there is something to keep
  first.Store("1234-ABCD", "songs\0of A"s);
  second.Store("/media/other", std::string(300000, 'b'));  // more than a page
  first.Store("1234-ABCD", "again");
  EXPECT_EQ(second.Load("1234-ABCD"), "again");
  EXPECT_EQ(SqliteTagCache(file).Load("/media/other"), std::string(300000, 'b'));
}

// Another layout of this program's file is emptied when next written; another program's file and
// a place where none can be made are left alone, with their reasons.
TEST(SqliteTagCache, OtherLayoutsAndFilesThatCannotBeUsed) {
  test::TempDir dir;
  const std::string file = dir.Path("tags.sqlite"), foreign = dir.Path("foreign.sqlite");
  SqliteTagCache(file).Store("A", "old");
  for (const auto& [path, sql] : {std::pair{file, "PRAGMA user_version=99"},
                                  std::pair{foreign, "CREATE TABLE notes(text)"}}) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
  }
  EXPECT_EQ(SqliteTagCache(file).Load("A"), "");
  SqliteTagCache(file).Store("B", "new");
  EXPECT_EQ(SqliteTagCache(file).Load("A"), "");
  EXPECT_EQ(SqliteTagCache(file).Load("B"), "new");

  dir.Write("plain", "a file where a folder should be");
  const std::string nowhere = dir.Path("plain/tags.sqlite");
  for (const auto& [path, reason] : {std::pair{foreign, "the file belongs to another program"},
                                     std::pair{nowhere, "unable to open database file"}}) {
    SqliteTagCache bad(path);
    const std::string expected = std::string(reason) + " (" + path + ")";
    try {
      bad.Load("A");
      ADD_FAILURE() << path;
    } catch (const Error& e) {
      EXPECT_EQ(e.what(), expected);
    }
    try {
      bad.Store("A", "x");
      ADD_FAILURE() << path;
    } catch (const Error& e) {
      EXPECT_EQ(e.what(), expected);
    }
  }
}

}  // namespace
}  // namespace plondex
