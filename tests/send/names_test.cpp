#include "send/names.h"

#include <gtest/gtest.h>

#include "support/player_drive.h"
#include "support/temp_dir.h"

namespace plondex {
namespace {

class SongNames : public ::testing::Test {
 protected:
  SongNames() : player_(dir_.MakeFolder("player")) {}

  SongNamer::Name Name(const SourceTags& tags, std::string stem = "song", std::string folder = "B",
                       std::string parent = "A") {
    return namer_.NameSong({tags, std::move(stem), std::move(folder), std::move(parent)}, ".mp3");
  }
  static SourceTags Tags(std::string title, std::string artist, std::string album, int track = 0) {
    SourceTags tags;
    tags.title = std::move(title);
    tags.artist = std::move(artist);
    tags.album = std::move(album);
    tags.track = track;
    return tags;
  }

  test::TempDir dir_;
  test::PlayerDrive player_;
  SongNamer namer_{player_.files, 'e', "Music"};
};

TEST_F(SongNames, FolderArtistAlbumNumberAndTitle) {
  EXPECT_EQ(Name(Tags("Song", "Band", "Record", 7)).path.text(),
            "e:\\Music\\Band\\Record\\07 Song.mp3");
  SourceTags tags = Tags("Other", "Band", "Record", 3);
  tags.album_artist = "Various Artists";
  tags.disc = 2;
  tags.disc_total = 2;
  EXPECT_EQ(Name(tags).path.text(), "e:\\Music\\Various Artists\\Record\\2-03 Other.mp3");
}

TEST_F(SongNames, MissingTagsTakeTheSourcesOwnNames) {
  EXPECT_EQ(Name({}, "05 Jóga", "Homogenic", "Björk").path.text(),
            "e:\\Music\\Bj\xF6rk\\Homogenic\\05 J\xF3ga.mp3");
  EXPECT_EQ(Name(Tags("T", "", ""), "x", "", "").path.text(),
            "e:\\Music\\Unknown Artist\\Unknown Album\\T.mp3");
}

TEST_F(SongNames, SpelledForThePlayerAndSafeForFat) {
  // Windows-1252 keeps its letters; other scripts take a readable spelling.
  EXPECT_EQ(Name(Tags("Ёлка", "Björk", "Œuvre")).path.text(),
            "e:\\Music\\Bj\xF6rk\\\x8Cuvre\\Elka.mp3");
  EXPECT_EQ(Name(Tags("a\"b*c/d:e<f>g?h\\i|j\tk", " AC/DC ", "Live...")).path.text(),
            "e:\\Music\\AC_DC\\Live\\a_b_c_d_e_f_g_h_i_j_k.mp3");
  EXPECT_EQ(Name(Tags("con", "Nul", "Aux.")).path.text(), "e:\\Music\\Nul_\\Aux_\\con_.mp3");
  // A Japanese song is read as Japanese, its artist in Han characters alone too.
  EXPECT_EQ(Name(Tags("月の光", "東京事変", "夜の歌")).path.text(),
            "e:\\Music\\toukyoujihen\\yoru no uta\\tsuki no hikari.mp3");
}

TEST_F(SongNames, LongNamesAreCutInTheTitleKeepingNumberAndExtension) {
  const std::string title(80, 'x');
  const std::string name = Name(Tags(title + " end", std::string(70, 'a'), "A", 12)).path.text();
  const std::string file = name.substr(name.rfind('\\') + 1);
  EXPECT_EQ(file, "12 " + std::string(45, 'x') + ".mp3");
  EXPECT_EQ(file.size(), kMaxSentNameLength);
  EXPECT_EQ(name.substr(0, name.rfind('\\')), "e:\\Music\\" + std::string(52, 'a') + "\\A");
  // A cut that would end in a space or a dot is trimmed.
  EXPECT_EQ(FatSafeName(std::string(10, 'y') + " . z", 12), std::string(10, 'y'));
}

TEST_F(SongNames, NamesAreUniqueIgnoringCaseWithinTheSend) {
  EXPECT_EQ(Name(Tags("Song", "Band", "LP", 1)).path.text(), "e:\\Music\\Band\\LP\\01 Song.mp3");
  EXPECT_EQ(Name(Tags("SONG", "BAND", "lp", 1)).path.text(),
            "e:\\Music\\Band\\LP\\01 SONG (2).mp3");
  EXPECT_EQ(Name(Tags("song", "band", "Lp", 1)).path.text(),
            "e:\\Music\\Band\\LP\\01 song (3).mp3");
  // The number fits within the 52 characters.
  const std::string long_title(60, 'q');
  Name(Tags(long_title, "Band", "LP"));
  const std::string second = Name(Tags(long_title, "Band", "LP")).path.text();
  EXPECT_EQ(second.substr(second.rfind('\\') + 1), std::string(44, 'q') + " (2).mp3");
  EXPECT_EQ(FoldNameCase("\xE9t\xE9 \x9A\xFF"), "\xC9T\xC9 \x8A\x9F");
}

TEST_F(SongNames, FilesOnThePlayerAreFoundInTheirOwnSpelling) {
  dir_.Write("player/MUSIC/band/Live/01 Intro.mp3", "x");
  const SongNamer::Name there = Name(Tags("intro", "Band", "LIVE", 1));
  EXPECT_TRUE(there.exists);
  EXPECT_EQ(there.path.text(), "e:\\MUSIC\\band\\Live\\01 Intro.mp3");
  const SongNamer::Name next = Name(Tags("Outro", "Band", "Live", 2));
  EXPECT_FALSE(next.exists);
  EXPECT_EQ(next.path.text(), "e:\\MUSIC\\band\\Live\\02 Outro.mp3");
}

}  // namespace
}  // namespace plondex
