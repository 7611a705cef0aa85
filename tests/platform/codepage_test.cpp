#include "platform/codepage.h"

#include <gtest/gtest.h>

namespace plondex {
namespace {

TEST(CodePage, HighBytesRoundTripThroughUnicode) {
  for (int b = 0; b < 256; ++b) {
    const std::string one(1, static_cast<char>(b));
    EXPECT_EQ(WideToAnsi(AnsiToWide(one)), one) << b;
    EXPECT_EQ(Utf8ToAnsi(AnsiToUtf8(one)), one) << b;
  }
  EXPECT_EQ(AnsiCharToWide(0x80), u'\u20AC');
  EXPECT_EQ(AnsiCharToWide(0x9F), u'\u0178');
  EXPECT_EQ(AnsiCharToWide(0x81), u'\u0081');  // unassigned bytes stand for themselves
  EXPECT_EQ(AnsiCharToWide(0xE4), u'\u00E4');
}

TEST(CodePage, WideToAnsiGivesOneQuestionMarkPerCharacter) {
  EXPECT_EQ(WideToAnsi(u"M\u00e4dchen \u20ac"),
            "M\xe4"
            "dchen \x80");
  EXPECT_EQ(WideToAnsi(u"\u4e2d\u6587"), "??");
  EXPECT_EQ(WideToAnsi(u"a\U0001F600b"), "a?b");  // a surrogate pair is one character
  EXPECT_EQ(WideToAnsi(std::u16string(u"a") + char16_t(0xD800) + u"b"), "a?b");
  EXPECT_EQ(WideToAnsi(std::u16string(1, char16_t(0xDC00))), "?");
}

TEST(CodePage, InvalidUtf8KeepsItsBytes) {
  EXPECT_EQ(Utf8ToAnsi("M\xc3\xa4"
                       "dchen"),
            "M\xe4"
            "dchen");
  EXPECT_EQ(Utf8ToAnsi("Latin-1 \xe4"), "Latin-1 \xe4");
  EXPECT_FALSE(Utf8ToWide("\xc0\xaf").has_value());          // overlong
  EXPECT_FALSE(Utf8ToWide("\xed\xa0\x80").has_value());      // surrogate
  EXPECT_FALSE(Utf8ToWide("\xf4\x90\x80\x80").has_value());  // above U+10FFFF
  EXPECT_FALSE(Utf8ToWide("\xe2\x82").has_value());          // cut short
  EXPECT_EQ(WideToUtf8(*Utf8ToWide("\xf0\x9f\x98\x80")), "\xf0\x9f\x98\x80");
}

}  // namespace
}  // namespace plondex
