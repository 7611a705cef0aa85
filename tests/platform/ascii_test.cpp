#include "platform/ascii.h"

#include <gtest/gtest.h>

namespace plondex {
namespace {

TEST(Ascii, FoldsOnlyAsciiLetters) {
  EXPECT_EQ(AsciiLower("AZaz@[`{09 \xC4\xE4"), "azaz@[`{09 \xC4\xE4");
  EXPECT_EQ(AsciiUpper("AZaz@[`{09 \xC4\xE4"), "AZAZ@[`{09 \xC4\xE4");
  EXPECT_TRUE(EqualsIgnoringAsciiCase("Plays.M3U", "plays.m3u"));
  EXPECT_FALSE(EqualsIgnoringAsciiCase("\xC4", "\xE4"));
  EXPECT_FALSE(EqualsIgnoringAsciiCase("ab", "abc"));
}

TEST(Ascii, HexDigitValues) {
  EXPECT_EQ(HexDigitValue('0'), 0);
  EXPECT_EQ(HexDigitValue('9'), 9);
  EXPECT_EQ(HexDigitValue('a'), 10);
  EXPECT_EQ(HexDigitValue('F'), 15);
  for (char c : {'g', 'G', '/', ':', '@', '`', ' ', '\xB1'}) EXPECT_EQ(HexDigitValue(c), -1) << c;
  EXPECT_EQ(HexDigitValue(u'\u0131'), -1);  // its low byte is '1'
  EXPECT_EQ(HexByteValue('f', '0'), 0xF0);
  EXPECT_EQ(HexByteValue('0', 'g'), -1);
  EXPECT_EQ(HexByteValue('g', '0'), -1);
}

}  // namespace
}  // namespace plondex
