#include "platform/byteorder.h"

#include <gtest/gtest.h>

namespace plondex {
namespace {

// Bytes with the high bit set catch a byte that is sign-extended before it is shifted.
TEST(ByteOrder, EachWidthInEachOrderFromSignedAndUnsignedBytes) {
  const unsigned char u[] = {0x81, 0x92, 0xA3, 0xF4};
  const char* s = reinterpret_cast<const char*>(u);
  EXPECT_EQ(LittleEndian16(u), 0x9281);
  EXPECT_EQ(LittleEndian16(s), 0x9281);
  EXPECT_EQ(LittleEndian32(u), 0xF4A39281u);
  EXPECT_EQ(LittleEndian32(s), 0xF4A39281u);
  EXPECT_EQ(BigEndian16(u), 0x8192);
  EXPECT_EQ(BigEndian16(s), 0x8192);
  EXPECT_EQ(BigEndian32(u), 0x8192A3F4u);
  EXPECT_EQ(BigEndian32(s), 0x8192A3F4u);
}

TEST(ByteOrder, SynchsafeTakesSevenBitsOfEachByte) {
  const unsigned char size[] = {0x00, 0x00, 0x02, 0x01};
  EXPECT_EQ(Synchsafe28(size), 0x101u);
  const char all[] = {'\xFF', '\xFF', '\xFF', '\xFF'};
  EXPECT_EQ(Synchsafe28(all), 0x0FFFFFFFu);
  const unsigned char each[] = {0x01, 0x02, 0x03, 0x04};
  EXPECT_EQ(Synchsafe28(each), (1u << 21) | (2u << 14) | (3u << 7) | 4u);
}

}  // namespace
}  // namespace plondex
