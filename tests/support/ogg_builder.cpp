#include "support/ogg_builder.h"

#include <array>
#include <stdexcept>

namespace plondex::test {

namespace {

void PutLe(std::string& out, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::array<uint32_t, 256> CrcTable() {
  std::array<uint32_t, 256> table{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t r = i << 24;
    for (int bit = 0; bit < 8; ++bit) r = (r & 0x80000000u) ? (r << 1) ^ 0x04C11DB7u : r << 1;
    table[i] = r;
  }
  return table;
}

}  // namespace

uint32_t OggCrc(std::string_view bytes) {
  static const std::array<uint32_t, 256> kTable = CrcTable();
  uint32_t crc = 0;
  for (unsigned char c : bytes) crc = (crc << 8) ^ kTable[((crc >> 24) ^ c) & 0xFF];
  return crc;
}

std::string MakeOggPage(const std::vector<std::string>& packets, uint8_t flags, uint64_t granule,
                        uint32_t serial, uint32_t sequence) {
  std::string lacing;
  std::string body;
  for (const std::string& packet : packets) {
    size_t left = packet.size();
    while (left >= 255) {
      lacing += '\xFF';
      left -= 255;
    }
    lacing += static_cast<char>(left);
    body += packet;
  }
  if (lacing.size() > 255) throw std::length_error("packets need more than 255 segments");
  std::string page = "OggS";
  page += '\0';  // stream structure version
  page += static_cast<char>(flags);
  PutLe(page, granule, 8);
  PutLe(page, serial, 4);
  PutLe(page, sequence, 4);
  PutLe(page, 0, 4);  // checksum, filled in below
  page += static_cast<char>(lacing.size());
  page += lacing;
  page += body;
  const uint32_t crc = OggCrc(page);
  for (int i = 0; i < 4; ++i) page[22 + i] = static_cast<char>((crc >> (8 * i)) & 0xFF);
  return page;
}

std::string MakeVorbisIdentificationHeader(uint8_t channels, uint32_t sample_rate) {
  std::string header = "\x01vorbis";
  PutLe(header, 0, 4);  // version
  header += static_cast<char>(channels);
  PutLe(header, sample_rate, 4);
  PutLe(header, 0, 4);      // maximum bit rate
  PutLe(header, 80000, 4);  // nominal bit rate
  PutLe(header, 0, 4);      // minimum bit rate
  header += '\xB8';         // block sizes 256 and 2048
  header += '\x01';         // framing bit
  return header;
}

std::string MakeVorbisCommentHeader(std::string_view vendor,
                                    const std::vector<std::string>& comments) {
  std::string header = "\x03vorbis";
  PutLe(header, vendor.size(), 4);
  header += vendor;
  PutLe(header, comments.size(), 4);
  for (const std::string& comment : comments) {
    PutLe(header, comment.size(), 4);
    header += comment;
  }
  header += '\x01';  // framing bit
  return header;
}

std::string MakeOggVorbisFile(const std::vector<std::string>& comments, std::string_view vendor) {
  constexpr uint32_t kSerial = 0x504C4458;
  // Only its signature matters here; a decoder would need real codebooks.
  std::string setup = "\x05vorbis";
  setup.append(40, '\x42');
  setup += '\x01';
  std::string file = MakeOggPage({MakeVorbisIdentificationHeader()}, kOggFirstPage, 0, kSerial, 0);
  file += MakeOggPage({MakeVorbisCommentHeader(vendor, comments), setup}, 0, 0, kSerial, 1);
  file += MakeOggPage({std::string(200, '\x55')}, kOggLastPage, 4096, kSerial, 2);
  return file;
}

}  // namespace plondex::test
