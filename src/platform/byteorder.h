#pragma once

// Whole numbers stored as bytes: little-endian (the database, Ogg, WMA, the tag cache),
// big-endian (ID3v2) and the ID3v2 header's size of four 7-bit bytes. Each reading function reads
// the bytes from b on, which may be char, signed char or unsigned char; the caller makes sure they
// are there. The writing ones append to or patch a byte string.

#include <cstddef>
#include <cstdint>
#include <string>

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
constexpr uint64_t LittleEndian64(const Byte* b) {
  return LittleEndian32(b) | static_cast<uint64_t>(LittleEndian32(b + 4)) << 32;
}

// Appends the low `bytes` bytes of value, least significant first.
inline void AppendLittleEndian(std::string& out, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// Overwrites the `bytes` bytes at `at` with value, least significant first.
inline void PatchLittleEndian(std::string& out, size_t at, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
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
