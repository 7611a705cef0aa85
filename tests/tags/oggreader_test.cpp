#include "tags/oggreader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/error.h"
#include "platform/files.h"
#include "support/failing_source.h"
#include "support/manifest.h"
#include "support/ogg_builder.h"
#include "support/temp_dir.h"

namespace plondex {
namespace {

using test::MakeOggVorbisFile;
using test::MakeVorbisCommentHeader;
using test::MakeVorbisIdentificationHeader;

std::string Le32(uint32_t v) {
  std::string s;
  for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
  return s;
}

// An identification header at its place, then filler up to position `at`, where the given bytes
// follow; padded so that the file is long enough for the 250-byte window.
std::string WithBytesAt(size_t at, const std::string& bytes, size_t min_size = 300) {
  std::string file(28, 'P');
  file += MakeVorbisIdentificationHeader();
  file.resize(at, 'P');
  file += bytes;
  if (file.size() < min_size) file.resize(min_size, 'P');
  return file;
}

struct Texts {
  bool ok;
  std::string title, artist, album, genre;
};

Texts Read(const std::string& bytes) {
  TOggReader reader;
  const bool ok = reader.ReadOggSource(MemorySource(bytes));
  return {ok, reader.Title(), reader.Artist(), reader.Album(), reader.Genre()};
}

TEST(OggComments, TheFourNamesGiveTheirValues) {
  const Texts t = Read(MakeOggVorbisFile({"TITLE=Song", "ARTIST=Band", "DATE=2001", "ALBUM=Record",
                                          "GENRE=Ambient", "TRACKNUMBER=4"}));
  EXPECT_TRUE(t.ok);
  EXPECT_EQ(t.title, "Song");
  EXPECT_EQ(t.artist, "Band");
  EXPECT_EQ(t.album, "Record");
  EXPECT_EQ(t.genre, "Ambient");
}

TEST(OggComments, NamesAreMatchedWithoutRegardToCaseButUntrimmed) {
  const Texts t =
      Read(MakeOggVorbisFile({"title=lower", "Artist=mixed", "ALBUM =spaced", " GENRE=lead"}));
  EXPECT_EQ(t.title, "lower");
  EXPECT_EQ(t.artist, "mixed");
  EXPECT_EQ(t.album, "");
  EXPECT_EQ(t.genre, "");
}

TEST(OggComments, TheLaterOfTwoCommentsWins) {
  EXPECT_EQ(Read(MakeOggVorbisFile({"ARTIST=First", "TITLE=T", "artist=Second"})).artist, "Second");
}

TEST(OggComments, TheValueIsEverythingAfterTheFirstEquals) {
  EXPECT_EQ(Read(MakeOggVorbisFile({"TITLE=a=b=c"})).title, "a=b=c");
  const Texts t =
      Read(MakeOggVorbisFile({"TITLE=Kept", "ARTIST=Gone", "ARTIST=", "TITLE", "=Orphan", ""}));
  EXPECT_EQ(t.title, "Kept");
  EXPECT_EQ(t.artist, "");
}

TEST(OggComments, ValuesAreHandedOnByteForByte) {
  const std::string value(
      "M\xC3\xA4"
      "dchen\0x\xFF",
      10);
  EXPECT_EQ(Read(MakeOggVorbisFile({"TITLE=" + value})).title, value);
}

TEST(OggComments, OnlyTheFirst250BytesOfACommentAreExamined) {
  const std::string long_value(294, 'v');
  const Texts t = Read(MakeOggVorbisFile({"TITLE=" + long_value, "ARTIST=After"}));
  EXPECT_EQ(t.title, long_value.substr(0, 244));
  EXPECT_EQ(t.artist, "After");

  EXPECT_EQ(Read(MakeOggVorbisFile({"TITLE=" + std::string(244, 'w')})).title,
            std::string(244, 'w'));
  // An "=" beyond the examined bytes is not seen: the comment is ignored.
  EXPECT_EQ(Read(MakeOggVorbisFile({"TITLE" + std::string(250, 'x') + "=v", "ALBUM=A"})).title, "");
}

TEST(OggComments, ALetterCutByTheLimitIsLeftOut) {
  std::string cyrillic;
  for (int i = 0; i < 130; ++i) cyrillic += "\xD0\x94";
  const std::string title = Read(MakeOggVorbisFile({"TITLE=A" + cyrillic})).title;
  EXPECT_EQ(title, "A" + cyrillic.substr(0, 242));
  EXPECT_EQ(Utf8ToTagAnsi(title), "A" + std::string(121, 'D'));
  // Only the letter at the limit goes, a four-byte one too.
  const std::string xs(237, 'x');
  EXPECT_EQ(Read(MakeOggVorbisFile({"TITLE=Caf\xC3\xA9 " + xs + "\xC3\xA9 end"})).title,
            "Caf\xC3\xA9 " + xs);
  EXPECT_EQ(Read(MakeOggVorbisFile({"TITLE=" + xs + "xxxxxx\xF0\x9F\x98\x80"})).title,
            xs + "xxxxxx");
  // Text that is not UTF-8 keeps its 250 bytes, whatever lies at the limit.
  const std::string latin1 = "Caf\xE9  " + xs + "\xC3\xA9";
  EXPECT_EQ(Read(MakeOggVorbisFile({"TITLE=" + latin1})).title, latin1.substr(0, 244));
  EXPECT_EQ(Read(MakeOggVorbisFile({"TITLE=" + xs + "xxxxxx\xE9 end"})).title, xs + "xxxxxx\xE9");
}

TEST(OggComments, TheVendorStringIsExaminedLikeAComment) {
  EXPECT_EQ(Read(MakeOggVorbisFile({"TITLE=T"}, "ARTIST=Vendor")).artist, "Vendor");
  EXPECT_EQ(Read(MakeOggVorbisFile({"ARTIST=Comment"}, "ARTIST=Vendor")).artist, "Comment");
}

TEST(OggComments, ACountBeyondTheCommentsPresentKeepsWhatWasRead) {
  std::string header = MakeVorbisCommentHeader("v", {"TITLE=One", "ARTIST=Two"});
  header.replace(7 + 4 + 1, 4, Le32(1000));
  const Texts t = Read(WithBytesAt(100, header));
  EXPECT_TRUE(t.ok);
  EXPECT_EQ(t.title, "One");
  EXPECT_EQ(t.artist, "Two");
}

TEST(OggComments, ANegativeCountReadsNoComment) {
  std::string header = MakeVorbisCommentHeader("ALBUM=Vendor", {"TITLE=One"});
  header.replace(7 + 4 + 12, 4, Le32(0xFFFFFFFF));
  const Texts t = Read(WithBytesAt(100, header));
  EXPECT_EQ(t.album, "Vendor");
  EXPECT_EQ(t.title, "");
}

TEST(OggComments, AbsurdLengthsAndCountsStopAtTheEndOfTheFile) {
  // A comment claiming 4 GiB ends the list; what came before stays.
  std::string header = MakeVorbisCommentHeader("ARTIST=Vendor", {"TITLE=Before"});
  header.pop_back();  // the framing bit
  header += Le32(0xFFFFFFFF) + "GENRE=Never";
  header.replace(7 + 4 + 13, 4, Le32(2));
  Texts t = Read(WithBytesAt(100, header));
  EXPECT_TRUE(t.ok);
  EXPECT_EQ(t.artist, "Vendor");
  EXPECT_EQ(t.title, "Before");
  EXPECT_EQ(t.genre, "");

  // A vendor string claiming 4 GiB: nothing at all.
  t = Read(WithBytesAt(100, "\x03vorbis" + Le32(0xFFFFFFFF) + "ARTIST=x"));
  EXPECT_TRUE(t.ok);
  EXPECT_EQ(t.artist, "");

  // 2^31-1 comments, then a megabyte of empty ones: the end of the data ends the loop.
  header = MakeVorbisCommentHeader("v", {"TITLE=Kept"});
  header.replace(7 + 4 + 1, 4, Le32(0x7FFFFFFF));
  t = Read(WithBytesAt(100, header + std::string(1 << 20, '\0')));
  EXPECT_TRUE(t.ok);
  EXPECT_EQ(t.title, "Kept");
}

TEST(OggComments, ATextCutByTheEndOfTheFileIsNotTaken) {
  const std::string file = WithBytesAt(
      100, MakeVorbisCommentHeader("v", {"TITLE=Whole", std::string(200, 'x'), "ARTIST=Cut off"}),
      0);
  const size_t cut = file.find("ARTIST=") + 3;
  ASSERT_GT(cut, 250u);
  const Texts t = Read(file.substr(0, cut));
  EXPECT_TRUE(t.ok);
  EXPECT_EQ(t.title, "Whole");
  EXPECT_EQ(t.artist, "");
  // Also when the part that would be examined is there but the rest is not.
  const std::string long_file =
      WithBytesAt(60, MakeVorbisCommentHeader("v", {"ARTIST=" + std::string(300, 'a')}), 0);
  EXPECT_EQ(Read(long_file.substr(0, long_file.size() - 20)).artist, "");
  EXPECT_EQ(Read(long_file).artist, std::string(243, 'a'));
}

TEST(OggComments, TheCommentHeaderIsLookedForInTheFirst250Bytes) {
  const std::string header = MakeVorbisCommentHeader("v", {"TITLE=Found"});
  EXPECT_EQ(Read(WithBytesAt(243, header)).title, "Found");
  EXPECT_EQ(Read(WithBytesAt(244, header)).title, "");
  // The first signature in the window is the one read.
  const std::string other = MakeVorbisCommentHeader("v", {"TITLE=Second"});
  EXPECT_EQ(Read(WithBytesAt(80, header + other)).title, "Found");
}

TEST(OggIdentification, ShortFilesAndOtherStreams) {
  const std::string file = MakeOggVorbisFile({"TITLE=T"});
  EXPECT_FALSE(Read(file.substr(0, 57)).ok);
  EXPECT_FALSE(Read("").ok);

  // Long enough for the identification header, too short for the window.
  Texts t = Read(file.substr(0, 200));
  EXPECT_TRUE(t.ok);
  EXPECT_EQ(t.title, "");
  EXPECT_TRUE(Read(file.substr(0, 58)).ok);

  // Not a Vorbis identification header: no comments are read even when present.
  std::string other = file;
  other[28 + 6] = 'X';
  t = Read(other);
  EXPECT_TRUE(t.ok);
  EXPECT_EQ(t.title, "");
  std::string mp3(4000, '\0');
  mp3.replace(0, 4, "\xFF\xFB\x90\x64");
  EXPECT_TRUE(Read(mp3).ok);
}

TEST(OggReader, EveryReadStartsFromEmptyTexts) {
  test::TempDir dir;
  TOggReader reader;
  ASSERT_TRUE(reader.ReadOggFile(
      FileLocation(dir.Write("a.ogg", MakeOggVorbisFile({"TITLE=A", "GENRE=G"})))));
  EXPECT_EQ(reader.Title(), "A");
  EXPECT_TRUE(
      reader.ReadOggFile(FileLocation(dir.Write("b.ogg", MakeOggVorbisFile({"ARTIST=B"})))));
  EXPECT_EQ(reader.Title(), "");
  EXPECT_EQ(reader.Genre(), "");
  EXPECT_EQ(reader.Artist(), "B");
  EXPECT_FALSE(reader.ReadOggFile(FileLocation(dir.Path("missing.ogg"))));
  EXPECT_EQ(reader.Artist(), "");
  EXPECT_FALSE(reader.ReadOggFile(FileLocation(dir.MakeFolder("folder.ogg"))));
}

using test::FailingSource;

TEST(OggReader, AReadErrorInTheCommentsKeepsWhatWasFound) {
  TOggReader reader;
  const std::string file = MakeOggVorbisFile({"TITLE=T"});
  EXPECT_TRUE(reader.ReadOggSource(FailingSource(file, 100)));
  EXPECT_EQ(reader.Title(), "");
  EXPECT_FALSE(reader.ReadOggSource(FailingSource(file, 40)));
}

TEST(OggBuilder, PageChecksumMatchesARealEncoder) {
  const std::string real =
      test::ReadNative(std::string(PLONDEX_TEST_DATA) + "/ogg/oggenc_tags.ogg");
  ASSERT_GE(real.size(), 58u);
  std::string page = real.substr(0, 58);
  const uint32_t stored = static_cast<unsigned char>(page[22]) |
                          static_cast<unsigned char>(page[23]) << 8 |
                          static_cast<unsigned char>(page[24]) << 16 |
                          static_cast<uint32_t>(static_cast<unsigned char>(page[25])) << 24;
  page.replace(22, 4, std::string(4, '\0'));
  EXPECT_EQ(test::OggCrc(page), stored);
  // The builder lays the first page out the way the encoder does.
  EXPECT_EQ(MakeOggVorbisFile({}).substr(26, 2), real.substr(26, 2));
}

TEST(OggRealFiles, GiveTheTextsTheTaggersWrote) {
  const std::string folder = std::string(PLONDEX_TEST_DATA) + "/ogg/";
  test::Manifest expected = test::ReadManifest(folder);
  ASSERT_GE(expected.size(), 6u);
  for (auto& [file, values] : expected) {
    SCOPED_TRACE(file);
    TOggReader reader;
    EXPECT_EQ(reader.ReadOggFile(FileLocation(folder + file)), values["result"] == "true");
    EXPECT_EQ(reader.Title(), values["title"]);
    EXPECT_EQ(reader.Artist(), values["artist"]);
    EXPECT_EQ(reader.Album(), values["album"]);
    EXPECT_EQ(reader.Genre(), values["genre"]);
  }
}

}  // namespace
}  // namespace plondex
