#include "send/flacfacts.h"

#include <algorithm>
#include <string>

#include "platform/byteorder.h"

namespace plondex {
namespace {

constexpr uint32_t kStreamInfo = 0;
constexpr uint32_t kVorbisComment = 4;
constexpr size_t kStreamInfoSize = 34;
constexpr uint32_t kMaxCommentBlock = 1 << 20;
// Blocks looked at before giving up on finding the comments.
constexpr int kMaxBlocks = 256;

std::string ReadSome(const ByteSource& source, uint64_t at, size_t n) {
  std::string bytes(n, '\0');
  bytes.resize(source.ReadAt(at, bytes.data(), n));
  return bytes;
}

}  // namespace

void ReadVorbisComments(std::string_view block, SourceTags& tags) {
  if (block.size() < 4) return;
  const uint64_t vendor = LittleEndian32(block.data());
  if (vendor > block.size() - 4 || block.size() - 4 - vendor < 4) return;
  size_t at = 4 + vendor;
  uint32_t count = LittleEndian32(block.data() + at);
  at += 4;
  for (; count > 0 && block.size() - at >= 4; --count) {
    const uint64_t length = LittleEndian32(block.data() + at);
    at += 4;
    if (length > block.size() - at) return;
    const std::string_view comment = block.substr(at, length);
    at += length;
    const size_t equals = comment.find('=');
    if (equals != std::string_view::npos) {
      MapSourceTag(comment.substr(0, equals), comment.substr(equals + 1), tags);
    }
  }
}

std::optional<SongFacts> ReadFlacFacts(const ByteSource& source) {
  const std::string head = ReadSome(source, 0, 4 + 4 + kStreamInfoSize);
  if (head.size() < 4 + 4 + kStreamInfoSize || head.compare(0, 4, "fLaC") != 0) return {};
  const auto* b = reinterpret_cast<const unsigned char*>(head.data());
  if ((b[4] & 0x7F) != kStreamInfo || (BigEndian32(b + 4) & 0xFFFFFF) != kStreamInfoSize) {
    return {};
  }
  const unsigned char* info = b + 8;
  SongFacts facts;
  facts.sample_rate = static_cast<int>(info[10] << 12 | info[11] << 4 | info[12] >> 4);
  facts.channels = ((info[12] >> 1) & 7) + 1;
  const uint64_t samples = static_cast<uint64_t>(info[13] & 0x0F) << 32 | BigEndian32(info + 14);
  if (facts.sample_rate == 0 || samples == 0) return {};
  facts.duration = static_cast<double>(samples) / facts.sample_rate;
  facts.codec = "flac";

  const uint64_t size = source.Size();
  bool last = b[4] & 0x80;
  uint64_t at = head.size();
  for (int i = 0; i < kMaxBlocks && !last; ++i) {
    const std::string header = ReadSome(source, at, 4);
    if (header.size() < 4) break;
    const uint32_t word = BigEndian32(header.data());
    last = word & 0x80000000u;
    const uint32_t type = (word >> 24) & 0x7F;
    const uint32_t length = word & 0xFFFFFF;
    at += 4;
    if (length > size - at) break;
    if (type == kVorbisComment) {
      if (length <= kMaxCommentBlock) {
        const std::string block = ReadSome(source, at, length);
        if (block.size() == length) ReadVorbisComments(block, facts.tags);
      }
      break;
    }
    at += length;
  }
  facts.bit_rate =
      static_cast<int64_t>(std::min(static_cast<double>(size) * 8 / facts.duration, 1e9));
  return facts;
}

}  // namespace plondex
