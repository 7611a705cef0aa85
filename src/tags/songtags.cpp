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

// Turns the texts of one song into the player's text.
class SongSpeller {
 public:
  SongSpeller(JapaneseReadings* readings) : readings_(readings) {}

  std::string ForPlayer(const TagText& text) {
    if (text.kind == TagText::Kind::kUnicode && readings_) {
      if (std::optional<std::u16string> read = readings_->Read(text.wide)) {
        return WideToTagAnsi(*read, &budget_);
      }
      without_readings_ = true;
    }
    return SpellTagText(text, &budget_);
  }
  bool without_readings() const { return without_readings_; }

 private:
  JapaneseReadings* readings_;
  SpellingBudget budget_{kSongSpellingBudget};
  bool without_readings_ = false;
};

// The tags of a reader that gives one artist.
SongTags OneArtistTags(TagSource source, TagText title, TagText artist, TagText album,
                       TagText genre) {
  SongTags tags;
  tags.source = source;
  tags.title = std::move(title);
  tags.artists.push_back(std::move(artist));
  tags.album = std::move(album);
  tags.genre = std::move(genre);
  return tags;
}

}  // namespace

std::string SpellTagText(const TagText& text, SpellingBudget* budget) {
  if (text.kind == TagText::Kind::kAnsi) return text.ansi;
  return WideToTagAnsi(text.wide, budget);
}

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
  return OneArtistTags(TagSource::kId3v1, TagText::Ansi(reader.SongName()),
                       TagText::Ansi(reader.Artist()), TagText::Ansi(reader.Album()),
                       TagText::Ansi(GenreName(static_cast<int>(reader.Genre()))));
}

SongTags OggTags(const TOggReader& reader) {
  return OneArtistTags(TagSource::kOgg, TagText::Utf8OrBytes(reader.Title()),
                       TagText::Utf8OrBytes(reader.Artist()), TagText::Utf8OrBytes(reader.Album()),
                       TagText::Utf8OrBytes(reader.Genre()));
}

SongTags WmaTags(const TWmaReader& reader) {
  return OneArtistTags(TagSource::kWma, TagText::Unicode(reader.Title()),
                       TagText::Unicode(reader.Artist()), TagText::Unicode(reader.Album()),
                       TagText::Unicode(reader.Genre()));
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
