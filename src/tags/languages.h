#pragma once

// ISO 639-2 language codes with their English names, for the language list of a tag.

#include <span>
#include <string_view>

namespace plondex {

struct LanguageEntry {
  std::string_view code;  // three lower-case letters
  std::string_view name;  // English name, 8-bit text
};

// Every entry, in table order.
std::span<const LanguageEntry> LanguageTable();

// The name of a three-letter code, letter case ignored, the first match winning; empty for a code
// that is not three characters long or not in the table.
std::string_view LanguageName(std::string_view code);

}  // namespace plondex
