#pragma once

// Whole numbers written as text. Every reader of a number (tag frames, settings, genre numbers,
// mount tables, command lines) has its own rules for what may surround the digits; it states
// them as a NumberSyntax and leaves the digits to ParseWholeNumber.

#include <cstdint>
#include <optional>
#include <string_view>

namespace plondex {

// What a number may look like besides its digits. The default is decimal digits alone, giving a
// value in the signed 32-bit range.
struct NumberSyntax {
  bool leading_spaces = false;  // spaces may come first
  bool sign = false;            // then '+' or '-'
  bool hex_0x = false;          // then "0x" or "0X" starts hexadecimal digits
  bool hex_dollar = false;      // then "$" starts hexadecimal digits
  bool hex_x = false;           // then "x" or "X" alone starts hexadecimal digits
  bool sign_before_hex = true;  // false: hexadecimal digits take no sign
  // Hexadecimal digits give the 32 bits of a two's-complement number, "FFFFFFFF" being -1, and a
  // sign negates that in 32 bits; more than 32 bits fail. Otherwise they give a value in range
  // like decimal digits do.
  bool hex_is_32_bits = false;
  // The range of the value; anything outside fails.
  int64_t min = INT32_MIN;
  int64_t max = INT32_MAX;
};

// Decimal with an optional sign, or "0x" and hexadecimal digits without one, in 32 bits.
inline constexpr NumberSyntax kInt32Syntax{
    .sign = true, .hex_0x = true, .sign_before_hex = false, .hex_is_32_bits = true};

// The value of text when all of it is one number in that syntax: what the syntax allows, then at
// least one digit and nothing after the last. Any number of leading zeros is allowed.
std::optional<int64_t> ParseWholeNumber(std::string_view text, const NumberSyntax& syntax = {});
// The same for UTF-16 text; only ASCII characters can be part of a number.
std::optional<int64_t> ParseWholeNumber(std::u16string_view text, const NumberSyntax& syntax = {});

}  // namespace plondex
