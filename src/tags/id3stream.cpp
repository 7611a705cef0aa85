#include "tags/id3stream.h"

#include <algorithm>
#include <cstring>

#include "platform/byteorder.h"
#include "platform/codepage.h"
#include "platform/error.h"

namespace plondex {

TId3Stream::TId3Stream(std::string bytes) {
  size_ = bytes.size();
  buffer_ = std::move(bytes);
  buffer_length_ = size_;
}

TId3Stream::TId3Stream(const ByteSource& source, uint64_t offset, uint64_t size, size_t read_ahead)
    : source_(&source),
      offset_(offset),
      read_ahead_(std::max<size_t>(read_ahead, 1)),
      size_(size) {}

// Past the window's end the bytes left in it would wrap around and let reads leave the body.
void TId3Stream::SetPosition(uint64_t position) { position_ = std::min(position, Limit()); }

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

uint64_t TId3Stream::Buffered() const {
  if (position_ < buffer_start_ || position_ >= buffer_start_ + buffer_length_) return 0;
  return buffer_start_ + buffer_length_ - position_;
}

void TId3Stream::Fill(uint64_t n) {
  const uint64_t kept = Buffered();
  if (kept >= n) return;
  // An in-memory body is buffered whole, so only a caller's slip can get here.
  if (source_ == nullptr) throw Error("Stream read error");
  // Never past the end of the body: the source was checked to hold that much and no more.
  const uint64_t want = std::min<uint64_t>(std::max<uint64_t>(n, read_ahead_), BytesLeft());
  if (kept > 0) {
    std::memmove(buffer_.data(), buffer_.data() + (position_ - buffer_start_), kept);
  }
  if (buffer_.size() < want) buffer_.resize(want);
  buffer_start_ = position_;
  buffer_length_ = kept;
  const uint64_t missing = want - kept;
  if (source_->ReadAt(offset_ + position_ + kept, buffer_.data() + kept, missing) < missing) {
    throw Error("Stream read error");
  }
  buffer_length_ = want;
}

std::string_view TId3Stream::Take(uint64_t n) {
  if (n == 0) return {};
  Fill(n);
  const std::string_view bytes(buffer_.data() + (position_ - buffer_start_), n);
  position_ += n;
  return bytes;
}

std::string_view TId3Stream::Read(uint64_t n) {
  if (n > Limit() - position_) throw Error("Stream read error");
  return Take(n);
}

std::string_view TId3Stream::ReadUpTo(uint64_t n) { return Take(std::min(n, Limit() - position_)); }

uint32_t TId3Stream::ReadUInt32BE() { return BigEndian32(Read(4).data()); }

std::string_view TId3Stream::PeekAt(uint64_t position, uint64_t n) {
  position = std::min(position, size_);
  n = std::min(n, size_ - position);
  if (position >= buffer_start_ && position - buffer_start_ + n <= buffer_length_) {
    return std::string_view(buffer_.data() + (position - buffer_start_), n);
  }
  // An in-memory body is buffered whole, so only a source gets here. The buffer stays as it is
  // for the reads at the read position.
  if (source_ == nullptr) throw Error("Stream read error");
  peeked_.resize(n);
  if (source_->ReadAt(offset_ + position, peeked_.data(), n) < n) throw Error("Stream read error");
  return peeked_;
}

uint8_t TId3Stream::ReadEncoding() { return FrameBytesLeft() == 0 ? 0 : ReadByte(); }

std::string TId3Stream::ReadText8() {
  std::string text;
  uint64_t left = FrameBytesLeft();
  // A buffer load at a time, so a long text costs no more than its own bytes.
  while (left > 0) {
    Fill(1);
    const uint64_t count = std::min(left, Buffered());
    const std::string_view chunk(buffer_.data() + (position_ - buffer_start_), count);
    const size_t zero = chunk.find('\0');
    if (zero != std::string_view::npos) {
      text.append(chunk.substr(0, zero));
      position_ += zero + 1;
      return text;
    }
    text.append(chunk);
    position_ += count;
    left -= count;
  }
  return text;
}

std::u16string TId3Stream::ReadUnits(bool big_endian) {
  std::u16string text;
  while (FrameBytesLeft() >= 2) {
    const char* unit = Read(2).data();
    const auto c = static_cast<char16_t>(big_endian ? BigEndian16(unit) : LittleEndian16(unit));
    if (c == 0) break;
    text.push_back(c);
  }
  return text;
}

bool TId3Stream::ReadByteOrderMark(bool& big_endian) {
  const std::string_view mark = Read(2);
  const auto b0 = static_cast<uint8_t>(mark[0]);
  const auto b1 = static_cast<uint8_t>(mark[1]);
  big_endian = b0 == 0xFE && b1 == 0xFF;
  return big_endian || (b0 == 0xFF && b1 == 0xFE);
}

std::string TId3Stream::ReadText16() { return Spelled(ReadTagText(1)); }

std::string TId3Stream::ReadText16BigEndian() { return Spelled(ReadTagText(2)); }

std::string TId3Stream::ReadTextUtf8() { return Spelled(ReadTagText(3)); }

std::string TId3Stream::ReadText(uint8_t encoding) {
  if (encoding < 1 || encoding > 3) return ReadText8();
  return Spelled(ReadTagText(encoding));
}

TagText TId3Stream::ReadTagText(uint8_t encoding) {
  switch (encoding) {
    case 1: {
      bool big_endian;
      if (FrameBytesLeft() < 2 || !ReadByteOrderMark(big_endian)) return TagText::Unicode({});
      return TagText::Unicode(ReadUnits(big_endian));
    }
    case 2:
      return TagText::Unicode(ReadUnits(true));
    case 3:
      return TagText::Unicode(Utf8ToWide(ValidUtf8Part(ReadText8())).value_or(std::u16string()));
    default:
      return TagText::Ansi(ReadText8());
  }
}

std::string TId3Stream::Spelled(const TagText& text) {
  return SpellTagText(text, spelling_budget_);
}

void TId3Stream::SkipText(uint8_t encoding) {
  bool big_endian = true;
  switch (encoding) {
    case 1:
      if (FrameBytesLeft() >= 2 && ReadByteOrderMark(big_endian)) ReadUnits(big_endian);
      return;
    case 2:
      ReadUnits(big_endian);
      return;
    default:
      ReadText8();
      return;
  }
}

}  // namespace plondex
