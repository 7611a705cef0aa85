#include "platform/codepage.h"

#include <unicode/normalizer2.h>
#include <unicode/translit.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <array>
#include <memory>
#include <mutex>
#include <utility>

namespace plondex {
namespace {

// What NextCodePoint gives for a surrogate without its partner: no character at all.
constexpr char32_t kUnpairedSurrogate = 0xFFFFFFFF;

// The character at i of UTF-16 text, i moved past it.
char32_t NextCodePoint(std::u16string_view text, size_t& i) {
  const char32_t u = text[i++];
  if (u < 0xD800 || u > 0xDFFF) return u;
  if (u <= 0xDBFF && i < text.size() && text[i] >= 0xDC00 && text[i] <= 0xDFFF) {
    return 0x10000 + ((u - 0xD800) << 10) + (text[i++] - 0xDC00);
  }
  return kUnpairedSurrogate;
}

void AppendUtf16(std::u16string& out, char32_t c) {
  if (c < 0x10000) {
    out.push_back(static_cast<char16_t>(c));
    return;
  }
  c -= 0x10000;
  out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
  out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
}

// Bytes 0x80 to 0x9F of Windows-1252.
constexpr std::array<char16_t, 32> kHighTable = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

// The byte of a code point, or -1 when Windows-1252 lacks it.
int WideCharToAnsi(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<int>(c);
  for (size_t i = 0; i < kHighTable.size(); ++i) {
    if (kHighTable[i] == c) return static_cast<int>(0x80 + i);
  }
  return -1;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

// Decodes one code point of valid UTF-8 at s[i]; returns false on invalid input.
bool DecodeUtf8At(std::string_view s, size_t& i, char32_t& out) {
  const auto b0 = static_cast<unsigned char>(s[i]);
  if (b0 < 0x80) {
    out = b0;
    ++i;
    return true;
  }
  int extra;
  char32_t min;
  if ((b0 & 0xE0) == 0xC0) {
    extra = 1;
    out = b0 & 0x1F;
    min = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    extra = 2;
    out = b0 & 0x0F;
    min = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    extra = 3;
    out = b0 & 0x07;
    min = 0x10000;
  } else {
    return false;
  }
  if (s.size() - i <= static_cast<size_t>(extra)) return false;
  for (int k = 1; k <= extra; ++k) {
    const auto b = static_cast<unsigned char>(s[i + k]);
    if ((b & 0xC0) != 0x80) return false;
    out = (out << 6) | (b & 0x3F);
  }
  if (out < min || out > 0x10FFFF || (out >= 0xD800 && out <= 0xDFFF)) return false;
  i += extra + 1;
  return true;
}

constexpr unsigned char kShownHighBytes[] = {0xB4, 0xC4, 0xD6, 0xDC, 0xDF, 0xE0,
                                             0xE1, 0xE4, 0xE8, 0xE9, 0xF6, 0xFC};

// Letters and signs with no decomposition of their own that still have an obvious spelling.
struct TableSpelling {
  char32_t c;
  const char* spelling;
};
constexpr TableSpelling kTableSpellings[] = {
    {0x00D8, "O"},  {0x00F8, "o"},  {0x00C6, "AE"}, {0x00E6, "ae"}, {0x0152, "OE"}, {0x0153, "oe"},
    {0x0141, "L"},  {0x0142, "l"},  {0x0110, "D"},  {0x0111, "d"},  {0x00D0, "D"},  {0x00F0, "d"},
    {0x00DE, "Th"}, {0x00FE, "th"}, {0x0131, "i"},  {0x2018, "'"},  {0x2019, "'"},  {0x201A, "'"},
    {0x201B, "'"},  {0x2032, "'"},  {0x2010, "-"},  {0x2011, "-"},  {0x2012, "-"},  {0x2013, "-"},
    {0x2014, "-"},  {0x2015, "-"},  {0x00A0, " "},
};

// The byte of a code point the player shows, or -1.
int ShownByte(char32_t c) {
  const int b = WideCharToAnsi(c);
  return b >= 0 && IsShownByte(static_cast<unsigned char>(b)) ? b : -1;
}

bool IsCombiningMark(char32_t c) {
  return (U_GET_GC_MASK(static_cast<UChar32>(c)) & U_GC_M_MASK) != 0;
}

bool IsSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }

// Compatibility decomposition without combining marks, when the player shows all of it.
std::optional<std::string> DecompositionSpelling(char32_t c) {
  UErrorCode status = U_ZERO_ERROR;
  const icu::Normalizer2* nfkd = icu::Normalizer2::getNFKDInstance(status);
  icu::UnicodeString decomposed;
  if (U_FAILURE(status) || !nfkd->getDecomposition(static_cast<UChar32>(c), decomposed)) {
    return std::nullopt;
  }
  std::string spelling;
  for (int32_t i = 0; i < decomposed.length();) {
    const UChar32 d = decomposed.char32At(i);
    i += U16_LENGTH(d);
    if (IsCombiningMark(d)) continue;
    const int b = ShownByte(d);
    if (b < 0) return std::nullopt;
    spelling.push_back(static_cast<char>(b));
  }
  if (spelling.empty()) return std::nullopt;
  return spelling;
}

// Any-Latin takes long to build, so there is one for the program. ICU's transliterators must not
// be used by two threads at once, and a build runs on a worker thread.
bool TransliterateToLatin(icu::UnicodeString& text) {
  static const std::unique_ptr<icu::Transliterator> latin = [] {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Transliterator> t(
        icu::Transliterator::createInstance("Any-Latin", UTRANS_FORWARD, status));
    if (U_FAILURE(status)) t.reset();
    return t;
  }();
  static std::mutex mutex;
  if (!latin) return false;
  const std::lock_guard<std::mutex> lock(mutex);
  latin->transliterate(text);
  return true;
}

// Some taggers write a letter and its accent as two characters; composed, they are often one
// that the player shows. Composing changes nothing in a text of characters below U+0300 and
// Windows-1252 characters (none of them changes or composes with one before it), so most texts
// are taken as they are without asking ICU.
std::u16string_view Composed(std::u16string_view text, std::u16string& storage) {
  const auto stays = [](char16_t u) { return u < 0x300 || WideCharToAnsi(u) >= 0; };
  if (std::all_of(text.begin(), text.end(), stays)) return text;
  UErrorCode status = U_ZERO_ERROR;
  const icu::Normalizer2* nfc = icu::Normalizer2::getNFCInstance(status);
  if (U_FAILURE(status)) return text;
  const icu::UnicodeString source(false, text.data(), static_cast<int32_t>(text.size()));
  const icu::UnicodeString composed = nfc->normalize(source, status);
  if (U_FAILURE(status)) return text;
  storage.assign(composed.getBuffer(), static_cast<size_t>(composed.length()));
  return storage;
}

// Writes the readable spelling of a text fed to it character by character. Characters without
// a spelling of their own gather in a run that is transliterated as a whole, so a word keeps its
// context (Japanese kana with a separate voicing mark, for instance).
class Speller {
 public:
  Speller(std::string start, SpellingBudget* budget) : out_(std::move(start)), budget_(budget) {}

  std::string Finish() {
    EndRun();
    return std::move(out_);
  }

  // A byte that goes out as it is.
  void Keep(unsigned char byte) {
    EndRun();
    out_.push_back(static_cast<char>(byte));
  }

  // A character that goes out without a trace.
  void Drop() { EndRun(); }

  void Spell(char32_t c) {
    if (u_charType(static_cast<UChar32>(c)) == U_CONTROL_CHAR) return Drop();
    if (std::optional<std::string> spelling = CharacterSpelling(c)) {
      EndRun();
      out_ += *spelling;
      return;
    }
    if (budget_ && budget_->characters == 0) return Drop();
    if (budget_) --budget_->characters;
    // Long runs are transliterated in pieces: ICU takes more than linear time on some long ones.
    // A mark stays with the letter before it, unless marks alone make the run twice too long.
    if (run_.size() >= 2 * kLongestRun || (run_.size() >= kLongestRun && !IsCombiningMark(c))) {
      EndRun();
    }
    AppendUtf16(run_, c);
  }

 private:
  // Any-Latin may give back half a surrogate pair (a Katakana iteration mark after an emoji
  // repeats half of it); like every character without a spelling, it is dropped.
  void EndRun() {
    if (run_.empty()) return;
    icu::UnicodeString text(run_.data(), static_cast<int32_t>(run_.size()));
    run_.clear();
    if (!TransliterateToLatin(text)) return;
    for (int32_t i = 0; i < text.length();) {
      const UChar32 c = text.char32At(i);
      i += U16_LENGTH(c);
      if (std::optional<std::string> spelling = CharacterSpelling(static_cast<char32_t>(c))) {
        out_ += *spelling;
      }
    }
  }

  static constexpr size_t kLongestRun = 64;
  std::string out_;
  SpellingBudget* budget_;
  std::u16string run_;
};

}  // namespace

char16_t AnsiCharToWide(unsigned char byte) {
  if (byte >= 0x80 && byte < 0xA0) return kHighTable[byte - 0x80];
  return byte;
}

std::u16string AnsiToWide(std::string_view ansi) {
  std::u16string out;
  out.reserve(ansi.size());
  for (char c : ansi) out.push_back(AnsiCharToWide(static_cast<unsigned char>(c)));
  return out;
}

std::string WideToAnsi(std::u16string_view wide) {
  std::string out;
  out.reserve(wide.size());
  for (size_t i = 0; i < wide.size();) {
    // A pair is one character, and no supplementary character is in the code page.
    const char32_t c = NextCodePoint(wide, i);
    const int b = c == kUnpairedSurrogate ? -1 : WideCharToAnsi(c);
    out.push_back(b < 0 ? '?' : static_cast<char>(b));
  }
  return out;
}

std::string AnsiToUtf8(std::string_view ansi) {
  std::string out;
  out.reserve(ansi.size());
  for (char c : ansi) AppendUtf8(out, AnsiCharToWide(static_cast<unsigned char>(c)));
  return out;
}

std::optional<std::u16string> Utf8ToWide(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  size_t i = 0;
  while (i < utf8.size()) {
    char32_t c;
    if (!DecodeUtf8At(utf8, i, c)) return std::nullopt;
    AppendUtf16(out, c);
  }
  return out;
}

std::string Utf8ToAnsi(std::string_view utf8) {
  if (auto wide = Utf8ToWide(utf8)) return WideToAnsi(*wide);
  return std::string(utf8);
}

std::string ValidUtf8Part(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) {
    const size_t start = i;
    char32_t c;
    if (DecodeUtf8At(utf8, i, c)) {
      out.append(utf8.substr(start, i - start));
    } else {
      ++i;
    }
  }
  return out;
}

size_t Utf8CutLength(std::string_view text, size_t limit) {
  if (text.size() <= limit) return text.size();
  for (size_t i = 0; i < limit;) {
    const size_t start = i;
    char32_t c;
    if (!DecodeUtf8At(text, i, c)) return limit;
    if (i > limit) return start;
  }
  return limit;
}

std::string WideToUtf8(std::u16string_view wide) {
  std::string out;
  out.reserve(wide.size());
  for (size_t i = 0; i < wide.size();) {
    const char32_t c = NextCodePoint(wide, i);
    AppendUtf8(out, c == kUnpairedSurrogate ? 0xFFFD : c);
  }
  return out;
}

bool IsShownByte(unsigned char byte) {
  if (byte < 0x80) {
    switch (byte) {
      case '"':
      case '$':
      case '%':
      case ';':
      case '<':
      case '=':
      case '>':
      case '@':
      case '\\':
      case '^':
      case '{':
      case '|':
      case '}':
      case '~':
      case 0x7F:
        return false;
      default:
        return byte >= 0x20;
    }
  }
  for (unsigned char shown : kShownHighBytes) {
    if (byte == shown) return true;
  }
  return false;
}

std::optional<std::string> CharacterSpelling(char32_t c) {
  if (IsSurrogate(c) || c > 0x10FFFF) return std::nullopt;
  if (const int b = ShownByte(c); b >= 0) return std::string(1, static_cast<char>(b));
  if (std::optional<std::string> spelling = DecompositionSpelling(c)) return spelling;
  for (const TableSpelling& t : kTableSpellings) {
    if (t.c == c) return t.spelling;
  }
  return std::nullopt;
}

std::string WideToTagAnsi(std::u16string_view text, SpellingBudget* budget) {
  // Most tag texts are Windows-1252 characters alone: their bytes, with nothing to compose or
  // spell.
  if (std::all_of(text.begin(), text.end(), [](char16_t u) { return WideCharToAnsi(u) >= 0; })) {
    std::string bytes(text.size(), '\0');
    std::transform(text.begin(), text.end(), bytes.begin(),
                   [](char16_t u) { return static_cast<char>(WideCharToAnsi(u)); });
    return bytes;
  }
  std::u16string storage;
  const std::u16string_view wide = Composed(text, storage);
  std::string start;
  start.reserve(wide.size());
  Speller speller(std::move(start), budget);
  for (size_t i = 0; i < wide.size();) {
    const char32_t c = NextCodePoint(wide, i);
    if (c == kUnpairedSurrogate) {
      speller.Drop();
      continue;
    }
    const int b = WideCharToAnsi(c);
    if (b >= 0) {
      speller.Keep(static_cast<unsigned char>(b));
    } else {
      speller.Spell(c);
    }
  }
  return speller.Finish();
}

std::string Utf8ToTagAnsi(std::string_view utf8, SpellingBudget* budget) {
  if (auto wide = Utf8ToWide(utf8)) return WideToTagAnsi(*wide, budget);
  return std::string(utf8);
}

std::string AnsiToShownText(std::string_view ansi) {
  size_t shown = 0;
  while (shown < ansi.size() && IsShownByte(static_cast<unsigned char>(ansi[shown]))) ++shown;
  if (shown == ansi.size()) return std::string(ansi);
  Speller speller(std::string(ansi.substr(0, shown)), nullptr);
  for (char ch : ansi.substr(shown)) {
    const auto b = static_cast<unsigned char>(ch);
    if (IsShownByte(b)) {
      speller.Keep(b);
    } else if (b < 0x80) {
      speller.Drop();
    } else {
      speller.Spell(AnsiCharToWide(b));
    }
  }
  return speller.Finish();
}

}  // namespace plondex
