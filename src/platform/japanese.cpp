#include "platform/japanese.h"

#include <mecab.h>

#include <vector>

#include "platform/codepage.h"

namespace plondex {
namespace {

// Longer texts are spelled without readings: a tag made to be slow stays quick.
constexpr size_t kLongestText = 4096;

constexpr std::string_view kParticle = "助詞";
constexpr std::string_view kConjunctiveParticle = "接続助詞";
constexpr std::string_view kSentenceEndingParticle = "終助詞";

// The comma-separated fields of a morpheme's features.
std::vector<std::string_view> Fields(std::string_view features) {
  std::vector<std::string_view> fields;
  size_t start = 0;
  while (true) {
    const size_t comma = features.find(',', start);
    fields.push_back(features.substr(start, comma - start));
    if (comma == std::string_view::npos) return fields;
    start = comma + 1;
  }
}

// One morpheme of the text as MeCab split it.
struct Morpheme {
  std::u16string space;    // the text's own white space before it
  std::u16string surface;  // as written
  std::u16string reading;  // in Katakana; empty when it has none
  bool particle = false;
  bool spaced = false;  // a particle that stands apart from Japanese words
  bool japanese = false;
  bool han = false;
};

bool IsKana(char32_t c) {
  return (c >= 0x3041 && c <= 0x309F) || (c >= 0x30A0 && c <= 0x30FF) ||
         (c >= 0x31F0 && c <= 0x31FF) || (c >= 0xFF66 && c <= 0xFF9F);
}

// Calls visit for every character of UTF-16 text; an unpaired surrogate counts as itself.
template <typename Visit>
void ForEachCharacter(std::u16string_view text, Visit visit) {
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    }
    visit(c);
  }
}

Morpheme Describe(std::u16string space, std::u16string surface, std::string_view features) {
  Morpheme m;
  m.space = std::move(space);
  m.surface = std::move(surface);
  ForEachCharacter(m.surface, [&m](char32_t c) {
    if (IsHanCharacter(c)) m.han = true;
    if (IsKana(c) || IsHanCharacter(c)) m.japanese = true;
  });
  const std::vector<std::string_view> fields = Fields(features);
  m.particle = fields[0] == kParticle;
  m.spaced = m.particle && fields.size() > 1 && fields[1] != kConjunctiveParticle &&
             fields[1] != kSentenceEndingParticle;
  if (m.han && fields.size() > 7 && fields[7] != "*") {
    if (auto reading = Utf8ToWide(fields[7])) m.reading = std::move(*reading);
  }
  if (m.particle) {
    if (m.surface == u"は") m.reading = u"ワ";
    if (m.surface == u"へ") m.reading = u"エ";
    if (m.surface == u"を") m.reading = u"オ";
  }
  return m;
}

}  // namespace

struct JapaneseReadings::Tagger {
  mecab_t* mecab = nullptr;
  ~Tagger() { mecab_destroy(mecab); }
};

bool HoldsKana(std::u16string_view text) {
  bool kana = false;
  ForEachCharacter(text, [&kana](char32_t c) { kana = kana || IsKana(c); });
  return kana;
}

bool IsHanCharacter(char32_t c) {
  return (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0x3400 && c <= 0x4DBF) ||
         (c >= 0xF900 && c <= 0xFAFF) || c == 0x3005;
}

JapaneseReadings::JapaneseReadings(std::string dictionary) : dictionary_(std::move(dictionary)) {}

JapaneseReadings::~JapaneseReadings() = default;

std::string JapaneseReadings::Failure() const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return failure_;
}

std::optional<std::u16string> JapaneseReadings::Read(std::u16string_view text) {
  const std::lock_guard<std::mutex> lock(mutex_);
  if (!tried_) {
    tried_ = true;
    // MeCab's own options: "-d" names the dictionary; an empty argument list takes its default.
    const std::string options = dictionary_.empty() ? "" : "-d " + dictionary_;
    if (mecab_t* mecab = mecab_new2(options.c_str())) {
      tagger_ = std::make_unique<Tagger>();
      tagger_->mecab = mecab;
    } else {
      // MeCab keeps its reason to itself.
      failure_ = dictionary_.empty()
                     ? "MeCab finds no dictionary (the package mecab-ipadic-utf8 holds one)"
                     : "MeCab finds no dictionary in " + dictionary_;
    }
  }
  if (!tagger_) return std::nullopt;
  if (text.size() > kLongestText || text.find(u'\0') != std::u16string_view::npos) {
    return std::u16string(text);
  }
  const std::string utf8 = WideToUtf8(text);
  std::vector<Morpheme> morphemes;
  // What MeCab passes over between morphemes (white space) is kept as written.
  size_t done = 0;
  for (const mecab_node_t* node = mecab_sparse_tonode2(tagger_->mecab, utf8.data(), utf8.size());
       node; node = node->next) {
    if (node->stat == MECAB_BOS_NODE || node->stat == MECAB_EOS_NODE) continue;
    const size_t at = static_cast<size_t>(node->surface - utf8.data());
    if (at < done || at + node->length > utf8.size()) continue;
    morphemes.push_back(Describe(
        Utf8ToWide(std::string_view(utf8).substr(done, at - done)).value_or(u""),
        Utf8ToWide(std::string_view(node->surface, node->length)).value_or(u""), node->feature));
    done = at + node->length;
  }
  std::u16string out;
  out.reserve(text.size() * 2);
  for (size_t i = 0; i < morphemes.size(); ++i) {
    const Morpheme& m = morphemes[i];
    out += m.space;
    if (i > 0 && m.space.empty()) {
      const Morpheme& before = morphemes[i - 1];
      if ((m.spaced && before.japanese) || (before.spaced && m.japanese)) out.push_back(u' ');
    }
    out += m.reading.empty() ? m.surface : m.reading;
  }
  out += Utf8ToWide(std::string_view(utf8).substr(done)).value_or(u"");
  return out;
}

}  // namespace plondex
