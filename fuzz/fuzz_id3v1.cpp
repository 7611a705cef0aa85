// The ID3v1 block at the end of a file, the fixed-field rule and the genre table.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "check.h"
#include "platform/files.h"
#include "tags/id3v1.h"

namespace {

// A field's text: up to its first zero byte, at most its width, never holding a zero byte.
void CheckField(const std::string& text, size_t width) {
  FUZZ_CHECK(text.size() <= width);
  FUZZ_CHECK(text.find('\0') == std::string::npos);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const plondex::MemorySource source(bytes);
  const bool has_tag = size >= plondex::kId3v1BlockSize &&
                       std::memcmp(data + size - plondex::kId3v1BlockSize, "TAG", 3) == 0;
  FUZZ_CHECK(plondex::Id3v1TagInSource(source) == has_tag);

  unsigned char block[plondex::kId3v1BlockSize];
  FUZZ_CHECK(plondex::ReadId3v1BlockFromSource(source, block) == has_tag);
  if (has_tag) {
    FUZZ_CHECK(std::memcmp(block, data + size - plondex::kId3v1BlockSize, sizeof block) == 0);
  }

  plondex::TId3v1 tag;
  tag.SetSongName("left over");
  tag.SetGenre(plondex::grRock);
  tag.ReadFromSource(source);
  CheckField(tag.SongName(), 30);
  CheckField(tag.Artist(), 30);
  CheckField(tag.Album(), 30);
  CheckField(tag.Year(), 4);
  CheckField(tag.Comment(), 30);
  FUZZ_CHECK(tag.Genre() <= plondex::grNone);
  FUZZ_CHECK(!plondex::GenreName(tag.Genre()).empty());
  if (!has_tag) {
    FUZZ_CHECK(tag.SongName().empty() && tag.Artist().empty() && tag.Album().empty() &&
               tag.Year().empty() && tag.Comment().empty() && tag.Genre() == plondex::grNone);
  } else {
    const unsigned char genre = data[size - 1];
    FUZZ_CHECK(tag.Genre() == (genre < 126 ? genre : 126));
  }

  // The free operations take any width and any index.
  CheckField(plondex::FixedFieldText(data, size), size);
  if (size >= 4) {
    int index;
    std::memcpy(&index, data, sizeof index);
    const std::string& name = plondex::GenreName(index);
    FUZZ_CHECK(name.empty() == (index < 0 || index >= plondex::kGenreCount));
  }
  return 0;
}
