#include "app/gui/songtree_view.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QTest>
#include <memory>

#include "library/checkstates.h"

namespace plondex {
namespace {

//   All songs
//     Alpha: a1.mp3 a2.mp3
//     b.mp3
//     \xE9t\xE9.ogg
//     Empty
class SongTreeViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Fill();
    view_ = std::make_unique<SongTreeView>(&tree_);
    view_->resize(320, 400);
    view_->Reload();
    view_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view_.get()));
  }

  void Fill() {
    root_ = tree_.AddRoot("All songs");
    alpha_ = tree_.AddChild(root_, "Alpha");
    a1_ = tree_.AddChild(alpha_, "a1.mp3");
    a2_ = tree_.AddChild(alpha_, "a2.mp3");
    b_ = tree_.AddChild(root_, "b.mp3");
    ete_ = tree_.AddChild(root_, "\xE9t\xE9.ogg");
    empty_ = tree_.AddChild(root_, "Empty");
    RecomputeCheckStates(tree_);
  }

  QModelIndex Index(const SongNode* node) const { return view_->song_model()->IndexOf(node); }
  QPoint IconCentre(const SongNode* node) const {
    return view_->StateIconRect(Index(node)).center();
  }
  // A press and its release; the toggle belongs to the press.
  void Press(const QPoint& at, Qt::MouseButton button = Qt::LeftButton,
             Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::mousePress(view_->viewport(), button, modifiers, at);
    QTest::mouseRelease(view_->viewport(), button, modifiers, at);
  }

  SongTree tree_;
  SongNode *root_, *alpha_, *a1_, *a2_, *b_, *ete_, *empty_;
  std::unique_ptr<SongTreeView> view_;
};

TEST_F(SongTreeViewTest, PresentsTheTreeAsTheWindowNeedsIt) {
  EXPECT_EQ(view_->objectName(), "tree");
  EXPECT_EQ(view_->indentation(), 19);
  EXPECT_TRUE(view_->isHeaderHidden());
  EXPECT_EQ(view_->editTriggers(), QAbstractItemView::NoEditTriggers);
  EXPECT_TRUE(view_->dragEnabled());
  const QPalette& p = view_->palette();
  EXPECT_EQ(p.color(QPalette::Inactive, QPalette::Highlight),
            p.color(QPalette::Active, QPalette::Highlight));
  // The root is expanded by one level only.
  EXPECT_TRUE(view_->isExpanded(Index(root_)));
  EXPECT_FALSE(view_->isExpanded(Index(alpha_)));
  EXPECT_TRUE(view_->visualRect(Index(b_)).isValid());
  EXPECT_FALSE(view_->visualRect(Index(a1_)).isValid());
  // Texts are the 8-bit names shown as Unicode; nothing can be edited in place.
  EXPECT_EQ(Index(ete_).data().toString(), QString::fromUtf8("\xC3\xA9t\xC3\xA9.ogg"));
  EXPECT_FALSE(view_->song_model()->flags(Index(b_)) & Qt::ItemIsEditable);
}

TEST_F(SongTreeViewTest, StateImagesHaveThreeLooks) {
  for (int state : {1, 2, 3}) {
    const QImage image = SongTreeModel::StateImage(state).toImage();
    ASSERT_EQ(image.size(), QSize(13, 13));
    EXPECT_LT(qGray(image.pixel(0, 6)), 0x80) << state;  // a dark frame
  }
  auto dark_inside = [](int state) {
    const QImage image = SongTreeModel::StateImage(state).toImage();
    int dark = 0;
    for (int y = 1; y < 12; ++y) {
      for (int x = 1; x < 12; ++x) dark += qGray(image.pixel(x, y)) < 0x40;
    }
    return dark;
  };
  EXPECT_EQ(dark_inside(kUnchecked), 0);
  EXPECT_GE(dark_inside(kChecked), 12);
  EXPECT_EQ(dark_inside(kPartlyChecked), 0);
  EXPECT_EQ(SongTreeModel::StateImage(kUnchecked).toImage().pixel(2, 2), qRgb(255, 255, 255));
  const QRgb grey = SongTreeModel::StateImage(kPartlyChecked).toImage().pixel(2, 2);
  EXPECT_TRUE(qRed(grey) == qGreen(grey) && qGreen(grey) == qBlue(grey));
  EXPECT_GT(qGray(grey), 0x60);
  EXPECT_LT(qGray(grey), 0xE0);
  EXPECT_TRUE(SongTreeModel::StateImage(0).isNull());
}

TEST_F(SongTreeViewTest, TheIconIsDrawnWhereAPressHitsIt) {
  ToggleNode(a1_);  // Alpha and the root become partly checked: grey boxes
  view_->StatesChanged();
  const QImage shot = view_->viewport()->grab().toImage();
  for (const SongNode* node : {root_, alpha_}) {
    const QRect icon = view_->StateIconRect(Index(node));
    ASSERT_EQ(icon.size(), QSize(13, 13));
    EXPECT_EQ(shot.pixel(icon.topLeft() + QPoint(3, 3)),
              SongTreeModel::StateImage(kPartlyChecked).toImage().pixel(3, 3));
    // The text lies to the right of the icon, not on it.
    const QRect text = view_->visualRect(Index(node));
    EXPECT_GT(text.right(), icon.right() + 10);
  }
  const QRect b_icon = view_->StateIconRect(Index(b_));
  EXPECT_EQ(shot.pixel(b_icon.topLeft() + QPoint(3, 3)), qRgb(255, 255, 255));
}

TEST_F(SongTreeViewTest, AnyButtonOnTheIconToggles) {
  Press(IconCentre(b_), Qt::LeftButton);
  EXPECT_EQ(b_->checked, 1);
  EXPECT_EQ(b_->state, kChecked);
  EXPECT_EQ(root_->state, kPartlyChecked);
  Press(IconCentre(b_), Qt::RightButton);
  EXPECT_EQ(b_->checked, 0);
  EXPECT_EQ(root_->state, kUnchecked);
  Press(IconCentre(b_), Qt::MiddleButton, Qt::ControlModifier);
  EXPECT_EQ(b_->checked, 1);
  // The toggle happens on the press itself.
  QTest::mousePress(view_->viewport(), Qt::LeftButton, Qt::NoModifier, IconCentre(b_));
  EXPECT_EQ(b_->checked, 0);
  QTest::mouseRelease(view_->viewport(), Qt::LeftButton, Qt::NoModifier, IconCentre(b_));
  EXPECT_EQ(b_->checked, 0);
}

TEST_F(SongTreeViewTest, AFolderIconChecksAndUnchecksEverythingBelow) {
  ToggleNode(a2_);
  Press(IconCentre(alpha_));  // partly checked -> all checked
  EXPECT_EQ(alpha_->state, kChecked);
  EXPECT_EQ(a1_->checked, 1);
  EXPECT_EQ(a2_->checked, 1);
  Press(IconCentre(alpha_));
  EXPECT_EQ(a1_->checked, 0);
  EXPECT_EQ(a2_->checked, 0);
  EXPECT_EQ(root_->state, kUnchecked);
  Press(IconCentre(root_));
  for (const SongNode* n : {alpha_, a1_, a2_, b_, ete_, empty_}) EXPECT_EQ(n->checked, 1);
  EXPECT_EQ(root_->state, kChecked);
}

TEST_F(SongTreeViewTest, APressElsewhereDoesNotToggle) {
  const QRect icon = view_->StateIconRect(Index(alpha_));
  const QRect item = view_->visualRect(Index(alpha_));
  Press(QPoint(icon.right() + 8, icon.center().y()), Qt::LeftButton);   // on the text
  Press(QPoint(icon.right() + 8, icon.center().y()), Qt::RightButton);  // on the text
  Press(QPoint(icon.right() + 1, icon.center().y()));                   // just beside the icon
  Press(QPoint(item.left() - 9, item.center().y()));                    // on the expand button
  Press(QPoint(icon.left() + 6, view_->viewport()->height() - 3));      // below every node
  for (const SongNode* n : {root_, alpha_, a1_, a2_, b_}) {
    EXPECT_EQ(n->state, kUnchecked) << n->text;
    EXPECT_EQ(n->checked, 0) << n->text;
  }
  // The expand button still works as a tree's does.
  EXPECT_TRUE(view_->isExpanded(Index(alpha_)));
}

TEST_F(SongTreeViewTest, EachPressOfADoubleClickToggles) {
  const QPoint at = IconCentre(b_);
  auto send = [&](QEvent::Type type, Qt::MouseButtons held) {
    QMouseEvent e(type, QPointF(at), QPointF(view_->viewport()->mapToGlobal(at)), Qt::LeftButton,
                  held, Qt::NoModifier);
    QApplication::sendEvent(view_->viewport(), &e);
  };
  send(QEvent::MouseButtonPress, Qt::LeftButton);
  send(QEvent::MouseButtonRelease, Qt::NoButton);
  EXPECT_EQ(b_->checked, 1);
  send(QEvent::MouseButtonDblClick, Qt::LeftButton);
  send(QEvent::MouseButtonRelease, Qt::NoButton);
  EXPECT_EQ(b_->checked, 0);
  // A double click that lands on another node than the first press counts once there.
  const QPoint other = IconCentre(ete_);
  QMouseEvent dbl(QEvent::MouseButtonDblClick, QPointF(other),
                  QPointF(view_->viewport()->mapToGlobal(other)), Qt::LeftButton, Qt::LeftButton,
                  Qt::NoModifier);
  QApplication::sendEvent(view_->viewport(), &dbl);
  EXPECT_EQ(ete_->checked, 1);
  EXPECT_EQ(b_->checked, 0);
}

TEST_F(SongTreeViewTest, SpaceTogglesTheSelectedNodeAndIsConsumed) {
  view_->setFocus();
  view_->setCurrentIndex(Index(b_));
  ASSERT_EQ(view_->SelectedNode(), b_);
  // Move the current item without selecting it: the tree's own Space would select it.
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
  ASSERT_EQ(view_->SelectedNode(), nullptr);
  QTest::keyClick(view_.get(), Qt::Key_Space);
  for (const SongNode* n : {root_, alpha_, b_, ete_}) EXPECT_EQ(n->checked, 0);
}

TEST_F(SongTreeViewTest, OtherKeysReachTheTree) {
  view_->setFocus();
  view_->setCurrentIndex(Index(alpha_));
  QTest::keyClick(view_.get(), Qt::Key_Down);
  EXPECT_EQ(view_->SelectedNode(), b_);
  QTest::keyClick(view_.get(), Qt::Key_Up);
  QTest::keyClick(view_.get(), Qt::Key_Right);
  EXPECT_TRUE(view_->isExpanded(Index(alpha_)));
  for (const SongNode* n : {root_, alpha_, b_}) EXPECT_EQ(n->checked, 0);
}

TEST_F(SongTreeViewTest, ExpandAndCollapseAll) {
  view_->ExpandAllNodes();
  EXPECT_TRUE(view_->isExpanded(Index(alpha_)));
  EXPECT_TRUE(view_->visualRect(Index(a2_)).isValid());
  view_->CollapseAllNodes();
  EXPECT_FALSE(view_->isExpanded(Index(root_)));
  EXPECT_FALSE(view_->visualRect(Index(b_)).isValid());
}

TEST_F(SongTreeViewTest, SortKeepsWhatIsExpandedAndSelected) {
  SongNode* zed = tree_.AddChild(root_, "Zed");
  SongNode* z1 = tree_.AddChild(zed, "z1.mp3");
  SongNode* aaa = tree_.AddChild(alpha_, "0.mp3");
  view_->Reload();
  view_->expand(Index(alpha_));
  view_->setCurrentIndex(Index(a2_));
  view_->SortNodes();
  // Rows follow the sorted tree: "0.mp3" is now Alpha's first child.
  EXPECT_EQ(view_->song_model()->index(0, 0, Index(alpha_)).internalPointer(), aaa);
  EXPECT_EQ(view_->SelectedNode(), a2_);
  EXPECT_EQ(view_->currentIndex().row(), 2);
  EXPECT_TRUE(view_->isExpanded(Index(alpha_)));
  EXPECT_FALSE(view_->isExpanded(Index(zed)));
  EXPECT_FALSE(view_->visualRect(Index(z1)).isValid());
  // Hit testing follows the new layout.
  Press(IconCentre(a2_));
  EXPECT_EQ(a2_->checked, 1);
}

TEST_F(SongTreeViewTest, ReloadShowsARebuiltTree) {
  view_->setCurrentIndex(Index(b_));
  tree_.Clear();
  root_ = tree_.AddRoot("All songs");
  SongNode* only = tree_.AddChild(root_, "only.mp3");
  view_->Reload();
  EXPECT_EQ(view_->SelectedNode(), nullptr);
  EXPECT_EQ(view_->model()->rowCount(Index(root_)), 1);
  EXPECT_TRUE(view_->isExpanded(Index(root_)));
  Press(IconCentre(only));
  EXPECT_EQ(only->checked, 1);
  tree_.Clear();
  view_->Reload();
  EXPECT_EQ(view_->model()->rowCount(), 0);
  QTest::keyClick(view_.get(), Qt::Key_Space);  // nothing selected, nothing to toggle
}

TEST_F(SongTreeViewTest, DragsCarryTheNode) {
  SongTreeModel* model = view_->song_model();
  EXPECT_TRUE(model->flags(Index(alpha_)) & Qt::ItemIsDragEnabled);
  std::unique_ptr<QMimeData> mime(model->mimeData({Index(ete_)}));
  ASSERT_TRUE(mime);
  EXPECT_TRUE(mime->hasFormat(SongTreeModel::kMimeType));
  EXPECT_EQ(QString::fromUtf8(mime->data(SongTreeModel::kMimeType)),
            QString::fromUtf8("\xC3\xA9t\xC3\xA9.ogg"));
  EXPECT_TRUE(model->supportedDragActions() & Qt::CopyAction);
}

}  // namespace
}  // namespace plondex
