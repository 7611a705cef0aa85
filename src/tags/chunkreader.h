#pragma once

// Little-endian reads through a growing chunk buffer over a byte source: tag headers lie close
// together, so most reads are memory copies rather than one system call each, and a small
// header costs a small read. The source's size is asked for only by Left(): a read past the end
// simply comes back short.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/byteorder.h"
#include "platform/files.h"

namespace plondex {

class ChunkReader {
 public:
  ChunkReader(const ByteSource& source, uint64_t position, size_t first_chunk)
      : source_(source), position_(position), chunk_size_(first_chunk) {}

  uint64_t Position() const { return position_; }
  void Seek(uint64_t position) { position_ = position; }
  // Skipping never fails by itself; a later read past the end does.
  void Skip(uint64_t n) { position_ += n; }
  // Bytes not yet read.
  uint64_t Left() const {
    const uint64_t size = source_.Size();
    return position_ < size ? size - position_ : 0;
  }

  // Reads exactly n bytes (n is small: a field, or a text the caller has capped); false when the
  // source ends first.
  bool Read(void* out, size_t n) {
    if (position_ < chunk_at_ || position_ - chunk_at_ > chunk_.size() ||
        chunk_.size() - (position_ - chunk_at_) < n) {
      chunk_.resize(std::max(chunk_size_, n));
      chunk_size_ = std::min(2 * chunk_size_, kLargestChunk);
      chunk_at_ = position_;
      chunk_.resize(source_.ReadAt(position_, chunk_.data(), chunk_.size()));
      if (n > chunk_.size()) return false;
    }
    std::memcpy(out, chunk_.data() + (position_ - chunk_at_), n);
    position_ += n;
    return true;
  }

  bool ReadU16(uint16_t* value) {
    unsigned char b[2];
    if (!Read(b, sizeof b)) return false;
    *value = LittleEndian16(b);
    return true;
  }

  bool ReadU32(uint32_t* value) {
    unsigned char b[4];
    if (!Read(b, sizeof b)) return false;
    *value = LittleEndian32(b);
    return true;
  }

 private:
  // Only long lists of comments or descriptors need the larger chunks.
  static constexpr size_t kLargestChunk = 64 * 1024;
  const ByteSource& source_;
  uint64_t position_;
  std::vector<unsigned char> chunk_;
  uint64_t chunk_at_ = 0;
  size_t chunk_size_;
};

}  // namespace plondex
