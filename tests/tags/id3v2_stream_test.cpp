// The tag reader's building blocks: the working stream, the identifier finder and the language
// table.

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>

#include "platform/error.h"
#include "support/id3v2_builder.h"
#include "tags/id3stream.h"
#include "tags/id3terms.h"
#include "tags/languages.h"

namespace plondex {
namespace {

std::string ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const Error& e) {
    return e.what();
  }
  return "";
}

TEST(Id3v2Stream, FrameWindowOperations) {
  TId3Stream s(std::string(20, 'x'));
  EXPECT_EQ(s.FrameBytesLeft(), 0u);
  EXPECT_EQ(ErrorOf([&] { s.LeaveFrame(); }), "Not reading frame");
  s.EnterFrame(5);
  EXPECT_EQ(s.FrameBytesLeft(), 5u);
  EXPECT_EQ(ErrorOf([&] { s.EnterFrame(1); }), "Already reading frame");
  s.Read(2);
  EXPECT_EQ(s.FrameBytesLeft(), 3u);
  s.LeaveFrame();
  EXPECT_EQ(s.Position(), 5u);
  EXPECT_FALSE(s.InFrame());
  // A window never reaches past the end of the tag.
  s.EnterFrame(1000);
  EXPECT_EQ(s.FrameBytesLeft(), 15u);
  s.LeaveFrame();
  EXPECT_EQ(s.Position(), 20u);
  EXPECT_EQ(s.BytesLeft(), 0u);
}

TEST(Id3v2Stream, ReadsStayInsideTheWindow) {
  TId3Stream s(std::string("abcdefgh", 8));
  s.EnterFrame(3);
  EXPECT_EQ(ErrorOf([&] { s.Read(4); }), "Stream read error");
  EXPECT_EQ(s.ReadUpTo(10), "abc");
  EXPECT_EQ(s.ReadText8(), "");
  s.LeaveFrame();
  EXPECT_EQ(s.Read(5), "defgh");
  EXPECT_EQ(ErrorOf([&] { s.ReadByte(); }), "Stream read error");
}

TEST(Id3v2Stream, TextsNeedAWindow) {
  TId3Stream s(std::string("text\0", 5));
  EXPECT_EQ(s.ReadEncoding(), 0);
  EXPECT_EQ(s.ReadText8(), "");
  EXPECT_EQ(s.ReadText16(), "");
  EXPECT_EQ(s.Position(), 0u);
}

TEST(Id3v2Stream, EightBitTextPositions) {
  TId3Stream s(std::string("ab\0cd\0", 6));
  s.EnterFrame(5);
  EXPECT_EQ(s.ReadText8(), "ab");
  EXPECT_EQ(s.Position(), 3u);
  // No zero byte inside the window: the text ends at the window end.
  EXPECT_EQ(s.ReadText8(), "cd");
  EXPECT_EQ(s.Position(), 5u);
}

TEST(Id3v2Stream, Utf16TextPositions) {
  // Mark, "A", zero unit, then a second text without terminator and an odd byte.
  const std::string bytes = test::Utf16Text(u"A", test::Utf16Order::kLittleEndian) +
                            test::Utf16Text(u"BC", test::Utf16Order::kBigEndian, false) + "!";
  TId3Stream s(bytes);
  s.EnterFrame(s.Size());
  EXPECT_EQ(s.ReadText16(), "A");
  EXPECT_EQ(s.Position(), 6u);
  EXPECT_EQ(s.ReadText16(), "BC");
  EXPECT_EQ(s.FrameBytesLeft(), 1u);
  EXPECT_EQ(s.ReadText16(), "");
  EXPECT_EQ(s.FrameBytesLeft(), 1u);
  // A mark that is none still uses up its two bytes.
  TId3Stream t(std::string("\x41\x00\x42\x00", 4));
  t.EnterFrame(4);
  EXPECT_EQ(t.ReadText16(), "");
  EXPECT_EQ(t.Position(), 2u);
}

TEST(Id3v2Stream, WindowGuardClosesOnFailure) {
  TId3Stream s(std::string(8, 'x'));
  EXPECT_THROW(
      {
        Id3FrameWindow window(s, 2);
        s.Read(3);
      },
      Error);
  EXPECT_FALSE(s.InFrame());
  EXPECT_EQ(s.Position(), 2u);
}

TEST(Id3v2Terms, TableHas95KindsEachWithAnIdentifier) {
  const auto& terms = TId3TermFinder::Terms();
  ASSERT_EQ(terms.size(), 95u);
  std::set<std::string_view> fours, threes;
  for (size_t i = 1; i < terms.size(); ++i) {
    EXPECT_TRUE(!terms[i].id4.empty() || !terms[i].id3.empty()) << i;
    if (!terms[i].id4.empty()) {
      EXPECT_TRUE(fours.insert(terms[i].id4).second) << terms[i].id4;
    }
    if (!terms[i].id3.empty()) {
      EXPECT_TRUE(threes.insert(terms[i].id3).second) << terms[i].id3;
    }
  }
  EXPECT_TRUE(terms[0].id4.empty() && terms[0].id3.empty());
}

TEST(Id3v2Terms, HandledFramesAndTheirThreeLetterNames) {
  const char* pairs[][2] = {
      {"APIC", "PIC"}, {"COMM", "COM"}, {"ETCO", "ETC"}, {"GEOB", "GEO"}, {"IPLS", "IPL"},
      {"MCDI", "MCI"}, {"PCNT", "CNT"}, {"POPM", "POP"}, {"TALB", "TAL"}, {"TBPM", "TBP"},
      {"TCOM", "TCM"}, {"TCON", "TCO"}, {"TCOP", "TCR"}, {"TDAT", "TDA"}, {"TDLY", "TDY"},
      {"TENC", "TEN"}, {"TEXT", "TXT"}, {"TFLT", "TFT"}, {"TIME", "TIM"}, {"TIT1", "TT1"},
      {"TIT2", "TT2"}, {"TIT3", "TT3"}, {"TPE1", "TP1"}, {"TPE2", "TP2"}, {"TPE3", "TP3"},
      {"TPE4", "TP4"}, {"USLT", "ULT"}, {"TKEY", "TKE"}, {"TLAN", "TLA"}, {"TLEN", "TLE"},
      {"TMED", "TMT"}, {"TOAL", "TOT"}, {"TOFN", "TOF"}, {"TOLY", "TOL"}, {"TOPE", "TOA"},
      {"TORY", "TOR"}, {"TPOS", "TPA"}, {"TPUB", "TPB"}, {"TRCK", "TRK"}, {"TRDA", "TRD"},
      {"TRSN", "TRN"}, {"TRSO", "TRO"}, {"TSIZ", "TSI"}, {"TSRC", "TRC"}, {"TXXX", "TXX"},
      {"TYER", "TYE"}, {"WCOM", "WCM"}, {"WCOP", "WCP"}, {"WOAF", "WAF"}, {"WOAR", "WAR"},
      {"WOAS", "WAS"}, {"WORS", "WRA"}, {"WPAY", "WPY"}, {"WPUB", "WPB"}, {"WXXX", "WXX"},
  };
  TId3TermFinder& finder = TId3TermFinder::Instance();
  for (const auto& p : pairs) {
    const Id3FrameKind kind = finder.Find4(p[0]);
    EXPECT_NE(kind, Id3FrameKind::kNone) << p[0];
    EXPECT_EQ(finder.Find3(p[1]), kind) << p[1];
    EXPECT_EQ(TId3TermFinder::Terms()[static_cast<size_t>(kind)].id4, p[0]);
  }
  for (const char* only4 : {"OWNE", "TOWN", "TSSE", "USER"}) {
    const Id3FrameKind kind = finder.Find4(only4);
    EXPECT_NE(kind, Id3FrameKind::kNone) << only4;
    EXPECT_TRUE(TId3TermFinder::Terms()[static_cast<size_t>(kind)].id3.empty()) << only4;
  }
  EXPECT_TRUE(finder.Built4());
  EXPECT_TRUE(finder.Built3());
}

TEST(Id3v2Terms, LookupIgnoresCaseButNotLength) {
  TId3TermFinder& finder = TId3TermFinder::Instance();
  EXPECT_EQ(finder.Find4("tit2"), Id3FrameKind::kTIT2);
  EXPECT_EQ(finder.Find4("TiT2"), Id3FrameKind::kTIT2);
  EXPECT_EQ(finder.Find3("tt2"), Id3FrameKind::kTIT2);
  EXPECT_EQ(finder.Find4("TT2"), Id3FrameKind::kNone);
  EXPECT_EQ(finder.Find3("TIT2"), Id3FrameKind::kNone);
  EXPECT_EQ(finder.Find4("TIT"), Id3FrameKind::kNone);
  EXPECT_EQ(finder.Find4("ZZZZ"), Id3FrameKind::kNone);
  EXPECT_EQ(finder.Find4(""), Id3FrameKind::kNone);
  EXPECT_EQ(finder.Find4("TDRC"), Id3FrameKind::kTDRC);
  EXPECT_EQ(finder.Find3("CRM"), Id3FrameKind::kCRM);
}

TEST(Id3v2Languages, TableRows) {
  const auto table = LanguageTable();
  EXPECT_EQ(table.size(), 506u);
  std::set<std::string_view> codes;
  for (const LanguageEntry& e : table) {
    EXPECT_EQ(e.code.size(), 3u);
    for (char c : e.code) EXPECT_TRUE(c >= 'a' && c <= 'z') << e.code;
    EXPECT_FALSE(e.name.empty()) << e.code;
    EXPECT_TRUE(codes.insert(e.code).second) << e.code;
  }
}

TEST(Id3v2Languages, Lookup) {
  EXPECT_EQ(LanguageName("eng"), "English");
  EXPECT_EQ(LanguageName("ENG"), "English");
  // Terminology and bibliographic codes both.
  EXPECT_EQ(LanguageName("deu"), "German");
  EXPECT_EQ(LanguageName("ger"), "German");
  EXPECT_EQ(LanguageName("fre"), LanguageName("fra"));
  EXPECT_EQ(LanguageName("vol"), "Volap\xFCk");  // Windows-1252
  EXPECT_EQ(LanguageName("en"), "");
  EXPECT_EQ(LanguageName("engl"), "");
  EXPECT_EQ(LanguageName("qqq"), "");
  EXPECT_EQ(LanguageName(""), "");
}

}  // namespace
}  // namespace plondex
