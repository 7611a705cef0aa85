// The navigation database check. Each input is read twice: as a whole file, and as the part
// behind a header made here (song count from the first byte, offsets laid out the way the
// writer lays them), so the mutations reach the records without first having to rebuild a
// 41152-byte header. A file that passes must be exactly what the writer makes of its songs.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "check.h"
#include "navdb/dbreader.h"
#include "navdb/irivdb.h"
#include "platform/byteorder.h"

namespace {

namespace layout = plondex::irivdb_layout;

void Put32(std::string& bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

// A header for count records at the start of body, with the offsets the lengths in body give.
std::string MadeHeader(size_t count, std::string_view body) {
  std::string header(layout::kHeaderSize, '\0');
  header.replace(layout::kVersionAt, layout::kVersionText.size(), layout::kVersionText);
  header.replace(layout::kFileTextAt, layout::kFileText.size(), layout::kFileText);
  header.replace(layout::kDesignAt, layout::kDesignText.size(), layout::kDesignText);
  Put32(header, layout::kCountAt, static_cast<uint32_t>(count));
  uint64_t pos = 0;
  for (size_t i = 0; i < count; ++i) {
    Put32(header, layout::kTableAt + 4 * i, static_cast<uint32_t>(pos));
    uint64_t record = layout::kRecordHeadSize;
    for (size_t f = 0; f < 5; ++f) {
      const uint64_t at = pos + 2 * f;
      if (at + 1 < body.size()) {
        record += plondex::LittleEndian16(body.data() + at);
      }
    }
    pos += record;
  }
  return header;
}

void Check(std::string_view file) {
  const plondex::DbContents contents = plondex::ReadDatabase(file);
  if (contents.problem) {
    FUZZ_CHECK(contents.songs.empty());
    FUZZ_CHECK(contents.problem->offset <= file.size());
    FUZZ_CHECK(!contents.problem->what.empty());
    return;
  }
  FUZZ_CHECK(contents.songs.size() <= layout::kMaxSongs);
  plondex::tirivdb db;
  for (const plondex::tsong& song : contents.songs) db.AddSong(song);
  FUZZ_CHECK(db.Assemble() == file);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  Check(input);
  if (size >= 1) {
    const std::string_view body = input.substr(1);
    Check(MadeHeader(static_cast<unsigned char>(input[0]), body) + std::string(body));
  }
  return 0;
}
