#include "navdb/sqlite_tag_cache.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>

#include "platform/codepage.h"
#include "platform/error.h"
#include "platform/files.h"

namespace plondex {
namespace {

// PRAGMA application_id: "Pldx". A database without it and without tables is new; one with
// another id, or with tables and no id, belongs to another program and is left alone.
constexpr int kApplicationId = 0x506C6478;
// PRAGMA user_version: the layout of the file. A file of another layout is emptied at the next
// store.
constexpr int kLayout = 1;

// More than a player's songs could ever take; a larger value is not read.
constexpr int64_t kLargestValue = 256ll << 20;

constexpr char kSchema[] =
    "CREATE TABLE players(player TEXT PRIMARY KEY NOT NULL, songs BLOB NOT NULL)";

// One prepared statement, finalized with its scope.
class Statement {
 public:
  Statement(sqlite3* db, const char* sql) {
    ok_ = sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr) == SQLITE_OK;
  }
  ~Statement() { sqlite3_finalize(stmt_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  bool ok() const { return ok_; }
  sqlite3_stmt* get() const { return stmt_; }
  int Step() { return sqlite3_step(stmt_); }

 private:
  sqlite3_stmt* stmt_ = nullptr;
  bool ok_ = false;
};

}  // namespace

SqliteTagCache::SqliteTagCache(std::string file, int busy_ms)
    : file_(std::move(file)), busy_ms_(busy_ms) {}

SqliteTagCache::~SqliteTagCache() { sqlite3_close_v2(db_); }

void SqliteTagCache::Fail(const std::string& what) const {
  throw Error(what + " (" + Utf8ToAnsi(file_) + ")");
}

void SqliteTagCache::FailWithDatabase() const { Fail(db_ ? sqlite3_errmsg(db_) : "out of memory"); }

bool SqliteTagCache::Open(bool create) {
  if (db_) return true;
  struct stat st;
  if (!create && ::stat(file_.c_str(), &st) != 0 && errno == ENOENT) return false;
  const size_t slash = file_.find_last_of('/');
  if (create && slash != std::string::npos && slash > 0) MakePrivateFolders(file_.substr(0, slash));
  const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0) | SQLITE_OPEN_NOMUTEX;
  if (sqlite3_open_v2(file_.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
    const std::string what = db_ ? sqlite3_errmsg(db_) : "out of memory";
    sqlite3_close_v2(db_);
    db_ = nullptr;
    Fail(what);
  }
  sqlite3_busy_timeout(db_, busy_ms_);
  // A damaged file must give an error, never a crash or a wrong answer.
  sqlite3_exec(db_, "PRAGMA cell_size_check=ON", nullptr, nullptr, nullptr);
  // A player's songs take a megabyte or two: large pages read and write them in a few calls. It
  // counts only for a new file.
  sqlite3_exec(db_, "PRAGMA page_size=65536", nullptr, nullptr, nullptr);
  return true;
}

SqliteTagCache::Kind SqliteTagCache::Examine() {
  Statement pragma(db_,
                   "SELECT (SELECT application_id FROM pragma_application_id), "
                   "(SELECT user_version FROM pragma_user_version), "
                   "(SELECT count(*) FROM sqlite_schema)");
  if (!pragma.ok() || pragma.Step() != SQLITE_ROW) FailWithDatabase();
  const int id = sqlite3_column_int(pragma.get(), 0);
  const int version = sqlite3_column_int(pragma.get(), 1);
  const int objects = sqlite3_column_int(pragma.get(), 2);
  if (id == 0 && objects == 0) return Kind::kNew;
  if (id != kApplicationId) Fail("the file belongs to another program");
  return version == kLayout ? Kind::kCurrent : Kind::kOld;
}

std::string SqliteTagCache::Load(const std::string& player) {
  if (!Open(false) || Examine() != Kind::kCurrent) return {};
  // The value is read straight into the string, not copied out of SQLite's own first.
  Statement select(db_, "SELECT rowid, length(songs) FROM players WHERE player = ?1");
  if (!select.ok()) FailWithDatabase();
  sqlite3_bind_text(select.get(), 1, player.data(), static_cast<int>(player.size()), SQLITE_STATIC);
  const int step = select.Step();
  if (step == SQLITE_DONE) return {};
  if (step != SQLITE_ROW) FailWithDatabase();
  // Asked before the value is read, so that no size in the file makes this program allocate.
  const int64_t size = sqlite3_column_int64(select.get(), 1);
  if (size > kLargestValue) Fail("the file is too large");
  sqlite3_blob* blob = nullptr;
  if (sqlite3_blob_open(db_, "main", "players", "songs", sqlite3_column_int64(select.get(), 0), 0,
                        &blob) != SQLITE_OK) {
    sqlite3_blob_close(blob);
    FailWithDatabase();
  }
  std::string songs(static_cast<size_t>(std::max<int64_t>(size, 0)), '\0');
  const bool read =
      sqlite3_blob_bytes(blob) == static_cast<int>(songs.size()) &&
      sqlite3_blob_read(blob, songs.data(), static_cast<int>(songs.size()), 0) == SQLITE_OK;
  sqlite3_blob_close(blob);
  if (!read) FailWithDatabase();
  return songs;
}

void SqliteTagCache::Store(const std::string& player, std::string_view songs) {
  Open(true);
  if (sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK) {
    FailWithDatabase();
  }
  try {
    Write(player, songs);
  } catch (const Error&) {
    // The file stays as it was.
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    throw;
  }
}

void SqliteTagCache::Exec(const std::string& sql) {
  if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) FailWithDatabase();
}

void SqliteTagCache::Write(const std::string& player, std::string_view songs) {
  // Asked again within the transaction: another program may have made the file meanwhile.
  const Kind kind = Examine();
  if (kind == Kind::kOld) Exec("DROP TABLE IF EXISTS players");
  if (kind != Kind::kCurrent) {
    Exec(kSchema);
    Exec("PRAGMA application_id=" + std::to_string(kApplicationId));
    Exec("PRAGMA user_version=" + std::to_string(kLayout));
  }
  {
    Statement put(db_, "INSERT OR REPLACE INTO players VALUES(?1, ?2)");
    if (!put.ok()) FailWithDatabase();
    sqlite3_bind_text(put.get(), 1, player.data(), static_cast<int>(player.size()), SQLITE_STATIC);
    sqlite3_bind_blob64(put.get(), 2, songs.data(), songs.size(), SQLITE_STATIC);
    if (put.Step() != SQLITE_DONE) FailWithDatabase();
  }
  Exec("COMMIT");
}

}  // namespace plondex
