#include "playlists/playlists.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "player_fixture.h"

namespace plondex::test {
namespace {

namespace fs = std::filesystem;

std::string ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const Error& e) {
    return e.what();
  }
  return "(no error)";
}

using ListPlaylistsTest = PlayerTest;

TEST_F(ListPlaylistsTest, CreatesMissingFolderWithAllLevels) {
  context_.folder_name = "lists\\mine\\deep";
  playlists_.content().Assign({"\\old.mp3"});
  playlists_.ListPlaylists();
  playlists_.ShowSelectedPlaylist();
  EXPECT_TRUE(fs::is_directory(dir_.Path("lists/mine/deep")));
  EXPECT_TRUE(playlists_.names().empty());
  EXPECT_TRUE(playlists_.content().empty());
  EXPECT_TRUE(prompter_.shown.empty());
}

TEST_F(ListPlaylistsTest, TakesM3uFilesInDirectoryOrderAndLeavesOutFolders) {
  for (const char* name : {"b.m3u", "A.M3U", "c.M3u", "notes.txt", "x.m3u8", ".m3u"})
    Write(name, "");
  dir_.MakeFolder("playlists/folder.m3u");
  Lines expected;
  for (const auto& e : fs::directory_iterator(dir_.Path("playlists"))) {
    const std::string name = e.path().filename().string();
    if (name != "notes.txt" && name != "x.m3u8" && name != "folder.m3u") expected.push_back(name);
  }
  ASSERT_EQ(expected.size(), 4u);
  playlists_.ListPlaylists();
  EXPECT_EQ(playlists_.names(), expected);
}

TEST_F(ListPlaylistsTest, WithoutADriveNothingIsTouchedBesideTheProgram) {
  context_.drive_letter = ' ';
  playlists_.ListPlaylists();
  EXPECT_TRUE(playlists_.names().empty());
  const PlayerPath path = PlaylistFilePath(context_, "x.m3u");
  EXPECT_THROW(playlists_.SavePlaylist(path), Error);
  EXPECT_THROW(playlists_.LoadPlaylist(path), Error);
  EXPECT_FALSE(fs::exists(" :\\playlists"));
  EXPECT_FALSE(fs::exists(path.text()));
}

using PlaylistFileTest = PlayerTest;

TEST_F(PlaylistFileTest, LinesAreKeptExactlyAndEachEndsInCrLf) {
  Write("mix.m3u", "\\a.mp3\n  \\b c.mp3 \r\r\n#EXTM3U\r\\\xE9t\xE9.ogg");
  Open("mix.m3u");
  EXPECT_EQ(Entries(), (Lines{"\\a.mp3", "  \\b c.mp3 ", "", "#EXTM3U", "\\\xE9t\xE9.ogg"}));
  playlists_.SaveSelectedPlaylist();
  EXPECT_EQ(Read("mix.m3u"), "\\a.mp3\r\n  \\b c.mp3 \r\n\r\n#EXTM3U\r\n\\\xE9t\xE9.ogg\r\n");

  Write("nul.m3u", std::string("\\a.mp3\r\n\\b\0.mp3\r\n\\c.mp3\r\n", 24));
  Open("nul.m3u");
  EXPECT_EQ(Entries(), (Lines{"\\a.mp3", "\\b"}));
  playlists_.content().Clear();
  playlists_.SaveSelectedPlaylist();
  EXPECT_TRUE(fs::exists(Native("nul.m3u")));
  EXPECT_EQ(Read("nul.m3u"), "");
}

TEST_F(PlaylistFileTest, FailuresNameTheFileAndLeaveTheListAndTheOldFile) {
  playlists_.content().Assign({"\\keep.mp3"});
  EXPECT_EQ(ErrorOf([&] { playlists_.LoadPlaylist(PlayerPath("e:\\playlists\\gone.m3u")); }),
            "Cannot open file \"e:\\playlists\\gone.m3u\". No such file or directory");
  EXPECT_EQ(Entries(), Lines{"\\keep.mp3"});

  Write("a.m3u", "\\old.mp3\r\n");
  SetFileFaultHook([](FileOp op) { return op == FileOp::kRename; });
  EXPECT_EQ(ErrorOf([&] {
              playlists_.SavePlaylist(PlayerPath("e:\\playlists\\a.m3u"));
            }).rfind("Cannot create file \"e:\\playlists\\a.m3u\". ", 0),
            0u);
  EXPECT_EQ(Read("a.m3u"), "\\old.mp3\r\n");
  EXPECT_EQ(Entries(), Lines{"\\keep.mp3"});
}

class CommandTest : public PlayerTest {
 protected:
  static constexpr const char* kRoad = "\\b.mp3\r\n\\A.mp3\r\n\\a.mp3\r\n\\c.mp3\r\n";
  void SetUp() override {
    Write("Road.m3u", kRoad);
    Open("Road.m3u");
  }
};

TEST_F(CommandTest, NewCreatesEmptySelectedPlaylistsNamedAsTyped) {
  prompter_.input_answers = {"Trip", "Road.m3u", "", std::nullopt};
  for (int i = 0; i < 4; ++i) playlists_.New();
  EXPECT_EQ(prompter_.Texts("input"),
            Lines(4, "New Playlist|Please enter the name of the palylist:|255"));
  EXPECT_EQ(playlists_.names(), (Lines{"Road.m3u", "Trip.m3u", "Road.m3u.m3u", ".m3u"}));
  EXPECT_EQ(playlists_.selected_index(), 3);
  EXPECT_TRUE(playlists_.content().empty());
  for (const char* name : {"Trip.m3u", "Road.m3u.m3u", ".m3u"}) {
    EXPECT_TRUE(fs::exists(Native(name)) && Read(name).empty()) << name;
  }
}

TEST_F(CommandTest, NewNeverEmptiesAnExistingPlaylist) {
  Write("Later.m3u", "\\x.mp3\r\n");  // not listed yet
  playlists_.content().Clear();
  CountWrites();
  prompter_.input_answers = {"rOAD", "Later"};
  playlists_.New();
  EXPECT_EQ(playlists_.selected_index(), 0);
  EXPECT_EQ(Entries().size(), 4u);
  playlists_.New();
  EXPECT_EQ(playlists_.names(), (Lines{"Road.m3u", "Later.m3u"}));
  EXPECT_EQ(Entries(), Lines{"\\x.mp3"});
  EXPECT_EQ(writes_, 0);
  EXPECT_EQ(Read("Road.m3u"), kRoad);
}

TEST_F(CommandTest, NewRefusesNamesThatLeaveTheFolder) {
  CountWrites();
  for (const char* bad : {"..\\..\\x", "a/b", "c:x", "*", "a?", "q\"", "<", ">", "|", "tab\there",
                          "\x7F", ".", ".."}) {
    prompter_.shown.clear();
    prompter_.input_answers = {std::string(bad)};
    playlists_.New();
    EXPECT_EQ(prompter_.Texts("information"), Lines{std::string("Invalid playlist name: ") + bad});
    EXPECT_EQ(prompter_.shown.size(), 2u);
  }
  EXPECT_EQ(writes_, 0);
  EXPECT_EQ(playlists_.names(), Lines{"Road.m3u"});
  EXPECT_EQ(Entries().size(), 4u);
  EXPECT_EQ(ListNames(dir_.path()), "playlists");
}

TEST_F(CommandTest, NewUnderNowriteShowsTheNameAndReportsTheMissingFile) {
  context_.nowrite = true;
  prompter_.input_answers = {"Trip"};
  EXPECT_EQ(ErrorOf([&] { playlists_.New(); }),
            "Cannot open file \"e:\\playlists\\Trip.m3u\". No such file or directory");
  EXPECT_EQ(playlists_.names(), (Lines{"Road.m3u", "Trip.m3u"}));
  EXPECT_EQ(playlists_.selected_index(), 1);
  EXPECT_TRUE(playlists_.content().empty());
  EXPECT_FALSE(fs::exists(Native("Trip.m3u")));
}

TEST_F(CommandTest, CommandsWithoutSelectionFailBeforeAsking) {
  playlists_.SelectPlaylist(-1);
  CountWrites();
  for (auto command :
       {&Playlists::Delete, &Playlists::Sort, &Playlists::Clear, &Playlists::Random}) {
    EXPECT_EQ(ErrorOf([&] { (playlists_.*command)(); }), "List index out of bounds (-1)");
  }
  EXPECT_TRUE(prompter_.shown.empty());
  EXPECT_EQ(writes_, 0);
  EXPECT_EQ(Entries().size(), 4u);
}

TEST_F(CommandTest, DeleteAsksRemovesTheFileEvenUnderNowriteAndShowsTheFirst) {
  Write("Other.m3u", "\\x.mp3\r\n");
  Open("Road.m3u");
  context_.nowrite = true;
  prompter_.confirm_answers = {false, true};
  playlists_.Delete();
  EXPECT_TRUE(fs::exists(Native("Road.m3u")));
  playlists_.Delete();
  EXPECT_EQ(prompter_.Texts("confirm"),
            Lines(2, "Are you sure to DELETE the playlist \"Road.m3u\" ?"));
  EXPECT_FALSE(fs::exists(Native("Road.m3u")));
  EXPECT_EQ(playlists_.names(), Lines{"Other.m3u"});
  EXPECT_EQ(playlists_.selected_index(), 0);
  EXPECT_EQ(Entries(), Lines{"\\x.mp3"});

  fs::remove(Native("Other.m3u"));  // a failed delete is not reported
  prompter_.confirm_answers = {true};
  playlists_.Delete();
  EXPECT_TRUE(playlists_.names().empty());
  EXPECT_EQ(playlists_.selected_index(), -1);
  EXPECT_TRUE(playlists_.content().empty());
}

TEST_F(CommandTest, SortIgnoresCaseKeepsDuplicatesAndWrites) {
  prompter_.confirm_answers = {false, true};
  playlists_.Sort();
  EXPECT_EQ(Read("Road.m3u"), kRoad);
  playlists_.Sort();
  EXPECT_EQ(prompter_.Texts("confirm"),
            Lines(2, "Are you sure to SORT the playlist \"Road.m3u\" alphabetically?"));
  const Lines sorted = Entries();
  ASSERT_EQ(sorted.size(), 4u);
  EXPECT_EQ(Lines(sorted.begin() + 2, sorted.end()), (Lines{"\\b.mp3", "\\c.mp3"}));
  EXPECT_EQ(Read("Road.m3u"), sorted[0] + "\r\n" + sorted[1] + "\r\n\\b.mp3\r\n\\c.mp3\r\n");

  playlists_.content().Assign(
      {"\\Zulu.mp3", "\\\xE9t\xE9.mp3", "\\zoo.mp3", "\\Zulu.mp3", "\\echo.mp3", "\\Alpha.mp3"});
  prompter_.confirm_answers = {true};
  playlists_.Sort();
  EXPECT_EQ(Entries(), (Lines{"\\Alpha.mp3", "\\echo.mp3", "\\\xE9t\xE9.mp3", "\\zoo.mp3",
                              "\\Zulu.mp3", "\\Zulu.mp3"}));
}

TEST_F(CommandTest, ClearAsksThenEmptiesTheFileWithoutDeletingIt) {
  prompter_.confirm_answers = {false, true};
  playlists_.Clear();
  EXPECT_EQ(Entries().size(), 4u);
  playlists_.Clear();
  EXPECT_EQ(prompter_.Texts("confirm"),
            Lines(2, "Are you sure to CLEAR the playlist \"Road.m3u\" ?"));
  EXPECT_TRUE(playlists_.content().empty());
  EXPECT_TRUE(fs::exists(Native("Road.m3u")));
  EXPECT_EQ(Read("Road.m3u"), "");
}

TEST_F(CommandTest, RemoveSelectedSongsAsksOnlyForTwoOrMoreAndWritesNothing) {
  CountWrites();
  PlaylistContent& content = playlists_.content();
  playlists_.RemoveSelectedSongs();  // none selected
  content.SetSelected(1, true);
  playlists_.RemoveSelectedSongs();
  EXPECT_TRUE(prompter_.shown.empty());
  EXPECT_EQ(Entries(), (Lines{"\\b.mp3", "\\a.mp3", "\\c.mp3"}));

  content.SetSelected(0, true);
  content.SetSelected(1, true);
  content.SetSelected(2, true);
  prompter_.confirm_answers = {false, true};
  playlists_.RemoveSelectedSongs();
  EXPECT_EQ(Entries().size(), 3u);
  content.SetSelected(1, false);
  playlists_.RemoveSelectedSongs();
  EXPECT_EQ(prompter_.Texts("confirm"),
            (Lines{"Are you sure to remove the selected 3 songs from the playlist?",
                   "Are you sure to remove the selected 2 songs from the playlist?"}));
  EXPECT_EQ(Entries(), Lines{"\\a.mp3"});
  EXPECT_EQ(writes_, 0);
  playlists_.ShowSelectedPlaylist();
  EXPECT_EQ(Entries().size(), 4u);
}

TEST_F(CommandTest, RandomSeedsBeforeTheQuestionAndWritesTheShuffle) {
  int seeds = 0;
  playlists_.SetSeedSource([&] {
    EXPECT_EQ(prompter_.Texts("confirm").size(), static_cast<size_t>(seeds++));
    return 0u;
  });
  prompter_.confirm_answers = {false, true};
  playlists_.Random();
  EXPECT_EQ(Read("Road.m3u"), kRoad);
  playlists_.Random();
  EXPECT_EQ(seeds, 2);
  EXPECT_EQ(prompter_.Texts("confirm"),
            Lines(2, "Are you sure to RANDOMIZE the playlist \"Road.m3u\"?"));
  // From seed 0: 0 of 4, 0 of 3, 1 of 2, 0 of 1.
  EXPECT_EQ(Read("Road.m3u"), "\\b.mp3\r\n\\A.mp3\r\n\\c.mp3\r\n\\a.mp3\r\n");

  prompter_.confirm_answers = {true, true};
  playlists_.content().Assign({"\\only.mp3"});
  playlists_.Random();
  EXPECT_EQ(Read("Road.m3u"), "\\only.mp3\r\n");
  playlists_.content().Clear();
  playlists_.Random();
  EXPECT_EQ(Read("Road.m3u"), "");
}

TEST_F(CommandTest, NowriteChangesOnlyTheListsAndAFailedWriteKeepsTheChange) {
  context_.nowrite = true;
  CountWrites();
  prompter_.confirm_answers = {true, true, true, true};
  playlists_.Sort();
  playlists_.Random();
  playlists_.Clear();
  EXPECT_EQ(writes_, 0);
  EXPECT_EQ(Read("Road.m3u"), kRoad);

  context_.nowrite = false;
  playlists_.ShowSelectedPlaylist();
  SetFileFaultHook([](FileOp op) { return op == FileOp::kCreate; });
  EXPECT_THROW(playlists_.Clear(), Error);
  EXPECT_TRUE(playlists_.content().empty());
  EXPECT_EQ(Read("Road.m3u"), kRoad);
}

}  // namespace
}  // namespace plondex::test
