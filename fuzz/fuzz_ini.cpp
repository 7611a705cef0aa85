// The settings file: parsing any text, writing it out, and parsing that again must settle at
// once, answer the same, and keep what is written into it.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/core/inifile.h"
#include "check.h"

namespace {

constexpr std::string_view kKeys[] = {"driveid",   "verbose", "nowrite",
                                      "playlists", "cutat",   "usedrive"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  plondex::IniFile ini;
  ini.Parse(text);
  const std::string first = ini.Serialize();

  plondex::IniFile again;
  again.Parse(first);
  FUZZ_CHECK(again.Serialize() == first);
  for (std::string_view key : kKeys) {
    FUZZ_CHECK(ini.Read("main", key) == again.Read("main", key));
    FUZZ_CHECK(ini.ReadInteger("main", key, -7) == again.ReadInteger("main", key, -7));
  }

  // A number read from the file reads the same when written back in decimal.
  if (const auto number = plondex::ParseIniInteger(text)) {
    FUZZ_CHECK(plondex::ParseIniInteger(std::to_string(*number)) == number);
  }

  // A value stored by the options dialog survives the file's round trip, whatever was there.
  again.Write("main", "cutat", "41");
  again.Write("Main", "PlayLists", "x=y");
  plondex::IniFile stored;
  stored.Parse(again.Serialize());
  FUZZ_CHECK(stored.ReadInteger("main", "cutat", 0) == 41);
  FUZZ_CHECK(stored.ReadString("MAIN", "playlists", "") == "x=y");
  return 0;
}
