#include "platform/numbers.h"

#include "platform/ascii.h"

namespace plondex {
namespace {

template <typename Char>
std::optional<int64_t> Parse(std::basic_string_view<Char> text, const NumberSyntax& syntax) {
  size_t at = 0;
  auto is = [&](size_t i, char c) { return i < text.size() && text[i] == static_cast<Char>(c); };
  if (syntax.leading_spaces) {
    while (is(at, ' ')) ++at;
  }
  bool negative = false;
  bool has_sign = false;
  if (syntax.sign && (is(at, '+') || is(at, '-'))) {
    negative = is(at, '-');
    has_sign = true;
    ++at;
  }
  bool hex = false;
  if (syntax.sign_before_hex || !has_sign) {
    if ((syntax.hex_dollar && is(at, '$')) || (syntax.hex_x && (is(at, 'x') || is(at, 'X')))) {
      hex = true;
      at += 1;
    } else if (syntax.hex_0x && is(at, '0') && (is(at + 1, 'x') || is(at + 1, 'X'))) {
      hex = true;
      at += 2;
    }
  }
  if (at == text.size()) return std::nullopt;

  const bool bits = hex && syntax.hex_is_32_bits;
  // The largest magnitude the value may have; checked digit by digit, so nothing overflows.
  uint64_t limit;
  if (bits) {
    limit = UINT32_MAX;
  } else if (negative) {
    limit = syntax.min < 0 ? uint64_t{0} - static_cast<uint64_t>(syntax.min) : 0;
  } else {
    limit = syntax.max > 0 ? static_cast<uint64_t>(syntax.max) : 0;
  }
  const uint64_t base = hex ? 16 : 10;
  uint64_t magnitude = 0;
  for (; at < text.size(); ++at) {
    const int digit = HexDigitValue(text[at]);
    if (digit < 0 || static_cast<uint64_t>(digit) >= base) return std::nullopt;
    const auto d = static_cast<uint64_t>(digit);
    if (d > limit || magnitude > (limit - d) / base) return std::nullopt;
    magnitude = magnitude * base + d;
  }
  if (bits) {
    const uint32_t word = static_cast<uint32_t>(negative ? 0 - magnitude : magnitude);
    return static_cast<int32_t>(word);
  }
  const int64_t value =
      negative ? static_cast<int64_t>(0 - magnitude) : static_cast<int64_t>(magnitude);
  if (value < syntax.min || value > syntax.max) return std::nullopt;
  return value;
}

}  // namespace

std::optional<int64_t> ParseWholeNumber(std::string_view text, const NumberSyntax& syntax) {
  return Parse(text, syntax);
}

std::optional<int64_t> ParseWholeNumber(std::u16string_view text, const NumberSyntax& syntax) {
  return Parse(text, syntax);
}

}  // namespace plondex
