#include "tags/id3v2.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "platform/error.h"
#include "platform/files.h"
#include "support/id3v2_builder.h"
#include "support/temp_dir.h"

namespace plondex {
namespace {

using test::Id3v2Builder;
using test::Utf16Order;
using Strings = std::vector<std::string>;

void ReadInto(TId3v2& tag, const std::string& bytes) {
  MemorySource source(bytes);
  tag.ReadFromSource(source);
}

TId3v2 Read(const std::string& bytes) {
  TId3v2 tag;
  ReadInto(tag, bytes);
  return tag;
}

// The message of the error a read raises, or "" when it raises none.
std::string ReadError(TId3v2& tag, const std::string& bytes) {
  MemorySource source(bytes);
  try {
    tag.ReadFromSource(source);
  } catch (const Error& e) {
    return e.what();
  }
  return "";
}

std::string Padded(Id3v2Builder builder) { return builder.Padding(32).Build(); }

TEST(Id3v2Header, VersionsTwoToFourOfAnyRevisionAreParsed) {
  struct Case {
    uint8_t major, revision;
    double version;
    const char* title;
  };
  for (const Case& c : {Case{4, 0, 4.0, "T"}, Case{3, 1, 3.01, "T"}, Case{2, 0, 2.0, "T"},
                        Case{4, 2, 4.02, "T"}, Case{5, 0, 5.0, ""}, Case{1, 0, 1.0, ""}}) {
    const TId3v2 tag = Read(Padded(
        Id3v2Builder().Version(c.major, c.revision).Text(c.major == 2 ? "TT2" : "TIT2", "T")));
    EXPECT_TRUE(tag.TagPresent());
    EXPECT_DOUBLE_EQ(tag.Version(), c.version);
    EXPECT_EQ(tag.MajorVersion(), c.major);
    EXPECT_EQ(tag.Revision(), c.revision);
    EXPECT_EQ(tag.Texts().ContentDescription(), c.title) << int{c.major} << "." << int{c.revision};
  }
  const TId3v2 v230 = Read(Padded(Id3v2Builder().Text("TIT2", "T")));
  EXPECT_DOUBLE_EQ(v230.Version(), 3.0);
  EXPECT_EQ(v230.Texts().ContentDescription(), "T");
}

TEST(Id3v2Header, MarkerIsCaseSensitive) {
  std::string bytes = Padded(Id3v2Builder().Text("TIT2", "T"));
  bytes[0] = 'i';
  bytes[1] = 'd';
  const TId3v2 tag = Read(bytes);
  EXPECT_FALSE(tag.TagPresent());
  EXPECT_DOUBLE_EQ(tag.Version(), 0);
  EXPECT_EQ(tag.TagSize(), 0);
  EXPECT_EQ(tag.Texts().ContentDescription(), "");
}

TEST(Id3v2Header, FlagsAndSynchsafeSize) {
  // Headers alone: the bodies they announce are missing, and the header values stay.
  std::string header("ID3\x04\x00\xE0\x00\x00\x02\x01", 10);
  TId3v2 tag;
  EXPECT_EQ(ReadError(tag, header), "Stream read error");
  EXPECT_TRUE(tag.Unsynchronisation());
  EXPECT_TRUE(tag.ExtendedHeader());
  EXPECT_TRUE(tag.Experimental());
  EXPECT_EQ(tag.TagSize(), 257);

  header = std::string("ID3\x04\x00\x40\xFF\xFF\xFF\xFF", 10);
  EXPECT_EQ(ReadError(tag, header), "Stream read error");
  EXPECT_FALSE(tag.Unsynchronisation());
  EXPECT_TRUE(tag.ExtendedHeader());
  EXPECT_FALSE(tag.Experimental());
  EXPECT_EQ(tag.TagSize(), 268435455);
}

TEST(Id3v2Header, ShortFilesAndEmptyTags) {
  TId3v2 tag;
  EXPECT_EQ(ReadError(tag, ""), "Stream read error");
  EXPECT_EQ(ReadError(tag, std::string("ID3\x03\x00\x00\x00\x00\x00", 9)), "Stream read error");
  EXPECT_EQ(ReadError(tag, std::string("ID3\x03\x00\x00\x00\x00\x00\x00", 10)), "");
  EXPECT_TRUE(tag.TagPresent());
  EXPECT_EQ(ReadError(tag, "no tag here, just audio"), "");
  EXPECT_FALSE(tag.TagPresent());
}

TEST(Id3v2Header, BodyPastTheEndFailsWithoutAllocatingIt) {
  // 20 bytes that claim a tag of 256 MiB (the largest size), with and without unsynchronisation.
  for (uint8_t flags : {uint8_t{0}, Id3v2Builder::kUnsynchronisation}) {
    std::string bytes = std::string("ID3\x03\x00", 5) + static_cast<char>(flags) +
                        test::SynchsafeSize(0x0FFFFFFF) + std::string(10, 'x');
    ASSERT_EQ(bytes.size(), 20u);
    TId3v2 tag;
    EXPECT_EQ(ReadError(tag, bytes), "Stream read error");
    EXPECT_TRUE(tag.TagPresent());
    EXPECT_EQ(tag.TagSize(), 0x0FFFFFFF);
  }
  // One byte short.
  std::string bytes = Id3v2Builder().Text("TIT2", "Title").Padding(20).Build();
  bytes.pop_back();
  TId3v2 tag;
  EXPECT_EQ(ReadError(tag, bytes), "Stream read error");
}

TEST(Id3v2Text, EightBitTextEndsAtZeroByte) {
  const TId3v2 tag = Read(Padded(Id3v2Builder().Frame("TIT2", std::string("\0Hello\0World", 12))));
  EXPECT_EQ(tag.Texts().ContentDescription(), "Hello");
}

TEST(Id3v2Text, EightBitBytesPassUnchanged) {
  const TId3v2 tag = Read(Padded(Id3v2Builder().Text("TALB",
                                                     "M\xE4"
                                                     "dchen \x80\x9F")));
  EXPECT_EQ(tag.Texts().Album(),
            "M\xE4"
            "dchen \x80\x9F");
}

TEST(Id3v2Text, Utf16BothByteOrdersWithAndWithoutTerminator) {
  for (Utf16Order order : {Utf16Order::kLittleEndian, Utf16Order::kBigEndian}) {
    for (bool terminator : {true, false}) {
      const TId3v2 tag = Read(Padded(Id3v2Builder().Text16("TIT2", u"Hi", order, terminator)));
      EXPECT_EQ(tag.Texts().ContentDescription(), "Hi");
    }
  }
}

TEST(Id3v2Text, Utf16TextIsConvertedToTheCodePageWithReadableSpellings) {
  // e-acute and the euro sign are in Windows-1252; a CJK letter is spelled out, an emoji has no
  // spelling.
  const TId3v2 tag =
      Read(Padded(Id3v2Builder().Text16("TIT2", u"Caf\u00E9 \u20AC \u4E2D \U0001F600!")));
  EXPECT_EQ(tag.Texts().ContentDescription(), "Caf\xE9 \x80 zhong !");
}

// One tag spells out a bounded number of characters of other scripts, whatever its texts hold.
TEST(Id3v2Text, OneTagSpellsOutABoundedNumberOfLetters) {
  const TId3v2 tag = Read(Padded(
      Id3v2Builder().Text16("TIT2", std::u16string(20000, u'\u03B1')).Text16("TALB", u"Ab\u03B2")));
  EXPECT_EQ(tag.Texts().ContentDescription(), std::string(16384, 'a'));
  EXPECT_EQ(tag.Texts().Album(), "Ab");
  const TId3v2 next = Read(Padded(Id3v2Builder().Text16("TALB", u"Ab\u03B2")));
  EXPECT_EQ(next.Texts().Album(), "Abb");
}

TEST(Id3v2Text, Utf16WithoutByteOrderMarkIsEmpty) {
  const TId3v2 tag = Read(Padded(Id3v2Builder()
                                     .Frame("TIT2", std::string("\x01H\0i\0", 5))
                                     .Frame("TALB", std::string("\x01\xFF", 2))
                                     .Frame("TCON", "\x01")));
  EXPECT_EQ(tag.Texts().ContentDescription(), "");
  EXPECT_EQ(tag.Texts().Album(), "");
  EXPECT_EQ(tag.Texts().Content(), "");
}

TEST(Id3v2Text, Utf16OddByteAtTheEndIsIgnored) {
  const TId3v2 tag =
      Read(Padded(Id3v2Builder().Frame("TIT2", std::string("\x01\xFF\xFEO\0K\0!", 8))));
  EXPECT_EQ(tag.Texts().ContentDescription(), "OK");
}

TEST(Id3v2Text, FourEncodingsInEveryVersionAndOthersAsEightBit) {
  // "Grüß Łódź" as ISO-8859-1 (without the Polish letters), UTF-16 with a mark, UTF-16
  // big-endian without one, UTF-8, and under an unknown encoding byte.
  const std::string utf8 =
      "Gr\xC3\xBC\xC3\x9F \xC5\x81\xC3\xB3"
      "d\xC5\xBA";
  const std::string frames[] = {
      std::string("\0Gr\xFC\xDF", 5),
      "\x01" + test::Utf16Text(u"Gr\u00FC\u00DF \u0141\u00F3d\u017A", Utf16Order::kBigEndian),
      "\x02" + test::Utf16Text(u"Gr\u00FC\u00DF \u0141\u00F3d\u017A", Utf16Order::kBigEndian, true,
                               false),
      "\x03" + utf8,
  };
  const std::string expected[] = {"Gr\xFC\xDF",
                                  "Gr\xFC\xDF L\xF3"
                                  "dz",
                                  "Gr\xFC\xDF L\xF3"
                                  "dz",
                                  "Gr\xFC\xDF L\xF3"
                                  "dz"};
  for (uint8_t major : {2, 3, 4}) {
    for (size_t i = 0; i < std::size(frames); ++i) {
      const TId3v2 tag = Read(
          Padded(Id3v2Builder().Version(major, 0).Frame(major == 2 ? "TT2" : "TIT2", frames[i])));
      EXPECT_EQ(tag.Texts().ContentDescription(), expected[i]) << "2." << int{major} << " " << i;
    }
  }
  EXPECT_EQ(Read(Padded(Id3v2Builder().Frame("TIT2", "\x04" + utf8))).Texts().ContentDescription(),
            utf8);
}

TEST(Id3v2Text, InvalidTextKeepsWhatDecodes) {
  // A lone continuation byte, a cut sequence and a Latin-1 byte in UTF-8; an unpaired surrogate
  // and a byte left over in UTF-16.
  TId3v2 tag = Read(Padded(Id3v2Builder().Frame("TIT2",
                                                "\x03"
                                                "A\x80"
                                                "B\xE2\x82"
                                                "C\xE4"
                                                "D")));
  EXPECT_EQ(tag.Texts().ContentDescription(), "ABCD");
  tag = Read(Padded(
      Id3v2Builder().Frame("TIT2", "\x02" +
                                       test::Utf16Text(u"A\xD800"
                                                       "B",
                                                       Utf16Order::kBigEndian, false, false) +
                                       "!")));
  EXPECT_EQ(tag.Texts().ContentDescription(), "AB");
}

TEST(Id3v2Text, LastFrameWinsForTexts) {
  const TId3v2 tag = Read(Padded(Id3v2Builder().Text("TALB", "First").Text("TALB", "Second")));
  EXPECT_EQ(tag.Texts().Album(), "Second");
}

TEST(Id3v2Text, EmptyFrameEmptiesTheText) {
  TId3v2 tag = Read(Padded(Id3v2Builder().Text("TALB", "Album").Frame("TALB", "")));
  EXPECT_EQ(tag.Texts().Album(), "");
  // As the very last 10 bytes of the tag an empty frame is not reached.
  tag = Read(Id3v2Builder().Text("TALB", "Album").Frame("TALB", "").Build());
  EXPECT_EQ(tag.Texts().Album(), "Album");
}

TEST(Id3v2Text, OnlyTheFirstValueOfAFrameIsRead) {
  const TId3v2 tag = Read(Padded(Id3v2Builder().Frame("TPE1", std::string("\0One\0Two", 8))));
  EXPECT_EQ(tag.Texts().Performers(), Strings({"One"}));
}

TEST(Id3v2Text, GenreTextStaysAsWritten) {
  EXPECT_EQ(Read(Padded(Id3v2Builder().Text("TCON", "(17)"))).Texts().Content(), "(17)");
  EXPECT_EQ(Read(Padded(Id3v2Builder().Text("TCON", "(17)Rock"))).Texts().Content(), "(17)Rock");
}

TEST(Id3v2Text, EveryTextFrameReachesItsProperty) {
  Id3v2Builder b;
  const char* ids[] = {"TALB", "TCOP", "TDAT", "TENC", "TIME", "TIT1", "TIT2", "TIT3", "TKEY",
                       "TLEN", "TOAL", "TOFN", "TORY", "TOWN", "TPE2", "TPE3", "TPE4", "TPOS",
                       "TPUB", "TRCK", "TRDA", "TRSN", "TRSO", "TSRC", "TSSE", "TYER", "TCON"};
  for (const char* id : ids) b.Text(id, std::string("v") + id);
  const TId3v2 tag = Read(Padded(b));
  const TId3Text& t = tag.Texts();
  const std::string got[] = {t.Album(),
                             t.Copyright(),
                             t.Date(),
                             t.EncodedBy(),
                             t.Time(),
                             t.ContentGroup(),
                             t.ContentDescription(),
                             t.SubTitle(),
                             t.InitialKey(),
                             t.Length(),
                             t.OriginalTitle(),
                             t.OriginalFileName(),
                             t.OriginalReleaseYear(),
                             t.FileOwner(),
                             t.Band(),
                             t.Conductor(),
                             t.ModifiedBy(),
                             t.PartOf(),
                             t.Publisher(),
                             t.TrackNumber(),
                             t.RecordingDate(),
                             t.InternetRadioName(),
                             t.InternetRadioOwner(),
                             t.ISRC(),
                             t.EncodingSoftware(),
                             t.Year(),
                             t.Content()};
  for (size_t i = 0; i < std::size(ids); ++i) EXPECT_EQ(got[i], std::string("v") + ids[i]);
}

TEST(Id3v2Lists, SplitAtSlash) {
  struct Case {
    std::string text;
    Strings pieces;
  };
  const Case cases[] = {
      {"AC/DC", {"AC", "DC"}},
      {"A//B", {"A", "", "B"}},
      {"A/", {"A"}},
      {"/A", {"", "A"}},
      {"", {}},
      {"/", {""}},
      {"Solo", {"Solo"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Read(Padded(Id3v2Builder().Text("TPE1", c.text))).Texts().Performers(), c.pieces)
        << c.text;
  }
}

TEST(Id3v2Lists, FramesCollectInTagOrder) {
  const TId3v2 tag = Read(Padded(Id3v2Builder()
                                     .Text("TPE1", "One")
                                     .Text("TCOM", "C1/C2")
                                     .Text16("TPE1", u"Two/Three")
                                     .Text("TEXT", "L")
                                     .Text("TOLY", "OL")
                                     .Text("TOPE", "OA1/OA2")));
  EXPECT_EQ(tag.Texts().Performers(), Strings({"One", "Two", "Three"}));
  EXPECT_EQ(tag.Texts().Composer(), Strings({"C1", "C2"}));
  EXPECT_EQ(tag.Texts().Lyricists(), Strings({"L"}));
  EXPECT_EQ(tag.Texts().OriginalLyricists(), Strings({"OL"}));
  EXPECT_EQ(tag.Texts().OriginalArtists(), Strings({"OA1", "OA2"}));
}

TEST(Id3v2Lists, LanguagesInThreeLetterSteps) {
  EXPECT_EQ(Read(Padded(Id3v2Builder().Text("TLAN", "engGER"))).Texts().Languages(),
            Strings({"English", "German"}));
  EXPECT_EQ(Read(Padded(Id3v2Builder().Text("TLAN", "engxx"))).Texts().Languages(),
            Strings({"English", ""}));
  EXPECT_EQ(Read(Padded(Id3v2Builder().Text("TLAN", "qqq"))).Texts().Languages(), Strings({""}));
  EXPECT_EQ(Read(Padded(Id3v2Builder().Text("TLAN", ""))).Texts().Languages(), Strings({""}));
}

TEST(Id3v2Numbers, DecimalOrZero) {
  struct Case {
    std::string text;
    int32_t value;
  };
  for (const Case& c : {Case{"120", 120}, Case{"-5", -5}, Case{"12a", 0}, Case{"", 0},
                        Case{"2147483647", 2147483647}, Case{"2147483648", 0}}) {
    const TId3v2 tag = Read(Padded(Id3v2Builder().Text("TBPM", c.text).Text("TDLY", c.text)));
    EXPECT_EQ(tag.Texts().BPM(), c.value) << c.text;
    EXPECT_EQ(tag.Texts().PlaylistDelay(), c.value) << c.text;
  }
  EXPECT_EQ(Read(Padded(Id3v2Builder().Text("TSIZ", "123456"))).Texts().Size(), 123456);
}

TEST(Id3v2Numbers, SizeThatIsNoNumberEndsTheRead) {
  for (const std::string& text : {std::string("12k"), std::string("")}) {
    TId3v2 tag;
    const std::string bytes =
        Padded(Id3v2Builder().Text("TIT2", "Before").Text("TSIZ", text).Text("TALB", "After"));
    EXPECT_EQ(ReadError(tag, bytes), "'" + text + "' is not a valid integer value");
    EXPECT_EQ(tag.Texts().ContentDescription(), "Before");
    EXPECT_EQ(tag.Texts().Album(), "");
    EXPECT_TRUE(tag.TagPresent());
  }
}

TEST(Id3v2Enumerations, FileAndMediaTypesCompareExactly) {
  auto file_type = [](const std::string& text) {
    return Read(Padded(Id3v2Builder().Text("TFLT", text))).Texts().FileType();
  };
  EXPECT_EQ(file_type("MPG"), TId3FileType::ftMPG);
  EXPECT_EQ(file_type("MPG/2.5"), TId3FileType::ftMPG2_5);
  EXPECT_EQ(file_type("MPG/AAC"), TId3FileType::ftMPG_AAC);
  EXPECT_EQ(file_type("PCM"), TId3FileType::ftPCM);
  EXPECT_EQ(file_type("mpg"), TId3FileType::ftUNKNOWN);
  EXPECT_EQ(file_type("MPG/4"), TId3FileType::ftUNKNOWN);

  auto media_type = [](const std::string& text) {
    return Read(Padded(Id3v2Builder().Text("TMED", text))).Texts().MediaType();
  };
  EXPECT_EQ(media_type("DIG"), TId3MediaType::mtDIG);
  EXPECT_EQ(media_type("CD/DD"), TId3MediaType::mtCD_DD);
  EXPECT_EQ(media_type("TT/78"), TId3MediaType::mtTT_78);
  EXPECT_EQ(media_type("REE/IV"), TId3MediaType::mtREE_IV);
  EXPECT_EQ(media_type("CD/"), TId3MediaType::mtUNKNOWN);
  EXPECT_EQ(media_type("(CD)"), TId3MediaType::mtUNKNOWN);
}

TEST(Id3v2Identifiers, LetterCaseIgnoredAndThreeLetterNamesLookedUp) {
  const TId3v2 tag = Read(Padded(Id3v2Builder()
                                     .Text("talb", "lower")
                                     .Frame(std::string("TT2\0", 4), std::string("\0three", 6))));
  EXPECT_EQ(tag.Texts().Album(), "lower");
  EXPECT_EQ(tag.Texts().ContentDescription(), "three");
}

TEST(Id3v2Identifiers, UnknownAndLaterVersionFramesAreSkipped) {
  const TId3v2 tag = Read(Padded(Id3v2Builder()
                                     .Text("TDRC", "2004")
                                     .Frame("XYZW", std::string(300, '\xAB'))
                                     .Frame(std::string("T\0IT", 4), "\0junk")
                                     .Frame("PRIV", "owner\0data")
                                     .Text("TIT2", "Kept")));
  EXPECT_EQ(tag.Texts().ContentDescription(), "Kept");
  EXPECT_EQ(tag.Texts().Year(), "");
}

TEST(Id3v2Walk, PaddingEndsTheWalk) {
  const TId3v2 tag = Read(Id3v2Builder().Text("TIT2", "Song").Padding(200).Build());
  EXPECT_EQ(tag.Texts().ContentDescription(), "Song");
}

TEST(Id3v2Walk, FrameRunningPastTheTagIsCutAtItsEnd) {
  TId3v2 tag =
      Read(Id3v2Builder().FrameWithSize("TIT2", 100000, std::string("\0Cut off", 8)).Build());
  EXPECT_EQ(tag.Texts().ContentDescription(), "Cut off");
  tag = Read(Id3v2Builder()
                 .FrameWithSize("TALB", 0xFFFFFFFF, std::string("\0Album", 6))
                 .Padding(40)
                 .Build());
  EXPECT_EQ(tag.Texts().Album(), "Album");
}

TEST(Id3v2Walk, HandlerReadingLessStillMovesToTheFrameEnd) {
  // The text stops at its zero byte; the rest of the frame must not be taken as frames.
  std::string inner = Id3v2Builder().Text("TALB", "Hidden").Body();
  const TId3v2 tag = Read(Padded(
      Id3v2Builder().Frame("TIT2", std::string("\0Title\0", 7) + inner).Text("TPE1", "Artist")));
  EXPECT_EQ(tag.Texts().ContentDescription(), "Title");
  EXPECT_EQ(tag.Texts().Album(), "");
  EXPECT_EQ(tag.Texts().Performers(), Strings({"Artist"}));
}

TEST(Id3v2Unsynchronisation, ZeroAfter255IsDropped) {
  // The file holds 255, 0, 224 for the bytes 255, 224, and 255, 0, 0 for 255, 0.
  TId3v2 tag = Read(Padded(Id3v2Builder()
                               .Text("TIT2",
                                     "a\xFF\xE0"
                                     "b")
                               .Unsynchronised()));
  EXPECT_TRUE(tag.Unsynchronisation());
  EXPECT_EQ(tag.Texts().ContentDescription(),
            "a\xFF\xE0"
            "b");

  tag =
      Read(Padded(Id3v2Builder().Frame("TIT2", std::string("\0x\xFF\0tail", 8)).Unsynchronised()));
  EXPECT_EQ(tag.Texts().ContentDescription(), "x\xFF");

  // The builder's bytes really are unsynchronised ones.
  EXPECT_NE(Id3v2Builder()
                .Text("TIT2", "\xFF\xE0")
                .Unsynchronised()
                .Body()
                .find(std::string("\xFF\0\xE0", 3)),
            std::string::npos);
}

TEST(Id3v2Unsynchronisation, PreviousByteCarriesAcrossPieces) {
  // The body's byte 499 is 255 and its inserted zero is byte 500, the first of the next piece.
  const std::string text = std::string(488, 'a') + "\xFF\xE0";
  const Id3v2Builder b = Id3v2Builder().Text("TIT2", text).Padding(40).Unsynchronised();
  ASSERT_EQ(b.Body().substr(499, 3), std::string("\xFF\0\xE0", 3));
  EXPECT_EQ(Read(b.Build()).Texts().ContentDescription(), text);
}

TEST(Id3v2ExtendedHeader, IsSkipped) {
  const std::string bytes = Padded(Id3v2Builder().ExtendedHeader(6).Text("TIT2", "After"));
  // The first frame starts 10 bytes into the body.
  ASSERT_EQ(bytes.substr(20, 4), "TIT2");
  const TId3v2 tag = Read(bytes);
  EXPECT_TRUE(tag.ExtendedHeader());
  EXPECT_EQ(tag.Texts().ContentDescription(), "After");

  // A size larger than the tag swallows the whole tag without an error.
  TId3v2 big;
  EXPECT_EQ(ReadError(big, Padded(Id3v2Builder()
                                      .Flags(Id3v2Builder::kExtendedHeader)
                                      .Raw(test::BigEndian32(0xFFFFFFF0))
                                      .Text("TIT2", "Gone"))),
            "");
  EXPECT_EQ(big.Texts().ContentDescription(), "");

  // A body too short for the size field.
  EXPECT_EQ(ReadError(big, Id3v2Builder().Flags(Id3v2Builder::kExtendedHeader).Raw("ab").Build()),
            "Stream read error");
}

TEST(Id3v24Frames, SynchsafeSizesAndThePlainSizesOfSomeWriters) {
  // A comment of 300 bytes: its synchsafe size read as a plain number is 556, its plain size
  // read as synchsafe 172, which ends inside the comment on letters or on zero bytes.
  for (const char fill : {'c', '\0'}) {
    for (const bool plain : {false, true}) {
      Id3v2Builder b;
      b.Version(4, 0)
          .Frame("COMM", std::string("\0eng\0", 5) + std::string(295, fill))
          .Text("TIT2", "After")
          .Text("TPE1", "Artist");
      if (plain) b.PlainFrameSizes();
      const TId3v2 tag = Read(Padded(b));
      EXPECT_EQ(tag.Texts().ContentDescription(), "After") << plain << int{fill};
      EXPECT_EQ(tag.Texts().Performers(), Strings({"Artist"}));
    }
  }
}

TEST(Id3v24Frames, FormatFlagsAreHonoured) {
  using B = Id3v2Builder;
  // 255 then 224 is what unsynchronisation guards against.
  const std::string title = std::string("\0Fl\xFCgel \xFF\xE0", 10);
  for (const uint8_t flags :
       {B::kFrameUnsynchronised, B::kDataLength, B::kGrouping, B::kCompressed,
        uint8_t{B::kCompressed | B::kDataLength},
        uint8_t{B::kGrouping | B::kCompressed | B::kFrameUnsynchronised | B::kDataLength}}) {
    const TId3v2 tag =
        Read(Padded(B().Version(4, 0).FlaggedFrame("TIT2", title, flags).Text("TALB", "Next")));
    EXPECT_EQ(tag.Texts().ContentDescription(), title.substr(1)) << int{flags};
    EXPECT_EQ(tag.Texts().Album(), "Next") << int{flags};
  }
  // The header flag unsynchronises every frame's content; the frame headers stay as written.
  const std::string unsynchronised =
      Padded(B().Version(4, 0).Frame("TIT2", title).Text("TALB", "Next").Unsynchronised());
  ASSERT_NE(unsynchronised.find(std::string("\xFF\0\xE0", 3)), std::string::npos);
  EXPECT_EQ(Read(unsynchronised).Texts().ContentDescription(), title.substr(1));
  // An encrypted frame is skipped.
  const TId3v2 tag = Read(
      Padded(B().Version(4, 0).FlaggedFrame("TIT2", title, B::kEncrypted).Text("TALB", "Next")));
  EXPECT_EQ(tag.Texts().ContentDescription(), "");
  EXPECT_EQ(tag.Texts().Album(), "Next");
}

TEST(Id3v24Frames, BadCompressionOrDataLengthEndsOnlyItsFrame) {
  using B = Id3v2Builder;
  const std::string text = std::string(1, '\0') + std::string(1000, 'x');
  // A 4-byte frame of version 2.4 with format flags, written by hand.
  auto raw_frame = [](uint8_t flags, std::string_view content) {
    return std::string("TIT2") + test::SynchsafeSize(static_cast<uint32_t>(content.size())) + '\0' +
           static_cast<char>(flags) + std::string(content);
  };
  const std::string broken = test::Compress(text).substr(0, 20);
  const std::vector<B> cases = {
      B().Version(4, 0).FlaggedFrame("TIT2", text, B::kCompressed | B::kDataLength, 10),
      B().Version(4, 0).FlaggedFrame("TIT2", text, B::kCompressed | B::kDataLength, 1 << 20),
      B().Version(4, 0).FlaggedFrame("TIT2", text, B::kDataLength, 1 << 20),
      B().Version(4, 0).Raw(raw_frame(B::kCompressed, "not a zlib stream")),
      B().Version(4, 0).Raw(
          raw_frame(B::kCompressed | B::kDataLength, test::SynchsafeSize(1001) + broken)),
      B().Version(4, 0).Raw(raw_frame(B::kDataLength, "ab")),
      B().Version(4, 0).Raw(raw_frame(B::kCompressed | B::kFrameUnsynchronised, "")),
      // Without a data length the bound is 16 MiB.
      B().Version(4, 0).FlaggedFrame("TIT2", std::string(1, '\0') + std::string(16 << 20, 'x'),
                                     B::kCompressed),
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    TId3v2 tag;
    EXPECT_EQ(ReadError(tag, Padded(B(cases[i]).Text("TALB", "Next"))), "") << i;
    EXPECT_EQ(tag.Texts().ContentDescription(), "") << i;
    EXPECT_EQ(tag.Texts().Album(), "Next") << i;
  }
}

TEST(Id3v24Frames, ExtendedHeaderSizeIsSynchsafeAndCountsItself) {
  const std::string bytes =
      Padded(Id3v2Builder().Version(4, 0).ExtendedHeader(6).Text("TIT2", "T"));
  ASSERT_EQ(bytes.substr(16, 4), "TIT2");
  EXPECT_EQ(Read(bytes).Texts().ContentDescription(), "T");
}

// Values one after another's terminator, in an encoding; ASCII letters only.
std::string Values(uint8_t encoding, std::initializer_list<std::u16string_view> values) {
  std::string out(1, static_cast<char>(encoding));
  for (std::u16string_view value : values) {
    if (encoding == 1) out += test::Utf16Text(value, Utf16Order::kLittleEndian);
    if (encoding == 2) out += test::Utf16Text(value, Utf16Order::kBigEndian, true, false);
    if (encoding == 0 || encoding == 3) {
      for (char16_t c : value) out += static_cast<char>(c);
      out += '\0';
    }
  }
  return out;
}

TEST(Id3v24Frames, PerformersTakeEveryValueOtherTextsTheirFirst) {
  for (uint8_t encoding : {0, 1, 2, 3}) {
    const TId3v2 tag = Read(Padded(Id3v2Builder()
                                       .Version(4, 0)
                                       .Frame("TPE1", Values(encoding, {u"One/Two", u"", u"Three"}))
                                       .Frame("TIT2", Values(encoding, {u"First", u"Second"}))
                                       .Frame("TCON", Values(encoding, {u"17", u"Rock"}))
                                       .Frame("TCOM", Values(encoding, {u"C1", u"C2"}))));
    EXPECT_EQ(tag.Texts().Performers(), Strings({"One", "Two", "Three"})) << int{encoding};
    EXPECT_EQ(tag.Texts().ContentDescription(), "First") << int{encoding};
    EXPECT_EQ(tag.Texts().Content(), "17") << int{encoding};
    EXPECT_EQ(tag.Texts().Composer(), Strings({"C1"})) << int{encoding};
  }
}

TEST(Id3v22Frames, ThreeLetterFramesAndPictureFormats) {
  Id3v2Builder b;
  b.Version(2, 0)
      .Text("TT2", "Title")
      .Text("TP1", "A/B")
      .Text16("TAL", u"Album")
      .Text("TCO", "(17)")
      .Frame("PIC", std::string("\0JPG\x03"
                                "Cover\0",
                                11) +
                        std::string(100, '\xD8'))
      .Frame("TXX", std::string("\0key\0value", 10))
      .Text("TT3", "\xFF\xE0");
  TId3v2 tag = Read(Padded(b));
  EXPECT_EQ(tag.Texts().ContentDescription(), "Title");
  EXPECT_EQ(tag.Texts().Performers(), Strings({"A", "B"}));
  EXPECT_EQ(tag.Texts().Album(), "Album");
  EXPECT_EQ(tag.Texts().Content(), "(17)");
  EXPECT_EQ(tag.Images().Picture(3).mime_type, "JPG");
  EXPECT_EQ(tag.Images().Picture(3).size, 100u);
  EXPECT_EQ(tag.Images().Info(3), "Cover");
  EXPECT_EQ(tag.UserDefinedText().Value(), "value");
  // A zero byte ends the format, as it ends any text.
  tag = Read(Padded(Id3v2Builder().Version(2, 0).Frame("PIC", std::string("\0J\0G\x04x\0", 8))));
  EXPECT_EQ(tag.Images().Picture(4).mime_type, "J");
  // Unsynchronisation covers the whole body, frame headers too.
  tag = Read(Padded(Id3v2Builder(b).Unsynchronised()));
  EXPECT_EQ(tag.Texts().SubTitle(), "\xFF\xE0");
  EXPECT_EQ(tag.Texts().ContentDescription(), "Title");
  // Flag bit 6 stands for compression in version 2.2: nothing can be read.
  tag = Read(Padded(Id3v2Builder(b).Flags(0x40)));
  EXPECT_TRUE(tag.TagPresent());
  EXPECT_TRUE(tag.ExtendedHeader());
  EXPECT_EQ(tag.Texts().ContentDescription(), "");
}

TEST(Id3v2Frames, UserDefinedTexts) {
  const TId3v2 tag = Read(
      Padded(Id3v2Builder()
                 .Frame("TXXX", std::string("\0Mood\0Calm", 10))
                 .Frame("TXXX", "\x01" + test::Utf16Text(u"D\u00E9", Utf16Order::kLittleEndian) +
                                    test::Utf16Text(u"V", Utf16Order::kBigEndian))
                 .Frame("TXXX", std::string("\0OnlyDescription", 16))));
  const TId3UDText& t = tag.UserDefinedText();
  EXPECT_EQ(t.ItemCount(), 3);
  EXPECT_EQ(t.ItemIndex(), 0);
  EXPECT_EQ(t.Description(), "Mood");
  EXPECT_EQ(t.Value(), "Calm");
  EXPECT_EQ(t.Item(1).description, "D\xE9");
  EXPECT_EQ(t.Item(1).value, "V");
  EXPECT_EQ(t.Item(2).description, "OnlyDescription");
  EXPECT_EQ(t.Item(2).value, "");
}

TEST(Id3v2Frames, Urls) {
  Id3v2Builder b;
  const char* ids[] = {"WCOM", "WCOP", "WOAF", "WOAR", "WOAS", "WORS", "WPAY", "WPUB"};
  for (const char* id : ids) b.Frame(id, std::string("http://") + id);
  b.Frame("WXXX", std::string("\0Home\0http://home", 17));
  b.Frame("WXXX", "\x01" + test::Utf16Text(u"Two", Utf16Order::kLittleEndian) + "http://two");
  const TId3v2 tag = Read(Padded(b));
  const TId3Web& w = tag.Web();
  const std::string got[] = {w.CommercialInfo(), w.LegalInfo(),           w.OfficialAudio(),
                             w.OfficialArtist(), w.OfficialAudioSource(), w.InternetRadioStation(),
                             w.Payment(),        w.Publishers()};
  for (size_t i = 0; i < std::size(ids); ++i) EXPECT_EQ(got[i], std::string("http://") + ids[i]);
  EXPECT_EQ(tag.UserDefinedWeb().ItemCount(), 2);
  EXPECT_EQ(tag.UserDefinedWeb().Description(), "Home");
  EXPECT_EQ(tag.UserDefinedWeb().URL(), "http://home");
  EXPECT_EQ(tag.UserDefinedWeb().Item(1).description, "Two");
  EXPECT_EQ(tag.UserDefinedWeb().Item(1).url, "http://two");
}

TEST(Id3v2Frames, InvolvedPeoplePairs) {
  TId3v2 tag = Read(Padded(Id3v2Builder().Frame("IPLS", std::string("\0Mix\0Al\0Bass\0Bo\0", 16))));
  const TId3Ipl& ipl = tag.InvolvedPeople();
  ASSERT_EQ(ipl.ItemCount(), 2);
  EXPECT_EQ(ipl.Job(), "Mix");
  EXPECT_EQ(ipl.Person(), "Al");
  EXPECT_EQ(ipl.Item(1).job, "Bass");
  EXPECT_EQ(ipl.Item(1).person, "Bo");

  // Two bytes or fewer left end the 8-bit list; four or fewer the UTF-16 one.
  tag = Read(Padded(Id3v2Builder().Frame("IPLS", std::string("\0J\0P\0x\0", 7))));
  EXPECT_EQ(tag.InvolvedPeople().ItemCount(), 1);
  tag = Read(Padded(Id3v2Builder().Frame(
      "IPLS", "\x01" + test::Utf16Text(u"J", Utf16Order::kLittleEndian) +
                  test::Utf16Text(u"P", Utf16Order::kLittleEndian) + std::string(4, '\xFF'))));
  EXPECT_EQ(tag.InvolvedPeople().ItemCount(), 1);
  EXPECT_EQ(tag.InvolvedPeople().Person(), "P");
}

TEST(Id3v2Frames, PicturesKeepDescriptionMimeAndSize) {
  const std::string data(1000, '\x89');
  const TId3v2 tag = Read(Padded(Id3v2Builder()
                                     .Frame("APIC", std::string("\0image/jpeg\0\x03"
                                                                "Front\0",
                                                                19) +
                                                        data)
                                     .Frame("APIC", std::string("\0-->\0\x04"
                                                                "Back link\0http://x",
                                                                24))
                                     .Frame("APIC", std::string("\0image/png\0\x15"
                                                                "Outside\0",
                                                                20))));
  const TId3Images& images = tag.Images();
  EXPECT_EQ(images.Info(3), "Front");
  EXPECT_TRUE(images.Picture(3).present);
  EXPECT_EQ(images.Picture(3).mime_type, "image/jpeg");
  EXPECT_EQ(images.Picture(3).size, 1000u);
  EXPECT_EQ(images.Info(4), "Back link");
  EXPECT_FALSE(images.Picture(4).present);
  EXPECT_EQ(images.Info(21), "");
  EXPECT_FALSE(images.Picture(21).present);
}

TEST(Id3v2Frames, CountersAndPopularimeter) {
  TId3v2 tag =
      Read(Padded(Id3v2Builder()
                      .Frame("PCNT", test::BigEndian32(0x01020304))
                      .Frame("POPM", std::string("me@x\0\xC8", 6) + test::BigEndian32(77))));
  EXPECT_EQ(tag.PlayCounter(), 0x01020304u);
  EXPECT_EQ(tag.Popularimeter().UserEmail(), "me@x");
  EXPECT_EQ(tag.Popularimeter().Rating(), 200);
  EXPECT_EQ(tag.Popularimeter().Counter(), 77u);

  tag = Read(Padded(Id3v2Builder()
                        .Frame("PCNT", test::BigEndian32(5) + "\x01")
                        .Frame("POPM", std::string("me@x\0\x10\x01\x02", 8))));
  EXPECT_EQ(tag.PlayCounter(), 0u);
  EXPECT_EQ(tag.Popularimeter().Rating(), 16);
  EXPECT_EQ(tag.Popularimeter().Counter(), 0u);
}

TEST(Id3v2Frames, OwnerAndPurchaseDate) {
  TId3v2 tag =
      Read(Padded(Id3v2Builder().Frame("OWNE", std::string("\0USD9.99\0", 9) + "20000101Shop")));
  EXPECT_EQ(tag.Owner().Price(), "USD9.99");
  EXPECT_DOUBLE_EQ(tag.Owner().DatePurchased(), 36526);  // 1 January 2000
  EXPECT_EQ(tag.Owner().Seller(), "Shop");

  EXPECT_DOUBLE_EQ(Id3DateValue("20240229"), 45351);
  EXPECT_DOUBLE_EQ(Id3DateValue("19000301"), 61);
  EXPECT_DOUBLE_EQ(Id3DateValue("20230229"), 0);
  EXPECT_DOUBLE_EQ(Id3DateValue("19001301"), 0);
  EXPECT_DOUBLE_EQ(Id3DateValue("00000101"), 0);
  EXPECT_DOUBLE_EQ(Id3DateValue("2000010"), 0);
  EXPECT_DOUBLE_EQ(Id3DateValue("2000-1-1"), 0);
}

TEST(Id3v2Frames, EventTimingCodes) {
  std::string events = "\x02";
  for (uint8_t type : {uint8_t{1}, uint8_t{20}, uint8_t{253}, uint8_t{254}, uint8_t{100}}) {
    events += static_cast<char>(type) + test::BigEndian32(1000u * type);
  }
  events += "\x05\x01";  // a piece of an event
  TId3v2 tag = Read(Padded(Id3v2Builder().Frame("ETCO", events)));
  const TId3EventList& list = tag.EventList();
  EXPECT_EQ(list.time_stamp_format, 2);
  ASSERT_EQ(list.Count(), 5);
  EXPECT_EQ(list.events[0].type, TId3EventType::etEND_OF_INITIAL_SILENCE);
  EXPECT_EQ(list.events[0].time_stamp, 1000u);
  EXPECT_EQ(list.events[1].type, TId3EventType::etTHEME_END);
  EXPECT_EQ(list.events[2].type, TId3EventType::etAUDIO_END);
  EXPECT_EQ(list.events[3].type, TId3EventType::etFILE_END);
  EXPECT_EQ(list.events[4].type, TId3EventType::etUNKNOWN);

  std::string many = "\x01";
  for (uint32_t i = 0; i < 1500; ++i) many += '\x03' + test::BigEndian32(i);
  tag = Read(Padded(Id3v2Builder().Frame("ETCO", many).Text("TIT2", "After")));
  ASSERT_EQ(tag.EventList().Count(), TId3EventList::kMaxEvents);
  EXPECT_EQ(tag.EventList().events.back().time_stamp, 1000u);
  EXPECT_EQ(tag.Texts().ContentDescription(), "After");
  bool called = false;
  tag.SetOnEventTiming([&](TId3v2&, uint32_t, TId3EventType) { called = true; });
  ReadInto(tag, Padded(Id3v2Builder().Frame("ETCO", many)));
  EXPECT_FALSE(called);
}

TEST(Id3v2Frames, CdIdentifierKeepsAtMost804Bytes) {
  std::string toc(900, '\0');
  for (size_t i = 0; i < toc.size(); ++i) toc[i] = static_cast<char>(i % 251 + 1);
  TId3v2 tag;
  ReadInto(tag, Padded(Id3v2Builder().Frame("MCDI", toc)));
  EXPECT_EQ(tag.CdIdentifier().count, 804);
  EXPECT_EQ(tag.CdIdentifier().bytes[803], static_cast<uint8_t>(toc[803]));

  ReadInto(tag, Padded(Id3v2Builder().Frame("MCDI", "\x07\x08")));
  EXPECT_EQ(tag.CdIdentifier().count, 2);
  EXPECT_EQ(tag.CdIdentifier().bytes[1], 8);
  EXPECT_EQ(tag.CdIdentifier().bytes[2], 0);  // nothing of the earlier read stays
}

TEST(Id3v2Frames, DecodedButUnkeptFramesDoNotDisturbTheWalk) {
  const TId3v2 tag =
      Read(Padded(Id3v2Builder()
                      .Frame("COMM", std::string("\0engshort\0A comment", 19))
                      .Frame("USLT",
                             "\x01"
                             "eng" +
                                 test::Utf16Text(u"d", Utf16Order::kBigEndian) +
                                 test::Utf16Text(u"la la", Utf16Order::kBigEndian))
                      .Frame("USER", std::string("\0enTerms", 8))
                      .Frame("GEOB", std::string("\0text/plain\0a.txt\0desc\0DATA", 27))
                      .Text("TIT2", "Title")));
  EXPECT_EQ(tag.Texts().ContentDescription(), "Title");
}

TEST(Id3v2Reading, EveryReadStartsEmpty) {
  TId3v2 tag;
  ReadInto(tag, Padded(Id3v2Builder()
                           .Text("TIT2", "T")
                           .Text("TPE1", "P")
                           .Text("TLAN", "eng")
                           .Text("TBPM", "99")
                           .Frame("TXXX", std::string("\0a\0b", 4))
                           .Frame("WCOM", "u")
                           .Frame("PCNT", test::BigEndian32(3))
                           .Frame("APIC", std::string("\0image/png\0\x00"
                                                      "d\0xx",
                                                      16))
                           .Frame("ETCO", std::string("\x01\x02\0\0\0\x01", 6))));
  ASSERT_EQ(tag.Texts().ContentDescription(), "T");
  ASSERT_EQ(tag.Images().Info(0), "d");
  ReadInto(tag, Padded(Id3v2Builder()));
  EXPECT_EQ(tag.Texts().ContentDescription(), "");
  EXPECT_TRUE(tag.Texts().Performers().empty());
  EXPECT_TRUE(tag.Texts().Languages().empty());
  EXPECT_EQ(tag.Texts().BPM(), 0);
  EXPECT_EQ(tag.UserDefinedText().ItemCount(), 0);
  EXPECT_EQ(tag.UserDefinedText().ItemIndex(), -1);
  EXPECT_EQ(tag.Web().CommercialInfo(), "");
  EXPECT_EQ(tag.PlayCounter(), 0u);
  EXPECT_EQ(tag.Images().Info(0), "");
  EXPECT_FALSE(tag.Images().Picture(0).present);
  EXPECT_EQ(tag.EventList().Count(), 0);
}

TEST(Id3v2Reading, FailedReadDoesNotKeepTheEarlierTagFlag) {
  TId3v2 tag;
  ReadInto(tag, Padded(Id3v2Builder().Text("TIT2", "T")));
  ASSERT_TRUE(tag.TagPresent());
  EXPECT_EQ(ReadError(tag, "short"), "Stream read error");
  EXPECT_FALSE(tag.TagPresent());
  EXPECT_EQ(tag.TagSize(), 0);
}

TEST(Id3v2File, EveryAssignmentReads) {
  test::TempDir dir;
  const std::string path = dir.Write("song.mp3", Padded(Id3v2Builder().Text("TIT2", "One")));
  TId3v2 tag;
  tag.SetFileName(FileLocation(path));
  EXPECT_EQ(tag.FileName(), path);
  EXPECT_EQ(tag.Texts().ContentDescription(), "One");
  dir.Write("song.mp3", Padded(Id3v2Builder().Text("TIT2", "Two")));
  tag.SetFileName(FileLocation(path));
  EXPECT_EQ(tag.Texts().ContentDescription(), "Two");
}

TEST(Id3v2File, VanishedFileGivesNoTagAndNoError) {
  test::TempDir dir;
  const std::string path = dir.Write("song.mp3", Padded(Id3v2Builder().Text("TIT2", "One")));
  TId3v2 tag;
  tag.SetFileName(FileLocation(path));
  ASSERT_TRUE(tag.TagPresent());
  ASSERT_EQ(::remove(path.c_str()), 0);
  tag.SetFileName(FileLocation(path));
  EXPECT_FALSE(tag.TagPresent());
  EXPECT_EQ(tag.TagSize(), 0);
  EXPECT_DOUBLE_EQ(tag.Version(), 0);
  EXPECT_EQ(tag.Texts().ContentDescription(), "");
  EXPECT_EQ(tag.FileName(), path);
}

TEST(Id3v2File, UnreadablePathRaisesTheOpenError) {
  test::TempDir dir;
  const std::string folder = dir.MakeFolder("folder.mp3");
  TId3v2 tag;
  try {
    tag.SetFileName(FileLocation(folder));
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()), CannotOpenMessage(folder, "Not a regular file"));
  }
}

TEST(Id3v2File, ShortFileRaisesStreamReadError) {
  test::TempDir dir;
  const std::string path = dir.Write("tiny.mp3", "ID3");
  TId3v2 tag;
  EXPECT_THROW(
      {
        try {
          tag.SetFileName(FileLocation(path));
        } catch (const Error& e) {
          EXPECT_STREQ(e.what(), "Stream read error");
          throw;
        }
      },
      Error);
}

}  // namespace
}  // namespace plondex
