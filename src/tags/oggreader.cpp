#include "tags/oggreader.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/ascii.h"
#include "platform/codepage.h"
#include "platform/error.h"
#include "tags/chunkreader.h"

namespace plondex {

namespace {

// The identification packet follows the first page's 27-byte header and its one-entry segment
// table; a Vorbis I identification header is 30 bytes long.
constexpr uint64_t kIdentificationAt = 28;
constexpr size_t kIdentificationSize = 30;
// The comment header is looked for only this far into the file.
constexpr size_t kWindowSize = 250;
// Of a vendor string or comment only this many bytes are looked at.
constexpr size_t kCommentLimit = 250;
// The bytes of a UTF-8 character after its first.
constexpr size_t kLongestUtf8Tail = 3;
constexpr char kVorbis[] = "vorbis";
constexpr size_t kSignatureSize = 7;  // packet type byte + "vorbis"

bool HasSignature(const unsigned char* bytes, unsigned char packet_type) {
  return bytes[0] == packet_type && std::memcmp(bytes + 1, kVorbis, 6) == 0;
}

// Reads one length-prefixed text and hands its first bytes on; false when the length or the whole
// text cannot be read. A UTF-8 character that the limit cuts in two is left out, so the text
// stays UTF-8; the bytes after the limit that show whether it does are read with the rest.
bool ReadLengthPrefixed(ChunkReader& reader, std::string& examined) {
  uint32_t length = 0;
  if (!reader.ReadU32(&length)) return false;
  const size_t read = std::min<size_t>(length, kCommentLimit + kLongestUtf8Tail);
  examined.resize(read);
  if (!reader.Read(examined.data(), read)) return false;
  // Only a text longer than what is read needs the size of the file.
  if (length > read && length - read > reader.Left()) return false;
  reader.Skip(length - read);
  examined.resize(Utf8CutLength(examined, kCommentLimit));
  return true;
}

}  // namespace

bool TOggReader::ReadOggFile(const FileLocation& file) {
  title_.clear();
  artist_.clear();
  album_.clear();
  genre_.clear();
  const std::unique_ptr<InputFile> input = InputFile::TryOpen(file);
  if (!input) return false;
  return ReadOggSource(*input);
}

bool TOggReader::ReadOggSource(const ByteSource& source) {
  title_.clear();
  artist_.clear();
  album_.clear();
  genre_.clear();
  unsigned char identification[kIdentificationSize];
  try {
    if (source.ReadAt(kIdentificationAt, identification, kIdentificationSize) !=
        kIdentificationSize) {
      return false;
    }
  } catch (const Error&) {
    return false;
  }
  if (!HasSignature(identification, 1)) return true;
  try {
    ReadComments(source);
  } catch (const Error&) {
    // A read error ends the comments; what was found so far stays.
  }
  return true;
}

void TOggReader::ReadComments(const ByteSource& source) {
  unsigned char window[kWindowSize];
  if (source.ReadAt(0, window, kWindowSize) != kWindowSize) return;
  size_t at = 0;
  while (at + kSignatureSize <= kWindowSize && !HasSignature(window + at, 3)) ++at;
  if (at + kSignatureSize > kWindowSize) return;

  // The comments mostly fit the first chunk; long lists grow it.
  ChunkReader reader(source, at + kSignatureSize, 256);
  std::string examined;
  if (!ReadLengthPrefixed(reader, examined)) return;
  // The vendor string is looked at like any comment.
  Examine(examined);
  uint32_t count = 0;
  if (!reader.ReadU32(&count)) return;
  // The count is signed; each comment needs at least its length field, so the end of the file
  // ends even an absurd count quickly.
  const int32_t comments = static_cast<int32_t>(count);
  for (int32_t i = 0; i < comments; ++i) {
    if (!ReadLengthPrefixed(reader, examined)) return;
    Examine(examined);
  }
}

void TOggReader::Examine(std::string_view comment) {
  const size_t equals = comment.find('=');
  if (equals == std::string_view::npos) return;
  const std::string name = AsciiUpper(comment.substr(0, equals));
  const std::string_view value = comment.substr(equals + 1);
  if (name == "TITLE") {
    title_ = value;
  } else if (name == "ARTIST") {
    artist_ = value;
  } else if (name == "ALBUM") {
    album_ = value;
  } else if (name == "GENRE") {
    genre_ = value;
  }
}

}  // namespace plondex
