#include "app/gui/playlist_panel.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QHBoxLayout>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "library/songtree.h"
#include "platform/drives.h"
#include "platform/files.h"
#include "support/player_drive.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"

namespace plondex {
namespace {

using Lines = std::vector<std::string>;
using test::ReadNative;

Lines Rows(const QListWidget* list) {
  Lines rows;
  for (int i = 0; i < list->count(); ++i) rows.push_back(list->item(i)->text().toStdString());
  return rows;
}

QPoint RowCenter(QListWidget* list, int row) {
  return list->visualItemRect(list->item(row)).center();
}

// A window with a song tree on the left and the panel on the right, over a player folder.
class PanelTest : public ::testing::Test {
 protected:
  PanelTest() {
    drive_.Use(dir_.path());

    SongNode* root = songs_.AddRoot("All songs");
    SongNode* rock = songs_.AddChild(root, "Rock");
    songs_.AddChild(rock, "a.mp3");
    songs_.AddChild(rock, "b.mp3");
    SongNode* top = songs_.AddChild(root, "Top.mp3");

    tree_ = new QTreeWidget(&window_);
    tree_->setDragEnabled(true);
    auto* rock_item = new QTreeWidgetItem(tree_, QStringList{"Rock"});
    nodes_[rock_item] = rock;
    nodes_[new QTreeWidgetItem(tree_, QStringList{"Top.mp3"})] = top;
    rock_item->setExpanded(true);

    panel_ = new PlaylistPanel(
        &prompter_, &drive_.files, [this] { return context_; }, &window_);
    panel_->SetTreeSource(tree_, [this]() -> const SongNode* {
      auto it = nodes_.find(tree_->currentItem());
      return it == nodes_.end() ? nullptr : it->second;
    });
    auto* layout = new QHBoxLayout(&window_);
    layout->addWidget(tree_);
    layout->addWidget(panel_, 1);
    window_.resize(832, 450);
    window_.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&window_));

    names_ = panel_->playlist_list();
    list_ = panel_->content_list();
  }
  ~PanelTest() override { SetFileFaultHook(nullptr); }

  void WritePlaylist(const std::string& name, const std::string& bytes) {
    dir_.Write("playlists/" + name, bytes);
  }
  std::string ReadPlaylist(const std::string& name) {
    return ReadNative(dir_.Path("playlists/" + name));
  }
  QPushButton* Button(const char* name) { return panel_->findChild<QPushButton*>(name); }

  test::TempDir dir_;
  test::PlayerDrive drive_;
  test::ScriptedPrompter prompter_;
  PlaylistContext context_{'e', "playlists", false};
  SongTree songs_;
  std::map<QTreeWidgetItem*, const SongNode*> nodes_;
  QWidget window_;
  QTreeWidget* tree_;
  PlaylistPanel* panel_;
  QListWidget* names_;
  QListWidget* list_;
};

TEST_F(PanelTest, LayoutHasTheListsAndTheButtonStrip) {
  EXPECT_EQ(names_->objectName(), "ListBox1");
  EXPECT_EQ(list_->objectName(), "list");
  EXPECT_EQ(names_->selectionMode(), QAbstractItemView::SingleSelection);
  EXPECT_EQ(list_->selectionMode(), QAbstractItemView::ExtendedSelection);
  EXPECT_EQ(names_->parentWidget()->width(), 185);
  QWidget* strip = panel_->findChild<QWidget*>("ButtonStrip");
  ASSERT_NE(strip, nullptr);
  EXPECT_EQ(strip->height(), 97);
  EXPECT_GE(strip->y(), names_->y() + names_->height());

  // Rows of the strip: New and Delete; Clear on the right; Sort and Random.
  struct Place {
    const char* name;
    const char* text;
    int row, column;
  };
  std::vector<int> row_y(3, -1), column_x(2, -1);
  for (const Place& p : {Place{"Button1", "New", 0, 0}, Place{"Button2", "Delete", 0, 1},
                         Place{"Button4", "Clear", 1, 1}, Place{"Button3", "Sort", 2, 0},
                         Place{"Button5", "Random", 2, 1}}) {
    QPushButton* button = Button(p.name);
    ASSERT_NE(button, nullptr) << p.name;
    EXPECT_EQ(button->text(), p.text);
    if (row_y[p.row] < 0) row_y[p.row] = button->y();
    if (column_x[p.column] < 0) column_x[p.column] = button->x();
    EXPECT_EQ(button->y(), row_y[p.row]) << p.text;
    EXPECT_EQ(button->x(), column_x[p.column]) << p.text;
  }
  EXPECT_LT(row_y[0], row_y[1]);
  EXPECT_LT(row_y[1], row_y[2]);
  EXPECT_LT(column_x[0], column_x[1]);
  EXPECT_GT(list_->x(), names_->x() + names_->width());
}

TEST_F(PanelTest, ReloadSelectsAndShowsTheFirstPlaylist) {
  WritePlaylist("only.m3u", "\\one.mp3\r\n\\\xE9t\xE9.mp3\r\n");
  panel_->ReloadPlaylists();
  EXPECT_EQ(Rows(names_), Lines{"only.m3u"});
  EXPECT_EQ(names_->currentRow(), 0);
  EXPECT_TRUE(names_->item(0)->isSelected());
  EXPECT_EQ(Rows(list_), (Lines{"\\one.mp3", "\\\xC3\xA9t\xC3\xA9.mp3"}));
  EXPECT_TRUE(prompter_.shown.empty());
}

TEST_F(PanelTest, ClickingANameLoadsItAndClickingItAgainReloads) {
  WritePlaylist("a.m3u", "\\a1.mp3\r\n\\a2.mp3\r\n");
  panel_->ReloadPlaylists();
  WritePlaylist("b.m3u", "\\b1.mp3\r\n");
  prompter_.input_answers = {"b"};  // lists the new file without emptying it
  Button("Button1")->click();
  ASSERT_EQ(Rows(names_), (Lines{"a.m3u", "b.m3u"}));
  EXPECT_EQ(Rows(list_), Lines{"\\b1.mp3"});

  const int a_row = 0;
  QTest::mouseClick(names_->viewport(), Qt::LeftButton, {}, RowCenter(names_, a_row));
  EXPECT_EQ(Rows(list_), (Lines{"\\a1.mp3", "\\a2.mp3"}));

  list_->item(0)->setSelected(true);
  panel_->Removeselectedsongs1Click();
  EXPECT_EQ(Rows(list_), Lines{"\\a2.mp3"});
  QTest::mouseClick(names_->viewport(), Qt::LeftButton, {}, RowCenter(names_, a_row));
  EXPECT_EQ(Rows(list_), (Lines{"\\a1.mp3", "\\a2.mp3"}));
}

TEST_F(PanelTest, EachButtonRunsItsCommand) {
  WritePlaylist("Mix.m3u", "\\b.mp3\r\n\\a.mp3\r\n");
  panel_->ReloadPlaylists();
  for (const char* name : {"Button2", "Button3", "Button4", "Button5"}) {
    QTest::mouseClick(Button(name), Qt::LeftButton);  // each answered "No"
  }
  EXPECT_EQ(prompter_.Texts("confirm"),
            (Lines{"Are you sure to DELETE the playlist \"Mix.m3u\" ?",
                   "Are you sure to SORT the playlist \"Mix.m3u\" alphabetically?",
                   "Are you sure to CLEAR the playlist \"Mix.m3u\" ?",
                   "Are you sure to RANDOMIZE the playlist \"Mix.m3u\"?"}));

  prompter_.confirm_answers = {true};
  QTest::mouseClick(Button("Button3"), Qt::LeftButton);
  EXPECT_EQ(Rows(list_), (Lines{"\\a.mp3", "\\b.mp3"}));
  EXPECT_EQ(ReadPlaylist("Mix.m3u"), "\\a.mp3\r\n\\b.mp3\r\n");

  prompter_.input_answers = {"New"};
  QTest::mouseClick(Button("Button1"), Qt::LeftButton);
  EXPECT_EQ(Rows(names_), (Lines{"Mix.m3u", "New.m3u"}));
  EXPECT_EQ(names_->currentRow(), 1);
  EXPECT_EQ(list_->count(), 0);

  prompter_.confirm_answers = {true};
  QTest::mouseClick(Button("Button2"), Qt::LeftButton);
  EXPECT_EQ(Rows(names_), Lines{"Mix.m3u"});
  EXPECT_EQ(names_->currentRow(), 0);
  EXPECT_EQ(Rows(list_), (Lines{"\\a.mp3", "\\b.mp3"}));
  EXPECT_TRUE(prompter_.Texts("error").empty());
}

TEST_F(PanelTest, FailuresGoToTheErrorBox) {
  panel_->ReloadPlaylists();
  Button("Button2")->click();
  Button("Button5")->click();
  EXPECT_EQ(prompter_.Texts("error"), Lines(2, "List index out of bounds (-1)"));
  EXPECT_TRUE(prompter_.Texts("confirm").empty());

  context_.nowrite = true;
  prompter_.input_answers = {"Ghost"};
  Button("Button1")->click();
  EXPECT_EQ(prompter_.Texts("error").back(),
            "Cannot open file \"e:\\playlists\\Ghost.m3u\". No such file or directory");
  EXPECT_EQ(Rows(names_), Lines{"Ghost.m3u"});
  EXPECT_EQ(names_->currentRow(), 0);
}

TEST_F(PanelTest, ContextMenuOffersSortClearAndRemoveAndDeleteRemovesToo) {
  QMenu* menu = panel_->context_menu();
  const QList<QAction*> actions = menu->actions();
  ASSERT_EQ(actions.size(), 4);
  EXPECT_EQ(actions[0]->text(), "Sort");
  EXPECT_EQ(actions[1]->text(), "Clear");
  EXPECT_TRUE(actions[2]->isSeparator());
  EXPECT_EQ(actions[3]->text(), "Remove selected songs");
  for (QAction* a : actions) EXPECT_TRUE(a->shortcut().isEmpty());

  WritePlaylist("p.m3u", "\\1.mp3\r\n\\2.mp3\r\n\\3.mp3\r\n\\4.mp3\r\n");
  panel_->ReloadPlaylists();
  emit list_->customContextMenuRequested(QPoint(5, 5));
  EXPECT_TRUE(menu->isVisible());
  menu->hide();

  list_->item(1)->setSelected(true);
  list_->item(3)->setSelected(true);
  prompter_.confirm_answers = {true};
  actions[3]->trigger();
  EXPECT_EQ(prompter_.Texts("confirm"),
            Lines{"Are you sure to remove the selected 2 songs from the playlist?"});
  EXPECT_EQ(Rows(list_), (Lines{"\\1.mp3", "\\3.mp3"}));
  EXPECT_EQ(ReadPlaylist("p.m3u"), "\\1.mp3\r\n\\2.mp3\r\n\\3.mp3\r\n\\4.mp3\r\n");

  // The Delete key does the same, with the same question.
  list_->item(0)->setSelected(true);
  list_->item(1)->setSelected(true);
  list_->setFocus();
  prompter_.confirm_answers = {true};
  QTest::keyClick(list_, Qt::Key_Delete);
  EXPECT_EQ(prompter_.Texts("confirm").back(),
            "Are you sure to remove the selected 2 songs from the playlist?");
  EXPECT_EQ(Rows(list_), Lines{});

  prompter_.confirm_answers = {true};
  actions[1]->trigger();
  EXPECT_EQ(prompter_.Texts("confirm").back(), "Are you sure to CLEAR the playlist \"p.m3u\" ?");
  EXPECT_EQ(ReadPlaylist("p.m3u"), "");
}

// The offscreen platform ends every drag at once, before any drop event is delivered, and an
// event made up by hand has no source. So the drops below go through the content list's drag
// handlers with the source that the drag events would carry, at points of the list's viewport.
TEST_F(PanelTest, DroppingASongFolderFromTheTreeInsertsItsSongs) {
  WritePlaylist("p.m3u", "\\1.mp3\r\n\\2.mp3\r\n\\3.mp3\r\n");
  panel_->ReloadPlaylists();
  tree_->setCurrentItem(tree_->topLevelItem(0));
  ASSERT_TRUE(panel_->listDragOver(tree_->viewport()));
  panel_->listDragDrop(tree_, RowCenter(list_, 1));
  EXPECT_EQ(Rows(list_),
            (Lines{"\\1.mp3", "\\Rock\\a.mp3", "\\Rock\\b.mp3", "\\2.mp3", "\\3.mp3"}));
  EXPECT_EQ(ReadPlaylist("p.m3u"),
            "\\1.mp3\r\n\\Rock\\a.mp3\r\n\\Rock\\b.mp3\r\n\\2.mp3\r\n\\3.mp3\r\n");
  EXPECT_TRUE(prompter_.Texts("error").empty());
}

TEST_F(PanelTest, DroppingAnEntryWithinTheListMovesTheFocusedOne) {
  WritePlaylist("p.m3u", "\\A.mp3\r\n\\B.mp3\r\n\\C.mp3\r\n\\D.mp3\r\n");
  panel_->ReloadPlaylists();
  // Several selected: only the focused entry (the one clicked last) moves.
  QTest::mouseClick(list_->viewport(), Qt::LeftButton, {}, RowCenter(list_, 0));
  QTest::mouseClick(list_->viewport(), Qt::LeftButton, Qt::ControlModifier, RowCenter(list_, 3));
  ASSERT_EQ(list_->selectedItems().size(), 2);
  ASSERT_TRUE(panel_->listDragOver(list_));
  panel_->listDragDrop(list_, RowCenter(list_, 1));
  EXPECT_EQ(Rows(list_), (Lines{"\\A.mp3", "\\D.mp3", "\\B.mp3", "\\C.mp3"}));
  EXPECT_EQ(ReadPlaylist("p.m3u"), "\\A.mp3\r\n\\D.mp3\r\n\\B.mp3\r\n\\C.mp3\r\n");
  EXPECT_EQ(list_->currentRow(), 1);
  EXPECT_TRUE(list_->item(0)->isSelected());
  EXPECT_TRUE(list_->item(1)->isSelected());

  // Below the last entry: last.
  const QPoint below(10, list_->viewport()->height() - 3);
  ASSERT_EQ(list_->itemAt(below), nullptr);
  QTest::mouseClick(list_->viewport(), Qt::LeftButton, {}, RowCenter(list_, 0));
  panel_->listDragDrop(list_, below);
  EXPECT_EQ(Rows(list_), (Lines{"\\D.mp3", "\\B.mp3", "\\C.mp3", "\\A.mp3"}));
}

TEST_F(PanelTest, DropHandlersRefuseOtherSourcesAndMissingPlaylists) {
  WritePlaylist("p.m3u", "\\A.mp3\r\n\\B.mp3\r\n");
  panel_->ReloadPlaylists();
  QWidget stranger;
  EXPECT_TRUE(panel_->listDragOver(tree_));
  EXPECT_TRUE(panel_->listDragOver(tree_->viewport()));
  EXPECT_TRUE(panel_->listDragOver(list_));
  EXPECT_FALSE(panel_->listDragOver(&stranger));
  EXPECT_FALSE(panel_->listDragOver(nullptr));
  panel_->listDragDrop(&stranger, RowCenter(list_, 0));
  EXPECT_EQ(list_->count(), 2);

  // Drag events from outside the program have no source and are refused.
  QMimeData mime;
  mime.setText("\\x.mp3");
  const QPointF at(RowCenter(list_, 0));
  QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &mime, Qt::LeftButton, {});
  QApplication::sendEvent(list_->viewport(), &enter);
  EXPECT_FALSE(enter.isAccepted());
  QDragMoveEvent move(at.toPoint(), Qt::CopyAction, &mime, Qt::LeftButton, {});
  QApplication::sendEvent(list_->viewport(), &move);
  EXPECT_FALSE(move.isAccepted());
  QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, {});
  QApplication::sendEvent(list_->viewport(), &drop);
  EXPECT_FALSE(drop.isAccepted());
  EXPECT_EQ(list_->count(), 2);

  // Onto itself: nothing changes, nothing is written.
  list_->setCurrentRow(0);
  std::filesystem::remove(dir_.Path("playlists/p.m3u"));
  panel_->listDragDrop(list_, RowCenter(list_, 0));
  EXPECT_FALSE(std::filesystem::exists(dir_.Path("playlists/p.m3u")));

  {
    const QSignalBlocker quiet(names_);  // keep the content on show
    names_->setCurrentRow(-1);
  }
  EXPECT_FALSE(panel_->listDragOver(tree_));
  tree_->setCurrentItem(tree_->topLevelItem(1));
  panel_->listDragDrop(tree_, RowCenter(list_, 0));
  EXPECT_EQ(list_->count(), 2);
  EXPECT_TRUE(prompter_.Texts("error").empty());
}

TEST_F(PanelTest, TreeDropOntoNothingAppendsAndAFailedWriteIsReported) {
  WritePlaylist("p.m3u", "\\A.mp3\r\n");
  panel_->ReloadPlaylists();
  tree_->setCurrentItem(tree_->topLevelItem(1));
  SetFileFaultHook([](FileOp op) { return op == FileOp::kCreate; });
  panel_->listDragDrop(tree_, QPoint(5, list_->viewport()->height() - 2));
  EXPECT_EQ(Rows(list_), (Lines{"\\A.mp3", "\\Top.mp3"}));
  ASSERT_EQ(prompter_.Texts("error").size(), 1u);
  EXPECT_EQ(prompter_.Texts("error")[0].rfind("Cannot create file \"e:\\playlists\\p.m3u\". ", 0),
            0u);
}

}  // namespace
}  // namespace plondex
