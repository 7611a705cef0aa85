#include "support/asf_builder.h"

#include <stdexcept>

#include "platform/ascii.h"

namespace plondex::test {

namespace {

void PutLe(std::string& out, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

char HexByte(std::string_view text, size_t at) {
  const int byte = HexByteValue(text[at], text[at + 1]);
  if (byte < 0) throw std::invalid_argument("not a GUID");
  return static_cast<char>(byte);
}

constexpr std::string_view kAudioMediaId = "F8699E40-5B4D-11CF-A8FD-00805F5C442B";
constexpr std::string_view kAudioSpreadId = "BFC3CD50-618F-11CF-8BB2-00AA00B4E220";
constexpr std::string_view kFileId = "1F2E3D4C-5B6A-4789-9A0B-1C2D3E4F5A6B";

}  // namespace

std::string AsfGuid(std::string_view text) {
  if (text.size() != 36) throw std::invalid_argument("not a GUID");
  std::string out;
  for (size_t at : {6, 4, 2, 0, 11, 9, 16, 14, 19, 21, 24, 26, 28, 30, 32, 34}) {
    out += HexByte(text, at);
  }
  return out;
}

std::string AsfObject(std::string_view guid_text, std::string_view body) {
  std::string object = AsfGuid(guid_text);
  PutLe(object, 24 + body.size(), 8);
  object += body;
  return object;
}

std::string AsfHeaderObject(const std::vector<std::string>& objects) {
  return AsfHeaderObject(objects, static_cast<uint32_t>(objects.size()));
}

std::string AsfHeaderObject(const std::vector<std::string>& objects, uint32_t claimed_count) {
  std::string body;
  PutLe(body, claimed_count, 4);
  body += '\x01';  // the two reserved bytes
  body += '\x02';
  for (const std::string& object : objects) body += object;
  return AsfObject(kAsfHeaderId, body);
}

std::string AsfFilePropertiesObject(uint32_t max_bit_rate) {
  std::string body = AsfGuid(kFileId);
  PutLe(body, 0, 8);                   // file size
  PutLe(body, 0x01D9B1DED53E8000, 8);  // creation date
  PutLe(body, 1, 8);                   // data packets
  PutLe(body, 36000000, 8);            // play duration, 100 ns units
  PutLe(body, 5000000, 8);             // send duration
  PutLe(body, 3100, 8);                // preroll, ms
  PutLe(body, 2, 4);                   // flags: seekable
  PutLe(body, 3200, 4);                // minimum packet size
  PutLe(body, 3200, 4);                // maximum packet size
  PutLe(body, max_bit_rate, 4);
  return AsfObject(kAsfFilePropertiesId, body);
}

std::string AsfStreamPropertiesObject(const WmaAudio& audio) {
  std::string wave;
  PutLe(wave, 0x0161, 2);  // format tag
  PutLe(wave, audio.channels, 2);
  PutLe(wave, audio.sample_rate, 4);
  PutLe(wave, audio.byte_rate, 4);
  PutLe(wave, 0x0B9, 2);  // block align
  PutLe(wave, 16, 2);     // bits per sample
  PutLe(wave, 0, 2);      // no codec data
  std::string body = AsfGuid(kAudioMediaId);
  body += AsfGuid(kAudioSpreadId);
  PutLe(body, 0, 8);  // time offset
  PutLe(body, wave.size(), 4);
  PutLe(body, 0, 4);  // error correction data length
  PutLe(body, 1, 2);  // flags: stream number 1
  PutLe(body, 0, 4);  // reserved
  body += wave;
  return AsfObject(kAsfStreamPropertiesId, body);
}

std::string AsfString(std::u16string_view text) {
  std::string out;
  for (char16_t c : text) PutLe(out, c, 2);
  PutLe(out, 0, 2);
  return out;
}

std::string AsfContentDescriptionObject(std::u16string_view title, std::u16string_view author,
                                        std::u16string_view copyright,
                                        std::u16string_view description,
                                        std::u16string_view rating) {
  std::string lengths;
  std::string strings;
  for (std::u16string_view text : {title, author, copyright, description, rating}) {
    const std::string stored = text.empty() ? std::string() : AsfString(text);
    PutLe(lengths, stored.size(), 2);
    strings += stored;
  }
  return AsfObject(kAsfContentDescriptionId, lengths + strings);
}

AsfDescriptor StringDescriptor(std::u16string_view name, std::u16string_view value) {
  return AsfDescriptor{AsfString(name), kAsfUnicode, AsfString(value)};
}

AsfDescriptor DwordDescriptor(std::u16string_view name, uint32_t value) {
  std::string bytes;
  PutLe(bytes, value, 4);
  return AsfDescriptor{AsfString(name), kAsfDword, bytes};
}

std::string AsfExtendedContentDescriptionObject(const std::vector<AsfDescriptor>& descriptors) {
  std::string body;
  PutLe(body, descriptors.size(), 2);
  for (const AsfDescriptor& d : descriptors) {
    PutLe(body, d.name.size(), 2);
    body += d.name;
    PutLe(body, d.value_type, 2);
    PutLe(body, d.value.size(), 2);
    body += d.value;
  }
  return AsfObject(kAsfExtendedContentDescriptionId, body);
}

std::string AsfDataObject(size_t packet_bytes) {
  std::string body = AsfGuid(kFileId);
  PutLe(body, packet_bytes ? 1 : 0, 8);  // total data packets
  body += '\x01';                        // reserved
  body += '\x01';
  body.append(packet_bytes, '\0');
  return AsfObject(kAsfDataId, body);
}

std::string MakeWmaFile(std::u16string_view title, std::u16string_view author,
                        const std::vector<AsfDescriptor>& descriptors, const WmaAudio& audio) {
  std::vector<std::string> objects = {AsfFilePropertiesObject(audio.max_bit_rate),
                                      AsfStreamPropertiesObject(audio)};
  if (!title.empty() || !author.empty()) {
    objects.push_back(AsfContentDescriptionObject(title, author));
  }
  if (!descriptors.empty()) objects.push_back(AsfExtendedContentDescriptionObject(descriptors));
  return AsfHeaderObject(objects) + AsfDataObject(256);
}

}  // namespace plondex::test
