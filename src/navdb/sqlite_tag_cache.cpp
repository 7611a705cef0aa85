#include "navdb/sqlite_tag_cache.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include <cerrno>
#include <optional>
#include <string_view>

#include "platform/byteorder.h"
#include "platform/codepage.h"
#include "platform/error.h"

namespace plondex {
namespace {

// PRAGMA application_id: "Pldx". A database without it and without tables is new; one with
// another id, or with tables and no id, belongs to another program and is left alone.
constexpr int kApplicationId = 0x506C6478;
// PRAGMA user_version: the layout of the file and what the readers hand over. Entries of another
// version are dropped at the next store.
constexpr int kLayout = 1;
constexpr int kFormat = kLayout << 16 | kReaderAnswersVersion;

// Bounds of what a file may make this program hold: a player has some ten thousand songs of a
// few hundred bytes each.
constexpr size_t kMaxEntryBytes = 1 << 20;
constexpr uint64_t kMaxLoadedBytes = 256ull << 20;
constexpr size_t kMaxSongs = 1000000;

constexpr char kSchema[] =
    "CREATE TABLE songs(player TEXT NOT NULL, path BLOB NOT NULL, size INTEGER NOT NULL, "
    "mtime INTEGER NOT NULL, tags BLOB NOT NULL, PRIMARY KEY(player, path)) WITHOUT ROWID";

constexpr char kDamaged[] = "database disk image is malformed";

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
  void Bind(int i, std::string_view text) {
    sqlite3_bind_text(stmt_, i, text.data(), static_cast<int>(text.size()), SQLITE_STATIC);
  }
  void BindBlob(int i, std::string_view bytes) {
    sqlite3_bind_blob(stmt_, i, bytes.data(), static_cast<int>(bytes.size()), SQLITE_STATIC);
  }
  void Bind(int i, int64_t value) { sqlite3_bind_int64(stmt_, i, value); }
  std::string_view Blob(int i) const {
    const void* data = sqlite3_column_blob(stmt_, i);
    return {static_cast<const char*>(data), static_cast<size_t>(sqlite3_column_bytes(stmt_, i))};
  }
  // Steps once more after a reset: SQLITE_ROW, SQLITE_DONE or an error.
  int Step() { return sqlite3_step(stmt_); }
  void Reset() {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
  }

 private:
  sqlite3_stmt* stmt_ = nullptr;
  bool ok_ = false;
};

// An entry's bytes: the reader, the number of artists, then title, artists, album and genre, each
// its kind, its length in bytes and its bytes (UTF-16 little-endian for Unicode); then a checksum
// of the path, the stamp and all of that: SQLite keeps none for what a page holds.
void PutUint32(std::string& out, uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<char>(value >> shift));
}

void PutText(std::string& out, const TagText& text) {
  out.push_back(static_cast<char>(text.kind));
  if (text.kind == TagText::Kind::kAnsi) {
    PutUint32(out, static_cast<uint32_t>(text.ansi.size()));
    out += text.ansi;
    return;
  }
  PutUint32(out, static_cast<uint32_t>(text.wide.size() * 2));
  for (char16_t c : text.wide) {
    out.push_back(static_cast<char>(c & 0xFF));
    out.push_back(static_cast<char>(c >> 8));
  }
}

// FNV-1a: cheap, and enough to tell damaged bytes from what was written.
uint32_t Mix(uint32_t hash, std::string_view bytes) {
  for (char c : bytes) hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
  return hash;
}

uint32_t Checksum(std::string_view path, const FileStamp& stamp, std::string_view body) {
  char stamp_bytes[16];
  for (int i = 0; i < 8; ++i) {
    stamp_bytes[i] = static_cast<char>(stamp.size >> 8 * i);
    stamp_bytes[8 + i] = static_cast<char>(static_cast<uint64_t>(stamp.mtime_ns) >> 8 * i);
  }
  return Mix(Mix(Mix(2166136261u, path), {stamp_bytes, sizeof stamp_bytes}), body);
}

std::string Encode(std::string_view path, const RememberedSong& song) {
  std::string out;
  out.push_back(static_cast<char>(song.tags.source));
  PutUint32(out, static_cast<uint32_t>(song.tags.artists.size()));
  PutText(out, song.tags.title);
  for (const TagText& artist : song.tags.artists) PutText(out, artist);
  PutText(out, song.tags.album);
  PutText(out, song.tags.genre);
  PutUint32(out, Checksum(path, song.stamp, out));
  return out;
}

// Reads an entry's bytes, trusting no length in them.
class EntryReader {
 public:
  explicit EntryReader(std::string_view bytes) : bytes_(bytes) {}
  bool Byte(uint8_t* value) {
    if (bytes_.empty()) return false;
    *value = static_cast<uint8_t>(bytes_.front());
    bytes_.remove_prefix(1);
    return true;
  }
  bool Uint32(uint32_t* value) {
    if (bytes_.size() < 4) return false;
    *value = LittleEndian32(bytes_.data());
    bytes_.remove_prefix(4);
    return true;
  }
  bool Text(TagText* text) {
    uint8_t kind = 0;
    uint32_t length = 0;
    if (!Byte(&kind) || !Uint32(&length) || length > bytes_.size()) return false;
    const char* bytes = bytes_.data();
    bytes_.remove_prefix(length);
    if (kind == static_cast<uint8_t>(TagText::Kind::kAnsi)) {
      text->kind = TagText::Kind::kAnsi;
      text->ansi.assign(bytes, length);
      return true;
    }
    if (kind != static_cast<uint8_t>(TagText::Kind::kUnicode) || length % 2 != 0) return false;
    text->kind = TagText::Kind::kUnicode;
    text->wide.resize(length / 2);
    for (size_t i = 0; i < text->wide.size(); ++i) text->wide[i] = LittleEndian16(bytes + 2 * i);
    return true;
  }
  size_t left() const { return bytes_.size(); }

 private:
  std::string_view bytes_;
};

std::optional<SongTags> Decode(std::string_view path, const FileStamp& stamp,
                               std::string_view bytes) {
  if (bytes.size() < 4 || bytes.size() > kMaxEntryBytes) return std::nullopt;
  const std::string_view body = bytes.substr(0, bytes.size() - 4);
  if (LittleEndian32(bytes.data() + body.size()) != Checksum(path, stamp, body)) {
    return std::nullopt;
  }
  EntryReader in(body);
  SongTags tags;
  uint8_t source = 0;
  uint32_t artists = 0;
  // Every text takes at least five bytes.
  if (!in.Byte(&source) || source > static_cast<uint8_t>(TagSource::kWma) || !in.Uint32(&artists) ||
      artists > in.left() / 5) {
    return std::nullopt;
  }
  tags.source = static_cast<TagSource>(source);
  tags.artists.resize(artists);
  if (!in.Text(&tags.title)) return std::nullopt;
  for (TagText& artist : tags.artists) {
    if (!in.Text(&artist)) return std::nullopt;
  }
  if (!in.Text(&tags.album) || !in.Text(&tags.genre) || in.left() != 0) return std::nullopt;
  return tags;
}

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
  if (create) {
    // The cache folder and its parents, private to the user as cache folders are.
    for (size_t slash = file_.find('/', 1); slash != std::string::npos;
         slash = file_.find('/', slash + 1)) {
      ::mkdir(file_.substr(0, slash).c_str(), 0700);
    }
  }
  const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0);
  if (sqlite3_open_v2(file_.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
    const std::string what = db_ ? sqlite3_errmsg(db_) : "out of memory";
    sqlite3_close_v2(db_);
    db_ = nullptr;
    Fail(what);
  }
  sqlite3_busy_timeout(db_, busy_ms_);
  // A damaged file must give an error, never a crash or a wrong answer.
  sqlite3_exec(db_, "PRAGMA cell_size_check=ON", nullptr, nullptr, nullptr);
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
  return version == kFormat ? Kind::kCurrent : Kind::kOld;
}

RememberedSongs SqliteTagCache::Load(const std::string& player) {
  RememberedSongs songs;
  if (!Open(false) || Examine() != Kind::kCurrent) return songs;
  Statement select(db_, "SELECT path, size, mtime, tags FROM songs WHERE player = ?1");
  if (!select.ok()) FailWithDatabase();
  select.Bind(1, player);
  uint64_t loaded = 0;
  int step;
  while ((step = select.Step()) == SQLITE_ROW) {
    const std::string_view path = select.Blob(0);
    const FileStamp stamp{static_cast<uint64_t>(sqlite3_column_int64(select.get(), 1)),
                          sqlite3_column_int64(select.get(), 2)};
    const std::string_view bytes = select.Blob(3);
    loaded += path.size() + bytes.size();
    if (loaded > kMaxLoadedBytes || songs.size() >= kMaxSongs) Fail("the file is too large");
    std::optional<SongTags> tags = Decode(path, stamp, bytes);
    if (!tags) Fail(kDamaged);
    songs.emplace(std::string(path), RememberedSong{stamp, std::move(*tags)});
  }
  if (step != SQLITE_DONE) FailWithDatabase();
  return songs;
}

void SqliteTagCache::Store(const std::string& player, const TagCacheChanges& changes) {
  Open(true);
  if (sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK) {
    FailWithDatabase();
  }
  try {
    Write(player, changes);
  } catch (const Error&) {
    // The file stays as it was.
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    throw;
  }
}

void SqliteTagCache::Exec(const std::string& sql) {
  if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) FailWithDatabase();
}

void SqliteTagCache::Write(const std::string& player, const TagCacheChanges& changes) {
  // Asked again within the transaction: another program may have made the file meanwhile.
  const Kind kind = Examine();
  if (kind == Kind::kOld) Exec("DROP TABLE IF EXISTS songs");
  if (kind != Kind::kCurrent) {
    Exec(kSchema);
    Exec("PRAGMA application_id=" + std::to_string(kApplicationId));
    Exec("PRAGMA user_version=" + std::to_string(kFormat));
  }
  {
    Statement put(db_, "INSERT OR REPLACE INTO songs VALUES(?1, ?2, ?3, ?4, ?5)");
    Statement drop(db_, "DELETE FROM songs WHERE player = ?1 AND path = ?2");
    if (!put.ok() || !drop.ok()) FailWithDatabase();
    for (const auto& [path, song] : changes.put) {
      const std::string bytes = Encode(path, song);
      if (bytes.size() > kMaxEntryBytes) continue;
      put.Bind(1, player);
      put.BindBlob(2, path);
      put.Bind(3, static_cast<int64_t>(song.stamp.size));
      put.Bind(4, song.stamp.mtime_ns);
      put.BindBlob(5, bytes);
      if (put.Step() != SQLITE_DONE) FailWithDatabase();
      put.Reset();
    }
    for (const std::string& path : changes.drop) {
      drop.Bind(1, player);
      drop.BindBlob(2, path);
      if (drop.Step() != SQLITE_DONE) FailWithDatabase();
      drop.Reset();
    }
  }
  Exec("COMMIT");
}

}  // namespace plondex
