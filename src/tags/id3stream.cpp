#include "tags/id3stream.h"

#include <algorithm>

#include "platform/codepage.h"
#include "platform/error.h"

namespace plondex {

void TId3Stream::SetPosition(uint64_t position) { position_ = std::min(position, Size()); }

void TId3Stream::EnterFrame(uint64_t n) {
  if (in_frame_) throw Error("Already reading frame");
  frame_end_ = position_ + std::min(n, BytesLeft());
  in_frame_ = true;
}

uint64_t TId3Stream::FrameBytesLeft() const { return in_frame_ ? frame_end_ - position_ : 0; }

void TId3Stream::LeaveFrame() {
  if (!in_frame_) throw Error("Not reading frame");
  position_ = frame_end_;
  in_frame_ = false;
}

std::string_view TId3Stream::Read(uint64_t n) {
  if (n > Limit() - position_) throw Error("Stream read error");
  return ReadUpTo(n);
}

std::string_view TId3Stream::ReadUpTo(uint64_t n) {
  const uint64_t count = std::min(n, Limit() - position_);
  std::string_view bytes(bytes_.data() + position_, count);
  position_ += count;
  return bytes;
}

uint32_t TId3Stream::ReadUInt32BE() {
  const std::string_view b = Read(4);
  uint32_t value = 0;
  for (char c : b) value = (value << 8) | static_cast<uint8_t>(c);
  return value;
}

uint8_t TId3Stream::ReadEncoding() { return FrameBytesLeft() == 0 ? 0 : ReadByte(); }

std::string TId3Stream::ReadText8() {
  const std::string_view rest(bytes_.data() + position_, FrameBytesLeft());
  const size_t zero = rest.find('\0');
  if (zero == std::string_view::npos) {
    position_ += rest.size();
    return std::string(rest);
  }
  position_ += zero + 1;
  return std::string(rest.substr(0, zero));
}

std::string TId3Stream::ReadText16() {
  if (FrameBytesLeft() < 2) return {};
  const std::string_view mark = Read(2);
  const auto b0 = static_cast<uint8_t>(mark[0]);
  const auto b1 = static_cast<uint8_t>(mark[1]);
  bool big_endian;
  if (b0 == 0xFF && b1 == 0xFE) {
    big_endian = false;
  } else if (b0 == 0xFE && b1 == 0xFF) {
    big_endian = true;
  } else {
    return {};
  }
  std::u16string text;
  while (FrameBytesLeft() >= 2) {
    const std::string_view unit = Read(2);
    const auto lo = static_cast<uint8_t>(unit[big_endian ? 1 : 0]);
    const auto hi = static_cast<uint8_t>(unit[big_endian ? 0 : 1]);
    const auto c = static_cast<char16_t>(lo | (hi << 8));
    if (c == 0) break;
    text.push_back(c);
  }
  return WideToAnsi(text);
}

}  // namespace plondex
