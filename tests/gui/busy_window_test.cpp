// The scan and the build run on the worker thread while the window keeps turning its event loop.

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>

#include "app/gui/build_dialog.h"
#include "app/gui/busy_dialog.h"
#include "app/gui/main_window.h"
#include "app/gui/playlist_panel.h"
#include "app/gui/searching_dialog.h"
#include "app/gui/songtree_view.h"
#include "library/checkstates.h"
#include "library/scan.h"
#include "navdb/dbreader.h"
#include "platform/eject.h"
#include "support/id3v1_builder.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"
#include "support/udisks2_mock.h"

namespace plondex {
namespace {

using namespace std::chrono_literals;

// A drive table whose Root waits, when asked by the worker thread, while the test holds it: the
// worker then stops at the start of a scan or a build, where it asks for the drive's root. The
// window's own thread asks too before it starts a build, and is answered at once.
class LatchDrives : public FolderDrives {
 public:
  void Hold() {
    std::lock_guard<std::mutex> lock(mutex_);
    held_ = true;
  }
  void Release() {
    std::lock_guard<std::mutex> lock(mutex_);
    held_ = false;
    changed_.notify_all();
  }
  // True once a caller waits in Root.
  bool WaitForCaller() {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, 10s, [this] { return waiting_; });
  }
  // When set, ejecting is this.
  std::function<std::string(const EjectWait&)> eject;
  std::string Eject(char letter, const EjectWait& wait) const override {
    return eject ? eject(wait) : FolderDrives::Eject(letter, wait);
  }

  std::optional<std::string> Root(char letter) const override {
    {
      std::unique_lock<std::mutex> lock(mutex_);
      if (held_ && QThread::currentThread() != QCoreApplication::instance()->thread()) {
        waiting_ = true;
        changed_.notify_all();
        // Bounded, so that a window that waited on its own thread fails the test, not the run.
        changed_.wait_for(lock, 10s, [this] { return !held_; });
        waiting_ = false;
      }
    }
    return FolderDrives::Root(letter);
  }

 private:
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  bool held_ = false;
  mutable bool waiting_ = false;
};

// Counts the paint events of a widget.
class PaintCounter : public QObject {
 public:
  explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints;
    return false;
  }
  int paints = 0;
};

// Every file below a folder with its bytes.
std::map<std::string, std::string> Snapshot(const std::string& folder) {
  std::map<std::string, std::string> files;
  for (const auto& e : std::filesystem::recursive_directory_iterator(folder)) {
    if (e.is_regular_file()) files[e.path().string()] = test::ReadNative(e.path().string());
  }
  return files;
}

class BusyWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    drives_ = std::make_shared<LatchDrives>();
    drives_->Add('e', dir_.MakeFolder("player"), "IHP-120", "1234-ABCD");
    program_ = dir_.MakeFolder("program");
    dir_.Write("program/plondex.ini", "[main]\r\ndriveid=1234-ABCD\r\n");
    dir_.Write("player/a.mp3",
               test::MakeMpegAudio(1) + test::MakeId3v1Block("T", "A", "B", "", "", 1));
    dir_.Write("player/b.mp3", test::MakeMpegAudio(1));
    dir_.Write("player/iRivNavi.iDB", "old");
    form_ = std::make_unique<TForm1>(drives_, program_);
    form_->tag_cache_file = dir_.Path("tags.sqlite");
    auto prompter = std::make_unique<test::ScriptedPrompter>();
    prompter_ = prompter.get();
    form_->SetPrompter(std::move(prompter));
    form_->run_warning = [](TForm3&) { return true; };
    form_->StartUp();  // before the first showing, which then starts nothing more
    form_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form_.get()));
  }
  void TearDown() override { drives_->Release(); }

  // Holds the drive, then runs command; once the worker waits in the drive, runs during inside
  // the command's event loop and lets the worker go on.
  void WhileWaiting(const std::function<void()>& command, const std::function<void()>& during) {
    drives_->Hold();
    bool ran = false;
    QTimer::singleShot(0, [&] {
      EXPECT_TRUE(drives_->WaitForCaller());
      during();
      ran = true;
      drives_->Release();
    });
    command();
    EXPECT_TRUE(ran);
  }

  // True when a timer fires and the log pane is painted again while the command waits.
  bool EventLoopTurns() {
    bool fired = false;
    QTimer::singleShot(1, [&] { fired = true; });
    PaintCounter counter(form_->Memo1()->viewport());
    form_->Memo1()->viewport()->update();
    return QTest::qWaitFor([&] { return fired && counter.paints > 0; }, 5000);
  }

  SongNode* Child(const std::string& name) const {
    for (const auto& child : form_->song_tree().root()->children) {
      if (child->text == name) return child.get();
    }
    return nullptr;
  }
  // The last count a scan of the player reports, by the rule of the core.
  QString LastCountOfTheScan() const {
    FolderDrives drives;
    drives.Add('e', dir_.Path("player"), "", "");
    SongTree tree;
    size_t last = 0;
    RebuildSongTree(tree, PlayerFiles(drives), 'e', "", [&last](size_t n) { last = n; });
    return QString::number(last);
  }
  std::string LastLogLine() const {
    return form_->Memo1()->toPlainText().split('\n').last().toStdString();
  }

  test::TempDir dir_;
  std::shared_ptr<LatchDrives> drives_;
  std::string program_;
  std::unique_ptr<TForm1> form_;
  test::ScriptedPrompter* prompter_ = nullptr;
};

TEST_F(BusyWindowTest, AWaitingBuildLeavesTheWindowTurningAndThenWritesTheSameRecords) {
  SetSubtreeState(form_->song_tree().root(), CheckState::kChecked);
  dir_.Write("player/F/c.ogg", "");
  form_->Update1Click();
  SetSubtreeState(form_->song_tree().root(), CheckState::kChecked);
  ToggleNode(Child("F"));
  ToggleNode(Child("playlists"));
  SongNode* b = Child("b.mp3");
  const QModelIndex folder = form_->tree_view()->song_model()->IndexOf(Child("F"));
  form_->tree_view()->setCurrentIndex(form_->tree_view()->song_model()->IndexOf(b));
  WhileWaiting([&] { form_->Create1Click(); },
               [&] {
                 EXPECT_TRUE(form_->building()->isVisible());
                 EXPECT_EQ(form_->building()->windowTitle(), "Creating Database");
                 EXPECT_EQ(form_->building()->ProgressText(), "Songs read: 0 of 2");
                 EXPECT_TRUE(EventLoopTurns());
                 // Commands to the window are refused meanwhile.
                 QTest::keyClick(form_->tree_view(), Qt::Key_Space);
                 EXPECT_EQ(b->checked, 1);
                 QTest::keyClick(form_.get(), Qt::Key_E, Qt::ControlModifier);  // Expand All
                 EXPECT_FALSE(form_->tree_view()->isExpanded(folder));
               });
  EXPECT_FALSE(form_->building()->isVisible());
  EXPECT_EQ(form_->building()->ProgressText(), "Songs read: 2 of 2");
  EXPECT_EQ(LastLogLine(), "Done");
  EXPECT_EQ(form_->CounterLabel(BuildCounter::kId3v1)->text(), "1");
  EXPECT_EQ(form_->CounterLabel(BuildCounter::kNoTags)->text(), "1");
  EXPECT_EQ(prompter_->Texts("warning").size(), 1u);  // the closing box
  const DbContents db = ReadDatabase(test::ReadNative(dir_.Path("player/iRivNavi.iDB")));
  ASSERT_EQ(db.songs.size(), 1u);
  EXPECT_EQ(db.songs[0], (tsong{"\\a.mp3", "T", "A", "B", "Classic Rock"}));
  EXPECT_EQ(test::ReadNative(program_ + "/notag.m3u"), "e:\\b.mp3\r\n");
}

TEST_F(BusyWindowTest, ACancelledBuildWritesNothing) {
  SetSubtreeState(form_->song_tree().root(), CheckState::kChecked);
  const auto player_before = Snapshot(dir_.Path("player"));
  const auto program_before = Snapshot(program_);
  WhileWaiting([&] { form_->Create1Click(); },
               [&] { QTest::mouseClick(form_->building()->CancelButton(), Qt::LeftButton); });
  EXPECT_EQ(LastLogLine(), "Cancelled");
  EXPECT_TRUE(prompter_->shown.empty());  // no closing box
  EXPECT_EQ(Snapshot(dir_.Path("player")), player_before);
  EXPECT_EQ(Snapshot(program_), program_before);
  EXPECT_FALSE(form_->building()->isVisible());
}

TEST_F(BusyWindowTest, CloseDuringABuildCancelsItAndThenCloses) {
  SetSubtreeState(form_->song_tree().root(), CheckState::kChecked);
  form_->SortTree1Click();
  WhileWaiting([&] { form_->Create1Click(); },
               [&] {
                 form_->close();
                 EXPECT_TRUE(form_->isVisible());  // not before the build has stopped
               });
  EXPECT_EQ(LastLogLine(), "Cancelled");
  EXPECT_TRUE(QTest::qWaitFor([&] { return !form_->isVisible(); }, 5000));
  EXPECT_TRUE(prompter_->shown.empty());
  EXPECT_EQ(test::ReadNative(dir_.Path("player/iRivNavi.iDB")), "old");
  EXPECT_EQ(test::ReadNative(program_ + "/songs.dat"), "e:\\a.mp3\r\ne:\\b.mp3\r\n");
}

TEST_F(BusyWindowTest, AWaitingScanShowsItsCountAndACancelledOneKeepsTheOldTree) {
  for (int i = 0; i < 17; ++i) dir_.Write("player/s" + std::to_string(i) + ".ogg", "");
  form_->Update1Click();
  const QString count = LastCountOfTheScan();
  EXPECT_EQ(form_->reading()->CountText(), count);
  for (int i = 17; i < 27; ++i) dir_.Write("player/s" + std::to_string(i) + ".ogg", "");

  const SongNode* old_root = form_->song_tree().root();
  WhileWaiting([&] { form_->Update1Click(); },
               [&] {
                 EXPECT_TRUE(form_->reading()->isVisible());
                 EXPECT_EQ(form_->reading()->windowTitle(), "Searching iHP");
                 EXPECT_EQ(form_->reading()->CountText(), count);
                 EXPECT_TRUE(EventLoopTurns());
                 // Escape is Cancel, also when the keys go to the window.
                 QTest::keyClick(form_->tree_view(), Qt::Key_Escape);
               });
  EXPECT_FALSE(form_->reading()->isVisible());
  EXPECT_EQ(form_->song_tree().root(), old_root);
  EXPECT_EQ(form_->tree_view()->song_model()->rowCount(
                form_->tree_view()->song_model()->IndexOf(old_root)),
            20);  // a.mp3, b.mp3, 17 songs, playlists

  WhileWaiting([&] { form_->Update1Click(); }, [&] { EXPECT_TRUE(EventLoopTurns()); });
  EXPECT_EQ(form_->song_tree().node_count(), 31u);
  EXPECT_EQ(form_->reading()->CountText(), LastCountOfTheScan());
}

TEST_F(BusyWindowTest, CancelStopsAnEjectThatWaitsForPermission) {
  test::Udisks2Mock udisks;
  if (!udisks.skip_reason().empty()) GTEST_SKIP() << udisks.skip_reason();
  test::Udisks2Mock::Player player;
  player.mount_point = std::filesystem::canonical(dir_.Path("player")).string();
  player.unmount_ms = 3000;  // nobody answers the question for permission meanwhile
  udisks.SetUpPlayer(player);
  drives_->eject = [&](const EjectWait& wait) {
    return EjectPlayer(player.mount_point, udisks.bus(), wait);
  };
  auto* ejecting = form_->findChild<BusyDialog*>("Ejecting");
  std::chrono::steady_clock::time_point cancelled;
  QTimer::singleShot(200, [&] {
    EXPECT_TRUE(ejecting->isVisible());
    cancelled = std::chrono::steady_clock::now();
    QTest::mouseClick(ejecting->CancelButton(), Qt::LeftButton);
  });
  form_->Eject1Click();
  EXPECT_LT(std::chrono::steady_clock::now() - cancelled, 500ms);
  EXPECT_FALSE(ejecting->isVisible());
  EXPECT_EQ(prompter_->Texts(),
            std::vector<std::string>{"The iHP was not ejected: the eject was cancelled."});
  EXPECT_TRUE(drives_->DrivePresent('e'));
}

TEST_F(BusyWindowTest, CtrlCCopiesInTheLogPaneAndAsksToClearThePlaylistElsewhere) {
  dir_.Write("player/playlists/Mix.m3u", "e:\\a.mp3\r\n");
  form_->Update1Click();
  // The offscreen platform does not hand the focus back when the searching dialog goes.
  QApplication::setActiveWindow(form_.get());
  form_->LogLine("first");
  form_->LogLine("second");
  form_->Memo1()->setFocus();
  QTest::keyClick(form_->Memo1(), Qt::Key_A, Qt::ControlModifier);
  QTest::keyClick(form_->Memo1(), Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text(), "first\nsecond");
  EXPECT_TRUE(prompter_->shown.empty());

  QListWidget* names = form_->playlist_panel()->playlist_list();
  names->setFocus();
  QTest::keyClick(names, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(prompter_->Texts("confirm"),
            std::vector<std::string>{"Are you sure to CLEAR the playlist \"Mix.m3u\" ?"});
}

}  // namespace
}  // namespace plondex
