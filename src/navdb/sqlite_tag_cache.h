#pragma once

// The tag cache in an SQLite file of its own (by default DefaultTagCacheFile). Any number of
// programs may use one file at once: SQLite locks it, and a program that finds it locked waits a
// while before it gives up on it.

#include <string>
#include <string_view>

#include "navdb/tag_cache.h"

struct sqlite3;

namespace plondex {

class SqliteTagCache : public TagCache {
 public:
  // file: a native path; its folder is made when the file is first written. busy_ms: how long to
  // wait for another program that holds the file.
  explicit SqliteTagCache(std::string file, int busy_ms = 5000);
  ~SqliteTagCache() override;
  SqliteTagCache(const SqliteTagCache&) = delete;
  SqliteTagCache& operator=(const SqliteTagCache&) = delete;

  // A missing file holds nothing and is not made here. Throws Error naming the file and why it
  // cannot be used: not a database, a database of another program, damaged, locked too long.
  std::string Load(const std::string& player) override;
  // One transaction.
  void Store(const std::string& player, std::string_view songs) override;

 private:
  // Opens the file when it is not open; false when it does not exist and create is false.
  bool Open(bool create);
  // What the file holds: kNew for a database without tables, kOld for one of this program with
  // another layout.
  enum class Kind { kNew, kCurrent, kOld };
  Kind Examine();
  // Within the open transaction, committed at the end.
  void Write(const std::string& player, std::string_view songs);
  void Exec(const std::string& sql);
  [[noreturn]] void Fail(const std::string& what) const;
  [[noreturn]] void FailWithDatabase() const;

  std::string file_;
  int busy_ms_;
  sqlite3* db_ = nullptr;
};

}  // namespace plondex
