// The source probing of sending on any bytes: the content sniffer and the FLAC metadata reader.
// The sniffer answers the same for the same bytes and calls nothing a song that has none of the
// marks it looks for; the FLAC reader's facts have a length, a rate and channels, and its texts
// are clean UTF-8 within the length kept.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "check.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "send/flacfacts.h"
#include "send/sniff.h"

namespace {

void CheckText(const std::string& text) {
  FUZZ_CHECK(text.size() <= plondex::kMaxTagTextBytes);
  FUZZ_CHECK(text.find('\0') == std::string::npos);
  FUZZ_CHECK(plondex::Utf8ToWide(text).has_value());
  FUZZ_CHECK(text.empty() || (text.front() != ' ' && text.back() != ' '));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const plondex::MemorySource source(bytes);
  const plondex::AudioContent content = plondex::SniffContent(source);
  FUZZ_CHECK(plondex::SniffContent(source) == content);
  // Nothing shorter than an MPEG frame header or a magic number is a song.
  if (size < 4) FUZZ_CHECK(content == plondex::AudioContent::kNone);
  if (content == plondex::AudioContent::kOggVorbis) FUZZ_CHECK(bytes.substr(0, 4) == "OggS");
  if (content == plondex::AudioContent::kAsf) FUZZ_CHECK(bytes.substr(0, 4) == "\x30\x26\xB2\x75");
  FUZZ_CHECK(!plondex::ContentName(content).empty());

  const auto facts = plondex::ReadFlacFacts(source);
  if (!facts) return 0;
  FUZZ_CHECK(bytes.substr(0, 4) == "fLaC");
  FUZZ_CHECK(facts->duration > 0 && facts->sample_rate > 0);
  FUZZ_CHECK(facts->channels >= 1 && facts->channels <= 8);
  FUZZ_CHECK(facts->bit_rate >= 0 && facts->bit_rate <= 1'000'000'000);
  const plondex::SourceTags& t = facts->tags;
  for (const std::string* text : {&t.title, &t.artist, &t.album_artist, &t.album, &t.genre}) {
    CheckText(*text);
  }
  for (const int number : {t.track, t.track_total, t.disc, t.disc_total, t.year}) {
    FUZZ_CHECK(number >= 0 && number <= 9999);
  }
  return 0;
}
