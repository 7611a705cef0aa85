#include "navdb/database_build.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>

#include "library/checkstates.h"
#include "library/scan.h"
#include "library/treeops.h"
#include "navdb/dbreader.h"
#include "platform/error.h"
#include "support/asf_builder.h"
#include "support/id3v1_builder.h"
#include "support/id3v2_builder.h"
#include "support/ogg_builder.h"
#include "support/player_drive.h"
#include "support/recording_reporter.h"
#include "support/temp_dir.h"
#include "tags/id3v1.h"
#include "tags/id3v2.h"

namespace plondex {

void PrintTo(const tsong& s, std::ostream* os) {
  *os << "{" << s.Path << " | " << s.Title << " | " << s.Artist << " | " << s.Album << " | "
      << s.Genre << "}";
}

namespace {

using test::Id3v2Builder;

class DatabaseBuildTest : public ::testing::Test {
 protected:
  void SetUp() override {
    drive_.Use(dir_.MakeFolder("player"));
    settings_.drive_letter = 'e';
    settings_.lists_folder = dir_.MakeFolder("program");
  }

  void Song(const std::string& relative, const std::string& bytes) {
    dir_.Write("player/" + relative, bytes);
  }
  // Scans the player, checks every song and builds.
  void Build() {
    RebuildSongTree(tree_, drive_.files, 'e', "", nullptr);
    SetSubtreeState(tree_.root(), CheckState::kChecked);
    RecomputeCheckStates(tree_);
    SortSongTree(tree_);  // directory order differs between file systems
    reporter_ = test::RecordingReporter();
    BuildDatabase(tree_, drive_.files, settings_, idv1_, idv2_, reporter_);
  }
  std::vector<tsong> Records() const {
    const std::string bytes = test::ReadNative(dir_.Path("player/iRivNavi.iDB"));
    const DbContents contents = ReadDatabase(bytes);
    EXPECT_FALSE(contents.problem.has_value()) << contents.problem->Message();
    return contents.songs;
  }
  std::string List(const char* name) const {
    return test::ReadNative(dir_.Path(std::string("program/") + name));
  }

  test::TempDir dir_;
  test::PlayerDrive drive_;
  BuildSettings settings_;
  SongTree tree_;
  TId3v1 idv1_;
  TId3v2 idv2_;
  test::RecordingReporter reporter_;
};

std::string Mp3WithId3v1(const std::string& title, uint8_t genre) {
  return test::MakeMpegAudio(2) +
         test::MakeId3v1Block(title, "Artist1", "Album1", "2001", "", genre);
}

TEST_F(DatabaseBuildTest, NothingCheckedGivesAnEmptyDatabaseAndNoLists) {
  Song("a.mp3", Mp3WithId3v1("T", 17));
  RebuildSongTree(tree_, drive_.files, 'e', "", nullptr);
  RecomputeCheckStates(tree_);
  BuildDatabase(tree_, drive_.files, settings_, idv1_, idv2_, reporter_);
  EXPECT_EQ(reporter_.log, (std::vector<std::string>{"Deleting old Database", "Creating Database",
                                                     "Saving Database", "Done"}));
  EXPECT_EQ(reporter_.rises, 0);
  EXPECT_EQ(test::ReadNative(dir_.Path("player/iRivNavi.iDB")).size(), 41216u);
  EXPECT_EQ(test::ListNames(settings_.lists_folder), "");
}

TEST_F(DatabaseBuildTest, Id3v2AloneSuppliesTheTextsWhenPresent) {
  Song("A/one.MP3", Id3v2Builder()
                            .Text("TIT2", "Hello; World")
                            .Text("TPE1", "AC/DC")
                            .Text("TALB", "Album")
                            .Text("TCON", "(17)")
                            .Build() +
                        test::MakeMpegAudio(2) +
                        test::MakeId3v1Block("v1 title", "v1", "v1", "", "", 1));
  Song("B/two.mp3",
       Id3v2Builder().Text("TPE1", "Simon & Garfunkel").Text("TCON", "(17)Rock").Build());
  Build();
  const auto records = Records();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0], (tsong{"\\A\\one.MP3", "Hello World", "AC,DC", "Album", "Rock"}));
  // No title frame: "???", not the ID3v1 title.
  EXPECT_EQ(records[1], (tsong{"\\B\\two.mp3", "???", "Simon & Garfunkel", "???", "(17)Rock"}));
  EXPECT_EQ(reporter_.Value(BuildCounter::kId3v2), 2);
  EXPECT_EQ(reporter_.Value(BuildCounter::kId3v1), 0);
}

TEST_F(DatabaseBuildTest, Id3v24AndId3v22TagsGiveReadableTexts) {
  // UTF-8 "Łódź", the performers "Москва" and "Zoë", a genre number alone; the ID3v1 tag is not
  // consulted.
  Song("x.mp3",
       Id3v2Builder()
               .Version(4, 0)
               .Text("TIT2",
                     "\xC5\x81\xC3\xB3"
                     "d\xC5\xBA",
                     3)
               .Frame("TPE1", std::string("\x03\xD0\x9C\xD0\xBE\xD1\x81\xD0\xBA\xD0\xB2\xD0"
                                          "\xB0\0Zo\xC3\xAB",
                                          18))
               .Text("TCON", "17", 3)
               .Build() +
           Mp3WithId3v1("v1", 1));
  Song("y.mp3",
       Id3v2Builder().Version(2, 0).Text16("TT2", u"\u6771\u4EAC").Text("TAL", "Album").Build());
  settings_.verbose = true;
  Build();
  const auto records = Records();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0], (tsong{"\\x.mp3", "Lodz", "Moskva,Zoe", "???", "Rock"}));
  EXPECT_EQ(records[1], (tsong{"\\y.mp3", "dong jing", "???", "Album", "???"}));
  EXPECT_EQ(reporter_.Value(BuildCounter::kId3v2), 2);
  EXPECT_EQ(reporter_.Value(BuildCounter::kId3v1), 0);
  for (const char* line : {"Mapping id3v2 genre \"17\" to \"Rock\"",
                           "Adjusting tag: \"L\xF3"
                           "dz\" -> \"Lodz\""}) {
    EXPECT_NE(std::find(reporter_.log.begin(), reporter_.log.end(), line), reporter_.log.end())
        << line;
  }
}

TEST_F(DatabaseBuildTest, Id3v1WhenNoId3v2AndNoTagAtAll) {
  Song("a.mp3", Mp3WithId3v1("Title", 255));
  Song("b.mp3", test::MakeMpegAudio(3));
  Build();
  const auto records = Records();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].Genre, "none");
  EXPECT_EQ(reporter_.Value(BuildCounter::kId3v1), 1);
  EXPECT_EQ(reporter_.Value(BuildCounter::kNoTags), 1);
  EXPECT_EQ(List(kNoTagList), "e:\\b.mp3\r\n");
  EXPECT_NE(std::find(reporter_.log.begin(), reporter_.log.end(), "No tags found: e:\\b.mp3"),
            reporter_.log.end());
}

TEST_F(DatabaseBuildTest, OggTextsReachThePlayerCharacterSet) {
  Song("o.ogg", test::MakeOggVorbisFile({"TITLE=M\xc3\xa4"
                                         "dchen",
                                         "ARTIST=Latin \xe4", "ALBUM=\xe4\xb8\xad", "GENRE=Pop"}));
  Song("short.ogg", "OggS");
  Song("notvorbis.ogg", std::string(100, 'x'));
  Build();
  const auto records = Records();
  ASSERT_EQ(records.size(), 2u);
  // Decoded from UTF-8 where it is UTF-8, other bytes kept; what the player lacks spelled out.
  EXPECT_EQ(records[1].Title,
            "M\xe4"
            "dchen");
  EXPECT_EQ(records[1].Artist, "Latin \xe4");
  EXPECT_EQ(records[1].Album, "zhong");
  EXPECT_EQ(records[0], (tsong{"\\notvorbis.ogg", "???", "???", "???", "???"}));
  EXPECT_EQ(reporter_.Value(BuildCounter::kOgg), 2);
  EXPECT_EQ(reporter_.Value(BuildCounter::kNoTags), 1);  // the 4-byte file
}

TEST_F(DatabaseBuildTest, WmaTextsAreConvertedAndCut) {
  settings_.cutat = 8;
  Song("w.wma", test::MakeWmaFile(u"A long title \u00e9", u"\u0141\u00F3d\u017A",
                                  {test::StringDescriptor(u"WM/AlbumTitle", u"Alb"),
                                   test::StringDescriptor(u"WM/Genre", u"Jazz")}));
  Song("bad.wma", "not an asf file at all");
  Build();
  const auto records = Records();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0], (tsong{"\\bad.wma", "???", "???", "???", "???"}));
  EXPECT_EQ(records[1], (tsong{"\\w.wma", "A long ", "Lodz", "Alb", "Jazz"}));
  EXPECT_EQ(reporter_.Value(BuildCounter::kWma), 2);
}

TEST_F(DatabaseBuildTest, NoLimitStillCutsATextToWhatItsRecordHolds) {
  for (const int cutat : {0, -5}) {
    settings_.cutat = cutat;
    Song("big.mp3", Id3v2Builder().Text("TIT2", std::string(70000, 't')).Build());
    Build();
    const auto records = Records();
    ASSERT_EQ(records.size(), 1u) << cutat;
    EXPECT_EQ(records[0].Title, std::string(65534, 't'));
  }
}

TEST_F(DatabaseBuildTest, JapaneseSongsWithoutTheDictionaryAreSpelledAsBeforeWithOneLine) {
  settings_.mecab_dictionary = dir_.MakeFolder("no dictionary");
  for (const char* name : {"a.wma", "b.wma"}) {
    Song(name, test::MakeWmaFile(u"\u6708\u306e\u5149", u"", {}));  // tsuki no hikari
  }
  Build();
  EXPECT_EQ(std::count_if(reporter_.log.begin(), reporter_.log.end(),
                          [](const std::string& line) {
                            return line.rfind("Japanese readings not available: ", 0) == 0;
                          }),
            1);
  ASSERT_EQ(Records().size(), 2u);
  EXPECT_EQ(Records()[0].Title, "yu\xe8no guang");
  settings_.mecab_dictionary.clear();
  Build();
  EXPECT_EQ(Records()[0].Title, "tsuki no hikari");
}

TEST_F(DatabaseBuildTest, LongNamesAreWarnedListedAndStillBuilt) {
  const std::string name52 = std::string(48, 'a') + ".mp3";
  const std::string name53 = std::string(49, 'b') + ".mp3";
  Song(name52, Mp3WithId3v1("x", 1));
  Song(name53, Mp3WithId3v1("y", 1));
  Build();
  EXPECT_EQ(Records().size(), 2u);
  EXPECT_EQ(reporter_.Value(BuildCounter::kNameTooLong), 1);
  EXPECT_EQ(List(kLongNameList), "e:\\" + name53 + "\r\n");
}

TEST_F(DatabaseBuildTest, UnreadableSongIsLoggedAndTheBuildGoesOn) {
  Song("a.mp3", Id3v2Builder().Text("TSIZ", "12x").Build());
  Song("b.mp3", Mp3WithId3v1("fine", 2));
  ASSERT_EQ(::mkfifo(dir_.Path("player/pipe.mp3").c_str(), 0644), 0);
  Build();
  EXPECT_EQ(Records().size(), 1u);
  EXPECT_EQ(reporter_.Value(BuildCounter::kNoTags), 2);
  int exceptions = 0;
  for (const auto& line : reporter_.log) {
    if (line.rfind("Exception reading data: e:\\", 0) == 0) ++exceptions;
  }
  EXPECT_EQ(exceptions, 2);
  EXPECT_NE(std::find(reporter_.log.begin(), reporter_.log.end(),
                      "Exception reading data: e:\\a.mp3 ('12x' is not a valid integer value)"),
            reporter_.log.end());
  EXPECT_FALSE(test::NativeExists(dir_.Path("program/notag.m3u")));  // errors are not "no tag"
}

TEST_F(DatabaseBuildTest, NowriteKeepsTheOldDatabase) {
  Song("a.mp3", Mp3WithId3v1("x", 1));
  Song("iRivNavi.iDB", "old");
  settings_.nowrite = true;
  Build();
  EXPECT_EQ(test::ReadNative(dir_.Path("player/iRivNavi.iDB")), "old");
  EXPECT_EQ(reporter_.log.front(), "Deleting old Database");
}

TEST_F(DatabaseBuildTest, FailedDatabaseWriteKeepsTheOldOneAndEndsBeforeDone) {
  Song("a.mp3", Mp3WithId3v1("x", 1));
  Song("b.mp3", test::MakeMpegAudio(1));
  Song("iRivNavi.iDB", "old");
  SetFileFaultHook([](FileOp op) { return op == FileOp::kRename; });
  EXPECT_THROW(Build(), Error);
  SetFileFaultHook(nullptr);
  EXPECT_EQ(test::ReadNative(dir_.Path("player/iRivNavi.iDB")), "old");
  ASSERT_GE(reporter_.log.size(), 2u);
  EXPECT_EQ(reporter_.log[reporter_.log.size() - 2], "Saving Database");
  EXPECT_EQ(reporter_.log.back(),
            "Failed: Cannot create file \"e:\\iRivNavi.iDB\". Input/output error");
  EXPECT_EQ(test::ListNames(settings_.lists_folder), "");
  EXPECT_EQ(test::ListNames(dir_.Path("player")), "a.mp3 b.mp3 iRivNavi.iDB");

  // A player that cannot take the new file fails before the first song is read.
  ASSERT_EQ(::chmod(dir_.Path("player").c_str(), 0555), 0);
  const bool as_root = ::access(dir_.Path("player").c_str(), W_OK) == 0;
  if (as_root) SetFileFaultHook([](FileOp op) { return op == FileOp::kCreate; });
  EXPECT_THROW(Build(), Error);
  SetFileFaultHook(nullptr);
  ::chmod(dir_.Path("player").c_str(), 0755);
  ASSERT_EQ(reporter_.log.size(), 3u);
  EXPECT_EQ(reporter_.log[1], "Creating Database");
  EXPECT_EQ(reporter_.log[2].rfind("Failed: Cannot create file \"e:\\iRivNavi.iDB\". ", 0), 0u);
  EXPECT_EQ(reporter_.rises, 0);  // no song was read
}

TEST_F(DatabaseBuildTest, FailedSideListEndsAfterDone) {
  Song(std::string(60, 'n') + ".mp3", test::MakeMpegAudio(1));
  settings_.lists_folder = dir_.Path("no/such/folder");
  EXPECT_THROW(Build(), Error);
  ASSERT_GE(reporter_.log.size(), 2u);
  EXPECT_EQ(reporter_.log[reporter_.log.size() - 2], "Done");
  EXPECT_EQ(reporter_.log.back().rfind("Failed: Cannot create file ", 0), 0u);
  EXPECT_EQ(Records().size(), 0u);
}

// The build reaches scanned songs by the names the scan listed; a song gone since is missing as
// any other. A letter that now stands for another folder (another player chosen in the options)
// is refused: the songs of this tree are not there.
TEST_F(DatabaseBuildTest, SongsAreReachedByTheirScanAndOnlyOnTheScannedPlayer) {
  Song("Caf\xC3\xA9/a.mp3", Mp3WithId3v1("A", 1));
  Song("Caf\xC3\xA9/b.mp3", Mp3WithId3v1("B", 1));
  Build();
  ASSERT_EQ(Records().size(), 2u);
  ASSERT_EQ(::rename(dir_.Path("player/Caf\xC3\xA9/b.mp3").c_str(),
                     dir_.Path("player/Caf\xC3\xA9/renamed.mp3").c_str()),
            0);
  reporter_ = test::RecordingReporter();
  BuildDatabase(tree_, drive_.files, settings_, idv1_, idv2_, reporter_);
  EXPECT_EQ(Records(),
            (std::vector<tsong>{{"\\Caf\xE9\\a.mp3", "A", "Artist1", "Album1", "Classic Rock"}}));
  EXPECT_EQ(List(kNoTagList), "e:\\Caf\xE9\\b.mp3\r\n");

  // The options dialog chose another player as f:, with a database of its own.
  dir_.Write("copy/iRivNavi.iDB", "good database");
  drive_.Use(dir_.Path("copy"), 'f');
  settings_.drive_letter = 'f';
  const std::vector<std::string> log = reporter_.log;
  try {
    BuildDatabase(tree_, drive_.files, settings_, idv1_, idv2_, reporter_);
    ADD_FAILURE() << "built from a tree of another player";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(),
                 "The song list is not from the connected iHP. Press Refresh (F5) first.");
  }
  EXPECT_EQ(reporter_.log, log);
  EXPECT_EQ(test::ListNames(dir_.Path("copy")), "iRivNavi.iDB");
  EXPECT_EQ(test::ReadNative(dir_.Path("copy/iRivNavi.iDB")), "good database");
  // The same refusal for a player that is gone.
  settings_.drive_letter = 'g';
  EXPECT_THROW(BuildDatabase(tree_, drive_.files, settings_, idv1_, idv2_, reporter_), Error);
}

TEST_F(DatabaseBuildTest, RecordsFollowTreeOrderAndStaleId3v1IsNeverKept) {
  Song("a.mp3", Mp3WithId3v1("First", 1));
  Build();
  EXPECT_EQ(Records()[0].Title, "First");
  Song("a.mp3", Mp3WithId3v1("Edited", 1));
  Build();
  EXPECT_EQ(Records()[0].Title, "Edited");
}

TEST_F(DatabaseBuildTest, MoreThanTheFileHoldsIsReported) {
  RebuildSongTree(tree_, drive_.files, 'e', "", nullptr);  // only the root
  SongNode* root = tree_.root();
  for (int i = 0; i < 10001; ++i) {
    SongNode* n = tree_.AddChild(root, "s" + std::to_string(i) + ".ogg");
    n->checked = 1;
  }
  Song("s0.ogg", test::MakeOggVorbisFile({"TITLE=x"}));
  BuildDatabase(tree_, drive_.files, settings_, idv1_, idv2_, reporter_);
  EXPECT_EQ(reporter_.Value(BuildCounter::kNoTags), 10000);
  EXPECT_EQ(reporter_.Value(BuildCounter::kOgg), 1);
  EXPECT_EQ(Records().size(), 1u);
  tree_.Clear();
  root = tree_.AddRoot("All songs");
  tree_.set_scan_root(*drive_.files.DriveRoot('e'));
  for (int i = 0; i < 10001; ++i) tree_.AddChild(root, "s0.ogg")->checked = 1;
  BuildDatabase(tree_, drive_.files, settings_, idv1_, idv2_, reporter_);
  EXPECT_EQ(Records().size(), 9999u);
  EXPECT_NE(std::find(reporter_.log.begin(), reporter_.log.end(),
                      "Warning, too many songs: 2 songs not written (the player holds at most "
                      "9999)"),
            reporter_.log.end());
}

// Records the progress and asks to stop once `after` songs have been read.
class CancellingReporter : public test::RecordingReporter {
 public:
  explicit CancellingReporter(int after) : after_(after) {}
  void SongRead(int done, int total) override { progress.emplace_back(done, total); }
  bool CancelRequested() override { return !progress.empty() && progress.back().first >= after_; }
  std::vector<std::pair<int, int>> progress;

 private:
  int after_;
};

TEST_F(DatabaseBuildTest, ProgressCountsTheCheckedSongsAndCancelStopsWithinOneSong) {
  Song("a.mp3", Mp3WithId3v1("A", 1));
  Song("b.mp3", test::MakeMpegAudio(1));
  Song(std::string(60, 'c') + ".mp3", Mp3WithId3v1("C", 1));
  Song("d.mp3", Mp3WithId3v1("D", 1));
  Song("iRivNavi.iDB", "old");
  dir_.MakeFolder("player/Empty");  // visited, but no song
  RebuildSongTree(tree_, drive_.files, 'e', "", nullptr);
  SetSubtreeState(tree_.root(), CheckState::kChecked);
  RecomputeCheckStates(tree_);
  SortSongTree(tree_);
  ToggleNode(tree_.root()->children[3].get());  // d.mp3 is not read
  ASSERT_EQ(CountCheckedSongs(tree_), 3);

  CancellingReporter stopped(2);
  EXPECT_EQ(BuildDatabase(tree_, drive_.files, settings_, idv1_, idv2_, stopped),
            BuildOutcome::kCancelled);
  EXPECT_EQ(stopped.log, (std::vector<std::string>{"Deleting old Database", "Creating Database",
                                                   "No tags found: e:\\b.mp3", "Cancelled"}));
  EXPECT_EQ(stopped.progress, (std::vector<std::pair<int, int>>{{0, 3}, {1, 3}, {2, 3}}));
  EXPECT_EQ(test::ReadNative(dir_.Path("player/iRivNavi.iDB")), "old");
  EXPECT_EQ(test::ListNames(settings_.lists_folder), "");  // no notag.m3u for b.mp3

  CancellingReporter whole(100);
  EXPECT_EQ(BuildDatabase(tree_, drive_.files, settings_, idv1_, idv2_, whole),
            BuildOutcome::kDone);
  EXPECT_EQ(whole.progress.back(), std::make_pair(3, 3));
  EXPECT_EQ(whole.log.back(), "Done");
  EXPECT_EQ(Records().size(), 2u);
  EXPECT_EQ(test::ListNames(settings_.lists_folder), "longfilename.m3u notag.m3u");
}

TEST(CleanTagText, KeepsTheAllowedBytesAndCutsToLimitMinusOne) {
  test::RecordingReporter r;
  int allowed = 0;
  for (int b = 0; b < 256; ++b) allowed += IsAllowedTagByte(static_cast<unsigned char>(b));
  EXPECT_EQ(allowed, 93);
  EXPECT_EQ(CleanTagText("<<>>", 32, false, r), "???");
  EXPECT_EQ(CleanTagText("M\xc3\xa4"
                         "dchen",
                         32, false, r),
            "MAdchen");
  EXPECT_EQ(CleanTagText(std::string(40, 'a'), 32, false, r), std::string(31, 'a'));
  EXPECT_EQ(CleanTagText(std::string(31, 'a'), 32, false, r), std::string(31, 'a'));
  EXPECT_EQ(CleanTagText(std::string(5000, 'a'), 32, false, r).size(), 31u);
  EXPECT_EQ(CleanTagText("abc", 1, false, r), "");
  EXPECT_EQ(CleanTagText(std::string(100, 'a'), 0, false, r).size(), 100u);
  EXPECT_EQ(CleanTagText("", 4, false, r), "???");
  EXPECT_TRUE(r.log.empty());
  EXPECT_EQ(CleanTagText("Hello; World", 32, true, r), "Hello World");
  EXPECT_EQ(r.log, std::vector<std::string>{"Adjusting tag: \"Hello; World\" -> \"Hello World\""});
}

TEST(CleanTagText, SpellsOutHighBytesBeforeTheCut) {
  test::RecordingReporter r;
  EXPECT_EQ(CleanTagText("Sigur R\xf3s", 32, true, r), "Sigur Ros");
  EXPECT_EQ(CleanTagText("R\xe9sum\xe9 f\xfcr", 32, true, r), "R\xe9sum\xe9 f\xfcr");
  EXPECT_EQ(r.log, std::vector<std::string>{"Adjusting tag: \"Sigur R\xf3s\" -> \"Sigur Ros\""});
  // Controls, the ASCII punctuation and what has no spelling still go.
  EXPECT_EQ(CleanTagText("\x01<\xc5se\x7f\x80>", 32, false, r), "Ase");
  EXPECT_EQ(CleanTagText("\x80\xa9", 32, false, r), "???");
  // The cut counts the spelled-out letters.
  EXPECT_EQ(CleanTagText("\xc6sir", 3, false, r), "AE");
  EXPECT_EQ(CleanTagText("\xc6sir", 4, false, r), "AEs");
  EXPECT_EQ(CleanTagText("x\x85", 4, false, r), "x..");
}

}  // namespace
}  // namespace plondex
