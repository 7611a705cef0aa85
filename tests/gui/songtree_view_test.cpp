#include "app/gui/songtree_view.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTest>
#include <QUrl>
#include <memory>

#include "library/checkstates.h"

namespace plondex {
namespace {

// All songs / Alpha: a1 a2; b.mp3; "été.ogg"; Empty
class SongTreeViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RecomputeCheckStates(tree_);
    view_ = std::make_unique<SongTreeView>(&tree_);
    view_->resize(320, 400);
    view_->Reload();
    view_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view_.get()));
  }

  QModelIndex Index(const SongNode* node) const { return view_->song_model()->IndexOf(node); }
  QPoint Icon(const SongNode* node) const { return view_->StateIconRect(Index(node)).center(); }
  void Press(const QPoint& at, Qt::MouseButton button = Qt::LeftButton,
             Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::mousePress(view_->viewport(), button, modifiers, at);
    QTest::mouseRelease(view_->viewport(), button, modifiers, at);
  }
  void Send(QEvent::Type type, const QPoint& at) {
    QMouseEvent e(type, QPointF(at), QPointF(view_->viewport()->mapToGlobal(at)), Qt::LeftButton,
                  type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                  Qt::NoModifier);
    QApplication::sendEvent(view_->viewport(), &e);
  }

  SongTree tree_;
  SongNode* root_ = tree_.AddRoot("All songs");
  SongNode* alpha_ = tree_.AddChild(root_, "Alpha");
  SongNode* a1_ = tree_.AddChild(alpha_, "a1.mp3");
  SongNode* a2_ = tree_.AddChild(alpha_, "a2.mp3");
  SongNode* b_ = tree_.AddChild(root_, "b.mp3");
  SongNode* ete_ = tree_.AddChild(root_, "\xE9t\xE9.ogg");
  SongNode* empty_ = tree_.AddChild(root_, "Empty");
  std::unique_ptr<SongTreeView> view_;
};

TEST_F(SongTreeViewTest, ShowsTheTreeAsTheWindowNeedsIt) {
  EXPECT_EQ(view_->objectName(), "tree");
  EXPECT_EQ(view_->indentation(), 19);
  EXPECT_TRUE(view_->isHeaderHidden());
  EXPECT_EQ(view_->editTriggers(), QAbstractItemView::NoEditTriggers);
  const QPalette& p = view_->palette();
  EXPECT_EQ(p.color(QPalette::Inactive, QPalette::Highlight),
            p.color(QPalette::Active, QPalette::Highlight));
  // The root is expanded by one level only.
  EXPECT_TRUE(view_->isExpanded(Index(root_)));
  EXPECT_FALSE(view_->isExpanded(Index(alpha_)));
  EXPECT_EQ(Index(ete_).data().toString(), QString::fromUtf8("\xC3\xA9t\xC3\xA9.ogg"));
  // A drag carries data, so that Qt starts it; the drop side asks the view for the node.
  EXPECT_TRUE(view_->dragEnabled());
  std::unique_ptr<QMimeData> mime(view_->song_model()->mimeData({Index(ete_)}));
  ASSERT_TRUE(mime);
  EXPECT_FALSE(mime->data(SongTreeModel::kMimeType).isEmpty());
}

TEST_F(SongTreeViewTest, IconsHaveThreeLooksAndLieWhereTheyAreHit) {
  auto pixel = [](CheckState state, int x, int y) {
    return SongTreeModel::StateImage(state).toImage().pixel(x, y);
  };
  EXPECT_EQ(SongTreeModel::StateImage(CheckState::kChecked).size(), QSize(13, 13));
  EXPECT_LT(qGray(pixel(CheckState::kUnchecked, 0, 6)), 0x80);  // a dark frame
  EXPECT_EQ(pixel(CheckState::kUnchecked, 6, 6), qRgb(255, 255, 255));
  EXPECT_EQ(qGray(pixel(CheckState::kChecked, 5, 7)), 0);  // on the check mark
  EXPECT_EQ(pixel(CheckState::kChecked, 9, 9), qRgb(255, 255, 255));
  EXPECT_EQ(qRed(pixel(CheckState::kPartlyChecked, 6, 6)),
            qBlue(pixel(CheckState::kPartlyChecked, 6, 6)));
  EXPECT_GT(qGray(pixel(CheckState::kPartlyChecked, 6, 6)), 0x60);
  EXPECT_LT(qGray(pixel(CheckState::kPartlyChecked, 6, 6)), 0xE0);
  EXPECT_TRUE(SongTreeModel::StateImage(static_cast<CheckState>(0)).isNull());

  ToggleNode(a1_);  // Alpha and the root are now partly checked
  view_->StatesChanged();
  const QImage shot = view_->viewport()->grab().toImage();
  for (const SongNode* node : {root_, alpha_, b_}) {
    const QRect icon = view_->StateIconRect(Index(node));
    ASSERT_EQ(icon.size(), QSize(13, 13));
    EXPECT_EQ(shot.pixel(icon.topLeft() + QPoint(3, 3)), pixel(node->state, 3, 3));
  }
}

TEST_F(SongTreeViewTest, AnyButtonOnAnIconToggles) {
  Press(Icon(b_), Qt::LeftButton);
  EXPECT_EQ(b_->checked, 1);
  EXPECT_EQ(root_->state, CheckState::kPartlyChecked);
  Press(Icon(b_), Qt::RightButton);
  EXPECT_EQ(b_->checked, 0);
  EXPECT_EQ(root_->state, CheckState::kUnchecked);
  QTest::mousePress(view_->viewport(), Qt::MiddleButton, Qt::ControlModifier, Icon(b_));
  EXPECT_EQ(b_->checked, 1);  // on the press, not the release
  QTest::mouseRelease(view_->viewport(), Qt::MiddleButton, Qt::ControlModifier, Icon(b_));
  ToggleNode(a2_);
  Press(Icon(alpha_));  // partly checked: everything below gets checked
  EXPECT_EQ(a1_->checked + a2_->checked, 2);
  Press(Icon(alpha_), Qt::RightButton);
  EXPECT_EQ(a1_->checked + a2_->checked, 0);
}

TEST_F(SongTreeViewTest, APressElsewhereDoesNotToggle) {
  const QRect icon = view_->StateIconRect(Index(alpha_));
  const QRect item = view_->visualRect(Index(alpha_));
  Press(QPoint(icon.right() + 8, icon.center().y()));                   // the text
  Press(QPoint(icon.right() + 8, icon.center().y()), Qt::RightButton);  // the text
  Press(QPoint(icon.right() + 1, icon.center().y()));                   // just beside the icon
  Press(QPoint(item.left() - 9, item.center().y()));                    // the expand button
  Press(QPoint(icon.left() + 6, view_->viewport()->height() - 3));      // below every node
  for (const SongNode* n : {root_, alpha_, a1_, a2_, b_}) EXPECT_EQ(n->checked, 0);
  EXPECT_TRUE(view_->isExpanded(Index(alpha_)));  // the expand button did its own work
}

TEST_F(SongTreeViewTest, EachPressOfADoubleClickToggles) {
  Send(QEvent::MouseButtonPress, Icon(b_));
  Send(QEvent::MouseButtonRelease, Icon(b_));
  Send(QEvent::MouseButtonDblClick, Icon(b_));
  Send(QEvent::MouseButtonRelease, Icon(b_));
  EXPECT_EQ(b_->checked, 0);
  // The tree hands a double click on another node to the press handler: still one toggle.
  Send(QEvent::MouseButtonDblClick, Icon(ete_));
  EXPECT_EQ(ete_->checked, 1);
}

TEST_F(SongTreeViewTest, SpaceTogglesTheSelectedNodeAndIsConsumed) {
  view_->setFocus();
  view_->setCurrentIndex(Index(b_));
  // The current item moves without the selection: the tree's own Space would select it.
  view_->selectionModel()->setCurrentIndex(Index(ete_), QItemSelectionModel::NoUpdate);
  QTest::keyClick(view_.get(), Qt::Key_Space);
  EXPECT_EQ(b_->checked, 1);
  EXPECT_EQ(ete_->checked, 0);
  EXPECT_EQ(view_->SelectedNode(), b_);
  QKeyEvent space(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
  space.ignore();
  QApplication::sendEvent(view_.get(), &space);
  EXPECT_TRUE(space.isAccepted());
  EXPECT_EQ(b_->checked, 0);
  view_->clearSelection();
  QTest::keyClick(view_.get(), Qt::Key_Space);  // nothing selected: nothing happens
  for (const SongNode* n : {root_, b_, ete_}) EXPECT_EQ(n->checked, 0);
  // Other keys are the tree's.
  view_->setCurrentIndex(Index(alpha_));
  QTest::keyClick(view_.get(), Qt::Key_Down);
  EXPECT_EQ(view_->SelectedNode(), b_);
  QTest::keyClick(view_.get(), Qt::Key_Up);
  QTest::keyClick(view_.get(), Qt::Key_Right);
  EXPECT_TRUE(view_->isExpanded(Index(alpha_)));
}

TEST_F(SongTreeViewTest, SortKeepsWhatIsExpandedAndSelected) {
  SongNode* zed = tree_.AddChild(root_, "Zed");
  tree_.AddChild(zed, "z1.mp3");
  SongNode* first = tree_.AddChild(alpha_, "0.mp3");
  view_->Reload();
  view_->expand(Index(alpha_));
  view_->setCurrentIndex(Index(a2_));
  view_->SortNodes();
  EXPECT_EQ(view_->song_model()->index(0, 0, Index(alpha_)).internalPointer(), first);
  EXPECT_EQ(view_->SelectedNode(), a2_);
  EXPECT_EQ(view_->currentIndex().row(), 2);
  EXPECT_TRUE(view_->isExpanded(Index(alpha_)));
  EXPECT_FALSE(view_->isExpanded(Index(zed)));
  Press(Icon(a2_));  // hit testing follows the new layout
  EXPECT_EQ(a2_->checked, 1);
  view_->ExpandAllNodes();
  EXPECT_TRUE(view_->isExpanded(Index(zed)));
  view_->CollapseAllNodes();
  EXPECT_FALSE(view_->isExpanded(Index(root_)));
}

TEST_F(SongTreeViewTest, AReplacedTreeIsFreedOnlyOnceTheViewLetGoOfIt) {
  view_->setCurrentIndex(Index(b_));
  const SongNode* before_reset = nullptr;
  QObject::connect(view_->song_model(), &QAbstractItemModel::modelAboutToBeReset,
                   [&] { before_reset = tree_.root(); });
  SongTree fresh;
  SongNode* only = fresh.AddChild(fresh.AddRoot("All songs"), "only.mp3");
  view_->ReplaceTree(std::move(fresh));
  EXPECT_EQ(before_reset, root_);  // the old nodes were still there when the reset began
  EXPECT_EQ(view_->SelectedNode(), nullptr);
  EXPECT_EQ(tree_.root()->children[0].get(), only);
  EXPECT_TRUE(view_->isExpanded(Index(tree_.root())));
}

TEST_F(SongTreeViewTest, FilesDroppedFromTheDesktopAreHandedOnAndNodesAreNot) {
  QStringList dropped;
  QObject::connect(view_.get(), &SongTreeView::FilesDropped,
                   [&](const QStringList& paths) { dropped = paths; });
  auto drop = [this](QMimeData* mime) {
    const QPoint at = view_->viewport()->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view_->viewport(), &enter);
    const bool accepted = enter.isAccepted();
    QDropEvent event(QPointF(at), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view_->viewport(), &event);
    QApplication::processEvents();
    return accepted;
  };
  QMimeData files;
  files.setUrls({QUrl::fromLocalFile("/music/a.flac"), QUrl::fromLocalFile("/music/Album")});
  EXPECT_TRUE(drop(&files));
  EXPECT_EQ(dropped, (QStringList{"/music/a.flac", "/music/Album"}));
  dropped.clear();
  QMimeData web;
  web.setUrls({QUrl("https://example.org/a.mp3")});
  EXPECT_FALSE(drop(&web));
  EXPECT_TRUE(dropped.isEmpty());
}

TEST_F(SongTreeViewTest, ReloadShowsARebuiltTree) {
  view_->setCurrentIndex(Index(b_));
  tree_.Clear();
  root_ = tree_.AddRoot("All songs");
  SongNode* only = tree_.AddChild(root_, "only.mp3");
  view_->Reload();
  EXPECT_EQ(view_->SelectedNode(), nullptr);
  EXPECT_TRUE(view_->isExpanded(Index(root_)));
  Press(Icon(only));
  EXPECT_EQ(only->checked, 1);
  tree_.Clear();
  view_->Reload();
  EXPECT_EQ(view_->model()->rowCount(), 0);
}

TEST_F(SongTreeViewTest, ASelectedRowKeepsTheThreeLooks) {
  view_->setCurrentIndex(Index(b_));
  for (CheckState state :
       {CheckState::kUnchecked, CheckState::kChecked, CheckState::kPartlyChecked}) {
    b_->state = state;
    view_->StatesChanged();
    const QImage shot = view_->viewport()->grab().toImage();
    const QPoint corner = view_->StateIconRect(Index(b_)).topLeft();
    const QImage image = SongTreeModel::StateImage(state).toImage();
    int differing = 0;
    for (int y = 0; y < image.height(); ++y) {
      for (int x = 0; x < image.width(); ++x) {
        differing += shot.pixel(corner + QPoint(x, y)) != image.pixel(x, y);
      }
    }
    EXPECT_EQ(differing, 0) << "state " << static_cast<int>(state);
  }
}

TEST_F(SongTreeViewTest, TooltipsGiveTheNodePathAndLongNamesScroll) {
  EXPECT_FALSE(Index(a1_).data(Qt::ToolTipRole).isValid());  // no drive letter known
  char letter = 'e';
  view_->song_model()->SetDriveLetterSource([&letter] { return letter; });
  EXPECT_EQ(Index(a1_).data(Qt::ToolTipRole).toString(), "e:\\Alpha\\a1.mp3");
  EXPECT_EQ(Index(ete_).data(Qt::ToolTipRole).toString(),
            QString::fromUtf8("e:\\\xC3\xA9t\xC3\xA9.ogg"));
  letter = ' ';  // no player drive
  EXPECT_FALSE(Index(a1_).data(Qt::ToolTipRole).isValid());

  EXPECT_EQ(view_->horizontalScrollBar()->maximum(), 0);
  SongNode* wide = tree_.AddChild(root_, std::string(120, 'w') + ".mp3");
  view_->Reload();
  QApplication::processEvents();
  EXPECT_GT(view_->horizontalScrollBar()->maximum(), 0);
  EXPECT_GE(view_->header()->sectionSize(0),
            view_->visualRect(Index(wide)).left() +
                view_->fontMetrics().horizontalAdvance(QString(120, 'w')));
}

}  // namespace
}  // namespace plondex
