#include "library/textlines.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace plondex {
namespace {

using Lines = std::vector<std::string>;

TEST(SplitTextLines, BreaksAtCrLfLoneCrAndLoneLf) {
  EXPECT_EQ(SplitTextLines("a\r\nb\rc\nd"), (Lines{"a", "b", "c", "d"}));
  // LF then CR is two breaks, not one.
  EXPECT_EQ(SplitTextLines("a\n\rb"), (Lines{"a", "", "b"}));
  EXPECT_EQ(SplitTextLines("a\r\r\nb"), (Lines{"a", "", "b"}));
}

TEST(SplitTextLines, FinalBreakStartsNoLineButEmptyLinesStay) {
  EXPECT_EQ(SplitTextLines(""), Lines{});
  EXPECT_EQ(SplitTextLines("a"), Lines{"a"});
  EXPECT_EQ(SplitTextLines("a\r\n"), Lines{"a"});
  EXPECT_EQ(SplitTextLines("\r\n"), Lines{""});
  EXPECT_EQ(SplitTextLines("a\r\n\r\n"), (Lines{"a", ""}));
  EXPECT_EQ(SplitTextLines("\n\nx"), (Lines{"", "", "x"}));
}

TEST(SplitTextLines, KeepsSpacesAndEightBitBytes) {
  EXPECT_EQ(SplitTextLines(" e:\\a b.mp3 \t\r\n\xE9\xFF\r\n"),
            (Lines{" e:\\a b.mp3 \t", "\xE9\xFF"}));
}

TEST(SplitTextLines, NulEndsTheText) {
  using namespace std::string_literals;
  EXPECT_EQ(SplitTextLines("a\r\nb\0c\r\nd"s), (Lines{"a", "b"}));
  EXPECT_EQ(SplitTextLines("\0a\r\n"s), Lines{});
}

TEST(JoinTextLines, CrLfAfterEveryLine) {
  EXPECT_EQ(JoinTextLines({}), "");
  EXPECT_EQ(JoinTextLines({""}), "\r\n");
  EXPECT_EQ(JoinTextLines({"a", "", "b"}), "a\r\n\r\nb\r\n");
}

TEST(JoinTextLines, RoundTripsThroughSplit) {
  const Lines lines{"e:\\x.mp3", "", " spaced ", "\x80\xE4"};
  EXPECT_EQ(SplitTextLines(JoinTextLines(lines)), lines);
}

}  // namespace
}  // namespace plondex
