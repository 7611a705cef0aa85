#include "tags/id3v1.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>

#include "platform/files.h"
#include "support/id3v1_builder.h"
#include "support/manifest.h"
#include "support/player_drive.h"
#include "support/temp_dir.h"

namespace plondex {
namespace {

using test::MakeId3v11Block;
using test::MakeId3v1Block;
using test::MakeMpegAudio;
using test::TempDir;

std::string Song(const std::string& block) { return MakeMpegAudio(3) + block; }

TEST(GenreTable, NamesAreExactlyTheListedOnes) {
  EXPECT_EQ(GenreName(0), "Blues");
  EXPECT_EQ(GenreName(7), "Hip-Hop");
  EXPECT_EQ(GenreName(14), "R&B");
  EXPECT_EQ(GenreName(17), "Rock");
  EXPECT_EQ(GenreName(29), "Jazz+Funk");
  EXPECT_EQ(GenreName(40), "AlternRock");
  EXPECT_EQ(GenreName(60), "Top 40");
  EXPECT_EQ(GenreName(67), "Psychadelic");
  EXPECT_EQ(GenreName(78), "Rock & Roll");
  EXPECT_EQ(GenreName(79), "Hard Rock");
  EXPECT_EQ(GenreName(80), "Folk");
  EXPECT_EQ(GenreName(81), "Folk/Rock");
  EXPECT_EQ(GenreName(85), "Bebob");
  EXPECT_EQ(GenreName(90), "Avantgarde");
  EXPECT_EQ(GenreName(123), "Acapella");
  EXPECT_EQ(GenreName(125), "Dance Hall");
  EXPECT_EQ(GenreName(126), "none");
}

TEST(GenreTable, EnumValuesFollowTheTable) {
  EXPECT_EQ(grBlues, 0);
  EXPECT_EQ(grClassicRock, 1);
  EXPECT_EQ(grHipHop, 7);
  EXPECT_EQ(grRandB, 14);
  EXPECT_EQ(grJazzFunk, 29);
  EXPECT_EQ(grTop40, 60);
  EXPECT_EQ(grRockandRoll, 78);
  EXPECT_EQ(grFolkRock, 81);
  EXPECT_EQ(grEuroHouse, 124);
  EXPECT_EQ(grDanceHall, 125);
  EXPECT_EQ(grNone, 126);
  EXPECT_EQ(GenreName(grPsychedelicRock), "Psychedelic Rock");
  EXPECT_EQ(GenreName(grPsychadelic), "Psychadelic");
}

TEST(GenreTable, EveryEntryIsFilledAndIndexesOutsideAreEmpty) {
  for (int i = 0; i < kGenreCount; ++i) EXPECT_FALSE(GenreName(i).empty()) << i;
  EXPECT_EQ(GenreName(-1), "");
  EXPECT_EQ(GenreName(127), "");
  EXPECT_EQ(GenreName(255), "");
}

TEST(GenreMapping, WholeNumbersInParenthesesOrDigitsAlone) {
  EXPECT_EQ(MapId3v2Genre("(17)"), "Rock");
  EXPECT_EQ(MapId3v2Genre("17"), "Rock");
  EXPECT_EQ(MapId3v2Genre("0"), "Blues");
  EXPECT_EQ(MapId3v2Genre("125"), "Dance Hall");
  EXPECT_EQ(MapId3v2Genre("(0)"), "Blues");
  EXPECT_EQ(MapId3v2Genre("(125)"), "Dance Hall");
  EXPECT_EQ(MapId3v2Genre("( +17)"), "Rock");
  EXPECT_EQ(MapId3v2Genre("($11)"), "Rock");
  EXPECT_EQ(MapId3v2Genre("(0x11)"), "Rock");
  for (const char* stays :
       {"(17)Rock", "(126)", "(-1)", "(RX)", "()", " (17)", "(17 )", "(1.0)", "(99999999999)",
        "126", "-1", "+17", " 17", "17 ", "0x11", "17Rock", "RX", "CR", "Rock"}) {
    EXPECT_EQ(MapId3v2Genre(stays), stays);
  }
}

TEST(FixedFieldText, EndsAtTheFirstZeroByteOrTheFieldEnd) {
  const std::string full(30, 'x');
  EXPECT_EQ(FixedFieldText(reinterpret_cast<const unsigned char*>(full.data()), 30), full);
  const std::string padded = "Song" + std::string(26, ' ');
  EXPECT_EQ(FixedFieldText(reinterpret_cast<const unsigned char*>(padded.data()), 30), padded);
  const std::string stopped("Song\0more bytes", 15);
  EXPECT_EQ(FixedFieldText(reinterpret_cast<const unsigned char*>(stopped.data()), 15), "Song");
  const std::string leading("\0Song", 5);
  EXPECT_EQ(FixedFieldText(reinterpret_cast<const unsigned char*>(leading.data()), 5), "");
  const std::string high = " \xE9t\xE9 ";
  EXPECT_EQ(FixedFieldText(reinterpret_cast<const unsigned char*>(high.data()), 5), high);
}

TEST(Id3v1TagInFile, NeedsTheMarkerInTheLast128Bytes) {
  TempDir dir;
  const std::string block = MakeId3v1Block("T", "A", "L", "2001", "C", 17);
  EXPECT_TRUE(Id3v1TagInFile(FileLocation(dir.Write("exact.mp3", block))));
  EXPECT_TRUE(Id3v1TagInFile(FileLocation(dir.Write("song.mp3", Song(block)))));
  EXPECT_FALSE(Id3v1TagInFile(FileLocation(dir.Write("short.mp3", block.substr(1)))));
  EXPECT_FALSE(Id3v1TagInFile(FileLocation(dir.Write("empty.mp3", ""))));
  EXPECT_FALSE(Id3v1TagInFile(FileLocation(dir.Write("lower.mp3", "tag" + block.substr(3)))));
  EXPECT_FALSE(
      Id3v1TagInFile(FileLocation(dir.Write("ta0.mp3", std::string("TA\0", 3) + block.substr(3)))));
  // The marker must stand exactly 128 bytes before the end.
  EXPECT_FALSE(Id3v1TagInFile(FileLocation(dir.Write("early.mp3", Song(block) + "x"))));
  EXPECT_FALSE(Id3v1TagInFile(FileLocation(dir.Path("missing.mp3"))));
  EXPECT_FALSE(Id3v1TagInFile(FileLocation(dir.MakeFolder("folder.mp3"))));
}

TEST(ReadId3v1Block, FillsTheBlockAndChecksTheMarker) {
  TempDir dir;
  const std::string block = MakeId3v1Block("Title", "Artist", "Album", "1999", "Comment", 3);
  unsigned char out[kId3v1BlockSize] = {};
  ASSERT_TRUE(ReadId3v1Block(FileLocation(dir.Write("song.mp3", Song(block))), out));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(out), kId3v1BlockSize), block);

  EXPECT_FALSE(ReadId3v1Block(FileLocation(dir.Write("short.mp3", block.substr(0, 127))), out));
  EXPECT_FALSE(ReadId3v1Block(FileLocation(dir.Write("untagged.mp3", MakeMpegAudio(2))), out));
  EXPECT_FALSE(ReadId3v1Block(FileLocation(dir.Path("missing.mp3")), out));
}

TEST(ReadId3v1Block, WorksOnBuffers) {
  const std::string block = MakeId3v1Block("Title", "Artist", "Album", "1999", "Comment", 3);
  unsigned char out[kId3v1BlockSize] = {};
  EXPECT_TRUE(ReadId3v1BlockFromSource(MemorySource(block), out));
  EXPECT_TRUE(Id3v1TagInSource(MemorySource(block)));
  EXPECT_FALSE(ReadId3v1BlockFromSource(MemorySource(block.substr(0, 127)), out));
  EXPECT_FALSE(Id3v1TagInSource(MemorySource("")));
}

TEST(TId3v1, StartsEmptyWithGenreZero) {
  TId3v1 tag;
  EXPECT_EQ(tag.FileName(), "");
  EXPECT_EQ(tag.SongName(), "");
  EXPECT_EQ(tag.Genre(), grBlues);
}

TEST(TId3v1, ReadsTheFieldsOfTheBlock) {
  TempDir dir;
  TId3v1 tag;
  tag.SetFileName(FileLocation(dir.Write(
      "a.mp3", Song(MakeId3v1Block("Title", "Artist", "Album", "1999", "Comment", 17, ' ')))));
  EXPECT_EQ(tag.SongName(), "Title" + std::string(25, ' '));
  EXPECT_EQ(tag.Artist(), "Artist" + std::string(24, ' '));
  EXPECT_EQ(tag.Album(), "Album" + std::string(25, ' '));
  EXPECT_EQ(tag.Year(), "1999");
  EXPECT_EQ(tag.Comment(), "Comment" + std::string(23, ' '));
  EXPECT_EQ(tag.Genre(), grRock);
  EXPECT_EQ(GenreName(tag.Genre()), "Rock");
}

TEST(TId3v1, FullWidthFieldsDoNotRunIntoTheNext) {
  TempDir dir;
  TId3v1 tag;
  const std::string t(30, 't'), a(30, 'a'), l(30, 'l'), c(30, 'c');
  tag.SetFileName(FileLocation(dir.Write("full.mp3", MakeId3v1Block(t, a, l, "20011", c, 0))));
  EXPECT_EQ(tag.SongName(), t);
  EXPECT_EQ(tag.Artist(), a);
  EXPECT_EQ(tag.Album(), l);
  EXPECT_EQ(tag.Year(), "2001");
  EXPECT_EQ(tag.Comment(), c);
}

TEST(TId3v1, TrackOfVersionOnePointOneIsNotPartOfTheComment) {
  TempDir dir;
  TId3v1 tag;
  const std::string comment(28, 'c');
  tag.SetFileName(
      FileLocation(dir.Write("v11.mp3", MakeId3v11Block("T", "A", "L", "2000", comment, 5, 12))));
  EXPECT_EQ(tag.Comment(), comment);
  EXPECT_EQ(tag.Genre(), grOther);
}

TEST(TId3v1, GenreBytesBeyondTheTableBecomeNone) {
  TempDir dir;
  TId3v1 tag;
  const std::pair<int, TGenre> cases[] = {{0, grBlues},  {125, grDanceHall}, {126, grNone},
                                          {127, grNone}, {200, grNone},      {255, grNone}};
  int n = 0;
  for (const auto& [byte, genre] : cases) {
    tag.SetFileName(
        FileLocation(dir.Write("g" + std::to_string(n++) + ".mp3",
                               MakeId3v1Block("T", "", "", "", "", static_cast<uint8_t>(byte)))));
    EXPECT_EQ(tag.Genre(), genre) << byte;
  }
  EXPECT_EQ(GenreName(tag.Genre()), "none");
}

TEST(TId3v1, TheSameNameIsNotReadAgain) {
  TempDir dir;
  TId3v1 tag;
  const std::string first = dir.Write("a.mp3", MakeId3v1Block("First", "", "", "", "", 1));
  const std::string other = dir.Write("b.mp3", MakeId3v1Block("Other", "", "", "", "", 2));
  tag.SetFileName(FileLocation(first));
  dir.Write("a.mp3", MakeId3v1Block("Edited", "", "", "", "", 3));
  tag.SetFileName(FileLocation(first));
  EXPECT_EQ(tag.SongName(), "First");
  EXPECT_EQ(tag.Genre(), grClassicRock);
  tag.SetFileName(FileLocation(other));
  EXPECT_EQ(tag.SongName(), "Other");
  tag.SetFileName(FileLocation(first));
  EXPECT_EQ(tag.SongName(), "Edited");
  EXPECT_EQ(tag.FileName(), first);
}

TEST(TId3v1, AFileWithoutTagClearsEverything) {
  TempDir dir;
  TId3v1 tag;
  tag.SetFileName(FileLocation(dir.Write("a.mp3", MakeId3v1Block("T", "A", "L", "1999", "C", 17))));
  tag.SetFileName(FileLocation(dir.Write("b.mp3", MakeMpegAudio(2))));
  EXPECT_EQ(tag.SongName(), "");
  EXPECT_EQ(tag.Artist(), "");
  EXPECT_EQ(tag.Album(), "");
  EXPECT_EQ(tag.Year(), "");
  EXPECT_EQ(tag.Comment(), "");
  EXPECT_EQ(tag.Genre(), grNone);
  tag.SetFileName(FileLocation(dir.Path("missing.mp3")));
  EXPECT_EQ(tag.Genre(), grNone);
}

TEST(TId3v1, SettersChangeOnlyTheHeldValues) {
  TempDir dir;
  const std::string block = MakeId3v1Block("T", "A", "L", "1999", "C", 17);
  const std::string path = dir.Write("a.mp3", block);
  TId3v1 tag;
  tag.SetFileName(FileLocation(path));
  tag.SetSongName("New");
  tag.SetArtist("Who");
  tag.SetAlbum("What");
  tag.SetYear("2024");
  tag.SetComment("Why");
  tag.SetGenre(grJazz);
  EXPECT_EQ(tag.SongName(), "New");
  EXPECT_EQ(tag.Artist(), "Who");
  EXPECT_EQ(tag.Album(), "What");
  EXPECT_EQ(tag.Year(), "2024");
  EXPECT_EQ(tag.Comment(), "Why");
  EXPECT_EQ(tag.Genre(), grJazz);
  EXPECT_EQ(test::ReadNative(path), block);
}

TEST(TId3v1, OpensPlayerPaths) {
  TempDir dir;
  dir.Write("player/Music/Song \xC3\xA9.mp3", MakeId3v1Block("On the player", "", "", "", "", 9));
  const test::PlayerDrive drive(dir.Path("player"));
  TId3v1 tag;
  EXPECT_TRUE(Id3v1TagInFile(drive.Locate("e:\\Music\\Song \xE9.mp3")));
  tag.SetFileName(drive.Locate("e:\\Music\\Song \xE9.mp3"));
  EXPECT_EQ(tag.SongName(), "On the player");
}

TEST(TId3v1, ReadsFromBuffers) {
  TId3v1 tag;
  tag.ReadFromSource(MemorySource(MakeId3v1Block("Buffered", "", "", "", "", 4)));
  EXPECT_EQ(tag.SongName(), "Buffered");
  EXPECT_EQ(tag.Genre(), grDisco);
  EXPECT_EQ(tag.FileName(), "");
  tag.ReadFromSource(MemorySource("too short"));
  EXPECT_EQ(tag.SongName(), "");
  EXPECT_EQ(tag.Genre(), grNone);
}

// Files tagged by real taggers, with the values listed in the folder's manifest.
TEST(Id3v1RealFiles, GiveTheTextsTheTaggersWrote) {
  const std::string folder = std::string(PLONDEX_TEST_DATA) + "/id3v1/";
  test::Manifest expected = test::ReadManifest(folder);
  ASSERT_GE(expected.size(), 5u);
  for (auto& [file, values] : expected) {
    SCOPED_TRACE(file);
    const std::string path = folder + file;
    EXPECT_EQ(Id3v1TagInFile(FileLocation(path)), values["tag"] == "true");
    TId3v1 tag;
    tag.SetFileName(FileLocation(path));
    EXPECT_EQ(tag.SongName(), values["title"]);
    EXPECT_EQ(tag.Artist(), values["artist"]);
    EXPECT_EQ(tag.Album(), values["album"]);
    EXPECT_EQ(tag.Year(), values["year"]);
    EXPECT_EQ(tag.Comment(), values["comment"]);
    EXPECT_EQ(std::to_string(tag.Genre()), values["genre"]);
  }
}

}  // namespace
}  // namespace plondex
