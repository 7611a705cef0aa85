#include "library/checklist.h"

#include <gtest/gtest.h>

#include "platform/error.h"
#include "support/temp_dir.h"

namespace plondex {
namespace {

TEST(SavedCheckList, MatchesIgnoringLetterCaseOnly) {
  const SavedCheckList list({"e:\\Music\\Rock\\Track 01.mp3", "e:\\\xC9t\xE9.mp3"});
  EXPECT_TRUE(list.Contains("e:\\Music\\Rock\\Track 01.mp3"));
  EXPECT_TRUE(list.Contains("E:\\MUSIC\\rock\\track 01.MP3"));
  // Case folding of the code page's accented letters: "Été" and "éTÉ".
  EXPECT_TRUE(list.Contains("e:\\\xE9T\xC9.mp3"));
  EXPECT_FALSE(list.Contains("e:\\Music\\Rock\\Track 02.mp3"));
  EXPECT_FALSE(list.Contains("e:\\Music\\Rock\\Track 01.mp"));
  EXPECT_FALSE(list.Contains("e:\\Music\\Rock\\Track 01.mp3 "));
  // An accent is not letter case.
  EXPECT_FALSE(list.Contains("e:\\Ete.mp3"));
  // The drive letter is part of the path.
  EXPECT_FALSE(list.Contains("f:\\Music\\Rock\\Track 01.mp3"));
}

TEST(SavedCheckList, FindsEveryLineWhateverTheInputOrder) {
  std::vector<std::string> lines;
  for (int i = 999; i >= 0; --i)
    lines.push_back("e:\\F" + std::to_string(i % 7) + "\\s" + std::to_string(i) + ".mp3");
  lines.push_back(lines.front());  // duplicates are harmless
  const SavedCheckList list(lines);
  EXPECT_EQ(list.size(), 1000u);
  for (const auto& line : lines) EXPECT_TRUE(list.Contains(line)) << line;
  EXPECT_FALSE(list.Contains("e:\\F0\\s1000.mp3"));
}

TEST(SavedCheckList, EmptyLinesMatchNothing) {
  const SavedCheckList list({"", "", "e:\\a.mp3"});
  EXPECT_EQ(list.size(), 1u);
  EXPECT_FALSE(list.Contains(""));
  EXPECT_FALSE(SavedCheckList().Contains("e:\\a.mp3"));
}

TEST(SavedCheckList, LoadsTheLinesOfAFile) {
  test::TempDir dir;
  const std::string path =
      dir.Write("songs.dat", "e:\\a.mp3\r\ne:\\b.mp3\re:\\c.mp3\n\r\ne:\\d.mp3");
  const SavedCheckList list = SavedCheckList::Load(path);
  EXPECT_EQ(list.size(), 4u);
  for (const char* p : {"e:\\a.mp3", "e:\\b.mp3", "e:\\c.mp3", "e:\\d.mp3"}) {
    EXPECT_TRUE(list.Contains(p)) << p;
  }
}

TEST(SavedCheckList, TextAfterANulIsIgnored) {
  test::TempDir dir;
  using namespace std::string_literals;
  const std::string path = dir.Write("songs.dat", "e:\\a.mp3\r\n\0e:\\b.mp3\r\n"s);
  const SavedCheckList list = SavedCheckList::Load(path);
  EXPECT_TRUE(list.Contains("e:\\a.mp3"));
  EXPECT_FALSE(list.Contains("e:\\b.mp3"));
}

TEST(SavedCheckList, MissingFileIsEmptyUnreadableFileThrows) {
  test::TempDir dir;
  EXPECT_TRUE(SavedCheckList::Load(dir.Path("songs.dat")).empty());
  dir.MakeFolder("songs.dat");
  EXPECT_THROW(SavedCheckList::Load(dir.Path("songs.dat")), Error);
}

}  // namespace
}  // namespace plondex
