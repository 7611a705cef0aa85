#include "platform/collation.h"

#include <unicode/coll.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <cstring>
#include <memory>
#include <vector>

#include "platform/codepage.h"

namespace plondex {
namespace {

// The C and POSIX locales reach ICU as en_US_POSIX, whose collation is code-point order with
// letter case as a first-level difference, so "A" and "a" would never compare equal. The root
// order is the linguistic one those locales stand for.
icu::Locale CollationLocale() {
  const icu::Locale& locale = icu::Locale::getDefault();
  if (std::strcmp(locale.getVariant(), "POSIX") == 0) return icu::Locale::getRoot();
  return locale;
}

std::unique_ptr<icu::Collator> MakeCollator(icu::Collator::ECollationStrength strength) {
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::Collator> c(icu::Collator::createInstance(CollationLocale(), status));
  if (U_FAILURE(status) || !c) {
    status = U_ZERO_ERROR;
    c.reset(icu::Collator::createInstance(icu::Locale::getRoot(), status));
  }
  if (c) c->setStrength(strength);
  return c;
}

icu::Collator* CaseCollator() {
  static const std::unique_ptr<icu::Collator> c = MakeCollator(icu::Collator::TERTIARY);
  return c.get();
}

icu::Collator* NoCaseCollator() {
  static const std::unique_ptr<icu::Collator> c = MakeCollator(icu::Collator::SECONDARY);
  return c.get();
}

icu::UnicodeString ToUnicode(std::string_view text) {
  const std::u16string wide = AnsiToWide(text);
  return icu::UnicodeString(wide.data(), static_cast<int32_t>(wide.size()));
}

int Compare(icu::Collator* collator, std::string_view a, std::string_view b) {
  if (!collator) return a.compare(b);
  UErrorCode status = U_ZERO_ERROR;
  const UCollationResult r = collator->compare(ToUnicode(a), ToUnicode(b), status);
  if (U_FAILURE(status)) return a.compare(b);
  return r == UCOL_LESS ? -1 : (r == UCOL_GREATER ? 1 : 0);
}

}  // namespace

int CompareText(std::string_view a, std::string_view b) { return Compare(CaseCollator(), a, b); }

int CompareTextNoCase(std::string_view a, std::string_view b) {
  return Compare(NoCaseCollator(), a, b);
}

std::string SortKeyNoCase(std::string_view text) {
  icu::Collator* collator = NoCaseCollator();
  if (!collator) return std::string(text);
  const icu::UnicodeString u = ToUnicode(text);
  std::vector<uint8_t> key(64 + u.length() * 4);
  int32_t n = collator->getSortKey(u, key.data(), static_cast<int32_t>(key.size()));
  if (n > static_cast<int32_t>(key.size())) {
    key.resize(n);
    n = collator->getSortKey(u, key.data(), n);
  }
  // The key ends with a zero byte; leave it out so keys compare as plain strings.
  if (n > 0 && key[n - 1] == 0) --n;
  return std::string(reinterpret_cast<const char*>(key.data()), n > 0 ? n : 0);
}

std::string LowerText(std::string_view text) {
  std::u16string wide = AnsiToWide(text);
  for (char16_t& c : wide) {
    const UChar32 lower = u_tolower(c);
    if (lower <= 0xFFFF) c = static_cast<char16_t>(lower);
  }
  // A lower-case letter the code page lacks keeps its upper-case byte.
  std::string out = WideToAnsi(wide);
  for (size_t i = 0; i < out.size(); ++i) {
    if (out[i] == '?' && text[i] != '?') out[i] = text[i];
  }
  return out;
}

}  // namespace plondex
