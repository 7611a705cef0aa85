#include "platform/codepage.h"

#include <gtest/gtest.h>
#include <unicode/normalizer2.h>
#include <unicode/unistr.h>
#include <unicode/utf16.h>

#include <random>
#include <string>
#include <vector>

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
  // A letter written as base letter and accent is the letter; a mark that composes with nothing
  // still goes.
  EXPECT_EQ(Utf8ToTagAnsi("Cafe\xcc\x81"), "Caf\xe9");
  EXPECT_EQ(WideToTagAnsi(u"Lo\u0301dz\u0301 A\u030a x\u0301\u0308"),
            "L\xf3"
            "dz \xc5 x");
  // Any-Latin repeats half of the emoji for the iteration mark after it: dropped like the rest.
  EXPECT_EQ(WideToTagAnsi(u"a\U0001F50D\u30FEb\U0001F50D\u30FE"), "ab");
}

// Texts of random characters from many scripts and symbol blocks; a few control characters and
// unpaired surrogates among them.
std::vector<std::u16string> RandomTexts(int count) {
  static constexpr UChar32 kBlocks[][2] = {
      {0x20, 0x7E},       {0xA0, 0xFF},       {0x100, 0x24F},   {0x300, 0x36F},   {0x370, 0x3FF},
      {0x400, 0x4FF},     {0x530, 0x58F},     {0x5D0, 0x5EA},   {0x620, 0x64A},   {0x900, 0x97F},
      {0xE01, 0xE5B},     {0x10A0, 0x10FF},   {0x1100, 0x11FF}, {0x1E00, 0x1EFF}, {0x2000, 0x206F},
      {0x2100, 0x218F},   {0x2190, 0x22FF},   {0x2460, 0x24FF}, {0x2500, 0x257F}, {0x3040, 0x30FF},
      {0x3300, 0x33FF},   {0x4E00, 0x9FFF},   {0xAC00, 0xD7A3}, {0xFB00, 0xFB06}, {0xFF01, 0xFFEE},
      {0x1D400, 0x1D7FF}, {0x1F300, 0x1F64F}, {0x0, 0x1F},      {0x80, 0x9F},     {0xD800, 0xDFFF},
  };
  std::mt19937 random(7);
  std::uniform_int_distribution<size_t> length(1, 12), block(0, std::size(kBlocks) - 1);
  std::vector<std::u16string> texts(count);
  for (std::u16string& text : texts) {
    for (size_t n = length(random); n > 0; --n) {
      const auto& [first, last] = kBlocks[block(random)];
      char16_t units[2];
      size_t used = 0;
      U16_APPEND_UNSAFE(units, used, std::uniform_int_distribution<UChar32>(first, last)(random));
      text.append(units, used);
    }
  }
  return texts;
}

std::u16string Nfc(const std::u16string& text) {
  UErrorCode status = U_ZERO_ERROR;
  const icu::UnicodeString nfc = icu::Normalizer2::getNFCInstance(status)->normalize(
      icu::UnicodeString(text.data(), static_cast<int32_t>(text.size())), status);
  EXPECT_TRUE(U_SUCCESS(status));
  return std::u16string(nfc.getBuffer(), static_cast<size_t>(nfc.length()));
}

// The spelling of a text is the spellings of its pieces put together, when it is cut before
// every character that has a spelling of its own (or is a Windows-1252 character, kept as its
// byte): whatever precedes such a character, it ends the run before it and comes out as its own
// spelling. Unicode texts are composed first, so the pieces are cut from the composed text.
TEST(TagSpelling, ACharacterWithASpellingOfItsOwnEndsTheRunBeforeIt) {
  EXPECT_EQ(AnsiToShownText("\xab\xc9lodie\xbb \xa1\xd1"
                            "and\xfa! \xa9\xc6on \xbd\xd8rsted"),
            "Elodie Nandu! AEon Orsted");
  EXPECT_EQ(WideToTagAnsi(u"\u0967\u1E42"), "1M");

  const std::u16string windows1252 = [] {
    std::string all;
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
    return AnsiToWide(all);
  }();
  const auto ends_run = [&](char32_t c) {
    return windows1252.find(static_cast<char16_t>(c)) != std::u16string::npos ||
           CharacterSpelling(c).has_value();
  };
  for (const std::u16string& text : RandomTexts(3000)) {
    const std::u16string composed = Nfc(text);
    std::string pieces;
    size_t start = 0;
    for (size_t i = 0; i < composed.size();) {
      const size_t at = i;
      UChar32 c;
      U16_NEXT(composed.data(), i, composed.size(), c);
      if (at == start || !ends_run(static_cast<char32_t>(c))) continue;
      pieces += WideToTagAnsi(composed.substr(start, at - start));
      start = at;
    }
    pieces += WideToTagAnsi(composed.substr(start));
    EXPECT_EQ(WideToTagAnsi(text), pieces) << WideToUtf8(text);
  }

  std::mt19937 random(7);
  std::uniform_int_distribution<int> byte(1, 255), length(1, 12);
  for (int n = 0; n < 3000; ++n) {
    std::string text;
    for (int k = length(random); k > 0; --k) text.push_back(static_cast<char>(byte(random)));
    std::string pieces;
    size_t start = 0;
    for (size_t i = 1; i < text.size(); ++i) {
      if (!CharacterSpelling(AnsiCharToWide(static_cast<unsigned char>(text[i])))) continue;
      pieces += AnsiToShownText(text.substr(start, i - start));
      start = i;
    }
    pieces += AnsiToShownText(text.substr(start));
    EXPECT_EQ(AnsiToShownText(text), pieces) << AnsiToUtf8(text);
  }
}

}  // namespace
}  // namespace plondex
