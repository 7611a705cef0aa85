#include "tags/wmareader.h"

#include <gtest/gtest.h>

#include <climits>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/error.h"
#include "platform/files.h"
#include "support/asf_builder.h"
#include "support/failing_source.h"
#include "support/manifest.h"
#include "support/player_drive.h"
#include "support/temp_dir.h"

namespace plondex {
namespace {

using test::AsfContentDescriptionObject;
using test::AsfDataObject;
using test::AsfDescriptor;
using test::AsfExtendedContentDescriptionObject;
using test::AsfFilePropertiesObject;
using test::AsfHeaderObject;
using test::AsfObject;
using test::AsfStreamPropertiesObject;
using test::AsfString;
using test::DwordDescriptor;
using test::MakeWmaFile;
using test::StringDescriptor;
using test::WmaAudio;

std::string Le16(uint16_t v) { return {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)}; }

// The two objects with plausible audio values, then the given ones.
std::string File(const std::vector<std::string>& objects, const WmaAudio& audio = {}) {
  std::vector<std::string> all = {AsfFilePropertiesObject(audio.max_bit_rate),
                                  AsfStreamPropertiesObject(audio)};
  all.insert(all.end(), objects.begin(), objects.end());
  return AsfHeaderObject(all) + AsfDataObject(64);
}

std::string Ext(const std::vector<AsfDescriptor>& descriptors) {
  return AsfExtendedContentDescriptionObject(descriptors);
}

// A Content Description Object with the given five lengths and bytes after them.
std::string RawContentDescription(const std::vector<uint16_t>& lengths, const std::string& bytes) {
  std::string body;
  for (uint16_t length : lengths) body += Le16(length);
  return AsfObject(test::kAsfContentDescriptionId, body + bytes);
}

TWmaReader Read(const std::string& bytes, bool* ok = nullptr) {
  TWmaReader reader;
  const bool result = reader.ReadWmaSource(MemorySource(bytes));
  if (ok) *ok = result;
  return reader;
}

TEST(WmaContent, AWholeFileGivesEveryText) {
  bool ok = false;
  const TWmaReader r =
      Read(MakeWmaFile(
               u"Title", u"Artist",
               {StringDescriptor(u"WM/AlbumTitle", u"Album"), StringDescriptor(u"WM/Year", u"1999"),
                StringDescriptor(u"WM/Genre", u"Jazz"), StringDescriptor(u"WM/Track", u"7"),
                StringDescriptor(u"WM/Description", u"Notes")}),
           &ok);
  EXPECT_TRUE(ok);
  EXPECT_TRUE(r.Valid());
  EXPECT_EQ(r.Title(), u"Title");
  EXPECT_EQ(r.Artist(), u"Artist");
  EXPECT_EQ(r.Album(), u"Album");
  EXPECT_EQ(r.Year(), u"1999");
  EXPECT_EQ(r.Genre(), u"Jazz");
  EXPECT_EQ(r.Comment(), u"Notes");
  EXPECT_EQ(r.Track(), 7);
}

TEST(WmaContent, TheContentDescriptionAloneGivesTitleArtistAndComment) {
  const TWmaReader r =
      Read(File({AsfContentDescriptionObject(u"T", u"A", u"(c) Someone", u"Desc", u"R")}));
  EXPECT_TRUE(r.Valid());
  EXPECT_EQ(r.Title(), u"T");
  EXPECT_EQ(r.Artist(), u"A");
  EXPECT_EQ(r.Comment(), u"Desc");
  EXPECT_EQ(r.Album(), u"");
  EXPECT_EQ(r.Year(), u"");
  EXPECT_EQ(r.Genre(), u"");
  EXPECT_EQ(r.Track(), 0);
}

TEST(WmaContent, LaterObjectsOverwriteEarlierOnes) {
  const std::string cd = AsfContentDescriptionObject(u"Cd title", u"Cd author");
  const std::string ext = Ext({StringDescriptor(u"WM/TITLE", u"Ext title")});
  EXPECT_EQ(Read(File({cd, ext})).Title(), u"Ext title");
  EXPECT_EQ(Read(File({ext, cd})).Title(), u"Cd title");
  EXPECT_EQ(Read(File({Ext({StringDescriptor(u"WM/Genre", u"First"),
                            StringDescriptor(u"WM/Genre", u"Second")})}))
                .Genre(),
            u"Second");
  // A string of length 0 is not read, so it takes nothing away.
  const TWmaReader r = Read(File({Ext({StringDescriptor(u"WM/Author", u"Ext author")}),
                                  AsfContentDescriptionObject(u"Only title", u"")}));
  EXPECT_EQ(r.Title(), u"Only title");
  EXPECT_EQ(r.Artist(), u"Ext author");
}

TEST(WmaContent, DescriptorNamesAreTrimmedAndCompareWithoutCase) {
  EXPECT_EQ(Read(File({Ext({StringDescriptor(u"wm/genre", u"a")})})).Genre(), u"a");
  EXPECT_EQ(Read(File({Ext({StringDescriptor(u" WM/Genre", u"b")})})).Genre(), u"b");
  // Without the usual terminator as well.
  AsfDescriptor bare = StringDescriptor(u"WM/GENRE", u"c");
  bare.name.resize(bare.name.size() - 2);
  EXPECT_EQ(Read(File({Ext({bare})})).Genre(), u"c");

  const TWmaReader r = Read(File({Ext(
      {StringDescriptor(u"WM/TrackNumber", u"5"), StringDescriptor(u"WM/AlbumArtist", u"Various"),
       StringDescriptor(u"WM/Genre2", u"x"), StringDescriptor(u"Title", u"y")})}));
  EXPECT_TRUE(r.Valid());
  EXPECT_EQ(r.Track(), 0);
  EXPECT_EQ(r.Album(), u"");
  EXPECT_EQ(r.Artist(), u"");
  EXPECT_EQ(r.Genre(), u"");
  EXPECT_EQ(r.Title(), u"");
}

TEST(WmaContent, ValuesOfOtherTypesAreSkippedWhole) {
  AsfDescriptor bytes{AsfString(u"WM/Genre"), 1, std::string("\x01\x02\x03", 3)};
  const TWmaReader r = Read(
      File({Ext({DwordDescriptor(u"WM/Track", 9), bytes, StringDescriptor(u"WM/Year", u"2004")})}));
  EXPECT_TRUE(r.Valid());
  EXPECT_EQ(r.Track(), 0);
  EXPECT_EQ(r.Genre(), u"");
  EXPECT_EQ(r.Year(), u"2004");
}

TEST(WmaContent, TrackTextsThatAreNoWholeIntegerGiveZero) {
  const std::pair<std::u16string, int32_t> cases[] = {
      {u"7", 7},    {u" 12 ", 12}, {u"$1F", 31}, {u"0x10", 16},      {u"-3", -3},
      {u"3/12", 0}, {u"7th", 0},   {u"", 0},     {u"99999999999", 0}};
  for (const auto& [text, track] : cases) {
    EXPECT_EQ(Read(File({Ext({StringDescriptor(u"WM/TRACK", text)})})).Track(), track)
        << WideToUtf8(text);
  }
}

TEST(WholeInteger, FollowsTheRuntimeSyntax) {
  const std::pair<std::u16string, int32_t> good[] = {{u"0", 0},
                                                     {u"+7", 7},
                                                     {u"-7", -7},
                                                     {u"  42", 42},
                                                     {u"$ff", 255},
                                                     {u"x10", 16},
                                                     {u"X10", 16},
                                                     {u"0X1a", 26},
                                                     {u"-$10", -16},
                                                     {u"$FFFFFFFF", -1},
                                                     {u"007", 7},
                                                     {u"2147483647", INT_MAX},
                                                     {u"-2147483648", INT_MIN}};
  for (const auto& [text, expected] : good) {
    int32_t value = 12345;
    EXPECT_TRUE(ParseWholeInteger(text, &value)) << WideToUtf8(text);
    EXPECT_EQ(value, expected) << WideToUtf8(text);
  }
  const std::u16string bad[] = {
      u"",    u" ",          u"+",           u"-",          u"$",    u"0x",     u"1 ", u"12a",
      u"1.5", u"2147483648", u"-2147483649", u"$100000000", u"0x-1", u"\u0663", u"$g", u"1e3"};
  for (const std::u16string& text : bad) {
    int32_t value = 0;
    EXPECT_FALSE(ParseWholeInteger(text, &value)) << WideToUtf8(text);
  }
}

TEST(WmaStrings, AtMost250CodeUnitsAreKept) {
  const std::u16string long_title(300, u'x');
  EXPECT_EQ(Read(File({AsfContentDescriptionObject(long_title, u"A")})).Title(),
            long_title.substr(0, 250));
  EXPECT_EQ(Read(File({Ext({StringDescriptor(u"WM/AlbumTitle", long_title)})})).Album(),
            long_title.substr(0, 250));
}

TEST(WmaStrings, TheRestOfAStringIsSkippedExactly) {
  // 501 bytes: 250 code units read, 1 byte skipped; the author still starts in the right place.
  std::string title;
  for (int i = 0; i < 250; ++i) title += Le16(u'a');
  title += 'z';
  TWmaReader r = Read(File({RawContentDescription({501, 6, 0, 0, 0}, title + AsfString(u"Me"))}));
  EXPECT_EQ(r.Title(), std::u16string(250, u'a'));
  EXPECT_EQ(r.Artist(), u"Me");

  // 1 byte: an empty string, and that byte is skipped.
  r = Read(File({RawContentDescription({1, 6, 0, 0, 0}, "q" + AsfString(u"Me"))}));
  EXPECT_EQ(r.Title(), u"");
  EXPECT_EQ(r.Artist(), u"Me");
}

TEST(WmaStrings, TextsAreTrimmedOfControlsAndBlanks) {
  const std::u16string padded = std::u16string(u"\t  a  b \x01 ") + u'\0';
  const TWmaReader r = Read(File({AsfContentDescriptionObject(padded, u" \u00e9 ")}));
  EXPECT_EQ(r.Title(), u"a  b");
  EXPECT_EQ(r.Artist(), u"\u00e9");
}

TEST(WmaPlausibility, AudioValuesDecideWhetherTextsAreGiven) {
  struct Case {
    WmaAudio audio;
    bool valid;
  };
  const Case cases[] = {
      {{128000, 2, 44100, 16000}, true},  {{1, 1, 8000, 1}, true},
      {{319999, 2, 96000, 39999}, true},  {{0, 2, 44100, 16000}, false},
      {{320000, 2, 44100, 16000}, false}, {{0x80000000u, 2, 44100, 16000}, false},
      {{128000, 0, 44100, 16000}, false}, {{128000, 3, 44100, 16000}, false},
      {{128000, 6, 44100, 16000}, false}, {{128000, 2, 7999, 16000}, false},
      {{128000, 2, 96001, 16000}, false}, {{128000, 2, 44100, 0}, false},
      {{128000, 2, 44100, 40000}, false}, {{128000, 2, 0xFFFFFFFFu, 16000}, false}};
  for (const Case& c : cases) {
    bool ok = false;
    const TWmaReader r = Read(File({AsfContentDescriptionObject(u"T", u"A")}, c.audio), &ok);
    SCOPED_TRACE(std::to_string(c.audio.max_bit_rate) + " " + std::to_string(c.audio.channels) +
                 " " + std::to_string(c.audio.sample_rate) + " " +
                 std::to_string(c.audio.byte_rate));
    EXPECT_TRUE(ok);
    EXPECT_EQ(r.Valid(), c.valid);
    EXPECT_EQ(r.Title(), c.valid ? u"T" : u"");
  }
}

TEST(WmaPlausibility, TheLastStreamCountsAndOneIsNeeded) {
  const std::string cd = AsfContentDescriptionObject(u"T", u"A");
  const std::string stereo = AsfStreamPropertiesObject({});
  const std::string surround = AsfStreamPropertiesObject({128000, 6, 48000, 16000});
  const std::string props = AsfFilePropertiesObject(128000);
  EXPECT_TRUE(Read(AsfHeaderObject({props, surround, stereo, cd})).Valid());
  EXPECT_FALSE(Read(AsfHeaderObject({props, stereo, surround, cd})).Valid());
  bool ok = false;
  const TWmaReader r = Read(AsfHeaderObject({props, cd}), &ok);
  EXPECT_TRUE(ok);
  EXPECT_FALSE(r.Valid());
  EXPECT_EQ(r.Title(), u"");
}

TEST(WmaHeaderWalk, FilesThatAreNotAsfReadWithoutTexts) {
  bool ok = false;
  std::string file = MakeWmaFile(u"T", u"A", {});
  file[0] = 'X';
  EXPECT_FALSE(Read(file, &ok).Valid());
  EXPECT_TRUE(ok);
  // The header object count 0: nothing is walked.
  file = MakeWmaFile(u"T", u"A", {});
  file.replace(24, 4, std::string(4, '\0'));
  EXPECT_FALSE(Read(file, &ok).Valid());
  EXPECT_TRUE(ok);
  EXPECT_TRUE(Read(AsfHeaderObject({}), &ok).Title().empty());
  EXPECT_TRUE(ok);
}

TEST(WmaHeaderWalk, AReadPastTheEndFailsTheWalk) {
  const std::string file = MakeWmaFile(u"Title", u"A", {});
  bool ok = true;
  Read(file.substr(0, 15), &ok);
  EXPECT_FALSE(ok);
  Read(file.substr(0, 27), &ok);
  EXPECT_FALSE(ok);
  // The content description is cut short.
  const size_t cut = file.find(AsfString(u"Title")) + 4;
  const TWmaReader r = Read(file.substr(0, cut), &ok);
  EXPECT_FALSE(ok);
  EXPECT_FALSE(r.Valid());
  // A handler reading beyond the end, although its object claims to end before.
  std::string props = AsfFilePropertiesObject(128000).substr(0, 24);
  props.replace(16, 8, std::string("\x18\0\0\0\0\0\0\0", 8));
  Read(AsfHeaderObject({AsfStreamPropertiesObject({}), props}), &ok);
  EXPECT_FALSE(ok);
}

TEST(WmaHeaderWalk, AHugeObjectCountEndsAtTheEndOfTheFile) {
  std::string file = MakeWmaFile(u"T", u"A", {});
  file.replace(24, 4, "\xFF\xFF\xFF\x7F");
  bool ok = true;
  EXPECT_FALSE(Read(file, &ok).Valid());
  EXPECT_FALSE(ok);
  // A negative count walks nothing.
  file.replace(24, 4, "\x00\x00\x00\x80");
  Read(file, &ok);
  EXPECT_TRUE(ok);
}

TEST(WmaHeaderWalk, TheNextObjectIsAtItsStartPlusItsSize) {
  // A Stream Properties Object cut before its wave format: the handler reads on into the next
  // object, whose identifier happens to hold plausible values, and the walk goes on there.
  std::string stream = AsfStreamPropertiesObject({}).substr(0, 78);
  stream.replace(16, 8, std::string("\x4E\0\0\0\0\0\0\0", 8));
  std::string id = "\x99\x99" + Le16(2) + std::string("\x44\xAC\0\0", 4) +
                   std::string("\x80\x3E\0\0", 4) + "\x99\x99\x99\x99";
  std::string unknown = id + std::string("\x18\0\0\0\0\0\0\0", 8);
  const TWmaReader r = Read(AsfHeaderObject({AsfFilePropertiesObject(128000), stream, unknown,
                                             AsfContentDescriptionObject(u"After", u"")}));
  EXPECT_TRUE(r.Valid());
  EXPECT_EQ(r.Title(), u"After");
}

TEST(WmaHeaderWalk, AnObjectSmallerThanItsOwnHeaderFailsTheWalk) {
  for (uint8_t size : {0, 1, 20, 23}) {
    std::string unknown = test::AsfGuid(test::kAsfHeaderExtensionId) + std::string(8, '\0');
    unknown[16] = static_cast<char>(size);
    bool ok = true;
    const TWmaReader r = Read(File({unknown, AsfContentDescriptionObject(u"T", u"")}), &ok);
    EXPECT_FALSE(ok) << int{size};
    EXPECT_FALSE(r.Valid());
  }
  std::string empty = test::AsfObject(test::kAsfHeaderExtensionId, "");
  EXPECT_TRUE(Read(File({empty, AsfContentDescriptionObject(u"T", u"")})).Valid());
}

TEST(WmaHeaderWalk, AFullDescriptorListIsRead) {
  std::vector<AsfDescriptor> many(65534, StringDescriptor(u"WM/Other", u""));
  many.push_back(StringDescriptor(u"WM/Title", u"Last of 65535"));
  const TWmaReader r = Read(File({Ext(many)}));
  EXPECT_TRUE(r.Valid());
  EXPECT_EQ(r.Title(), u"Last of 65535");
}

TEST(WmaHeaderWalk, EndlessDescriptorListsAreCutOff) {
  // Seventeen objects that each claim 65535 descriptors: more than any real header holds, and
  // the kind of work a hostile file could multiply by overlapping its objects.
  std::vector<std::string> objects;
  for (int i = 0; i < 17; ++i) {
    objects.push_back(Ext(std::vector<AsfDescriptor>(65535, AsfDescriptor{"", 1, ""})));
  }
  bool ok = true;
  EXPECT_FALSE(Read(File(objects), &ok).Valid());
  EXPECT_FALSE(ok);
}

using test::FailingSource;

TEST(WmaReader, InputErrorsFailTheReadAndEveryReadStartsReset) {
  test::TempDir dir;
  TWmaReader reader;
  ASSERT_TRUE(reader.ReadWmaFile(FileLocation(
      dir.Write("a.wma", MakeWmaFile(u"T", u"A", {StringDescriptor(u"WM/Track", u"4")})))));
  EXPECT_EQ(reader.Track(), 4);
  EXPECT_FALSE(reader.ReadWmaSource(FailingSource(MakeWmaFile(u"T", u"A", {}), 100)));
  EXPECT_FALSE(reader.Valid());
  EXPECT_EQ(reader.Title(), u"");
  EXPECT_EQ(reader.Track(), 0);
  ASSERT_TRUE(reader.ReadWmaFile(FileLocation(dir.Write("b.wma", MakeWmaFile(u"T", u"A", {})))));
  EXPECT_TRUE(reader.ReadWmaFile(FileLocation(dir.Write("c.wma", std::string(100, 'x')))));
  EXPECT_FALSE(reader.Valid());
  EXPECT_EQ(reader.Artist(), u"");
  EXPECT_FALSE(reader.ReadWmaFile(FileLocation(dir.Path("missing.wma"))));
  EXPECT_FALSE(reader.ReadWmaFile(FileLocation(dir.Write("empty.wma", ""))));
}

TEST(WmaReader, OpensPlayerPaths) {
  test::TempDir dir;
  dir.Write("player/Music/Caf\xC3\xA9.wma", MakeWmaFile(u"Player song", u"", {}));
  const test::PlayerDrive drive(dir.Path("player"), 'f');
  TWmaReader reader;
  EXPECT_TRUE(reader.ReadWmaFile(drive.Locate("f:\\Music\\Caf\xE9.wma")));
  EXPECT_EQ(reader.Title(), u"Player song");
}

TEST(AsfBuilder, GuidsAreStoredAsRealFilesStoreThem) {
  const std::string real =
      test::ReadNative(std::string(PLONDEX_TEST_DATA) + "/wma/ffmpeg_tags.wma");
  ASSERT_GE(real.size(), 46u);
  EXPECT_EQ(real.substr(0, 16), test::AsfGuid(test::kAsfHeaderId));
  EXPECT_EQ(real.substr(30, 16), test::AsfGuid(test::kAsfFilePropertiesId));
}

TEST(WmaRealFiles, GiveTheTextsTheTaggersWrote) {
  const std::string folder = std::string(PLONDEX_TEST_DATA) + "/wma/";
  test::Manifest expected = test::ReadManifest(folder);
  ASSERT_GE(expected.size(), 6u);
  for (auto& [file, values] : expected) {
    SCOPED_TRACE(file);
    TWmaReader reader;
    EXPECT_EQ(reader.ReadWmaFile(FileLocation(folder + file)), values["result"] == "true");
    EXPECT_EQ(reader.Valid(), values["valid"] == "true");
    EXPECT_EQ(WideToUtf8(reader.Title()), values["title"]);
    EXPECT_EQ(WideToUtf8(reader.Artist()), values["artist"]);
    EXPECT_EQ(WideToUtf8(reader.Album()), values["album"]);
    EXPECT_EQ(WideToUtf8(reader.Year()), values["year"]);
    EXPECT_EQ(WideToUtf8(reader.Genre()), values["genre"]);
    EXPECT_EQ(WideToUtf8(reader.Comment()), values["comment"]);
    EXPECT_EQ(std::to_string(reader.Track()), values.count("track") ? values["track"] : "0");
  }
}

}  // namespace
}  // namespace plondex
