#include "navdb/remembered_songs.h"

#include <cstring>

#include "platform/byteorder.h"
#include "platform/error.h"

namespace plondex {
namespace {

// The bytes: "PLDXSONG", the readers' version and the number of songs (32 bits each, little-
// endian); then each song: its path's length and path, its size and time (64 bits each), its
// reader, its number of artists, then title, artists, album and genre, each its kind, its length
// in bytes and its bytes (UTF-16 little-endian for Unicode); at the end a checksum of all that.
// SQLite keeps no checksum of what its pages hold: a damaged byte in a title would go unseen.
constexpr char kMagic[] = "PLDXSONG";
constexpr size_t kHeaderSize = 16;
constexpr size_t kChecksumSize = 8;
// The fewest bytes a song takes: empty path, four empty texts.
constexpr size_t kSmallestSong = 4 + 8 + 8 + 1 + 4 + 3 * 5;

constexpr char kDamaged[] = "the songs remembered are damaged";
// A song whose tags take more than this is not remembered: it is read at every build instead.
constexpr size_t kLargestSong = 1 << 20;

// A quick hash of eight bytes at a time: it tells damaged bytes from written ones; it guards
// against no one.
uint64_t Checksum(std::string_view bytes) {
  uint64_t hash = 0x9E3779B97F4A7C15ull ^ bytes.size();
  auto mix = [&hash](uint64_t word) {
    hash = (hash ^ word) * 0xFF51AFD7ED558CCDull;
    hash ^= hash >> 32;
  };
  size_t at = 0;
  for (; at + 8 <= bytes.size(); at += 8) mix(LittleEndian64(bytes.data() + at));
  char tail[8] = {};
  std::memcpy(tail, bytes.data() + at, bytes.size() - at);
  mix(LittleEndian64(tail));
  return hash;
}

void PutText(std::string& out, const TagText& text) {
  out.push_back(static_cast<char>(text.kind));
  if (text.kind == TagText::Kind::kAnsi) {
    AppendLittleEndian(out, static_cast<uint32_t>(text.ansi.size()), 4);
    out += text.ansi;
    return;
  }
  AppendLittleEndian(out, static_cast<uint32_t>(text.wide.size() * 2), 4);
  for (char16_t c : text.wide) AppendLittleEndian(out, c, 2);
}

// Reads bytes front to back, trusting no length in them.
class Reader {
 public:
  Reader(std::string_view bytes, size_t at) : bytes_(bytes), at_(at) {}
  size_t at() const { return at_; }
  size_t left() const { return bytes_.size() - at_; }
  bool Skip(size_t n) {
    if (n > left()) return false;
    at_ += n;
    return true;
  }
  bool Byte(uint8_t* value) {
    if (left() < 1) return false;
    *value = static_cast<uint8_t>(bytes_[at_++]);
    return true;
  }
  bool Uint32(uint32_t* value) {
    if (left() < 4) return false;
    *value = LittleEndian32(bytes_.data() + at_);
    at_ += 4;
    return true;
  }
  bool Uint64(uint64_t* value) {
    if (left() < 8) return false;
    *value = LittleEndian64(bytes_.data() + at_);
    at_ += 8;
    return true;
  }
  // A text's kind and bytes, checked; text gets them when given.
  bool Text(TagText* text) {
    uint8_t kind = 0;
    uint32_t length = 0;
    if (!Byte(&kind) || !Uint32(&length) || length > left()) return false;
    const char* bytes = bytes_.data() + at_;
    at_ += length;
    if (kind == static_cast<uint8_t>(TagText::Kind::kAnsi)) {
      if (text) *text = TagText::Ansi(std::string(bytes, length));
      return true;
    }
    if (kind != static_cast<uint8_t>(TagText::Kind::kUnicode) || length % 2 != 0) return false;
    if (text) {
      text->kind = TagText::Kind::kUnicode;
      text->wide.resize(length / 2);
      for (size_t i = 0; i < text->wide.size(); ++i) text->wide[i] = LittleEndian16(bytes + 2 * i);
    }
    return true;
  }
  // A song's tags; tags gets them when given.
  bool Tags(SongTags* tags) {
    uint8_t source = 0;
    uint32_t artists = 0;
    if (!Byte(&source) || source > static_cast<uint8_t>(TagSource::kWma) || !Uint32(&artists) ||
        artists > left() / 5) {
      return false;
    }
    if (tags) {
      tags->source = static_cast<TagSource>(source);
      tags->artists.resize(artists);
    }
    if (!Text(tags ? &tags->title : nullptr)) return false;
    for (uint32_t i = 0; i < artists; ++i) {
      if (!Text(tags ? &tags->artists[i] : nullptr)) return false;
    }
    return Text(tags ? &tags->album : nullptr) && Text(tags ? &tags->genre : nullptr);
  }

 private:
  std::string_view bytes_;
  size_t at_;
};

}  // namespace

RememberedSongs::RememberedSongs(std::string bytes) : bytes_(std::move(bytes)) {
  if (bytes_.empty()) return;
  if (bytes_.size() < kHeaderSize + kChecksumSize || bytes_.compare(0, 8, kMagic) != 0) {
    throw Error(kDamaged);
  }
  if (LittleEndian32(bytes_.data() + 8) != static_cast<uint32_t>(kReaderAnswersVersion)) {
    outdated_ = true;
    bytes_.clear();
    return;
  }
  const size_t body = bytes_.size() - kChecksumSize;
  if (Checksum(std::string_view(bytes_).substr(0, body)) != LittleEndian64(bytes_.data() + body)) {
    throw Error(kDamaged);
  }
  const uint32_t count = LittleEndian32(bytes_.data() + 12);
  if (count > body / kSmallestSong) throw Error(kDamaged);
  entries_.reserve(count);
  Reader in(std::string_view(bytes_).substr(0, body), kHeaderSize);
  for (uint32_t i = 0; i < count; ++i) {
    Entry e;
    e.begin = in.at();
    uint32_t path_length = 0;
    if (!in.Uint32(&path_length) || path_length > in.left()) throw Error(kDamaged);
    e.path = std::string_view(bytes_).substr(in.at(), path_length);
    uint64_t size = 0, mtime = 0;
    if (!in.Skip(path_length) || !in.Uint64(&size) || !in.Uint64(&mtime)) throw Error(kDamaged);
    e.stamp = FileStamp{size, static_cast<int64_t>(mtime)};
    e.tags = in.at();
    if (!in.Tags(nullptr)) throw Error(kDamaged);
    e.end = in.at();
    entries_.push_back(e);
  }
  if (in.left() != 0) throw Error(kDamaged);
}

std::optional<size_t> RememberedSongs::Take(std::string_view path) {
  if (entries_.empty()) return std::nullopt;
  size_t song = next_;
  if (song >= entries_.size() || entries_[song].path != path) {
    if (index_.empty()) {
      index_.reserve(entries_.size());
      for (size_t i = 0; i < entries_.size(); ++i) index_.emplace(entries_[i].path, i);
    }
    const auto found = index_.find(path);
    if (found == index_.end()) return std::nullopt;
    song = found->second;
  }
  if (entries_[song].taken) return std::nullopt;
  entries_[song].taken = true;
  next_ = song + 1;
  return song;
}

SongTags RememberedSongs::Tags(size_t song) const {
  SongTags tags;
  Reader(bytes_, entries_[song].tags).Tags(&tags);
  return tags;
}

std::string_view RememberedSongs::Stored(size_t song) const {
  const Entry& e = entries_[song];
  return std::string_view(bytes_).substr(e.begin, e.end - e.begin);
}

std::vector<size_t> RememberedSongs::NotTaken() const {
  std::vector<size_t> songs;
  for (size_t i = 0; i < entries_.size(); ++i) {
    if (!entries_[i].taken) songs.push_back(i);
  }
  return songs;
}

RememberedSongsWriter::RememberedSongsWriter() : bytes_(kMagic, 8) {
  AppendLittleEndian(bytes_, static_cast<uint32_t>(kReaderAnswersVersion), 4);
  AppendLittleEndian(bytes_, 0, 4);
}

std::string_view RememberedSongsWriter::Add(std::string_view path, const FileStamp& stamp,
                                            const SongTags& tags) {
  const size_t begin = bytes_.size();
  AppendLittleEndian(bytes_, static_cast<uint32_t>(path.size()), 4);
  bytes_ += path;
  AppendLittleEndian(bytes_, stamp.size, 8);
  AppendLittleEndian(bytes_, static_cast<uint64_t>(stamp.mtime_ns), 8);
  bytes_.push_back(static_cast<char>(tags.source));
  AppendLittleEndian(bytes_, static_cast<uint32_t>(tags.artists.size()), 4);
  PutText(bytes_, tags.title);
  for (const TagText& artist : tags.artists) PutText(bytes_, artist);
  PutText(bytes_, tags.album);
  PutText(bytes_, tags.genre);
  if (bytes_.size() - begin > kLargestSong) {
    bytes_.resize(begin);
    return {};
  }
  ++count_;
  return std::string_view(bytes_).substr(begin);
}

void RememberedSongsWriter::AddStored(std::string_view stored) {
  bytes_ += stored;
  ++count_;
}

std::string RememberedSongsWriter::Finish() {
  PatchLittleEndian(bytes_, 12, count_, 4);
  AppendLittleEndian(bytes_, Checksum(bytes_), 8);
  return std::move(bytes_);
}

}  // namespace plondex
