#pragma once

// ASF header bytes for WMA songs: GUIDs in their stored mixed-endian form, the header objects
// the readers look at, and whole small files, for tests, benchmarks and the demo.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace plondex::test {

inline constexpr std::string_view kAsfHeaderId = "75B22630-668E-11CF-A6D9-00AA0062CE6C";
inline constexpr std::string_view kAsfDataId = "75B22636-668E-11CF-A6D9-00AA0062CE6C";
inline constexpr std::string_view kAsfFilePropertiesId = "8CABDCA1-A947-11CF-8EE4-00C00C205365";
inline constexpr std::string_view kAsfStreamPropertiesId = "B7DC0791-A9B7-11CF-8EE6-00C00C205365";
inline constexpr std::string_view kAsfContentDescriptionId = "75B22633-668E-11CF-A6D9-00AA0062CE6C";
inline constexpr std::string_view kAsfExtendedContentDescriptionId =
    "D2D0A440-E307-11D2-97F0-00A0C95EA850";
inline constexpr std::string_view kAsfHeaderExtensionId = "5FBF03B5-A92E-11CF-8EE3-00C00C205365";

// The 16 stored bytes of a GUID written "XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX": the first three
// groups little-endian, the last eight bytes as written.
std::string AsfGuid(std::string_view text);

// An object: its GUID, its 64-bit size (24 + the body) and the body.
std::string AsfObject(std::string_view guid_text, std::string_view body);

// The Header Object around the given objects; claimed_count overrides their number.
std::string AsfHeaderObject(const std::vector<std::string>& objects);
std::string AsfHeaderObject(const std::vector<std::string>& objects, uint32_t claimed_count);

// The audio values the readers check.
struct WmaAudio {
  uint32_t max_bit_rate = 128000;
  uint16_t channels = 2;
  uint32_t sample_rate = 44100;
  uint32_t byte_rate = 16000;
};

std::string AsfFilePropertiesObject(uint32_t max_bit_rate);
// An audio stream whose wave format holds the audio values.
std::string AsfStreamPropertiesObject(const WmaAudio& audio);

// UTF-16LE bytes of a text followed by a NUL terminator, as ASF writers store strings.
std::string AsfString(std::u16string_view text);

// The five strings with their terminators; an empty text is stored with length 0.
std::string AsfContentDescriptionObject(std::u16string_view title, std::u16string_view author,
                                        std::u16string_view copyright = u"",
                                        std::u16string_view description = u"",
                                        std::u16string_view rating = u"");

// One descriptor of the Extended Content Description Object, its name and value as stored bytes.
struct AsfDescriptor {
  std::string name;
  uint16_t value_type = 0;
  std::string value;
};
inline constexpr uint16_t kAsfUnicode = 0;
inline constexpr uint16_t kAsfDword = 3;

AsfDescriptor StringDescriptor(std::u16string_view name, std::u16string_view value);
AsfDescriptor DwordDescriptor(std::u16string_view name, uint32_t value);
std::string AsfExtendedContentDescriptionObject(const std::vector<AsfDescriptor>& descriptors);

// A Data Object with the given number of bytes of (silent) packets.
std::string AsfDataObject(size_t packet_bytes);

// A whole file: File Properties, Stream Properties, a Content Description Object when title or
// author is given, an Extended Content Description Object when descriptors are given, then a
// small Data Object.
std::string MakeWmaFile(std::u16string_view title, std::u16string_view author,
                        const std::vector<AsfDescriptor>& descriptors, const WmaAudio& audio = {});

}  // namespace plondex::test
