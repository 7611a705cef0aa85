// The WMA content reader on any bytes: texts only after a plausible audio stream, each at most
// 250 UTF-16 units and trimmed, and nothing left over from the file read before.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "check.h"
#include "platform/ascii.h"
#include "platform/byteorder.h"
#include "platform/files.h"
#include "tags/wmareader.h"

namespace {

// The stored bytes of a GUID written "XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX".
std::string Guid(std::string_view text) {
  auto byte = [&text](size_t at) {
    return static_cast<char>(plondex::HexByteValue(text[at], text[at + 1]));
  };
  std::string g;
  for (size_t at : {6, 4, 2, 0, 11, 9, 16, 14, 19, 21, 24, 26, 28, 30, 32, 34}) g += byte(at);
  return g;
}

std::string Le(uint64_t value, int bytes) {
  std::string s;
  for (int i = 0; i < bytes; ++i) s += static_cast<char>((value >> (8 * i)) & 0xFF);
  return s;
}

std::string Object(std::string_view guid, std::string_view body) {
  return Guid(guid) + Le(24 + body.size(), 8) + std::string(body);
}

std::string Utf16(std::u16string_view text) {
  std::string s;
  for (char16_t c : text) s += Le(c, 2);
  return s + Le(0, 2);
}

// A file giving every text and a track.
std::string RichFile() {
  const std::string file_properties =
      Object("8CABDCA1-A947-11CF-8EE4-00C00C205365", std::string(76, '\0') + Le(128000, 4));
  const std::string stream_properties =
      Object("B7DC0791-A9B7-11CF-8EE6-00C00C205365",
             std::string(54, '\0') + Le(1, 2) + Le(2, 2) + Le(44100, 4) + Le(16000, 4) + Le(0, 4));
  const std::string title = Utf16(u"old title");
  const std::string author = Utf16(u"old artist");
  const std::string comment = Utf16(u"old comment");
  const std::string content =
      Object("75B22633-668E-11CF-A6D9-00AA0062CE6C", Le(title.size(), 2) + Le(author.size(), 2) +
                                                         Le(0, 2) + Le(comment.size(), 2) +
                                                         Le(0, 2) + title + author + comment);
  std::string descriptors = Le(4, 2);
  for (auto [name, value] :
       std::vector<std::pair<std::u16string, std::u16string>>{{u"WM/AlbumTitle", u"old album"},
                                                              {u"WM/Genre", u"old genre"},
                                                              {u"WM/Year", u"1999"},
                                                              {u"WM/Track", u"7"}}) {
    const std::string n = Utf16(name);
    const std::string v = Utf16(value);
    descriptors += Le(n.size(), 2) + n + Le(0, 2) + Le(v.size(), 2) + v;
  }
  const std::string extended = Object("D2D0A440-E307-11D2-97F0-00A0C95EA850", descriptors);
  const std::string objects = file_properties + stream_properties + content + extended;
  return Guid("75B22630-668E-11CF-A6D9-00AA0062CE6C") + Le(30 + objects.size(), 8) + Le(4, 4) +
         Le(0x0201, 2) + objects;
}

// A reader that has just read that file, to show that nothing of it stays.
plondex::TWmaReader& UsedReader() {
  static plondex::TWmaReader reader;
  static const std::string kFile = RichFile();
  FUZZ_CHECK(reader.ReadWmaSource(plondex::MemorySource(kFile)));
  FUZZ_CHECK(reader.Valid() && reader.Title() == u"old title" && reader.Track() == 7 &&
             reader.Album() == u"old album");
  return reader;
}

bool Trimmed(const std::u16string& text) {
  return text.empty() || (text.front() > u' ' && text.back() > u' ');
}

void CheckText(const plondex::TWmaReader& reader, const std::u16string& text) {
  FUZZ_CHECK(text.size() <= 250);
  FUZZ_CHECK(Trimmed(text));
  if (!reader.Valid()) FUZZ_CHECK(text.empty());
}

bool Same(const plondex::TWmaReader& a, const plondex::TWmaReader& b) {
  return a.Valid() == b.Valid() && a.Title() == b.Title() && a.Artist() == b.Artist() &&
         a.Album() == b.Album() && a.Year() == b.Year() && a.Genre() == b.Genre() &&
         a.Comment() == b.Comment() && a.Track() == b.Track();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const plondex::MemorySource source(bytes);
  plondex::TWmaReader reader;
  const bool result = reader.ReadWmaSource(source);
  if (!result) FUZZ_CHECK(!reader.Valid());
  static const std::string kHeaderId = Guid("75B22630-668E-11CF-A6D9-00AA0062CE6C");
  if (size >= 16 && bytes.substr(0, 16) != kHeaderId) FUZZ_CHECK(result && !reader.Valid());
  if (size < 16) FUZZ_CHECK(!result);
  for (const std::u16string* text : {&reader.Title(), &reader.Artist(), &reader.Album(),
                                     &reader.Year(), &reader.Genre(), &reader.Comment()}) {
    CheckText(reader, *text);
  }
  if (!reader.Valid()) FUZZ_CHECK(reader.Track() == 0);

  plondex::TWmaReader& used = UsedReader();
  FUZZ_CHECK(used.ReadWmaSource(source) == result);
  FUZZ_CHECK(Same(used, reader));

  // The track syntax: whatever it accepts reads back the same in decimal.
  std::u16string text;
  for (size_t i = 0; i + 1 < size && text.size() < 64; i += 2) {
    text += static_cast<char16_t>(plondex::LittleEndian16(data + i));
  }
  int32_t value = 0;
  if (plondex::ParseWholeInteger(text, &value)) {
    const std::string decimal = std::to_string(value);
    int32_t again = 0;
    FUZZ_CHECK(plondex::ParseWholeInteger(std::u16string(decimal.begin(), decimal.end()), &again));
    FUZZ_CHECK(again == value);
  }
  return 0;
}
