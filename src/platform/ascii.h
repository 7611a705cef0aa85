#pragma once

// ASCII letters and digits, whatever the locale: identifiers, extensions, keys and hexadecimal
// numbers. Every other byte, including the letters of the 8-bit code page, stays as it is. Texts
// shown to the user are compared by platform/collation instead.

#include <string>
#include <string_view>

namespace plondex {

constexpr char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
constexpr char AsciiUpper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

inline std::string AsciiLower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = AsciiLower(c);
  return out;
}

inline std::string AsciiUpper(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = AsciiUpper(c);
  return out;
}

constexpr bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

// The value of 0-9, a-f or A-F; -1 for any other character. Wide characters are taken whole,
// so no code unit beyond ASCII can pass for a digit.
constexpr int HexDigitValue(char32_t c) {
  if (c >= U'0' && c <= U'9') return static_cast<int>(c - U'0');
  if (c >= U'a' && c <= U'f') return static_cast<int>(c - U'a' + 10);
  if (c >= U'A' && c <= U'F') return static_cast<int>(c - U'A' + 10);
  return -1;
}

// The byte that two hex digits spell, high digit first; -1 when either is no hex digit.
constexpr int HexByteValue(char32_t high, char32_t low) {
  const int h = HexDigitValue(high);
  const int l = HexDigitValue(low);
  return h < 0 || l < 0 ? -1 : h * 16 + l;
}

}  // namespace plondex
