#include "tags/songtags.h"

#include <optional>
#include <utility>

#include "platform/codepage.h"
#include "platform/japanese.h"
#include "tags/id3v1.h"
#include "tags/id3v2.h"
#include "tags/oggreader.h"
#include "tags/wmareader.h"

namespace plondex {
namespace {

// Spelling other scripts out is the costly step: one song gets this many characters of it.
constexpr size_t kSongSpellingBudget = 16384;

// Turns the texts of one song into the player's text.
class SongSpeller {
 public:
  SongSpeller(JapaneseReadings* readings) : readings_(readings) {}

  std::string ForPlayer(const TagText& text) {
    if (text.kind == TagText::Kind::kAnsi) return text.ansi;
    if (readings_) {
      if (std::optional<std::u16string> read = readings_->Read(text.wide)) {
        return WideToTagAnsi(*read, &budget_);
      }
      without_readings_ = true;
    }
    return WideToTagAnsi(text.wide, &budget_);
  }
  bool without_readings() const { return without_readings_; }

 private:
  JapaneseReadings* readings_;
  SpellingBudget budget_{kSongSpellingBudget};
  bool without_readings_ = false;
};

}  // namespace

TagText TagText::Ansi(std::string text) {
  TagText t;
  t.ansi = std::move(text);
  return t;
}

TagText TagText::Unicode(std::u16string text) {
  TagText t;
  t.kind = Kind::kUnicode;
  t.wide = std::move(text);
  return t;
}

TagText TagText::Utf8OrBytes(std::string_view bytes) {
  if (auto wide = Utf8ToWide(bytes)) return Unicode(std::move(*wide));
  return Ansi(std::string(bytes));
}

SongTags Id3v2Tags(const TId3v2& reader) {
  SongTags tags;
  if (!reader.TagPresent()) return tags;
  const TId3Text& t = reader.Texts();
  tags.source = TagSource::kId3v2;
  tags.title = t.TitleText();
  tags.artists = t.PerformerTexts();
  tags.album = t.AlbumText();
  tags.genre = t.ContentText();
  return tags;
}

SongTags Id3v1Tags(const TId3v1& reader) {
  SongTags tags;
  tags.source = TagSource::kId3v1;
  tags.title = TagText::Ansi(reader.SongName());
  tags.artists = {TagText::Ansi(reader.Artist())};
  tags.album = TagText::Ansi(reader.Album());
  tags.genre = TagText::Ansi(GenreName(static_cast<int>(reader.Genre())));
  return tags;
}

SongTags OggTags(const TOggReader& reader) {
  SongTags tags;
  tags.source = TagSource::kOgg;
  tags.title = TagText::Utf8OrBytes(reader.Title());
  tags.artists = {TagText::Utf8OrBytes(reader.Artist())};
  tags.album = TagText::Utf8OrBytes(reader.Album());
  tags.genre = TagText::Utf8OrBytes(reader.Genre());
  return tags;
}

SongTags WmaTags(const TWmaReader& reader) {
  SongTags tags;
  tags.source = TagSource::kWma;
  tags.title = TagText::Unicode(reader.Title());
  tags.artists = {TagText::Unicode(reader.Artist())};
  tags.album = TagText::Unicode(reader.Album());
  tags.genre = TagText::Unicode(reader.Genre());
  return tags;
}

bool IsJapaneseSong(const SongTags& tags) {
  auto kana = [](const TagText& t) {
    return t.kind == TagText::Kind::kUnicode && HoldsKana(t.wide);
  };
  if (kana(tags.title) || kana(tags.album) || kana(tags.genre)) return true;
  for (const TagText& artist : tags.artists) {
    if (kana(artist)) return true;
  }
  return false;
}

PlayerTexts ToPlayerTexts(const SongTags& tags, JapaneseReadings* readings) {
  SongSpeller speller(readings && IsJapaneseSong(tags) ? readings : nullptr);
  PlayerTexts texts;
  texts.title = speller.ForPlayer(tags.title);
  if (tags.source == TagSource::kId3v2) {
    for (const TagText& name : tags.artists) texts.artists.push_back(speller.ForPlayer(name));
    texts.artist = CommaText(texts.artists);
    if (texts.artist.size() > 2 && texts.artist.front() == '"' && texts.artist.back() == '"') {
      texts.artist = texts.artist.substr(1, texts.artist.size() - 2);
    }
  } else if (!tags.artists.empty()) {
    texts.artist = speller.ForPlayer(tags.artists.front());
    texts.artists = {texts.artist};
  }
  texts.album = speller.ForPlayer(tags.album);
  texts.genre = speller.ForPlayer(tags.genre);
  texts.without_readings = speller.without_readings();
  return texts;
}

std::string CommaText(const std::vector<std::string>& names) {
  if (names.size() == 1 && names[0].empty()) return "\"\"";
  std::string out;
  for (size_t i = 0; i < names.size(); ++i) {
    if (i > 0) out.push_back(',');
    const std::string& name = names[i];
    bool quote = false;
    for (char c : name) {
      if (static_cast<unsigned char>(c) <= 32 || c == '"' || c == ',') quote = true;
    }
    if (!quote) {
      out += name;
      continue;
    }
    out.push_back('"');
    for (char c : name) {
      if (c == '"') out.push_back('"');
      out.push_back(c);
    }
    out.push_back('"');
  }
  return out;
}

}  // namespace plondex
