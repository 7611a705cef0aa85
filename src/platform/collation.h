#pragma once

// Locale-aware comparison and lower-casing of 8-bit (Windows-1252) text, over ICU.

#include <string>
#include <string_view>

namespace plondex {

// <0, 0, >0 in the linguistic order of the user's locale; letter case counts.
int CompareText(std::string_view a, std::string_view b);

// The same order with letter case ignored ("Song.mp3" equals "song.MP3").
int CompareTextNoCase(std::string_view a, std::string_view b);

// A byte string whose plain byte order is CompareTextNoCase's order, so a list that is searched
// many times can pay for the comparison once per entry.
std::string SortKeyNoCase(std::string_view text);

// Locale-aware lower-casing, character by character; what the code page cannot hold stays.
std::string LowerText(std::string_view text);

}  // namespace plondex
