#pragma once

// Which tag reader a song calls for, by the extension of its file name. The scan, the database
// build and plondex-cli tags all ask here.

#include <string_view>

namespace plondex {

enum class SongFormat { kNone, kMp3, kOgg, kWma };

// The extension is the name from its last '.' on, lower-cased in the locale's sense of case: ".mp3"
// is MP3 (ID3v2, else ID3v1), ".ogg" Ogg Vorbis comments, ".wma" WMA content descriptions. Anything
// else, or no '.', is kNone.
SongFormat SongFormatOf(std::string_view file_name);

}  // namespace plondex
