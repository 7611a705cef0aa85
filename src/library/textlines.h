#pragma once

// The line format of the program's text files (songs.dat, playlists, the side playlists).

#include <string>
#include <string_view>
#include <vector>

namespace plondex {

// Splits text at CR LF, a lone CR or a lone LF. A NUL byte ends the text. A break at the very end
// does not start another line; lines are kept whole, empty ones included.
std::vector<std::string> SplitTextLines(std::string_view text);

// Every line followed by CR LF; no lines give an empty text.
std::string JoinTextLines(const std::vector<std::string>& lines);

}  // namespace plondex
