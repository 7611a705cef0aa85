#include "tags/songtags.h"

#include <gtest/gtest.h>

#include "platform/japanese.h"

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
  PlayerTexts t = ToPlayerTexts(id3v2, nullptr);
  EXPECT_EQ(t.title, "Rossia");
  EXPECT_EQ(t.artist, "Simon & Garfunkel");  // the quotes of a single performer go
  EXPECT_EQ(t.album, "Caf\xe9");
  EXPECT_EQ(t.genre, "(17)");
  id3v2.artists = {TagText::Ansi("A B"), TagText::Unicode(u"C\u00e9")};
  EXPECT_EQ(ToPlayerTexts(id3v2, nullptr).artist, "\"A B\",C\xe9");

  // Any other reader's artist is taken whole, commas and all.
  SongTags ogg = id3v2;
  ogg.source = TagSource::kOgg;
  ogg.artists = {TagText::Utf8OrBytes("A, B \xc3\xa9")};
  EXPECT_EQ(ToPlayerTexts(ogg, nullptr).artist, "A, B \xe9");
  EXPECT_EQ(TagText::Utf8OrBytes("\xe9t\xe9"), TagText::Ansi("\xe9t\xe9"));  // not UTF-8
  ogg.artists.clear();
  EXPECT_EQ(ToPlayerTexts(ogg, nullptr).artist, "");
}

// A WMA song (one artist) with these texts, in the player's text.
PlayerTexts Wma(std::u16string title, std::u16string artist, std::u16string album,
                JapaneseReadings* readings) {
  SongTags tags;
  tags.source = TagSource::kWma;
  tags.title = TagText::Unicode(std::move(title));
  tags.artists = {TagText::Unicode(std::move(artist))};
  tags.album = TagText::Unicode(std::move(album));
  return ToPlayerTexts(tags, readings);
}

TEST(SongTexts, JapaneseSongsAreReadAsJapanese) {
  JapaneseReadings readings;
  const std::pair<std::u16string, std::string> titles[] = {
      {u"月の光", "tsuki no hikari"},
      {u"君の名は", "kimi no na wa"},
      {u"千と千尋の神隠し", "sen to chihiro no kamigakushi"},
      {u"私を見て", "watashi o mite"},
      {u"東京事変", "toukyoujihen"},
      {u"Love の 歌", "Love no uta"},
  };
  for (const auto& [title, spelled] : titles) {
    EXPECT_EQ(Wma(title, u"", u"の", &readings).title, spelled);
  }
  // An artist in Han characters alone is read as Japanese when another text holds kana.
  EXPECT_EQ(Wma(u"x", u"椎名林檎", u"私を見て", &readings).artist, "shiinaringo");
  // A Chinese song keeps its pinyin.
  const PlayerTexts chinese = Wma(u"月亮代表我的心", u"邓丽君", u"", &readings);
  EXPECT_EQ(chinese.title, Wma(u"月亮代表我的心", u"", u"", nullptr).title);
  EXPECT_EQ(chinese.artist, "d\xe8ng li jun");
  EXPECT_FALSE(chinese.without_readings);
}

TEST(SongTexts, WithoutTheDictionaryJapaneseIsSpelledAsBefore) {
  JapaneseReadings missing("/nonexistent/dictionary");
  const PlayerTexts texts = Wma(u"月の光", u"", u"", &missing);
  EXPECT_TRUE(texts.without_readings);
  EXPECT_EQ(texts.title, Wma(u"月の光", u"", u"", nullptr).title);
  EXPECT_EQ(missing.Failure(), "MeCab finds no dictionary in /nonexistent/dictionary");
}

}  // namespace
}  // namespace plondex
