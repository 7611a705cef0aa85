#include "library/checklist.h"

#include <gtest/gtest.h>

#include "platform/collation.h"
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

TEST(SavedCheckList, ComparesFolderByFolder) {
  const SavedCheckList list({"e:\\A\\x.mp3", "e:\\A\\B\\y.mp3", "z.mp3", "e:\\\xC9t\xE9\\s.ogg"});
  EXPECT_TRUE(list.Contains("E:\\a\\X.MP3"));
  EXPECT_FALSE(list.Contains("e:\\B\\x.mp3"));     // the name alone is not enough
  EXPECT_FALSE(list.Contains("e:\\A\\y.mp3"));     // nor the right name one level up
  EXPECT_FALSE(list.Contains("e:\\A\\B\\x.mp3"));  // or one level down
  EXPECT_FALSE(list.Contains("e:\\A\\\\x.mp3"));   // an empty name is a name
  EXPECT_TRUE(list.Contains("e:\\a\\b\\Y.mp3"));
  EXPECT_TRUE(list.Contains("Z.MP3"));
  EXPECT_FALSE(list.Contains("e:\\z.mp3"));
  EXPECT_TRUE(list.Contains("e:\\\xE9T\xC9\\S.OGG"));
  // The scan asks folder by folder; going back to a folder asked before still works.
  EXPECT_TRUE(list.Contains("e:\\A\\x.mp3"));
  EXPECT_FALSE(list.Contains("e:\\A\\missing.mp3"));
  EXPECT_TRUE(list.Contains("e:\\a\\x.MP3"));
}

TEST(SavedCheckList, AgreesWithTheWholeTextComparison) {
  // Pairs where the locale's comparison has something to say beyond letter case.
  const std::vector<std::pair<std::string, std::string>> pairs{
      {"e:\\Stra\xDF" "e\\a.mp3", "e:\\STRASSE\\A.mp3"},    // sharp s
      {"e:\\a\\\xAD" "b.mp3", "e:\\a\\b.mp3"},              // soft hyphen
      {"e:\\a\\b\x01.mp3", "e:\\a\\b.mp3"},              // control character
      {"e:\\x\\track\xB2.mp3", "e:\\X\\TRACK2.mp3"},     // superscript two
      {"e:\\x\\\xBD.mp3", "e:\\x\\1/2.mp3"},             // one half
      {"e:\\x\\\x85.mp3", "e:\\x\\....mp3"},             // ellipsis
      {"e:\\x\\\xC6on.mp3", "e:\\x\\aeon.mp3"},          // AE ligature
      {"e:\\x\\r\xE9sum\xE9.mp3", "e:\\x\\resume.mp3"},  // accents
      {"e:\\x\\\x8Auvi.mp3", "e:\\x\\\x9Auvi.mp3"},      // S with caron, both cases
      {"e:\\x\\\\a.mp3", "e:\\x\\a.mp3"},                // doubled separator
      {"e:\\x\x01\\a.mp3", "e:\\x\\a.mp3"},              // ignorable before a separator
  };
  for (const auto& [line, probe] : pairs) {
    const SavedCheckList list({line});
    EXPECT_EQ(list.Contains(probe), CompareTextNoCase(line, probe) == 0) << line << " | " << probe;
    EXPECT_TRUE(list.Contains(line));
  }
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
