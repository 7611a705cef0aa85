#include "navdb/irivdb.h"

#include <algorithm>
#include <array>

#include "platform/byteorder.h"
#include "platform/error.h"
#include "platform/files.h"

namespace plondex {
namespace {

using irivdb_layout::kCountAt;
using irivdb_layout::kDesignText;
using irivdb_layout::kFileText;
using irivdb_layout::kHeaderSize;
using irivdb_layout::kMaxSongs;
using irivdb_layout::kMaxTextSize;
using irivdb_layout::kRecordHeadSize;
using irivdb_layout::kTableAt;
using irivdb_layout::kTableSlots;
using irivdb_layout::kTrailerSize;
using irivdb_layout::kVersionText;

// The texts of a record in their order in the file.
std::array<const std::string*, 5> Texts(const tsong& song) {
  return {&song.Path, &song.Title, &song.Artist, &song.Album, &song.Genre};
}

constexpr std::array<const char*, 5> kFieldNames = {"Path", "Title", "Artist", "Album", "Genre"};

// A path for an error message: a zero byte would end the text early and a huge one would flood
// the message box.
std::string ShownPath(std::string_view path) {
  constexpr size_t kMaxShown = 260;
  std::string shown;
  for (char c : path.substr(0, kMaxShown)) {
    if (c == '\0') {
      shown += "\\x00";
    } else {
      shown += c;
    }
  }
  if (path.size() > kMaxShown) shown += "...";
  return shown;
}

// Throws when the record cannot be stored as the player reads it.
void CheckSong(const tsong& song) {
  const auto texts = Texts(song);
  for (size_t f = 0; f < texts.size(); ++f) {
    const std::string& text = *texts[f];
    std::string problem;
    if (text.size() > kMaxTextSize) {
      problem = "is " + std::to_string(text.size()) + " bytes long (at most " +
                std::to_string(kMaxTextSize) + " fit)";
    } else if (text.find('\0') != std::string::npos) {
      problem = "holds a zero byte";
    } else {
      continue;
    }
    throw Error("Cannot store song \"" + ShownPath(song.Path) + "\" in the database: its " +
                kFieldNames[f] + " " + problem);
  }
}

size_t RecordSize(const tsong& song) {
  size_t size = kRecordHeadSize;
  for (const std::string* text : Texts(song)) size += text->size() + 1;
  return size;
}

// Appends a text padded with zeros to the end of its 32-byte block.
void PutBlockText(std::string& buffer, std::string_view text) {
  buffer.append(text);
  buffer.append(32 - text.size(), '\0');
}

}  // namespace

void tirivdb::AddSong(std::unique_ptr<tsong> song) {
  if (song) songs_.push_back(std::move(song));
}

void tirivdb::AddSong(tsong song) { songs_.push_back(std::make_unique<tsong>(std::move(song))); }

std::string tirivdb::Assemble() const {
  const size_t count = std::min(songs_.size(), kMaxSongs);
  // Check everything first so that a bad record fails before any work is done; the size also
  // lets the buffer be allocated once.
  size_t total = kHeaderSize + kTrailerSize;
  for (size_t i = 0; i < count; ++i) {
    CheckSong(*songs_[i]);
    total += RecordSize(*songs_[i]);
  }
  // Offsets are 32-bit; 9999 records of at most 5 * 65535 bytes stay well below that.
  static_assert(kMaxSongs * (kRecordHeadSize + 5 * (kMaxTextSize + 1)) < 0xFFFFFFFFull);

  std::string buffer;
  buffer.reserve(total);
  PutBlockText(buffer, kVersionText);
  PutBlockText(buffer, kFileText);
  buffer.append(4, '\0');
  PatchLittleEndian(buffer, kCountAt, count, 4);
  buffer.append(28 + 32, '\0');
  buffer.append(4 * kTableSlots, '\0');
  PutBlockText(buffer, kDesignText);
  buffer.append(32, '\0');

  for (size_t i = 0; i < count; ++i) {
    const tsong& song = *songs_[i];
    // The slot is filled as the record goes in, so the records are walked once.
    PatchLittleEndian(buffer, kTableAt + 4 * i, buffer.size() - kHeaderSize, 4);
    const auto texts = Texts(song);
    for (const std::string* text : texts) AppendLittleEndian(buffer, text->size() + 1, 2);
    for (const std::string* text : texts) {
      buffer.append(*text);
      buffer.push_back('\0');
    }
  }
  buffer.append(kTrailerSize, '\0');
  return buffer;
}

void tirivdb::SaveDatabase(const FileLocation& file) const { WriteWholeFile(file, Assemble()); }

void tirivdb::SaveDatabase(ReplacementFile& file) const { file.Commit(Assemble()); }

}  // namespace plondex
