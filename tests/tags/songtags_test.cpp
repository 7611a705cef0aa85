#include "tags/songtags.h"

#include <gtest/gtest.h>

namespace plondex {
namespace {

TEST(CommaText, QuotesWhatNeedsIt) {
  EXPECT_EQ(CommaText({}), "");
  EXPECT_EQ(CommaText({""}), "\"\"");
  EXPECT_EQ(CommaText({"AC", "DC"}), "AC,DC");
  EXPECT_EQ(CommaText({"The Band"}), "\"The Band\"");
  EXPECT_EQ(CommaText({"A B", "C"}), "\"A B\",C");
  EXPECT_EQ(CommaText({"a", "", "b"}), "a,,b");
  EXPECT_EQ(CommaText({"say \"hi\""}), "\"say \"\"hi\"\"\"");
}

TEST(SongTexts, EachReaderGivesTheTextsThePlayerShows) {
  SongTags id3v2;
  id3v2.source = TagSource::kId3v2;
  id3v2.title = TagText::Unicode(u"\u0420\u043e\u0441\u0441\u0438\u044f");  // Russia
  id3v2.artists = {TagText::Ansi("Simon & Garfunkel")};
  id3v2.album = TagText::Ansi("Caf\xe9");
  id3v2.genre = TagText::Ansi("(17)");
  PlayerTexts t = ToPlayerTexts(id3v2);
  EXPECT_EQ(t.title, "Rossia");
  EXPECT_EQ(t.artist, "Simon & Garfunkel");  // the quotes of a single performer go
  EXPECT_EQ(t.album, "Caf\xe9");
  EXPECT_EQ(t.genre, "(17)");
  id3v2.artists = {TagText::Ansi("A B"), TagText::Unicode(u"C\u00e9")};
  EXPECT_EQ(ToPlayerTexts(id3v2).artist, "\"A B\",C\xe9");

  // Any other reader's artist is taken whole, commas and all.
  SongTags ogg = id3v2;
  ogg.source = TagSource::kOgg;
  ogg.artists = {TagText::Utf8OrBytes("A, B \xc3\xa9")};
  EXPECT_EQ(ToPlayerTexts(ogg).artist, "A, B \xe9");
  EXPECT_EQ(TagText::Utf8OrBytes("\xe9t\xe9"), TagText::Ansi("\xe9t\xe9"));  // not UTF-8
  ogg.artists.clear();
  EXPECT_EQ(ToPlayerTexts(ogg).artist, "");
}

}  // namespace
}  // namespace plondex
