#include "library/checklist.h"

#include <gtest/gtest.h>

#include "platform/collation.h"
#include "platform/error.h"
#include "support/temp_dir.h"

namespace plondex {
namespace {

TEST(SavedCheckList, MatchesTheSameFoldersAndNameIgnoringCaseAndDriveLetter) {
  const SavedCheckList list({"e:\\Music\\Rock\\Track 01.mp3", "z.mp3", "e:\\\xC9t\xE9\\s.ogg", ""});
  EXPECT_EQ(list.size(), 3u);  // the empty line is no entry
  EXPECT_TRUE(list.Contains("E:\\MUSIC\\rock\\track 01.MP3"));
  EXPECT_TRUE(list.Contains("e:\\\xE9T\xC9\\S.OGG"));  // accented letters have case too
  EXPECT_TRUE(list.Contains("Z.MP3"));
  // Another drive mounted beside the player may have moved it from e: to f:.
  EXPECT_TRUE(list.Contains("f:\\Music\\Rock\\Track 01.mp3"));
  EXPECT_FALSE(list.Contains("e:\\Music\\Track 01.mp3"));
  EXPECT_FALSE(list.Contains("e:\\Music\\Rock\\Pop\\Track 01.mp3"));
  EXPECT_FALSE(list.Contains("e:\\Music\\Rock\\Track 01.mp3 "));
  EXPECT_FALSE(list.Contains("e:\\z.mp3"));
  EXPECT_FALSE(list.Contains(""));
  // Asked again after another folder, a folder is still found.
  EXPECT_TRUE(list.Contains("e:\\music\\ROCK\\Track 01.mp3"));
}

TEST(SavedCheckList, AgreesWithTheWholeTextComparison) {
  // Pairs where the locale's comparison has more to say than letter case.
  const std::vector<std::pair<std::string, std::string>> pairs{
      {"e:\\Stra\337e\\a.mp3", "e:\\STRASSE\\A.mp3"},    // sharp s
      {"e:\\a\\\255b.mp3", "e:\\a\\b.mp3"},              // soft hyphen
      {"e:\\a\\b\x01.mp3", "e:\\a\\b.mp3"},              // control character
      {"e:\\x\\track\xB2.mp3", "e:\\X\\TRACK2.mp3"},     // superscript two
      {"e:\\x\\\xBD.mp3", "e:\\x\\1/2.mp3"},             // one half
      {"e:\\x\\\x85.mp3", "e:\\x\\....mp3"},             // ellipsis
      {"e:\\x\\r\xE9sum\xE9.mp3", "e:\\x\\resume.mp3"},  // accents
      {"e:\\x\\\x8Auvi.mp3", "e:\\x\\\x9Auvi.mp3"},      // S with caron in both cases
      {"e:\\x\\\\a.mp3", "e:\\x\\a.mp3"},                // doubled separator
      {"e:\\x\x01\\a.mp3", "e:\\x\\a.mp3"},              // ignorable before a separator
  };
  for (const auto& [line, probe] : pairs) {
    const SavedCheckList list({line});
    EXPECT_EQ(list.Contains(probe), CompareTextNoCase(line, probe) == 0) << line << " | " << probe;
  }
}

TEST(SavedCheckList, LoadsFileLines) {
  test::TempDir dir;
  using namespace std::string_literals;
  const SavedCheckList list = SavedCheckList::Load(
      dir.Write("songs.dat", "e:\\a.mp3\r\ne:\\b.mp3\re:\\c.mp3\n\r\ne:\\d.mp3\0e:\\e.mp3"s));
  EXPECT_EQ(list.size(), 4u);
  EXPECT_TRUE(list.Contains("e:\\d.mp3"));
  EXPECT_FALSE(list.Contains("e:\\e.mp3"));  // after the NUL
  EXPECT_TRUE(SavedCheckList::Load(dir.Path("missing.dat")).empty());
  dir.MakeFolder("folder.dat");
  EXPECT_THROW(SavedCheckList::Load(dir.Path("folder.dat")), Error);
}

}  // namespace
}  // namespace plondex
