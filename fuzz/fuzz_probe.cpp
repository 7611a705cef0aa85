// The probe's output and the tag mapping on any text, down to the names a song would take: the
// facts stay within their bounds, every text is clean UTF-8 within the length kept, and the
// player-safe name of each text holds nothing FAT forbids and is at most 52 characters.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "check.h"
#include "platform/codepage.h"
#include "send/convert.h"
#include "send/names.h"
#include "send/probe.h"

namespace {

void CheckText(const std::string& text) {
  FUZZ_CHECK(text.size() <= plondex::kMaxTagTextBytes);
  FUZZ_CHECK(text.find('\0') == std::string::npos);
  FUZZ_CHECK(plondex::Utf8ToWide(text).has_value());
}

void CheckName(const std::string& name) {
  FUZZ_CHECK(name.size() <= plondex::kMaxSentNameLength);
  for (const char c : name) {
    const auto b = static_cast<unsigned char>(c);
    FUZZ_CHECK(b >= 0x20 && b != 0x7F &&
               std::string_view("\"*/:<>?\\|").find(c) == std::string_view::npos);
  }
  FUZZ_CHECK(name.empty() || (name.back() != '.' && name.back() != ' ' && name.front() != ' '));
  FUZZ_CHECK(plondex::FatSafeName(name) == name);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const plondex::SongFacts facts = plondex::ParseProbeOutput(text);
  FUZZ_CHECK(facts.duration >= 0 && facts.duration < 7 * 86400.0);
  FUZZ_CHECK(facts.bit_rate >= 0 && facts.sample_rate >= 0 && facts.channels >= 0);
  if (facts.codec.empty()) FUZZ_CHECK(facts.sample_rate == 0 && facts.channels == 0);
  const plondex::SourceTags& t = facts.tags;
  for (const std::string* s : {&t.title, &t.artist, &t.album_artist, &t.album, &t.genre}) {
    CheckText(*s);
  }
  for (const int number : {t.track, t.track_total, t.disc, t.disc_total, t.year}) {
    FUZZ_CHECK(number >= 0 && number <= 9999);
  }
  const plondex::PlayerNameTexts spelled =
      plondex::SpellSongTexts({t.title, t.artist, t.album, t.genre}, nullptr);
  for (const std::string* s : {&spelled.title, &spelled.artist, &spelled.album}) {
    CheckName(plondex::FatSafeName(*s));
  }
  // The converter's arguments carry every text whole.
  for (const std::string& argument :
       plondex::ConvertCommand("ffmpeg", "in", "out", t, facts, plondex::ConvertSettings{})) {
    FUZZ_CHECK(argument.find('\0') == std::string::npos);
  }
  const std::string line = plondex::FirstErrorLine(text, "in");
  FUZZ_CHECK(line.find('\n') == std::string::npos && line.size() <= size);
  return 0;
}
