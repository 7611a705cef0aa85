#include "tags/wmareader.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

#include "platform/ascii.h"
#include "platform/byteorder.h"
#include "platform/error.h"
#include "platform/numbers.h"
#include "tags/chunkreader.h"

namespace plondex {

namespace {

using Guid = std::array<unsigned char, 16>;

constexpr unsigned char HexByte(const char* text) {
  return static_cast<unsigned char>(HexByteValue(text[0], text[1]));
}

// The stored form of a GUID written "XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX": the first three
// groups little-endian, the last eight bytes as written.
constexpr Guid StoredGuid(const char* text) {
  return Guid{HexByte(text + 6),  HexByte(text + 4),  HexByte(text + 2),  HexByte(text + 0),
              HexByte(text + 11), HexByte(text + 9),  HexByte(text + 16), HexByte(text + 14),
              HexByte(text + 19), HexByte(text + 21), HexByte(text + 24), HexByte(text + 26),
              HexByte(text + 28), HexByte(text + 30), HexByte(text + 32), HexByte(text + 34)};
}

constexpr Guid kHeaderObject = StoredGuid("75B22630-668E-11CF-A6D9-00AA0062CE6C");
constexpr Guid kFileProperties = StoredGuid("8CABDCA1-A947-11CF-8EE4-00C00C205365");
constexpr Guid kStreamProperties = StoredGuid("B7DC0791-A9B7-11CF-8EE6-00C00C205365");
constexpr Guid kContentDescription = StoredGuid("75B22633-668E-11CF-A6D9-00AA0062CE6C");
constexpr Guid kExtendedContentDescription = StoredGuid("D2D0A440-E307-11D2-97F0-00A0C95EA850");

// Every object starts with its identifier and its 64-bit size.
constexpr uint32_t kObjectHeaderSize = 24;
// At most this many UTF-16 code units of one string are read; the rest is skipped.
constexpr size_t kStringLimit = 250;
// Strings and descriptors one walk may read. A real header holds a few dozen; the bound keeps a
// file of overlapping objects, each claiming 65535 descriptors, from taking minutes.
constexpr int kItemBudget = 1 << 20;

enum Slot { kTitle, kArtist, kAlbum, kTrack, kYear, kGenre, kComment, kSlotCount };

constexpr std::u16string_view kDescriptorNames[kSlotCount] = {
    u"WM/TITLE", u"WM/AUTHOR", u"WM/ALBUMTITLE", u"WM/TRACK",
    u"WM/YEAR",  u"WM/GENRE",  u"WM/DESCRIPTION"};

// What one walk gathers.
struct FileData {
  int32_t max_bit_rate = 0;
  uint16_t channels = 0;
  int32_t sample_rate = 0;
  int32_t byte_rate = 0;
  std::u16string tag_data[kSlotCount];
};

// A string of a byte length: its first code units (terminator included), the rest skipped.
bool ReadString(ChunkReader& reader, uint16_t length, std::u16string* text) {
  const size_t units = std::min<size_t>(length / 2, kStringLimit);
  unsigned char bytes[2 * kStringLimit];
  if (!reader.Read(bytes, 2 * units)) return false;
  text->resize(units);
  for (size_t i = 0; i < units; ++i) {
    (*text)[i] = static_cast<char16_t>(LittleEndian16(bytes + 2 * i));
  }
  reader.Skip(length - 2 * units);
  return true;
}

std::u16string_view Trimmed(std::u16string_view text) {
  while (!text.empty() && text.front() <= u' ') text.remove_prefix(1);
  while (!text.empty() && text.back() <= u' ') text.remove_suffix(1);
  return text;
}

class HeaderWalk {
 public:
  HeaderWalk(const ByteSource& source, FileData& data) : reader_(source, 0, 1024), data_(data) {}

  // False on a read past the end or a header that cannot be walked.
  bool Run() {
    Guid id;
    if (!reader_.Read(id.data(), id.size())) return false;
    if (id != kHeaderObject) return true;
    reader_.Skip(8);
    uint32_t count = 0;
    if (!reader_.ReadU32(&count)) return false;
    reader_.Skip(2);
    const int32_t objects = static_cast<int32_t>(count);
    for (int32_t i = 0; i < objects; ++i) {
      const uint64_t start = reader_.Position();
      uint32_t size = 0;
      if (!reader_.Read(id.data(), id.size()) || !reader_.ReadU32(&size)) return false;
      // An object smaller than its own identifier and size would keep the walk in place.
      if (size < kObjectHeaderSize) return false;
      if (!Handle(id, start)) return false;
      reader_.Seek(start + size);
    }
    return true;
  }

 private:
  bool Handle(const Guid& id, uint64_t start) {
    if (id == kFileProperties) {
      uint32_t max_bit_rate = 0;
      reader_.Seek(start + 100);
      if (!reader_.ReadU32(&max_bit_rate)) return false;
      data_.max_bit_rate = static_cast<int32_t>(max_bit_rate);
    } else if (id == kStreamProperties) {
      // The wave format begins the type-specific data at offset 78.
      uint32_t sample_rate = 0;
      uint32_t byte_rate = 0;
      reader_.Seek(start + 80);
      if (!reader_.ReadU16(&data_.channels) || !reader_.ReadU32(&sample_rate) ||
          !reader_.ReadU32(&byte_rate)) {
        return false;
      }
      data_.sample_rate = static_cast<int32_t>(sample_rate);
      data_.byte_rate = static_cast<int32_t>(byte_rate);
    } else if (id == kContentDescription) {
      return ContentDescription(start);
    } else if (id == kExtendedContentDescription) {
      return ExtendedContentDescription(start);
    }
    return true;
  }

  bool Spend() { return --items_left_ >= 0; }

  bool ContentDescription(uint64_t start) {
    // Title, author, copyright, description, rating.
    constexpr int kTargets[5] = {kTitle, kArtist, -1, kComment, -1};
    uint16_t lengths[5];
    reader_.Seek(start + kObjectHeaderSize);
    for (uint16_t& length : lengths) {
      if (!reader_.ReadU16(&length)) return false;
    }
    std::u16string text;
    for (int i = 0; i < 5; ++i) {
      if (lengths[i] == 0) continue;
      if (!Spend() || !ReadString(reader_, lengths[i], &text)) return false;
      if (kTargets[i] >= 0) data_.tag_data[kTargets[i]] = text;
    }
    return true;
  }

  bool ExtendedContentDescription(uint64_t start) {
    uint16_t count = 0;
    reader_.Seek(start + kObjectHeaderSize);
    if (!reader_.ReadU16(&count)) return false;
    std::u16string name;
    std::u16string value;
    for (int i = 0; i < count; ++i) {
      uint16_t name_length = 0;
      uint16_t value_type = 0;
      uint16_t value_length = 0;
      if (!Spend() || !reader_.ReadU16(&name_length) || !ReadString(reader_, name_length, &name) ||
          !reader_.ReadU16(&value_type) || !reader_.ReadU16(&value_length)) {
        return false;
      }
      if (value_type != 0) {
        reader_.Skip(value_length);
        continue;
      }
      if (!ReadString(reader_, value_length, &value)) return false;
      std::u16string key(Trimmed(name));
      for (char16_t& c : key) {
        if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
      }
      for (int slot = 0; slot < kSlotCount; ++slot) {
        if (key == kDescriptorNames[slot]) data_.tag_data[slot] = value;
      }
    }
    return true;
  }

  ChunkReader reader_;
  FileData& data_;
  int items_left_ = kItemBudget;
};

bool Plausible(const FileData& data) {
  return data.max_bit_rate > 0 && data.max_bit_rate < 320000 &&
         (data.channels == 1 || data.channels == 2) && data.sample_rate >= 8000 &&
         data.sample_rate <= 96000 && data.byte_rate > 0 && data.byte_rate < 40000;
}

}  // namespace

bool ParseWholeInteger(std::u16string_view text, int32_t* value) {
  constexpr NumberSyntax kSyntax{.leading_spaces = true,
                                 .sign = true,
                                 .hex_0x = true,
                                 .hex_dollar = true,
                                 .hex_x = true,
                                 .hex_is_32_bits = true};
  const std::optional<int64_t> number = ParseWholeNumber(text, kSyntax);
  if (number) *value = static_cast<int32_t>(*number);
  return number.has_value();
}

void TWmaReader::Reset() {
  valid_ = false;
  title_.clear();
  artist_.clear();
  album_.clear();
  year_.clear();
  genre_.clear();
  comment_.clear();
  track_ = 0;
}

bool TWmaReader::ReadWmaFile(const FileLocation& file) {
  Reset();
  const std::unique_ptr<InputFile> input = InputFile::TryOpen(file);
  if (!input) return false;
  return ReadWmaSource(*input);
}

bool TWmaReader::ReadWmaSource(const ByteSource& source) {
  Reset();
  FileData data;
  try {
    if (!HeaderWalk(source, data).Run()) return false;
  } catch (const Error&) {
    return false;
  }
  if (!Plausible(data)) return true;
  valid_ = true;
  title_ = Trimmed(data.tag_data[kTitle]);
  artist_ = Trimmed(data.tag_data[kArtist]);
  album_ = Trimmed(data.tag_data[kAlbum]);
  year_ = Trimmed(data.tag_data[kYear]);
  genre_ = Trimmed(data.tag_data[kGenre]);
  comment_ = Trimmed(data.tag_data[kComment]);
  int32_t track = 0;
  track_ = ParseWholeInteger(Trimmed(data.tag_data[kTrack]), &track) ? track : 0;
  return true;
}

}  // namespace plondex
