#include "app/gui/log_pane.h"

#include <gtest/gtest.h>

#include <QTest>

namespace plondex {
namespace {

TEST(LogPane, LinesComeTogetherInOrderAndALongLogIsEmptiedAtOnce) {
  LogPane pane;
  pane.AddLine(QStringLiteral("one"));
  pane.AddLine(QStringLiteral("two"));
  EXPECT_TRUE(pane.toPlainText().isEmpty());  // until the event loop turns
  EXPECT_TRUE(QTest::qWaitFor([&] { return pane.toPlainText() == "one\ntwo"; }));

  for (int i = 0; i < 12000; ++i) pane.AddLine(QString::number(i));
  pane.Flush();
  ASSERT_EQ(pane.blockCount(), 12002);
  pane.Clear();
  EXPECT_TRUE(pane.toPlainText().isEmpty());
  pane.AddLine(QStringLiteral("next"));
  pane.Clear();  // again, while the long text is still being taken apart
  pane.AddLine(QStringLiteral("last"));
  pane.Flush();
  QTest::qWait(100);
  EXPECT_EQ(pane.toPlainText(), "last");
}

}  // namespace
}  // namespace plondex
