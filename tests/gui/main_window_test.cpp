#include "app/gui/main_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <memory>

#include "app/gui/options_dialog.h"
#include "app/gui/searching_dialog.h"
#include "app/gui/send_dialog.h"
#include "app/gui/send_picker.h"
#include "app/gui/warning_dialog.h"
#include "library/checkstates.h"
#include "navdb/dbreader.h"
#include "navdb/irivdb.h"
#include "platform/files.h"
#include "support/id3v1_builder.h"
#include "support/id3v2_builder.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"

namespace plondex {
namespace {

constexpr char kNotConnected[] =
    "iHP not connected!\r\nPlease connect the iHP and restart the application.";

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    drives_ = std::make_shared<FolderDrives>();
    drives_->Add('e', dir_.MakeFolder("player"), "IHP-120", "1234-ABCD");
    program_ = dir_.MakeFolder("program");
  }

  // A window whose boxes go to the scripted prompter and whose dialogs answer as told.
  std::unique_ptr<TForm1> MakeWindow(bool accept_warning, bool accept_options) {
    auto form = std::make_unique<TForm1>(drives_, program_);
    form->tag_cache_file = dir_.Path("cache/tags.sqlite");
    auto prompter = std::make_unique<test::ScriptedPrompter>();
    prompter_ = prompter.get();
    form->SetPrompter(std::move(prompter));
    form->run_warning = [accept_warning](TForm3&) { return accept_warning; };
    form->run_options = [this, accept_options](TForm2& dialog) {
      ++options_shown_;
      return accept_options && (dialog.disknames()->setCurrentIndex(0), true);
    };
    return form;
  }

  void WriteIni(const std::string& driveid) {
    dir_.Write("program/plondex.ini", "[main]\r\ndriveid=" + driveid + "\r\n");
  }

  test::TempDir dir_;
  std::shared_ptr<FolderDrives> drives_;
  std::string program_;
  test::ScriptedPrompter* prompter_ = nullptr;
  int options_shown_ = 0;
};

TEST_F(MainWindowTest, WarningCancelledReadsAndWritesNothing) {
  WriteIni("1234-ABCD");
  dir_.Write("program/songs.dat", "e:\\x.mp3\r\n");
  auto form = MakeWindow(false, true);
  form->show();
  form->StartUp();
  EXPECT_EQ(form->player_drive(), kNoDrive);  // the settings were never read
  EXPECT_TRUE(form->song_tree().empty());
  EXPECT_EQ(options_shown_, 0);
  EXPECT_TRUE(prompter_->shown.empty());
  EXPECT_FALSE(form->isVisible());
  EXPECT_EQ(test::ListNames(program_), "plondex.ini songs.dat");
  EXPECT_EQ(test::ReadNative(program_ + "/songs.dat"), "e:\\x.mp3\r\n");
}

TEST_F(MainWindowTest, NoPlayerOffersOptionsThenEndsWithTheNotConnectedBox) {
  WriteIni("FFFF-0000");
  auto form = MakeWindow(true, false);
  form->show();
  form->StartUp();
  EXPECT_EQ(options_shown_, 1);
  EXPECT_EQ(prompter_->Texts(), std::vector<std::string>{kNotConnected});
  EXPECT_FALSE(form->isVisible());
  EXPECT_TRUE(form->song_tree().empty());
}

TEST_F(MainWindowTest, FirstRunChoosesTheDriveInTheOptionsAndScans) {
  dir_.Write("player/Music/a.mp3", "x");
  auto form = MakeWindow(true, true);
  form->StartUp();
  EXPECT_EQ(options_shown_, 1);
  EXPECT_EQ(form->player_drive(), 'e');
  ASSERT_FALSE(form->song_tree().empty());
  EXPECT_EQ(form->song_tree().root()->text, "All songs");
  EXPECT_NE(test::ReadNative(program_ + "/plondex.ini").find("driveid=1234-ABCD"),
            std::string::npos);
  EXPECT_TRUE(prompter_->shown.empty());
  EXPECT_FALSE(form->reading()->isVisible());
}

TEST_F(MainWindowTest, PlayerPresentScansWithoutTheOptions) {
  WriteIni("1234-ABCD");
  dir_.Write("player/a.mp3", "x");
  auto form = MakeWindow(true, true);
  form->StartUp();
  EXPECT_EQ(options_shown_, 0);
  ASSERT_FALSE(form->song_tree().empty());
  ASSERT_EQ(form->song_tree().root()->children.size(), 1u);
  EXPECT_EQ(form->song_tree().root()->children[0]->text, "a.mp3");
}

TEST_F(MainWindowTest, RefreshWithThePlayerGoneKeepsTheTree) {
  WriteIni("1234-ABCD");
  dir_.Write("player/a.mp3", "x");
  auto form = MakeWindow(true, true);
  form->StartUp();
  ASSERT_EQ(form->song_tree().node_count(), 2u);
  drives_->Add('e', dir_.Path("unplugged"), "IHP-120", "1234-ABCD");
  form->Update1Click();
  EXPECT_EQ(prompter_->Texts(), std::vector<std::string>{"IHP not connected!"});
  EXPECT_EQ(form->song_tree().node_count(), 2u);
}

TEST_F(MainWindowTest, UnreadableSettingsStopTheStartUpWithTheErrorBox) {
  dir_.MakeFolder("program/plondex.ini");
  auto form = MakeWindow(true, true);
  form->StartUp();
  ASSERT_EQ(prompter_->Texts("error").size(), 1u);
  EXPECT_EQ(prompter_->Texts("error")[0].rfind("Cannot open file \"", 0), 0u);
  EXPECT_EQ(options_shown_, 0);
  EXPECT_TRUE(form->song_tree().empty());
}

TEST_F(MainWindowTest, CtrlDBelongsToCreateDatabaseOnly) {
  auto form = MakeWindow(true, true);
  const QKeySequence ctrl_d(Qt::CTRL | Qt::Key_D);
  int holders = 0;
  for (QAction* action : form->findChildren<QAction*>()) {
    if (action->shortcut() == ctrl_d) {
      ++holders;
      EXPECT_EQ(action->objectName(), "Create1");
    }
  }
  EXPECT_EQ(holders, 1);
  ASSERT_NE(form->FindAction("Delete1"), nullptr);
  EXPECT_TRUE(form->FindAction("Delete1")->text().endsWith("\tCtrl+D"));
  EXPECT_EQ(form->FindAction("Update1")->shortcut(), QKeySequence(Qt::Key_F5));
  EXPECT_EQ(form->FindAction("Sort1")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_S));
}

TEST_F(MainWindowTest, CountersStayEmptyUntilSet) {
  auto form = MakeWindow(true, true);
  for (int i = 0; i < kBuildCounterCount; ++i) {
    EXPECT_TRUE(form->CounterLabel(static_cast<BuildCounter>(i))->text().isEmpty());
  }
  form->CounterRaised(BuildCounter::kOgg, 3);
  EXPECT_EQ(form->findChild<QLabel*>("Label7")->text(), "3");
  EXPECT_TRUE(form->findChild<QLabel*>("Label5")->text().isEmpty());
  form->LogLine("Caf\xe9");
  EXPECT_EQ(form->Memo1()->toPlainText(), QString::fromUtf8("Caf\xc3\xa9"));
}

TEST_F(MainWindowTest, SixDigitCountersCutNeitherNumberNorCaption) {
  auto form = MakeWindow(true, true);
  form->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  for (int i = 0; i < kBuildCounterCount; ++i)
    form->CounterRaised(static_cast<BuildCounter>(i), 105430);
  QApplication::processEvents();
  QWidget* strip = form->CounterLabel(BuildCounter::kId3v1)->parentWidget();
  for (QLabel* label : strip->findChildren<QLabel*>()) {
    EXPECT_GE(label->width(), label->sizeHint().width()) << label->text().toStdString();
  }
}

TEST_F(MainWindowTest, CloseSavesChecksOnlyWhenTheTreeHoldsNodes) {
  dir_.Write("program/songs.dat", "kept\r\n");
  {
    auto form = MakeWindow(true, false);
    form->StartUp();  // no player: the tree stays empty
    form->close();
  }
  EXPECT_EQ(test::ReadNative(program_ + "/songs.dat"), "kept\r\n");
  WriteIni("1234-ABCD");
  dir_.Write("player/a.mp3", "x");
  auto form = MakeWindow(true, true);
  form->StartUp();
  form->close();
  EXPECT_EQ(test::ReadNative(program_ + "/songs.dat"), "");  // nothing checked: empty file
}

TEST_F(MainWindowTest, CreateDatabaseShowsItsClosingBoxAndRaisesTheCounters) {
  WriteIni("1234-ABCD");
  dir_.Write("player/a.mp3",
             test::MakeMpegAudio(1) + test::MakeId3v1Block("T", "A", "B", "", "", 1));
  dir_.Write("player/b.mp3", test::MakeMpegAudio(1));
  auto form = MakeWindow(true, true);
  form->StartUp();
  SetSubtreeState(form->song_tree().root(), CheckState::kChecked);
  form->Create1Click();
  EXPECT_EQ(prompter_->Texts("warning"),
            std::vector<std::string>{
                "Remember to disable the device before disconnecting the cable of the iHP.\r\nIf "
                "not all data is written correctly it can corrupt the content of the harddisk!"});
  EXPECT_EQ(form->findChild<QLabel*>("Label5")->text(), "1");
  EXPECT_EQ(form->findChild<QLabel*>("Label8")->text(), "1");
  EXPECT_TRUE(form->findChild<QLabel*>("Label6")->text().isEmpty());  // never rose
  EXPECT_TRUE(form->Memo1()->toPlainText().startsWith("Deleting old Database\n"));
  EXPECT_TRUE(form->Memo1()->toPlainText().endsWith("Done"));
  EXPECT_EQ(test::ReadNative(program_ + "/notag.m3u"), "e:\\b.mp3\r\n");
  EXPECT_TRUE(test::NativeExists(dir_.Path("player/iRivNavi.iDB")));
}

TEST_F(MainWindowTest, CreateDatabaseWithNowriteAndAfterAnError) {
  dir_.Write("program/plondex.ini", "[main]\r\ndriveid=1234-ABCD\r\nnowrite=1\r\n");
  auto form = MakeWindow(true, true);
  form->StartUp();
  form->Create1Click();
  EXPECT_EQ(prompter_->Texts(),
            std::vector<std::string>{
                "DB discarded and not written! Go to the options menu to enable DB writing."});
  EXPECT_FALSE(test::NativeExists(dir_.Path("player/iRivNavi.iDB")));

  WriteIni("1234-ABCD");
  auto writing = MakeWindow(true, true);
  writing->StartUp();
  SetFileFaultHook([](FileOp op) { return op == FileOp::kCreate; });
  prompter_->confirm_answers = {true};  // nothing checked: write an empty database all the same
  writing->Create1Click();
  SetFileFaultHook(nullptr);
  ASSERT_EQ(prompter_->shown.size(), 2u);  // the question, the error box and no closing box
  EXPECT_EQ(prompter_->shown[1].kind, "error");
  EXPECT_EQ(prompter_->shown[1].text.rfind("Cannot create file \"e:\\iRivNavi.iDB\". ", 0), 0u);
  EXPECT_TRUE(writing->Memo1()->toPlainText().endsWith(
      QString::fromStdString("\nFailed: " + prompter_->shown[1].text)));
}

// A tagger that keeps the file's size and time: Create Database takes the song from the tag cache,
// "read all tags" reads it again; with the cache switched off in the options nothing is kept.
TEST_F(MainWindowTest, CreateDatabaseReadingAllTagsAndWithoutTheCache) {
  WriteIni("1234-ABCD");
  dir_.Write("player/a.mp3", test::Id3v2Builder().Text("TIT2", "Old title").Build());
  test::AgeFiles(dir_.Path("player"));
  auto form = MakeWindow(true, true);
  form->StartUp();
  SetSubtreeState(form->song_tree().root(), CheckState::kChecked);
  auto title = [this] {
    const DbContents db = ReadDatabase(test::ReadNative(dir_.Path("player/iRivNavi.iDB")));
    return db.songs.empty() ? std::string() : db.songs[0].Title;
  };
  form->Create1Click();
  EXPECT_EQ(title(), "Old title");
  dir_.Write("player/a.mp3", test::Id3v2Builder().Text("TIT2", "New title").Build());
  test::AgeFiles(dir_.Path("player"));
  form->Create1Click();
  EXPECT_EQ(title(), "Old title");
  QAction* read_all = form->FindAction("CreateReadingAll1");
  ASSERT_NE(read_all, nullptr);
  EXPECT_EQ(read_all->text(), "Create Database (read all tags)");
  EXPECT_EQ(read_all->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_D));
  EXPECT_EQ(read_all->parent(), form->FindAction("Create1")->parent());  // the Songs menu
  read_all->trigger();
  EXPECT_EQ(title(), "New title");

  // Switched off in the options: the build neither asks nor fills the cache.
  form->run_options = [](TForm2& dialog) {
    dialog.TagCacheBox()->setChecked(false);
    return true;
  };
  form->Options1Click();
  EXPECT_FALSE(form->settings().tagcache);
  form->tag_cache_file = dir_.Path("other.sqlite");
  form->Create1Click();
  EXPECT_EQ(title(), "New title");
  EXPECT_FALSE(test::NativeExists(dir_.Path("other.sqlite")));
}

// The ways a good database on the player could be replaced by a worse one.
TEST_F(MainWindowTest, CreateDatabaseKeepsAGoodDatabaseFromHarm) {
  WriteIni("1234-ABCD");
  dir_.Write("player/a.mp3",
             test::MakeMpegAudio(1) + test::MakeId3v1Block("T", "A", "B", "", "", 1));
  dir_.Write("player/b.mp3", test::MakeMpegAudio(1));
  dir_.Write("player/iRivNavi.iDB", "good database");
  auto form = MakeWindow(true, true);
  form->StartUp();
  // Nothing checked: asked first, and No (the default) writes nothing.
  form->Create1Click();
  EXPECT_EQ(prompter_->shown.size(), 1u);
  EXPECT_EQ(prompter_->Texts("confirm-no"),
            std::vector<std::string>{"No song is checked. Write an empty database to the iHP?"});
  EXPECT_EQ(test::ReadNative(dir_.Path("player/iRivNavi.iDB")), "good database");
  EXPECT_TRUE(form->Memo1()->toPlainText().isEmpty());

  // Each build's counters start empty.
  SongNode* a = form->song_tree().root()->children[0].get();
  SongNode* b = form->song_tree().root()->children[1].get();
  if (a->text != "a.mp3") std::swap(a, b);
  ToggleNode(a);
  form->Create1Click();
  EXPECT_EQ(form->findChild<QLabel*>("Label5")->text(), "1");
  ToggleNode(a);
  ToggleNode(b);
  form->Create1Click();
  EXPECT_TRUE(form->findChild<QLabel*>("Label5")->text().isEmpty());
  EXPECT_EQ(form->findChild<QLabel*>("Label8")->text(), "1");

  // The player gone: said so, and nothing read or logged.
  dir_.Write("player/iRivNavi.iDB", "good database");
  const QString log = form->Memo1()->toPlainText();
  const size_t shown = prompter_->shown.size();
  ASSERT_EQ(drives_->Eject('e', EjectWait{}), "The iHP can be unplugged now.");
  form->Create1Click();
  ASSERT_EQ(prompter_->shown.size(), shown + 1);
  EXPECT_EQ(prompter_->shown.back().kind, "information");
  EXPECT_EQ(prompter_->shown.back().text, "IHP not connected!");
  EXPECT_EQ(form->Memo1()->toPlainText(), log);
  EXPECT_EQ(test::ReadNative(dir_.Path("player/iRivNavi.iDB")), "good database");
}

// Choosing another player in the options shows its songs at once, so that Create Database can
// never write the old player's songs into the new player's database.
TEST_F(MainWindowTest, AnotherPlayerChosenInTheOptionsIsSearchedAtOnce) {
  WriteIni("1234-ABCD");
  dir_.Write("player/a.mp3", test::MakeMpegAudio(1));
  dir_.Write("other/x.mp3",
             test::MakeMpegAudio(1) + test::MakeId3v1Block("X", "A", "B", "", "", 1));
  drives_->Add('f', dir_.Path("other"), "IHP-140", "5678-EF01");
  auto form = MakeWindow(true, true);
  form->StartUp();
  SetSubtreeState(form->song_tree().root(), CheckState::kChecked);
  form->run_options = [](TForm2& dialog) {
    dialog.disknames()->setCurrentIndex(1);
    return true;
  };
  form->Options1Click();
  EXPECT_EQ(form->player_drive(), 'f');
  ASSERT_EQ(form->song_tree().root()->children.size(), 1u);
  EXPECT_EQ(form->song_tree().root()->children[0]->text, "x.mp3");
  // The checks of the old player's tree say nothing about this one's songs.
  EXPECT_EQ(form->song_tree().root()->children[0]->checked, 0);
  // Choosing the same player again searches nothing.
  form->song_tree().root()->children[0]->checked = 1;
  form->Options1Click();
  EXPECT_EQ(form->song_tree().root()->children[0]->checked, 1);
}

TEST_F(MainWindowTest, SentSongsAreShownCheckedAndTheDatabaseIsOffered) {
  WriteIni("1234-ABCD");
  dir_.Write("player/old.mp3", test::MakeMpegAudio(1));
  dir_.Write("source/Album/a.mp3", test::Id3v2Builder()
                                           .Text("TIT2", "Sent")
                                           .Text("TPE1", "Artist")
                                           .Text("TALB", "Album")
                                           .Text("TRCK", "1")
                                           .Build() +
                                       test::MakeMpegAudio(20));
  dir_.Write("source/Album/cover.jpg", "\xFF\xD8\xFF\xE0");
  auto form = MakeWindow(true, true);
  form->StartUp();
  QAction* send = form->FindAction("SendSongs1");
  ASSERT_NE(send, nullptr);
  EXPECT_EQ(send->text(), "Send Songs to iHP...");
  EXPECT_EQ(send->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_T));
  std::optional<SendFormat> offered;
  form->pick_songs = [&](SendFormat current) {
    offered = current;
    return std::optional<SendChoice>(SendChoice{{dir_.Path("source")}, SendFormat::kOgg});
  };
  prompter_->confirm_answers = {true};  // Create Database now?
  send->trigger();
  EXPECT_EQ(offered, SendFormat::kMp3);
  ASSERT_TRUE(test::NativeExists(dir_.Path("player/Music/Artist/Album/01 Sent.mp3")));
  EXPECT_EQ(form->sending()->ProgressText(), "Songs sent: 1 of 1");
  EXPECT_EQ(prompter_->Texts("confirm"), std::vector<std::string>{"Create Database now?"});
  // The tree shows the sent song checked, and the build that followed wrote it.
  const DbContents db = ReadDatabase(test::ReadNative(dir_.Path("player/iRivNavi.iDB")));
  ASSERT_EQ(db.songs.size(), 1u);
  EXPECT_EQ(db.songs[0].Path, "\\Music\\Artist\\Album\\01 Sent.mp3");
  EXPECT_EQ(db.songs[0].Title, "Sent");

  // Sent again: already there, the choice of format kept.
  prompter_->confirm_answers = {};
  send->trigger();
  EXPECT_EQ(offered, SendFormat::kOgg);
  EXPECT_EQ(prompter_->Texts("confirm").size(), 1u);  // nothing sent: no question
}

TEST_F(MainWindowTest, RefreshKeepsTheChecksOnScreenAndTakesSongsDatForNewSongs) {
  WriteIni("1234-ABCD");
  dir_.Write("program/songs.dat", "e:\\a.mp3\r\ne:\\new.mp3\r\n");
  dir_.Write("player/a.mp3", "x");
  dir_.Write("player/b.mp3", "x");
  auto form = MakeWindow(true, true);
  form->StartUp();
  auto checked = [&form] {
    std::vector<std::string> names;
    ForEachLeaf(*form->song_tree().root(), [&](const SongNode& leaf) {
      if (leaf.checked) names.push_back(leaf.text);
    });
    std::sort(names.begin(), names.end());
    return names;
  };
  ASSERT_EQ(checked(), std::vector<std::string>{"a.mp3"});
  for (auto& song : form->song_tree().root()->children) ToggleNode(song.get());
  dir_.Write("player/new.mp3", "x");  // copied onto the player since
  form->Update1Click();
  EXPECT_EQ(checked(), (std::vector<std::string>{"b.mp3", "new.mp3"}));
  EXPECT_EQ(form->song_tree().root()->state, CheckState::kPartlyChecked);
}

TEST_F(MainWindowTest, EjectFromTheMenuOrTheClosingBoxLeavesTheTreeAndThePlayerGone) {
  WriteIni("1234-ABCD");
  dir_.Write("player/a.mp3", test::MakeMpegAudio(1));
  auto form = MakeWindow(true, true);
  form->StartUp();
  ASSERT_EQ(form->FindAction("Eject1")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_J));
  form->FindAction("Eject1")->trigger();
  EXPECT_EQ(prompter_->Texts(), std::vector<std::string>{"The iHP can be unplugged now."});
  EXPECT_EQ(form->song_tree().node_count(), 2u);
  form->Update1Click();
  EXPECT_EQ(prompter_->Texts().back(), "IHP not connected!");

  drives_->Add('e', dir_.Path("player"), "IHP-120", "1234-ABCD");  // plugged in again
  auto second = MakeWindow(true, true);
  second->StartUp();
  SetSubtreeState(second->song_tree().root(), CheckState::kChecked);
  prompter_->choice_answers = {true};
  second->Create1Click();
  EXPECT_EQ(prompter_->choices, std::vector<std::string>{"Eject iHP"});
  EXPECT_EQ(prompter_->Texts("information"),
            std::vector<std::string>{"The iHP can be unplugged now."});
  EXPECT_FALSE(drives_->DrivePresent('e'));
}

TEST_F(MainWindowTest, CheckSongsInTheDatabaseShowsWhatCameOfIt) {
  WriteIni("1234-ABCD");
  for (const char* song : {"Rock/a.mp3", "Rock/b.mp3", "c.mp3"}) {
    dir_.Write(std::string("player/") + song, test::MakeMpegAudio(1));
  }
  auto form = MakeWindow(true, true);
  form->StartUp();
  QAction* check = form->FindAction("CheckDatabase1");
  check->trigger();
  EXPECT_EQ(prompter_->Texts(), std::vector<std::string>{"The iHP has no database yet."});

  tirivdb db;
  db.AddSong(tsong{"\\ROCK\\A.MP3", "T", "A", "L", "G"});
  db.AddSong(tsong{"\\gone.mp3", "T", "A", "L", "G"});
  db.SaveDatabase(FileLocation(dir_.Path("player/iRivNavi.iDB")));
  check->trigger();
  EXPECT_EQ(prompter_->Texts().back(),
            "1 songs of the database are checked. 1 songs of the database are no longer on the "
            "player.");
  std::vector<std::string> checked;
  ForEachLeaf(*form->song_tree().root(), [&](const SongNode& leaf) {
    if (leaf.checked) checked.push_back(leaf.text);
  });
  EXPECT_EQ(checked, std::vector<std::string>{"a.mp3"});
  EXPECT_EQ(form->song_tree().root()->state, CheckState::kPartlyChecked);

  dir_.Write("player/iRivNavi.iDB", "broken");
  check->trigger();
  ASSERT_EQ(prompter_->shown.back().kind, "error");
  EXPECT_EQ(prompter_->shown.back().text.rfind("The database of the iHP cannot be read: ", 0), 0u);
  EXPECT_EQ(form->song_tree().root()->state, CheckState::kPartlyChecked);
}

TEST(WarningDialog, OkOnlyWhileTheBoxIsChecked) {
  TForm3 dialog;
  EXPECT_EQ(dialog.windowTitle(), "Important!");
  EXPECT_FALSE(dialog.OkButton()->isEnabled());
  QTest::mouseClick(dialog.CheckBox1(), Qt::LeftButton);
  EXPECT_TRUE(dialog.OkButton()->isEnabled());
  QTest::mouseClick(dialog.CheckBox1(), Qt::LeftButton);
  EXPECT_FALSE(dialog.OkButton()->isEnabled());
}

TEST(OptionsDialog, BoundsAndAnswer) {
  TForm2 dialog;
  Settings s;
  s.cutat = 200;
  s.playlists = "lists";
  s.verbose = true;
  DriveChoices c;
  c.entries = {"e: IHP-120", "f: "};
  c.serials = {"1", "2"};
  c.selection = 1;
  dialog.Fill(s, c);
  EXPECT_EQ(dialog.SpinEdit1()->minimum(), 4);
  EXPECT_EQ(dialog.SpinEdit1()->maximum(), 64);
  const OptionsAnswer a = dialog.Answer();
  EXPECT_EQ(a.selection, 1);
  EXPECT_EQ(a.cutat, 64);
  EXPECT_TRUE(a.verbose);
  EXPECT_FALSE(a.nowrite);
  EXPECT_EQ(a.playlists, "lists");
  EXPECT_EQ(dialog.TagCacheBox()->text(), "Remember tags between builds");
  EXPECT_TRUE(a.tagcache);  // on by default
  s.tagcache = false;
  dialog.Fill(s, c);
  EXPECT_FALSE(dialog.Answer().tagcache);
  c.selection = -1;
  dialog.Fill(s, c);
  EXPECT_EQ(dialog.Answer().selection, -1);
}

TEST(SearchingDialog, CountStartsAtZero) {
  Treading dialog;
  EXPECT_EQ(dialog.CountText(), "0");
  dialog.SetCount(20);
  EXPECT_EQ(dialog.CountText(), "20");
}

}  // namespace
}  // namespace plondex
