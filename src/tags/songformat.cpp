#include "tags/songformat.h"

#include <algorithm>
#include <string>

#include "platform/ascii.h"
#include "platform/collation.h"

namespace plondex {

SongFormat SongFormatOf(std::string_view file_name) {
  const size_t dot = file_name.rfind('.');
  // Lower-casing keeps the length, so only four-byte extensions can match.
  if (dot == std::string_view::npos || file_name.size() - dot != 4) return SongFormat::kNone;
  std::string ext(file_name.substr(dot));
  if (std::all_of(ext.begin(), ext.end(), [](char c) { return c > 0 && c < 0x7F; })) {
    // Plain ASCII lower-cases the same in every locale, and far faster.
    ext = AsciiLower(ext);
  } else {
    ext = LowerText(ext);
  }
  if (ext == ".mp3") return SongFormat::kMp3;
  if (ext == ".ogg") return SongFormat::kOgg;
  if (ext == ".wma") return SongFormat::kWma;
  return SongFormat::kNone;
}

}  // namespace plondex
