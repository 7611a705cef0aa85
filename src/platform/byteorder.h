#pragma once

// Whole numbers stored as bytes: little-endian (the database, Ogg, WMA), big-endian (ID3v2) and
// the ID3v2 header's size of four 7-bit bytes. Each function reads the bytes from b on, which
// may be char, signed char or unsigned char; the caller makes sure they are there.

#include <cstdint>

namespace plondex {

namespace byteorder_detail {

template <typename Byte>
constexpr uint32_t At(const Byte* b, int i) {
  static_assert(sizeof(Byte) == 1, "bytes only");
  return static_cast<uint8_t>(b[i]);
}

}  // namespace byteorder_detail

template <typename Byte>
constexpr uint16_t LittleEndian16(const Byte* b) {
  using byteorder_detail::At;
  return static_cast<uint16_t>(At(b, 0) | At(b, 1) << 8);
}

template <typename Byte>
constexpr uint32_t LittleEndian32(const Byte* b) {
  using byteorder_detail::At;
  return At(b, 0) | At(b, 1) << 8 | At(b, 2) << 16 | At(b, 3) << 24;
}

template <typename Byte>
constexpr uint16_t BigEndian16(const Byte* b) {
  using byteorder_detail::At;
  return static_cast<uint16_t>(At(b, 0) << 8 | At(b, 1));
}

template <typename Byte>
constexpr uint32_t BigEndian32(const Byte* b) {
  using byteorder_detail::At;
  return At(b, 0) << 24 | At(b, 1) << 16 | At(b, 2) << 8 | At(b, 3);
}

// Four bytes of which only the low 7 bits count, most significant first: 0 to 2^28 - 1.
template <typename Byte>
constexpr uint32_t Synchsafe28(const Byte* b) {
  using byteorder_detail::At;
  return (At(b, 0) & 0x7F) << 21 | (At(b, 1) & 0x7F) << 14 | (At(b, 2) & 0x7F) << 7 |
         (At(b, 3) & 0x7F);
}

}  // namespace plondex
