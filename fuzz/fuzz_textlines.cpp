// The line format of songs.dat and the playlists: splitting any bytes, joining the lines again,
// and the saved check list built from them.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "check.h"
#include "library/checklist.h"
#include "library/textlines.h"

namespace {

// What joining the split lines must give, worked out byte by byte: the text up to its first NUL,
// every CR LF, lone CR and lone LF written as CR LF, and a last line without a break given one.
std::string Normalized(std::string_view text) {
  text = text.substr(0, text.find('\0'));
  std::string out;
  bool open_line = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      out += "\r\n";
      open_line = false;
    } else {
      out += c;
      open_line = true;
    }
  }
  if (open_line) out += "\r\n";
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::vector<std::string> lines = plondex::SplitTextLines(text);
  for (const std::string& line : lines) {
    FUZZ_CHECK(line.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos);
  }
  const std::string joined = plondex::JoinTextLines(lines);
  FUZZ_CHECK(joined == Normalized(text));
  FUZZ_CHECK(plondex::SplitTextLines(joined) == lines);

  // Every line of a songs.dat finds itself, in any letter case the locale maps it to; a line
  // that is a drive letter and a colon alone names nothing.
  if (lines.size() <= 64) {
    const plondex::SavedCheckList saved(lines);
    for (const std::string& line : lines) {
      const bool drive_alone = line.size() == 2 && line[1] == ':';
      FUZZ_CHECK(saved.Contains(line) == !(line.empty() || drive_alone));
    }
    FUZZ_CHECK(saved.size() <= lines.size());
  }
  return 0;
}
