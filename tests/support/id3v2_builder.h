#pragma once

// Builds ID3v2 tag bytes for tests and benchmarks: header, frames of versions 2.2, 2.3 and 2.4,
// text encodings, unsynchronisation, the frame format flags of 2.4, extended header and padding.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace plondex::test {

// The four synchsafe size bytes of a tag header (7 bits per byte).
std::string SynchsafeSize(uint32_t size);
// A 32-bit number, most significant byte first.
std::string BigEndian32(uint32_t value);
// Inserts a zero byte after every byte 255 (the ID3v2 unsynchronisation scheme).
std::string Unsynchronise(std::string_view bytes);

enum class Utf16Order { kLittleEndian, kBigEndian };
// UTF-16 text with its byte-order mark (unless mark is false), optionally followed by a zero unit.
std::string Utf16Text(std::u16string_view text, Utf16Order order, bool terminator = true,
                      bool mark = true);
// The zlib stream of bytes, as a compressed ID3v2.4 frame holds it.
std::string Compress(std::string_view bytes);

class Id3v2Builder {
 public:
  static constexpr uint8_t kUnsynchronisation = 0x80;
  static constexpr uint8_t kExtendedHeader = 0x40;
  static constexpr uint8_t kExperimental = 0x20;
  // Frame format flags of ID3v2.4.
  static constexpr uint8_t kGrouping = 0x40;
  static constexpr uint8_t kCompressed = 0x08;
  static constexpr uint8_t kEncrypted = 0x04;
  static constexpr uint8_t kFrameUnsynchronised = 0x02;
  static constexpr uint8_t kDataLength = 0x01;

  // The version decides how frames are written: 2 with 6-byte headers, 4 with synchsafe sizes.
  Id3v2Builder& Version(uint8_t major, uint8_t revision);
  // Header flags as written; Unsynchronised() and ExtendedHeader() set their own bits too.
  Id3v2Builder& Flags(uint8_t flags);
  // A frame with any content; the size field is the content's size unless given.
  Id3v2Builder& Frame(std::string_view id, std::string_view content);
  Id3v2Builder& FrameWithSize(std::string_view id, uint32_t size, std::string_view content);
  // An ID3v2.4 frame with format flags, its content encoded as they say: a group byte, the data
  // length (the content's size unless given), compression, unsynchronisation; an encrypted
  // frame gets a method byte.
  Id3v2Builder& FlaggedFrame(std::string_view id, std::string_view content, uint8_t flags,
                             std::optional<uint32_t> data_length = std::nullopt);
  // A text frame: the encoding byte, then the bytes as they are, with no terminator unless given.
  Id3v2Builder& Text(std::string_view id, std::string_view text, uint8_t encoding = 0);
  // A text frame with encoding 1.
  Id3v2Builder& Text16(std::string_view id, std::u16string_view text,
                       Utf16Order order = Utf16Order::kLittleEndian, bool terminator = true);
  // Bytes appended to the body as they are.
  Id3v2Builder& Raw(std::string_view bytes);
  Id3v2Builder& Padding(size_t zero_bytes);
  // An extended header: its 4-byte size field, then size bytes; in ID3v2.4 the size is
  // synchsafe and counts the field, so size - 4 bytes follow.
  Id3v2Builder& ExtendedHeader(uint32_t size);
  // Writes the body unsynchronised and sets the flag; in ID3v2.4 each frame's content instead.
  Id3v2Builder& Unsynchronised();
  // ID3v2.4 frame sizes as plain 32-bit numbers, as some writers got them wrong.
  Id3v2Builder& PlainFrameSizes();
  // Writes this size into the header instead of the body's real size.
  Id3v2Builder& DeclaredSize(uint32_t size);

  // The body as it goes into the file (after unsynchronisation, when chosen).
  std::string Body() const;
  // Header and body.
  std::string Build() const;

 private:
  // A frame, or raw bytes when id is empty; written out by Body().
  struct Piece {
    std::string id;
    std::string content;
    std::optional<uint32_t> size;
    uint8_t flags = 0;
    std::optional<uint32_t> data_length;
  };
  std::string FrameBytes(const Piece& piece) const;

  uint8_t major_ = 3;
  uint8_t revision_ = 0;
  uint8_t flags_ = 0;
  bool unsynchronise_ = false;
  bool plain_sizes_ = false;
  bool has_declared_size_ = false;
  uint32_t declared_size_ = 0;
  std::optional<uint32_t> extended_size_;
  std::vector<Piece> pieces_;
};

}  // namespace plondex::test
