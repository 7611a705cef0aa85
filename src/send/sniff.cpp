#include "send/sniff.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <string>

#include "platform/byteorder.h"

namespace plondex {
namespace {

// Bytes looked at for MPEG frames after the tags: a file whose first frame starts later is not
// taken for MPEG audio. The tail holds three frames of the longest kind that may start there.
constexpr size_t kSyncWindow = 64 * 1024;
constexpr size_t kFirstWindow = 8 * 1024;
constexpr size_t kFrameTail = 9 * 1024;
// ID3v2 tags stacked one after another before the audio.
constexpr int kMaxId3Tags = 8;

std::string ReadSome(const ByteSource& source, uint64_t at, size_t n) {
  std::string bytes(n, '\0');
  bytes.resize(source.ReadAt(at, bytes.data(), n));
  return bytes;
}

bool StartsWith(std::string_view bytes, size_t at, std::string_view magic) {
  return bytes.size() >= at + magic.size() && bytes.compare(at, magic.size(), magic) == 0;
}

uint8_t Byte(std::string_view bytes, size_t i) { return static_cast<uint8_t>(bytes[i]); }

// Where the audio starts: past every ID3v2 tag at the start (a tag, its footer if it has one).
uint64_t SkipId3v2Tags(const ByteSource& source, uint64_t size) {
  uint64_t at = 0;
  for (int i = 0; i < kMaxId3Tags; ++i) {
    const std::string header = ReadSome(source, at, 10);
    if (header.size() < 10 || !StartsWith(header, 0, "ID3") || Byte(header, 3) == 0xFF ||
        Byte(header, 4) == 0xFF ||
        (Byte(header, 6) | Byte(header, 7) | Byte(header, 8) | Byte(header, 9)) & 0x80) {
      break;
    }
    const uint64_t end =
        at + 10 + Synchsafe28(header.data() + 6) + (Byte(header, 5) & 0x10 ? 10 : 0);
    if (end > size) break;
    at = end;
  }
  return at;
}

struct MpegFrame {
  int version = 0;  // 3 MPEG-1, 2 MPEG-2, 0 MPEG-2.5
  int layer = 0;    // 1, 2 or 3
  int sample_rate = 0;
  size_t length = 0;
};

// The header of an MPEG audio frame at i, when it is one (free bit rates are not taken).
bool ReadMpegFrame(std::string_view bytes, size_t i, MpegFrame& frame) {
  if (i + 4 > bytes.size()) return false;
  const uint8_t b1 = Byte(bytes, i + 1), b2 = Byte(bytes, i + 2), b3 = Byte(bytes, i + 3);
  if (Byte(bytes, i) != 0xFF || (b1 & 0xE0) != 0xE0) return false;
  const int version = (b1 >> 3) & 3;
  const int layer_bits = (b1 >> 1) & 3;
  const int rate_index = b2 >> 4;
  const int frequency_index = (b2 >> 2) & 3;
  if (version == 1 || layer_bits == 0 || rate_index == 0 || rate_index == 15 ||
      frequency_index == 3 || (b3 & 3) == 2) {
    return false;
  }
  static constexpr int kRates[5][14] = {
      {32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},  // MPEG-1 layer I
      {32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},     // MPEG-1 layer II
      {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},      // MPEG-1 layer III
      {32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},     // MPEG-2 layer I
      {8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},          // MPEG-2 layer II, III
  };
  static constexpr int kFrequencies[3] = {44100, 48000, 32000};
  frame.version = version;
  frame.layer = 4 - layer_bits;
  const int table = version == 3 ? frame.layer - 1 : (frame.layer == 1 ? 3 : 4);
  const int bit_rate = kRates[table][rate_index - 1] * 1000;
  frame.sample_rate = kFrequencies[frequency_index] >> (version == 3 ? 0 : version == 2 ? 1 : 2);
  const int padding = (b2 >> 1) & 1;
  if (frame.layer == 1) {
    frame.length = static_cast<size_t>((12 * bit_rate / frame.sample_rate + padding) * 4);
  } else {
    const int factor = frame.layer == 3 && version != 3 ? 72 : 144;
    frame.length = static_cast<size_t>(factor * bit_rate / frame.sample_rate + padding);
  }
  return true;
}

// An ADTS frame header at i (AAC); its length is that of the whole frame.
bool ReadAdtsFrame(std::string_view bytes, size_t i, MpegFrame& frame) {
  if (i + 7 > bytes.size()) return false;
  if (Byte(bytes, i) != 0xFF || (Byte(bytes, i + 1) & 0xF6) != 0xF0) return false;
  const int frequency_index = (Byte(bytes, i + 2) >> 2) & 0xF;
  if (frequency_index > 12) return false;
  frame.version = 0;
  frame.layer = 0;
  frame.sample_rate = frequency_index;
  frame.length = (static_cast<size_t>(Byte(bytes, i + 3) & 3) << 11) |
                 (static_cast<size_t>(Byte(bytes, i + 4)) << 3) | (Byte(bytes, i + 5) >> 5);
  return frame.length >= 7;
}

// Frames of one kind one after another from i: at least `needed` of them, or as many as reach
// exactly to the end of the file when the bytes hold all of it.
template <typename ReadFrame>
bool FrameChain(std::string_view bytes, size_t i, int needed, bool holds_end, ReadFrame read,
                MpegFrame& first) {
  if (!read(bytes, i, first)) return false;
  MpegFrame frame = first;
  for (int count = 1;; ++count) {
    i += frame.length;
    if (count >= needed) return true;
    if (i == bytes.size()) return holds_end;
    if (!read(bytes, i, frame) || frame.version != first.version || frame.layer != first.layer ||
        frame.sample_rate != first.sample_rate) {
      return false;
    }
  }
}

AudioContent SniffOgg(std::string_view head) {
  // The first page's first packet names the codec of the stream that starts the file.
  if (head.size() < 27 || Byte(head, 4) != 0 || !(Byte(head, 5) & 0x02)) return AudioContent::kNone;
  const size_t packet = 27 + Byte(head, 26);
  if (StartsWith(head, packet, "\x01vorbis")) return AudioContent::kOggVorbis;
  if (StartsWith(head, packet, "OpusHead")) return AudioContent::kOggOpus;
  if (StartsWith(head, packet,
                 "\x7F"
                 "FLAC"))
    return AudioContent::kOggFlac;
  if (StartsWith(head, packet, "Speex   ")) return AudioContent::kOggSpeex;
  return AudioContent::kNone;  // Theora video, Skeleton, or something unknown
}

AudioContent SniffMp4(std::string_view head) {
  // Pictures share the container: HEIF, AVIF, camera raw and JPEG 2000 brands are not songs.
  static constexpr std::array<std::string_view, 13> kPictureBrands = {
      "heic", "heix", "hevc", "hevx", "heim", "heis", "mif1",
      "msf1", "avif", "avis", "crx ", "jp2 ", "jpx "};
  if (head.size() < 12) return AudioContent::kNone;
  const std::string_view brand = head.substr(8, 4);
  return std::find(kPictureBrands.begin(), kPictureBrands.end(), brand) == kPictureBrands.end()
             ? AudioContent::kMp4
             : AudioContent::kNone;
}

// The ASF Header Object's GUID, as it is stored.
constexpr std::string_view kAsfHeaderGuid(
    "\x30\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C", 16);

AudioContent SniffMagic(std::string_view head) {
  if (StartsWith(head, 0, "OggS")) return SniffOgg(head);
  if (StartsWith(head, 0, "fLaC")) return AudioContent::kFlac;
  if (StartsWith(head, 0, kAsfHeaderGuid)) return AudioContent::kAsf;
  if (StartsWith(head, 4, "ftyp")) return SniffMp4(head);
  if ((StartsWith(head, 0, "RIFF") || StartsWith(head, 0, "RF64") || StartsWith(head, 0, "BW64")) &&
      StartsWith(head, 8, "WAVE")) {
    return AudioContent::kWav;
  }
  if (StartsWith(head, 0, "FORM") && (StartsWith(head, 8, "AIFF") || StartsWith(head, 8, "AIFC")))
    return AudioContent::kAiff;
  if (StartsWith(head, 0, "wvpk")) return AudioContent::kWavPack;
  if (StartsWith(head, 0, "MAC ")) return AudioContent::kApe;
  if (StartsWith(head, 0, "\x1A\x45\xDF\xA3")) return AudioContent::kMatroska;
  if (StartsWith(head, 0, "caff")) return AudioContent::kCaf;
  if (StartsWith(head, 0, "TTA1")) return AudioContent::kTta;
  // Musepack SV8, or SV7 with its version in the fourth byte.
  if (StartsWith(head, 0, "MPCK") ||
      (StartsWith(head, 0, "MP+") && head.size() > 3 && (Byte(head, 3) & 0x0F) == 7)) {
    return AudioContent::kMusepack;
  }
  if (StartsWith(head, 0, "DSD ")) return AudioContent::kDsf;
  if (StartsWith(head, 0, ".snd")) return AudioContent::kAu;
  return AudioContent::kNone;
}

}  // namespace

AudioContent SniffContent(const ByteSource& source) {
  const uint64_t size = source.Size();
  const uint64_t start = SkipId3v2Tags(source, size);
  // Most files tell in their first bytes; only a file without a known start is searched further.
  size_t searched = 0;
  for (const size_t window : {kFirstWindow, kSyncWindow}) {
    const std::string head = ReadSome(source, start, window + kFrameTail);
    if (searched == 0) {
      if (const AudioContent magic = SniffMagic(head); magic != AudioContent::kNone) {
        const bool at_start_only = magic == AudioContent::kOggVorbis || magic == AudioContent::kAsf;
        return start > 0 && at_start_only ? AudioContent::kTaggedStream : magic;
      }
      if (StartsWith(head, 0, "OggS")) return AudioContent::kNone;
    }
    // Frames right after a tag are trusted sooner than frames found by searching.
    const bool holds_end = start + head.size() == size;
    const size_t limit = std::min(head.size(), window);
    for (size_t i = searched; i < limit; ++i) {
      if (Byte(head, i) != 0xFF) continue;
      const int needed = i == 0 && start > 0 ? 2 : 3;
      MpegFrame first;
      if (FrameChain(head, i, needed, holds_end, ReadMpegFrame, first)) {
        return first.layer == 3 ? AudioContent::kMp3 : AudioContent::kMpegAudio;
      }
      if (FrameChain(head, i, needed, holds_end, ReadAdtsFrame, first)) {
        return AudioContent::kAdtsAac;
      }
    }
    if (holds_end) break;
    searched = limit;
  }
  return AudioContent::kNone;
}

bool PlayerPlaysContent(AudioContent content) {
  return content == AudioContent::kMp3 || content == AudioContent::kOggVorbis ||
         content == AudioContent::kAsf;
}

std::string_view ContentName(AudioContent content) {
  switch (content) {
    case AudioContent::kNone:
      return "not a song";
    case AudioContent::kMp3:
      return "MP3";
    case AudioContent::kMpegAudio:
      return "MPEG audio";
    case AudioContent::kAdtsAac:
      return "AAC";
    case AudioContent::kOggVorbis:
      return "Ogg Vorbis";
    case AudioContent::kOggOpus:
      return "Ogg Opus";
    case AudioContent::kOggFlac:
      return "Ogg FLAC";
    case AudioContent::kOggSpeex:
      return "Ogg Speex";
    case AudioContent::kTaggedStream:
      return "Ogg or ASF behind an ID3v2 tag";
    case AudioContent::kAsf:
      return "WMA";
    case AudioContent::kFlac:
      return "FLAC";
    case AudioContent::kMp4:
      return "MP4";
    case AudioContent::kWav:
      return "WAV";
    case AudioContent::kAiff:
      return "AIFF";
    case AudioContent::kWavPack:
      return "WavPack";
    case AudioContent::kApe:
      return "Monkey's Audio";
    case AudioContent::kMatroska:
      return "Matroska";
    case AudioContent::kCaf:
      return "CAF";
    case AudioContent::kTta:
      return "TTA";
    case AudioContent::kMusepack:
      return "Musepack";
    case AudioContent::kDsf:
      return "DSF";
    case AudioContent::kAu:
      return "AU";
  }
  return "not a song";
}

}  // namespace plondex
