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

TEST(CodePage, ValidUtf8PartDropsWhatDoesNotDecode) {
  // A lone Latin-1 byte, an overlong form, a surrogate and a sequence cut short around valid text.
  EXPECT_EQ(ValidUtf8Part("a\xe4"
                          "b\xc0\xaf\xc3\xa4\xed\xa0\x80"
                          "c\xf0\x9f\x98\x80\xe2\x82"),
            "ab\xc3\xa4"
            "c\xf0\x9f\x98\x80");
  EXPECT_EQ(ValidUtf8Part("\xe2\x82"
                          "A"),
            "A");
}

TEST(TagSpelling, EachStepOfTheRule) {
  // Shown bytes stay, and a text of them alone is returned as it is.
  std::string shown;
  for (int b = 0; b < 256; ++b) {
    if (IsShownByte(static_cast<unsigned char>(b))) shown.push_back(static_cast<char>(b));
  }
  EXPECT_EQ(shown.size(), 93u);
  EXPECT_EQ(AnsiToShownText(shown), shown);
  // The decomposition without its marks.
  EXPECT_EQ(
      WideToTagAnsi(u"\u00f3\u00f1\u00e7\u00c9\u00eb\u0151\u0159\u017a\u2026\u2122\uff21\ufb01"),
      "\xf3\xf1\xe7\xc9\xeb"  // Windows-1252 holds these: spelled only when cleaned
      "orz\x85\x99"
      "Afi");
  EXPECT_EQ(AnsiToShownText("\xf3\xf1\xe7\xc9\xeb\x85\x99"), "oncEe...TM");
  // The table.
  EXPECT_EQ(WideToTagAnsi(u"\u0141\u0142\u0110\u0111\u0131\u201b\u2032\u2010\u2011\u2012\u2015"),
            "LlDdi''----");
  EXPECT_EQ(AnsiToShownText("\xd8\xf8\xc6\xe6\x8c\x9c\xd0\xf0\xde\xfe\x91\x92\x82\x96\x97\xa0"),
            "OoAEaeOEoeDdThth'''-- ");
  // Other scripts by transliteration, its result spelled again: a-circumflex -> a, soft sign
  // dropped.
  EXPECT_EQ(WideToTagAnsi(
                u"\u0420\u043e\u0441\u0441\u0438\u044f \u041c\u0430\u043b\u044c\u0447\u0438\u043a"),
            "Rossia Malcik");
  // A run goes through as a whole: the kana with its separate voicing mark is "ga", not "ka".
  EXPECT_EQ(WideToTagAnsi(u"\u304b\u3099"), "ga");
  // Nothing readable: dropped, also from a run.
  EXPECT_EQ(WideToTagAnsi(u"a\U0001F600b\u00bd"), "ab\xbd");
  EXPECT_EQ(AnsiToShownText("\x80\xa9\xbd x"), " x");
}

TEST(TagSpelling, UnicodeTextsKeepWindows1252AndSpellTheRest) {
  for (int b = 0; b < 256; ++b) {
    const std::string one(1, static_cast<char>(b));
    EXPECT_EQ(WideToTagAnsi(AnsiToWide(one)), one) << b;
    EXPECT_EQ(Utf8ToTagAnsi(AnsiToUtf8(one)), one) << b;
  }
  const std::u16string mixed =
      u"\u0141\u00f3d\u017a \u2013 \u0420\u043e\u0441\u0441\u0438\u044f, \u6771\u4eac "
      u"\u3072\u3089\u304c\u306a \u30ab\u30bf\u30ab\u30ca!";
  EXPECT_EQ(WideToTagAnsi(mixed),
            "L\xf3"
            "dz \x96 Rossia, dong jing hiragana katakana!");
  EXPECT_EQ(Utf8ToTagAnsi(WideToUtf8(mixed)), WideToTagAnsi(mixed));
  EXPECT_EQ(AnsiToShownText(WideToTagAnsi(mixed)), "Lodz - Rossia, dong jing hiragana katakana!");
  EXPECT_EQ(WideToTagAnsi(std::u16string(u"a") + char16_t(0xD800) + u"b"), "ab");
  // Not UTF-8 as a whole: every byte stays, the Cyrillic pair too.
  EXPECT_EQ(Utf8ToTagAnsi("Latin-1 \xe4 \xd0\xaf"), "Latin-1 \xe4 \xd0\xaf");
}

}  // namespace
}  // namespace plondex
