// The Ogg Vorbis comment reader on any bytes: the answer depends only on the length and the
// identification header, texts come only from a comment header in the first 250 bytes, and no
// text is longer than the 250 bytes of a comment that are looked at, less its name and "=".

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "check.h"
#include "platform/files.h"
#include "tags/oggreader.h"

namespace {

bool AllEmpty(const plondex::TOggReader& reader) {
  return reader.Title().empty() && reader.Artist().empty() && reader.Album().empty() &&
         reader.Genre().empty();
}

bool Same(const plondex::TOggReader& a, const plondex::TOggReader& b) {
  return a.Title() == b.Title() && a.Artist() == b.Artist() && a.Album() == b.Album() &&
         a.Genre() == b.Genre();
}

// A file with all four texts.
std::string RichFile() {
  std::string file(28, '\0');
  file += std::string("\x01vorbis", 7) + std::string(23, '\0');
  file += std::string("\x03vorbis", 7);
  auto add = [&file](std::string_view text) {
    const auto n = static_cast<uint32_t>(text.size());
    for (int i = 0; i < 4; ++i) file += static_cast<char>((n >> (8 * i)) & 0xFF);
    file += text;
  };
  add("TITLE=old");
  file += std::string("\x04\0\0\0", 4);
  add("ARTIST=old");
  add("ALBUM=old");
  add("GENRE=old");
  add("TITLE=old title");
  file.resize(300, '\0');
  return file;
}

// A reader that has just read that file, to show that nothing of it stays.
plondex::TOggReader& UsedReader() {
  static plondex::TOggReader reader;
  static const std::string kFile = RichFile();
  FUZZ_CHECK(reader.ReadOggSource(plondex::MemorySource(kFile)));
  FUZZ_CHECK(reader.Title() == "old title" && reader.Genre() == "old");
  return reader;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const plondex::MemorySource source(std::string_view(reinterpret_cast<const char*>(data), size));
  plondex::TOggReader reader;
  const bool result = reader.ReadOggSource(source);
  FUZZ_CHECK(result == (size >= 58));

  const bool vorbis = size >= 58 && std::memcmp(data + 28, "\x01vorbis", 7) == 0;
  const bool comment_header =
      size >= 250 && std::string_view(reinterpret_cast<const char*>(data), 250)
                             .find(std::string_view("\x03vorbis", 7)) != std::string_view::npos;
  if (!vorbis || !comment_header) FUZZ_CHECK(AllEmpty(reader));
  FUZZ_CHECK(reader.Title().size() <= 250 - 6);
  FUZZ_CHECK(reader.Artist().size() <= 250 - 7);
  FUZZ_CHECK(reader.Album().size() <= 250 - 6);
  FUZZ_CHECK(reader.Genre().size() <= 250 - 6);

  plondex::TOggReader& used = UsedReader();
  FUZZ_CHECK(used.ReadOggSource(source) == result);
  FUZZ_CHECK(Same(used, reader));
  return 0;
}
