#include "support/id3v2_builder.h"

#include <zlib.h>

#include <stdexcept>

namespace plondex::test {

std::string SynchsafeSize(uint32_t size) {
  std::string b(4, '\0');
  for (int i = 3; i >= 0; --i) {
    b[static_cast<size_t>(i)] = static_cast<char>(size & 0x7F);
    size >>= 7;
  }
  return b;
}

std::string BigEndian32(uint32_t value) {
  std::string b(4, '\0');
  for (int i = 3; i >= 0; --i) {
    b[static_cast<size_t>(i)] = static_cast<char>(value & 0xFF);
    value >>= 8;
  }
  return b;
}

std::string Unsynchronise(std::string_view bytes) {
  std::string out;
  for (char c : bytes) {
    out.push_back(c);
    if (static_cast<uint8_t>(c) == 0xFF) out.push_back('\0');
  }
  return out;
}

std::string Utf16Text(std::u16string_view text, Utf16Order order, bool terminator, bool mark) {
  const bool big = order == Utf16Order::kBigEndian;
  std::string out;
  if (mark) out = big ? "\xFE\xFF" : "\xFF\xFE";
  auto unit = [&](char16_t c) {
    const char lo = static_cast<char>(c & 0xFF);
    const char hi = static_cast<char>(c >> 8);
    out.push_back(big ? hi : lo);
    out.push_back(big ? lo : hi);
  };
  for (char16_t c : text) unit(c);
  if (terminator) unit(0);
  return out;
}

std::string Compress(std::string_view bytes) {
  uLongf size = compressBound(static_cast<uLong>(bytes.size()));
  std::string out(size, '\0');
  if (compress(reinterpret_cast<Bytef*>(out.data()), &size,
               reinterpret_cast<const Bytef*>(bytes.data()),
               static_cast<uLong>(bytes.size())) != Z_OK) {
    throw std::runtime_error("zlib compress failed");
  }
  out.resize(size);
  return out;
}

Id3v2Builder& Id3v2Builder::Version(uint8_t major, uint8_t revision) {
  major_ = major;
  revision_ = revision;
  return *this;
}

Id3v2Builder& Id3v2Builder::Flags(uint8_t flags) {
  flags_ = flags;
  return *this;
}

Id3v2Builder& Id3v2Builder::Frame(std::string_view id, std::string_view content) {
  pieces_.push_back(Piece{std::string(id), std::string(content), std::nullopt, 0, std::nullopt});
  return *this;
}

Id3v2Builder& Id3v2Builder::FrameWithSize(std::string_view id, uint32_t size,
                                          std::string_view content) {
  pieces_.push_back(Piece{std::string(id), std::string(content), size, 0, std::nullopt});
  return *this;
}

Id3v2Builder& Id3v2Builder::FlaggedFrame(std::string_view id, std::string_view content,
                                         uint8_t flags, std::optional<uint32_t> data_length) {
  pieces_.push_back(Piece{std::string(id), std::string(content), std::nullopt, flags, data_length});
  return *this;
}

Id3v2Builder& Id3v2Builder::Text(std::string_view id, std::string_view text, uint8_t encoding) {
  return Frame(id, std::string(1, static_cast<char>(encoding)) + std::string(text));
}

Id3v2Builder& Id3v2Builder::Text16(std::string_view id, std::u16string_view text, Utf16Order order,
                                   bool terminator) {
  return Frame(id, "\x01" + Utf16Text(text, order, terminator));
}

Id3v2Builder& Id3v2Builder::Raw(std::string_view bytes) {
  pieces_.push_back(Piece{"", std::string(bytes), std::nullopt, 0, std::nullopt});
  return *this;
}

Id3v2Builder& Id3v2Builder::Padding(size_t zero_bytes) {
  return Raw(std::string(zero_bytes, '\0'));
}

Id3v2Builder& Id3v2Builder::ExtendedHeader(uint32_t size) {
  flags_ |= kExtendedHeader;
  extended_size_ = size;
  return *this;
}

Id3v2Builder& Id3v2Builder::Unsynchronised() {
  flags_ |= kUnsynchronisation;
  unsynchronise_ = true;
  return *this;
}

Id3v2Builder& Id3v2Builder::PlainFrameSizes() {
  plain_sizes_ = true;
  return *this;
}

Id3v2Builder& Id3v2Builder::DeclaredSize(uint32_t size) {
  has_declared_size_ = true;
  declared_size_ = size;
  return *this;
}

std::string Id3v2Builder::FrameBytes(const Piece& piece) const {
  std::string content = piece.content;
  if (major_ >= 4) {
    std::string extra;
    if (piece.flags & kGrouping) extra += '\x07';
    if (piece.flags & kEncrypted) extra += '\x80';
    if (piece.flags & kDataLength) {
      extra += SynchsafeSize(piece.data_length.value_or(static_cast<uint32_t>(content.size())));
    }
    if (piece.flags & kCompressed) content = Compress(content);
    content = extra + content;
    if (unsynchronise_ || (piece.flags & kFrameUnsynchronised)) content = Unsynchronise(content);
  }
  const uint32_t size = piece.size.value_or(static_cast<uint32_t>(content.size()));
  std::string header(piece.id.substr(0, major_ == 2 ? 3 : 4));
  if (major_ == 2) {
    header.resize(3, '\0');
    header += BigEndian32(size).substr(1);
  } else {
    header.resize(4, '\0');
    header += major_ >= 4 && !plain_sizes_ ? SynchsafeSize(size) : BigEndian32(size);
    header += '\0';
    header += static_cast<char>(piece.flags);
  }
  return header + content;
}

std::string Id3v2Builder::Body() const {
  std::string body;
  if (extended_size_) {
    if (major_ >= 4) {
      body = SynchsafeSize(*extended_size_) +
             std::string(*extended_size_ > 4 ? *extended_size_ - 4 : 0, '\0');
    } else {
      body = BigEndian32(*extended_size_) + std::string(*extended_size_, '\0');
    }
  }
  for (const Piece& piece : pieces_) body += piece.id.empty() ? piece.content : FrameBytes(piece);
  // ID3v2.4 unsynchronises frame by frame.
  return unsynchronise_ && major_ < 4 ? Unsynchronise(body) : body;
}

std::string Id3v2Builder::Build() const {
  const std::string body = Body();
  std::string out = "ID3";
  out.push_back(static_cast<char>(major_));
  out.push_back(static_cast<char>(revision_));
  out.push_back(static_cast<char>(flags_));
  out += SynchsafeSize(has_declared_size_ ? declared_size_ : static_cast<uint32_t>(body.size()));
  out += body;
  return out;
}

}  // namespace plondex::test
