#include "tags/songtags.h"

#include <utility>

#include "platform/codepage.h"

namespace plondex {
namespace {

// Spelling other scripts out is the costly step: one song gets this many characters of it.
constexpr size_t kSongSpellingBudget = 16384;

std::string ForPlayer(const TagText& text, SpellingBudget& budget) {
  if (text.kind == TagText::Kind::kAnsi) return text.ansi;
  return WideToTagAnsi(text.wide, &budget);
}

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

PlayerTexts ToPlayerTexts(const SongTags& tags) {
  SpellingBudget budget{kSongSpellingBudget};
  PlayerTexts texts;
  texts.title = ForPlayer(tags.title, budget);
  if (tags.source == TagSource::kId3v2) {
    std::vector<std::string> names;
    names.reserve(tags.artists.size());
    for (const TagText& name : tags.artists) names.push_back(ForPlayer(name, budget));
    texts.artist = CommaText(names);
    if (texts.artist.size() > 2 && texts.artist.front() == '"' && texts.artist.back() == '"') {
      texts.artist = texts.artist.substr(1, texts.artist.size() - 2);
    }
  } else if (!tags.artists.empty()) {
    texts.artist = ForPlayer(tags.artists.front(), budget);
  }
  texts.album = ForPlayer(tags.album, budget);
  texts.genre = ForPlayer(tags.genre, budget);
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
