#include "support/id3v2_builder.h"

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

std::string Utf16Text(std::u16string_view text, Utf16Order order, bool terminator) {
  const bool big = order == Utf16Order::kBigEndian;
  std::string out = big ? "\xFE\xFF" : "\xFF\xFE";
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
  return FrameWithSize(id, static_cast<uint32_t>(content.size()), content);
}

Id3v2Builder& Id3v2Builder::FrameWithSize(std::string_view id, uint32_t size,
                                          std::string_view content) {
  std::string name(id.substr(0, 4));
  name.resize(4, '\0');
  frames_ += name;
  frames_ += BigEndian32(size);
  frames_ += std::string(2, '\0');
  frames_ += content;
  return *this;
}

Id3v2Builder& Id3v2Builder::Text(std::string_view id, std::string_view text) {
  return Frame(id, std::string(1, '\0') + std::string(text));
}

Id3v2Builder& Id3v2Builder::Text16(std::string_view id, std::u16string_view text, Utf16Order order,
                                   bool terminator) {
  return Frame(id, "\x01" + Utf16Text(text, order, terminator));
}

Id3v2Builder& Id3v2Builder::Raw(std::string_view bytes) {
  frames_ += bytes;
  return *this;
}

Id3v2Builder& Id3v2Builder::Padding(size_t zero_bytes) {
  frames_ += std::string(zero_bytes, '\0');
  return *this;
}

Id3v2Builder& Id3v2Builder::ExtendedHeader(uint32_t size) {
  flags_ |= kExtendedHeader;
  extended_ = BigEndian32(size) + std::string(size, '\0');
  return *this;
}

Id3v2Builder& Id3v2Builder::Unsynchronised() {
  flags_ |= kUnsynchronisation;
  unsynchronise_ = true;
  return *this;
}

Id3v2Builder& Id3v2Builder::DeclaredSize(uint32_t size) {
  has_declared_size_ = true;
  declared_size_ = size;
  return *this;
}

std::string Id3v2Builder::Body() const {
  const std::string body = extended_ + frames_;
  return unsynchronise_ ? Unsynchronise(body) : body;
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
