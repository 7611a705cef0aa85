#include "library/textlines.h"

#include <gtest/gtest.h>

namespace plondex {
namespace {

using Lines = std::vector<std::string>;
using namespace std::string_literals;

TEST(TextLines, SplitsAtEveryKindOfBreakAndStopsAtNul) {
  EXPECT_EQ(SplitTextLines("a\r\nb\rc\nd"), (Lines{"a", "b", "c", "d"}));
  EXPECT_EQ(SplitTextLines("a\n\rb"), (Lines{"a", "", "b"}));  // LF then CR: two breaks
  EXPECT_EQ(SplitTextLines("a\r\n"), Lines{"a"});              // no line after the last break
  EXPECT_EQ(SplitTextLines("\r\n\r\n x \t"), (Lines{"", "", " x \t"}));
  EXPECT_EQ(SplitTextLines(""), Lines{});
  EXPECT_EQ(SplitTextLines("a\r\nb\0c\r\nd"s), (Lines{"a", "b"}));
  EXPECT_EQ(SplitTextLines("\0a"s), Lines{});
}

TEST(TextLines, JoinEndsEveryLineWithCrLf) {
  EXPECT_EQ(JoinTextLines({}), "");
  EXPECT_EQ(JoinTextLines({"a", "", "\xE9"}), "a\r\n\r\n\xE9\r\n");
  const Lines lines{"e:\\x.mp3", "", " spaced "};
  EXPECT_EQ(SplitTextLines(JoinTextLines(lines)), lines);
}

}  // namespace
}  // namespace plondex
