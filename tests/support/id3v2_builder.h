#pragma once

// Builds ID3v2 tag bytes for tests and benchmarks: header, frames, text encodings,
// unsynchronisation, extended header and padding.

#include <cstdint>
#include <string>
#include <string_view>

namespace plondex::test {

// The four synchsafe size bytes of a tag header (7 bits per byte).
std::string SynchsafeSize(uint32_t size);
// A 32-bit number, most significant byte first.
std::string BigEndian32(uint32_t value);
// Inserts a zero byte after every byte 255 (the ID3v2 unsynchronisation scheme).
std::string Unsynchronise(std::string_view bytes);

enum class Utf16Order { kLittleEndian, kBigEndian };
// UTF-16 text with its byte-order mark, optionally followed by a zero unit.
std::string Utf16Text(std::u16string_view text, Utf16Order order, bool terminator = true);

class Id3v2Builder {
 public:
  static constexpr uint8_t kUnsynchronisation = 0x80;
  static constexpr uint8_t kExtendedHeader = 0x40;
  static constexpr uint8_t kExperimental = 0x20;

  Id3v2Builder& Version(uint8_t major, uint8_t revision);
  // Header flags as written; Unsynchronised() and ExtendedHeader() set their own bits too.
  Id3v2Builder& Flags(uint8_t flags);
  // A frame with any content; the size field is the content's size unless given.
  Id3v2Builder& Frame(std::string_view id, std::string_view content);
  Id3v2Builder& FrameWithSize(std::string_view id, uint32_t size, std::string_view content);
  // A text frame with encoding 0: the bytes as they are, with no terminator unless given.
  Id3v2Builder& Text(std::string_view id, std::string_view text);
  // A text frame with encoding 1.
  Id3v2Builder& Text16(std::string_view id, std::u16string_view text,
                       Utf16Order order = Utf16Order::kLittleEndian, bool terminator = true);
  // Bytes appended to the body as they are.
  Id3v2Builder& Raw(std::string_view bytes);
  Id3v2Builder& Padding(size_t zero_bytes);
  // An extended header: its 4-byte size field, then size bytes.
  Id3v2Builder& ExtendedHeader(uint32_t size);
  // Writes the body unsynchronised and sets the flag.
  Id3v2Builder& Unsynchronised();
  // Writes this size into the header instead of the body's real size.
  Id3v2Builder& DeclaredSize(uint32_t size);

  // The body as it goes into the file (after unsynchronisation, when chosen).
  std::string Body() const;
  // Header and body.
  std::string Build() const;

 private:
  uint8_t major_ = 3;
  uint8_t revision_ = 0;
  uint8_t flags_ = 0;
  bool unsynchronise_ = false;
  bool has_declared_size_ = false;
  uint32_t declared_size_ = 0;
  std::string extended_;
  std::string frames_;
};

}  // namespace plondex::test
