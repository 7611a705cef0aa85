#include "tags/id3v2.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>

#include "platform/byteorder.h"
#include "platform/error.h"
#include "platform/numbers.h"
#include "tags/id3stream.h"
#include "tags/languages.h"

namespace plondex {
namespace {

using K = Id3FrameKind;

constexpr uint64_t kHeaderSize = 10;
constexpr uint64_t kFrameHeaderSize = 10;
// ID3v2.2 frames: a 3-letter identifier and a 24-bit size.
constexpr uint64_t kFrameHeaderSize22 = 6;
// The unsynchronised body is copied in pieces of this size.
constexpr size_t kUnsyncPiece = 500;
// What the compressed frames of one tag may inflate to, together: each frame at most its data
// length indicator, and all of them at most this.
constexpr size_t kMaxInflated = 16 << 20;

// ID3v2.4 frame format flags.
constexpr uint8_t kGroupingFlag = 0x40;
constexpr uint8_t kCompressionFlag = 0x08;
constexpr uint8_t kEncryptionFlag = 0x04;
constexpr uint8_t kUnsynchronisationFlag = 0x02;
constexpr uint8_t kDataLengthFlag = 0x01;

// Numeric text frames hold a whole decimal number in the signed 32-bit range: an optional sign
// and at least one digit, nothing else.
constexpr NumberSyntax kFrameNumber{.sign = true};

// Appends a value to a list when the budget allows; false when it does not.
bool AppendKept(std::string value, std::vector<std::string>& list, Id3KeepBudget& budget) {
  if (!budget.Take(value)) return false;
  list.push_back(std::move(value));
  return true;
}

// Cuts at every "/"; nothing follows a final "/" and an empty text gives nothing.
void AppendSplit(std::string_view text, std::vector<std::string>& list, Id3KeepBudget& budget) {
  size_t start = 0;
  while (start < text.size()) {
    const size_t slash = std::min(text.find('/', start), text.size());
    if (!AppendKept(std::string(text.substr(start, slash - start)), list, budget)) return;
    start = slash + 1;
  }
}

void AppendLanguages(std::string_view text, std::vector<std::string>& list, Id3KeepBudget& budget) {
  while (text.size() > 3) {
    if (!AppendKept(std::string(LanguageName(text.substr(0, 3))), list, budget)) return;
    text.remove_prefix(3);
  }
  AppendKept(std::string(LanguageName(text)), list, budget);
}

TId3FileType FileTypeOf(std::string_view text) {
  struct Row {
    std::string_view code;
    TId3FileType type;
  };
  static constexpr Row kRows[] = {
      {"MPG", TId3FileType::ftMPG},        {"MPG/1", TId3FileType::ftMPG1},
      {"MPG/2", TId3FileType::ftMPG2},     {"MPG/3", TId3FileType::ftMPG3},
      {"MPG/2.5", TId3FileType::ftMPG2_5}, {"MPG/AAC", TId3FileType::ftMPG_AAC},
      {"VQF", TId3FileType::ftVQF},        {"PCM", TId3FileType::ftPCM},
  };
  for (const Row& row : kRows) {
    if (row.code == text) return row.type;
  }
  return TId3FileType::ftUNKNOWN;
}

TId3MediaType MediaTypeOf(std::string_view text) {
  using M = TId3MediaType;
  struct Row {
    std::string_view code;
    M type;
  };
  // clang-format off
  static constexpr Row kRows[] = {
      {"DIG", M::mtDIG}, {"DIG/A", M::mtDIG_A},
      {"ANA", M::mtANA}, {"ANA/WAC", M::mtANA_WAC}, {"ANA/8CA", M::mtANA_8CA},
      {"CD", M::mtCD}, {"CD/A", M::mtCD_A}, {"CD/DD", M::mtCD_DD}, {"CD/AD", M::mtCD_AD},
      {"CD/AA", M::mtCD_AA},
      {"LD", M::mtLD}, {"LD/A", M::mtLD_A},
      {"TT", M::mtTT}, {"TT/33", M::mtTT_33}, {"TT/45", M::mtTT_45}, {"TT/71", M::mtTT_71},
      {"TT/76", M::mtTT_76}, {"TT/78", M::mtTT_78}, {"TT/80", M::mtTT_80},
      {"MD", M::mtMD}, {"MD/A", M::mtMD_A},
      {"DAT", M::mtDAT}, {"DAT/A", M::mtDAT_A}, {"DAT/1", M::mtDAT_1}, {"DAT/2", M::mtDAT_2},
      {"DAT/3", M::mtDAT_3}, {"DAT/4", M::mtDAT_4}, {"DAT/5", M::mtDAT_5}, {"DAT/6", M::mtDAT_6},
      {"DCC", M::mtDCC}, {"DCC/A", M::mtDCC_A},
      {"DVD", M::mtDVD}, {"DVD/A", M::mtDVD_A},
      {"TV", M::mtTV}, {"TV/PAL", M::mtTV_PAL}, {"TV/NTSC", M::mtTV_NTSC},
      {"TV/SECAM", M::mtTV_SECAM},
      {"VID", M::mtVID}, {"VID/PAL", M::mtVID_PAL}, {"VID/NTSC", M::mtVID_NTSC},
      {"VID/SECAM", M::mtVID_SECAM}, {"VID/VHS", M::mtVID_VHS}, {"VID/SVHS", M::mtVID_SVHS},
      {"VID/BETA", M::mtVID_BETA},
      {"RAD", M::mtRAD}, {"RAD/FM", M::mtRAD_FM}, {"RAD/AM", M::mtRAD_AM},
      {"RAD/LW", M::mtRAD_LW}, {"RAD/MW", M::mtRAD_MW},
      {"TEL", M::mtTEL}, {"TEL/I", M::mtTEL_I},
      {"MC", M::mtMC}, {"MC/4", M::mtMC_4}, {"MC/9", M::mtMC_9}, {"MC/I", M::mtMC_I},
      {"MC/II", M::mtMC_II}, {"MC/III", M::mtMC_III}, {"MC/IV", M::mtMC_IV},
      {"REE", M::mtREE}, {"REE/9", M::mtREE_9}, {"REE/19", M::mtREE_19},
      {"REE/38", M::mtREE_38}, {"REE/76", M::mtREE_76}, {"REE/I", M::mtREE_I},
      {"REE/II", M::mtREE_II}, {"REE/III", M::mtREE_III}, {"REE/IV", M::mtREE_IV},
  };
  // clang-format on
  for (const Row& row : kRows) {
    if (row.code == text) return row.type;
  }
  return M::mtUNKNOWN;
}

TId3EventType EventTypeOf(uint8_t byte) {
  if (byte <= 20) return static_cast<TId3EventType>(byte);
  if (byte == 253) return TId3EventType::etAUDIO_END;
  if (byte == 254) return TId3EventType::etFILE_END;
  return TId3EventType::etUNKNOWN;
}

// Days from 1 January 1970 to a date of the proleptic Gregorian calendar.
int64_t DaysFromCivil(int64_t y, int m, int d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

bool IsLeapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

// Undoes unsynchronisation: every zero byte that follows a byte 255 is dropped. Whether the
// byte before was 255 carries over from one piece of input to the next.
class Resynchroniser {
 public:
  void Append(std::string_view piece, std::string& out) {
    for (const char c : piece) {
      const auto byte = static_cast<uint8_t>(c);
      if (!(after_ff_ && byte == 0)) out.push_back(c);
      after_ff_ = byte == 0xFF;
    }
  }

 private:
  bool after_ff_ = false;
};

// The body of an unsynchronised tag, decoded, so it must be read whole. size is known to fit in
// the source.
std::string ReadUnsynchronisedBody(const ByteSource& source, uint64_t size) {
  std::string body;
  body.reserve(size);
  char piece[kUnsyncPiece];
  Resynchroniser resynchroniser;
  for (uint64_t done = 0; done < size;) {
    const size_t want = static_cast<size_t>(std::min<uint64_t>(kUnsyncPiece, size - done));
    if (source.ReadAt(kHeaderSize + done, piece, want) < want) throw Error("Stream read error");
    resynchroniser.Append(std::string_view(piece, want), body);
    done += want;
  }
  return body;
}

// The bytes a zlib stream inflates to, at most limit of them; nullopt when the stream is broken,
// ends early or would give more. The output grows with what is inflated, never past limit.
std::optional<std::string> Inflate(std::string_view in, size_t limit) {
  z_stream z{};
  if (inflateInit(&z) != Z_OK) return std::nullopt;
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
  z.avail_in = static_cast<uInt>(in.size());  // a frame is smaller than a tag: under 2^28
  std::string out;
  unsigned char chunk[16384];
  int result = Z_OK;
  while (result == Z_OK) {
    z.next_out = chunk;
    z.avail_out = sizeof chunk;
    result = inflate(&z, Z_NO_FLUSH);
    const size_t got = sizeof chunk - z.avail_out;
    if (got > limit - out.size()) {
      result = Z_BUF_ERROR;
      break;
    }
    if (out.capacity() - out.size() < got) {
      out.reserve(std::min(limit, std::max(out.size() + got, 2 * out.capacity())));
    }
    out.append(reinterpret_cast<const char*>(chunk), got);
  }
  inflateEnd(&z);
  if (result != Z_STREAM_END) return std::nullopt;
  return out;
}

// What lies at a position where a frame is supposed to end, from worst to best.
enum class Landing { kNowhere, kPadding, kFrameOrEnd };

Landing LandingAt(TId3Stream& stream, uint64_t position) {
  if (position == stream.Size()) return Landing::kFrameOrEnd;
  if (position > stream.Size()) return Landing::kNowhere;
  const std::string_view next = stream.PeekAt(position, 4);
  if (next[0] == '\0') return Landing::kPadding;
  if (next.size() < 4) return Landing::kNowhere;
  for (const char c : next) {
    if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) return Landing::kNowhere;
  }
  return Landing::kFrameOrEnd;
}

// An ID3v2.4 frame size is synchsafe, but some writers put a plain 32-bit number there. The plain
// reading wins only when it ends the frame on something better than the synchsafe one does: a
// frame header or the end of the tag rather than padding, or padding rather than neither.
uint32_t FrameSize24(TId3Stream& stream, const char* size_bytes) {
  const uint32_t synchsafe = Synchsafe28(size_bytes);
  const uint32_t plain = BigEndian32(size_bytes);
  if (plain == synchsafe) return synchsafe;
  const uint64_t here = stream.Position();
  return LandingAt(stream, here + plain) > LandingAt(stream, here + synchsafe) ? plain : synchsafe;
}

// Text frames whose value is the frame text, the last frame winning.
struct TextField {
  Id3FrameKind kind;
  std::string TId3Text::*field;
};
// Text frames whose value is a list of "/"-separated pieces.
struct ListField {
  Id3FrameKind kind;
  std::vector<std::string> TId3Text::*field;
};

}  // namespace

// Reaches into TId3Text, whose friend it is.
class Id3TextFields {
 public:
  static constexpr TextField kTexts[] = {
      {K::kTCOP, &TId3Text::copyright_},
      {K::kTDAT, &TId3Text::date_},
      {K::kTENC, &TId3Text::encoded_by_},
      {K::kTIME, &TId3Text::time_},
      {K::kTIT1, &TId3Text::content_group_},
      {K::kTIT3, &TId3Text::sub_title_},
      {K::kTKEY, &TId3Text::initial_key_},
      {K::kTLEN, &TId3Text::length_},
      {K::kTOAL, &TId3Text::original_title_},
      {K::kTOFN, &TId3Text::original_file_name_},
      {K::kTORY, &TId3Text::original_release_year_},
      {K::kTOWN, &TId3Text::file_owner_},
      {K::kTPE2, &TId3Text::band_},
      {K::kTPE3, &TId3Text::conductor_},
      {K::kTPE4, &TId3Text::modified_by_},
      {K::kTPOS, &TId3Text::part_of_},
      {K::kTPUB, &TId3Text::publisher_},
      {K::kTRCK, &TId3Text::track_number_},
      {K::kTRDA, &TId3Text::recording_date_},
      {K::kTRSN, &TId3Text::internet_radio_name_},
      {K::kTRSO, &TId3Text::internet_radio_owner_},
      {K::kTSRC, &TId3Text::isrc_},
      {K::kTSSE, &TId3Text::encoding_software_},
      {K::kTYER, &TId3Text::year_},
  };
  static constexpr ListField kLists[] = {
      {K::kTCOM, &TId3Text::composer_},
      {K::kTEXT, &TId3Text::lyricists_},
      {K::kTOLY, &TId3Text::original_lyricists_},
      {K::kTOPE, &TId3Text::original_artists_},
  };
  // The frames with a value of their own kind.
  static constexpr Id3FrameKind kOthers[] = {K::kTBPM, K::kTDLY, K::kTFLT,
                                             K::kTLAN, K::kTMED, K::kTSIZ};
};

bool IsSongTextFrame(Id3FrameKind kind) {
  return kind == K::kTALB || kind == K::kTIT2 || kind == K::kTCON || kind == K::kTPE1;
}

bool IsId3TextFrame(Id3FrameKind kind) {
  if (IsSongTextFrame(kind)) return true;
  for (const TextField& f : Id3TextFields::kTexts) {
    if (f.kind == kind) return true;
  }
  for (const ListField& f : Id3TextFields::kLists) {
    if (f.kind == kind) return true;
  }
  return std::find(std::begin(Id3TextFields::kOthers), std::end(Id3TextFields::kOthers), kind) !=
         std::end(Id3TextFields::kOthers);
}

template <typename Text>
bool Id3KeepBudget::TakeText(Text& value) {
  if (Spent()) return false;
  --values_;
  constexpr size_t kUnit = sizeof(typename Text::value_type);
  if (value.size() > bytes_ / kUnit) {
    value.resize(bytes_ / kUnit);
    value.shrink_to_fit();
  }
  bytes_ -= kUnit * value.size();
  return true;
}

bool Id3KeepBudget::Take(std::string& value) { return TakeText(value); }

bool Id3KeepBudget::Take(TagText& value) {
  return value.kind == TagText::Kind::kAnsi ? TakeText(value.ansi) : TakeText(value.wide);
}

const std::string& TId3Text::Spelled(const SongText& text) const {
  if (!text.spelled) text.spelled = SpellTagText(text.text, &spelling_);
  return *text.spelled;
}

const std::vector<std::string>& TId3Text::Performers() const {
  if (!performers_.spelled) {
    std::vector<std::string> names;
    names.reserve(performers_.texts.size());
    for (const TagText& name : performers_.texts) names.push_back(SpellTagText(name, &spelling_));
    performers_.spelled = std::move(names);
  }
  return *performers_.spelled;
}

void TId3Text::StoreSongText(Id3FrameKind kind, TagText text, Id3KeepBudget& budget) {
  SongText* field = kind == K::kTIT2   ? &content_description_
                    : kind == K::kTALB ? &album_
                    : kind == K::kTCON ? &content_
                                       : nullptr;
  if (field) {
    if (budget.Take(text)) *field = SongText{std::move(text), std::nullopt};
    return;
  }
  performers_.spelled.reset();
  // Cut at every "/"; nothing follows a final "/" and an empty text gives nothing.
  auto append = [&](auto& whole, auto make) {
    using Char = typename std::decay_t<decltype(whole)>::value_type;
    size_t start = 0;
    while (start < whole.size()) {
      const size_t slash = std::min(whole.find(Char('/'), start), whole.size());
      TagText piece = make(whole.substr(start, slash - start));
      if (!budget.Take(piece)) return;
      performers_.texts.push_back(std::move(piece));
      start = slash + 1;
    }
  };
  if (text.kind == TagText::Kind::kAnsi) {
    append(text.ansi, [](std::string p) { return TagText::Ansi(std::move(p)); });
  } else {
    append(text.wide, [](std::u16string p) { return TagText::Unicode(std::move(p)); });
  }
}

void TId3Text::Store(Id3FrameKind kind, const std::string& text, Id3KeepBudget& budget) {
  for (const TextField& f : Id3TextFields::kTexts) {
    if (f.kind == kind) {
      std::string value = text;
      if (budget.Take(value)) this->*f.field = std::move(value);
      return;
    }
  }
  for (const ListField& f : Id3TextFields::kLists) {
    if (f.kind == kind) {
      AppendSplit(text, this->*f.field, budget);
      return;
    }
  }
  switch (kind) {
    case K::kTBPM:
      bpm_ = static_cast<int32_t>(ParseWholeNumber(text, kFrameNumber).value_or(0));
      break;
    case K::kTDLY:
      playlist_delay_ = static_cast<int32_t>(ParseWholeNumber(text, kFrameNumber).value_or(0));
      break;
    case K::kTFLT:
      file_type_ = FileTypeOf(text);
      break;
    case K::kTLAN:
      AppendLanguages(text, languages_, budget);
      break;
    case K::kTMED:
      media_type_ = MediaTypeOf(text);
      break;
    case K::kTSIZ: {
      const std::optional<int64_t> size = ParseWholeNumber(text, kFrameNumber);
      if (!size) throw Error("'" + text + "' is not a valid integer value");
      size_ = static_cast<int32_t>(*size);
      break;
    }
    default:
      break;
  }
}

void TId3Web::Store(Id3FrameKind kind, std::string url) {
  static constexpr Id3FrameKind kOrder[] = {K::kWCOM, K::kWCOP, K::kWOAF, K::kWOAR,
                                            K::kWOAS, K::kWORS, K::kWPAY, K::kWPUB};
  for (size_t i = 0; i < urls_.size(); ++i) {
    if (kOrder[i] == kind) urls_[i] = std::move(url);
  }
}

const std::string& TId3Images::Info(int type) const {
  static const std::string kNone;
  return type >= 0 && type < kPictureTypes ? infos_[type] : kNone;
}

const TId3Picture& TId3Images::Picture(int type) const {
  static const TId3Picture kNone;
  return type >= 0 && type < kPictureTypes ? pictures_[type] : kNone;
}

void TId3Images::Clear() {
  infos_ = {};
  pictures_ = {};
}

void TId3Images::Store(int type, const std::string& mime_type, std::string description,
                       uint64_t size) {
  if (type < 0 || type >= kPictureTypes) return;
  infos_[type] = std::move(description);
  if (mime_type == "-->") return;
  pictures_[type] = TId3Picture{true, mime_type, size};
}

double Id3DateValue(std::string_view yyyymmdd) {
  if (yyyymmdd.size() != 8) return 0;
  const auto y = ParseWholeNumber(yyyymmdd.substr(0, 4));
  const auto m = ParseWholeNumber(yyyymmdd.substr(4, 2));
  const auto d = ParseWholeNumber(yyyymmdd.substr(6, 2));
  if (!y || !m || !d) return 0;
  const int year = static_cast<int>(*y);
  const int month = static_cast<int>(*m);
  const int day = static_cast<int>(*d);
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (year < 1 || month < 1 || month > 12 || day < 1) return 0;
  const int days_in_month = kDays[month - 1] + (month == 2 && IsLeapYear(year) ? 1 : 0);
  if (day > days_in_month) return 0;
  return static_cast<double>(DaysFromCivil(year, month, day) - DaysFromCivil(1899, 12, 30));
}

void TId3Owner::Store(std::string price, std::string_view date, std::string seller) {
  price_ = std::move(price);
  date_purchased_ = Id3DateValue(date);
  seller_ = std::move(seller);
}

TId3v2::TId3v2() { Clear(); }

void TId3v2::Clear() {
  // The flag goes too: after a failed read it must not describe the file read before.
  tag_present_ = false;
  major_version_ = 0;
  revision_ = 0;
  unsynchronisation_ = false;
  extended_header_ = false;
  experimental_ = false;
  texts_.Clear();
  user_defined_text_.Clear();
  web_.Clear();
  user_defined_web_.Clear();
  involved_people_.Clear();
  images_.Clear();
  play_counter_ = 0;
  owner_.Clear();
  popularimeter_.Clear();
  event_list_ = TId3EventList();
  cd_identifier_ = TId3CdIdentifier();
}

void TId3v2::SetFileName(const FileLocation& file) {
  // The name is taken before the file is opened, also when opening it fails.
  tag_size_ = 0;
  file_name_ = file.shown();
  const std::unique_ptr<InputFile> opened = InputFile::OpenIfExists(file);
  SetFile(file, opened.get());
}

void TId3v2::SetFile(const FileLocation& file, const ByteSource* opened) {
  tag_size_ = 0;
  file_name_ = file.shown();
  if (!opened) {
    Clear();
    return;
  }
  ReadTag(*opened);
}

void TId3v2::ReadFromSource(const ByteSource& source) {
  tag_size_ = 0;
  ReadTag(source);
}

void TId3v2::ReadTag(const ByteSource& source) {
  Clear();
  spelling_budget_ = SpellingBudget{kSongSpellingBudget};
  inflate_budget_ = kMaxInflated;
  keep_budget_ = Id3KeepBudget();
  unsigned char header[kHeaderSize];
  if (source.ReadAt(0, header, kHeaderSize) < kHeaderSize) throw Error("Stream read error");
  tag_present_ = std::memcmp(header, "ID3", 3) == 0;
  if (!tag_present_) return;
  major_version_ = header[3];
  revision_ = header[4];
  unsynchronisation_ = (header[5] & 0x80) != 0;
  extended_header_ = (header[5] & 0x40) != 0;
  experimental_ = (header[5] & 0x20) != 0;
  tag_size_ = static_cast<int>(Synchsafe28(header + 6));
  // Revisions keep to their version's layout. The flag bit 6 of ID3v2.2 marks a compression
  // scheme that was never defined, so such a tag has nothing readable.
  if (major_version_ < 2 || major_version_ > 4) return;
  if (major_version_ == 2 && extended_header_) return;

  // Never trust the size: check it against the file before reading or allocating anything. A
  // body that runs past the end of the file is an error, with or without unsynchronisation.
  const uint64_t size = static_cast<uint64_t>(tag_size_);
  if (!source.Holds(kHeaderSize + size)) throw Error("Stream read error");
  // Up to ID3v2.3 the flag unsynchronises the whole body, frame headers included; from ID3v2.4
  // on it unsynchronises each frame's content, and the frame headers are as written.
  TId3Stream stream = unsynchronisation_ && major_version_ < 4
                          ? TId3Stream(ReadUnsynchronisedBody(source, size))
                          : TId3Stream(source, kHeaderSize, size);
  stream.SetSpellingBudget(&spelling_budget_);
  if (major_version_ == 2) return ReadFrames22(stream);
  if (extended_header_) {
    uint32_t extended_size;
    {
      Id3FrameWindow window(stream, 4);
      const std::string_view size_bytes = stream.Read(4);
      // From ID3v2.4 on the size is synchsafe and counts its own 4 bytes.
      extended_size =
          major_version_ == 4 ? Synchsafe28(size_bytes.data()) : BigEndian32(size_bytes.data());
    }
    if (major_version_ == 4) extended_size = extended_size > 4 ? extended_size - 4 : 0;
    Id3FrameWindow skip(stream, extended_size);
  }
  TId3TermFinder& finder = TId3TermFinder::Instance();
  while (stream.BytesLeft() > kFrameHeaderSize) {
    // A copy: the stream's view ends with its next read.
    char frame_header[kFrameHeaderSize];
    std::memcpy(frame_header, stream.Read(kFrameHeaderSize).data(), kFrameHeaderSize);
    std::string_view id(frame_header, 4);
    id = id.substr(0, std::min(id.find('\0'), id.size()));
    Id3FrameKind kind = Id3FrameKind::kNone;
    if (id.size() == 4) kind = finder.Find4(id);
    if (id.size() == 3) kind = finder.Find3(id);
    if (major_version_ == 3) {
      Id3FrameWindow window(stream, BigEndian32(frame_header + 4));
      ReadFrame(kind, stream);
    } else {
      Id3FrameWindow window(stream, FrameSize24(stream, frame_header + 4));
      ReadFrame24(kind, static_cast<uint8_t>(frame_header[9]), stream);
    }
  }
}

void TId3v2::ReadFrames22(TId3Stream& stream) {
  TId3TermFinder& finder = TId3TermFinder::Instance();
  while (stream.BytesLeft() > kFrameHeaderSize22) {
    char frame_header[kFrameHeaderSize22];
    std::memcpy(frame_header, stream.Read(kFrameHeaderSize22).data(), kFrameHeaderSize22);
    std::string_view id(frame_header, 3);
    id = id.substr(0, std::min(id.find('\0'), id.size()));
    const Id3FrameKind kind = id.size() == 3 ? finder.Find3(id) : Id3FrameKind::kNone;
    const uint32_t frame_size = BigEndian32(frame_header + 2) & 0xFFFFFF;
    Id3FrameWindow window(stream, frame_size);
    ReadFrame(kind, stream);
  }
}

void TId3v2::ReadFrame24(Id3FrameKind kind, uint8_t flags, TId3Stream& stream) {
  // Unknown frames are skipped by position, whatever their flags say; so are encrypted ones.
  if (kind == K::kNone || (flags & kEncryptionFlag)) return;
  const bool unsynchronised = unsynchronisation_ || (flags & kUnsynchronisationFlag);
  const bool compressed = (flags & kCompressionFlag) != 0;
  if (!unsynchronised && !compressed) {
    // The content is as written: read it in place, past its extra fields.
    if (flags & kGroupingFlag) stream.ReadUpTo(1);
    if (flags & kDataLengthFlag) {
      if (stream.FrameBytesLeft() < 4) return;
      if (Synchsafe28(stream.Read(4).data()) > static_cast<uint32_t>(TagSize())) return;
    }
    return ReadFrame(kind, stream);
  }
  // The content must be decoded whole; it lies inside the tag, which lies inside the file.
  std::string data;
  if (unsynchronised) {
    Resynchroniser().Append(stream.ReadRest(), data);
  } else {
    data = stream.ReadRest();
  }
  std::string_view content = data;
  if (flags & kGroupingFlag) content.remove_prefix(std::min<size_t>(1, content.size()));
  size_t limit = inflate_budget_;
  if (flags & kDataLengthFlag) {
    if (content.size() < 4) return;
    const uint32_t data_length = Synchsafe28(content.data());
    if (data_length > static_cast<uint32_t>(TagSize())) return;
    limit = std::min<size_t>(limit, data_length);
    content.remove_prefix(4);
  }
  std::optional<std::string> inflated;
  if (compressed) {
    inflated = Inflate(content, limit);
    if (!inflated) return;  // a broken or oversized stream ends this frame only
    inflate_budget_ -= inflated->size();
    content = *inflated;
  }
  // An inflated frame is its content whole, so it moves instead of being copied.
  TId3Stream decoded{inflated ? std::move(*inflated) : std::string(content)};
  decoded.SetSpellingBudget(&spelling_budget_);
  Id3FrameWindow window(decoded, decoded.Size());
  ReadFrame(kind, decoded);
}

void TId3v2::ReadFrame(Id3FrameKind kind, TId3Stream& stream) {
  if (IsId3TextFrame(kind)) return ReadTextFrame(kind, stream);
  switch (kind) {
    case K::kTXXX:
      return ReadUserText(stream);
    case K::kWCOM:
    case K::kWCOP:
    case K::kWOAF:
    case K::kWOAR:
    case K::kWOAS:
    case K::kWORS:
    case K::kWPAY:
    case K::kWPUB:
      if (std::string url = stream.ReadText8(); keep_budget_.Take(url)) {
        web_.Store(kind, std::move(url));
      }
      return;
    case K::kWXXX:
      return ReadUserUrl(stream);
    case K::kIPLS:
      return ReadInvolvedPeople(stream);
    case K::kAPIC:
      return ReadPicture(stream);
    case K::kPCNT:
      return ReadPlayCounter(stream);
    case K::kPOPM:
      return ReadPopularimeter(stream);
    case K::kOWNE:
      return ReadOwner(stream);
    case K::kETCO:
      return ReadEventTiming(stream);
    case K::kMCDI:
      return ReadCdIdentifier(stream);
    case K::kCOMM:
    case K::kUSLT: {
      // Decoded and not kept, so their texts are passed over unconverted.
      const uint8_t encoding = stream.ReadEncoding();
      stream.ReadUpTo(3);  // language
      stream.SkipText(encoding);
      stream.SkipText(encoding);
      return;
    }
    case K::kUSER: {
      const uint8_t encoding = stream.ReadEncoding();
      stream.ReadUpTo(3);
      stream.SkipText(encoding);
      return;
    }
    case K::kGEOB: {
      const uint8_t encoding = stream.ReadEncoding();
      stream.ReadText8();         // MIME type
      stream.SkipText(encoding);  // file name
      stream.SkipText(encoding);  // description
      return;                     // the object is skipped with the frame, never read
    }
    default:
      return;
  }
}

void TId3v2::ReadTextFrame(Id3FrameKind kind, TId3Stream& stream) {
  const uint8_t encoding = stream.ReadEncoding();
  // The song's texts are kept as decoded; the build spells them, a song at a time.
  const bool song_text = IsSongTextFrame(kind);
  auto store = [&] {
    if (song_text) return texts_.StoreSongText(kind, stream.ReadTagText(encoding), keep_budget_);
    texts_.Store(kind, stream.ReadText(encoding), keep_budget_);
  };
  store();
  // From ID3v2.4 on a text frame may hold several values, one after another's terminator: the
  // performers take them all, every other text its first.
  if (kind != K::kTPE1 || major_version_ < 4) return;
  while (stream.FrameBytesLeft() >= TId3Stream::TextUnit(encoding) && !keep_budget_.Spent()) {
    store();
  }
}

void TId3v2::ReadUserText(TId3Stream& stream) {
  const uint8_t encoding = stream.ReadEncoding();
  Id3UserText item;
  item.description = stream.ReadText(encoding);
  if (stream.FrameBytesLeft() > 0) item.value = stream.ReadText(encoding);
  if (keep_budget_.Take(item.description) && keep_budget_.Take(item.value)) {
    user_defined_text_.Add(std::move(item));
  }
}

void TId3v2::ReadUserUrl(TId3Stream& stream) {
  const uint8_t encoding = stream.ReadEncoding();
  Id3UserUrl item;
  item.description = stream.ReadText(encoding);
  item.url = stream.ReadText8();
  if (keep_budget_.Take(item.description) && keep_budget_.Take(item.url)) {
    user_defined_web_.Add(std::move(item));
  }
}

void TId3v2::ReadInvolvedPeople(TId3Stream& stream) {
  const uint8_t encoding = stream.ReadEncoding();
  // Every pass reads at least the byte-order mark, one unit or one byte, so the loop always ends.
  const uint64_t minimum = encoding == 1 ? 4 : 2;
  while (stream.FrameBytesLeft() > minimum && !keep_budget_.Spent()) {
    Id3Involvement item;
    item.job = stream.ReadText(encoding);
    item.person = stream.ReadText(encoding);
    if (keep_budget_.Take(item.job) && keep_budget_.Take(item.person)) {
      involved_people_.Add(std::move(item));
    }
  }
}

void TId3v2::ReadPicture(TId3Stream& stream) {
  const uint8_t encoding = stream.ReadEncoding();
  // ID3v2.2 names the image format in 3 letters ("JPG", "PNG", "-->") instead of a MIME type;
  // like every text it ends at a zero byte.
  std::string mime_type;
  if (major_version_ == 2) {
    const std::string_view format = stream.ReadUpTo(3);
    mime_type = format.substr(0, format.find('\0'));
  } else {
    mime_type = stream.ReadText8();
  }
  if (stream.FrameBytesLeft() == 0) return;  // no picture type: nothing to keep
  const uint8_t type = stream.ReadByte();
  std::string description = stream.ReadText(encoding);
  if (!keep_budget_.Take(mime_type) || !keep_budget_.Take(description)) return;
  // The picture bytes are skipped with the frame, never read.
  images_.Store(type, mime_type, std::move(description), stream.FrameBytesLeft());
}

void TId3v2::ReadPlayCounter(TId3Stream& stream) {
  play_counter_ = stream.FrameBytesLeft() == 4 ? stream.ReadUInt32BE() : 0;
}

void TId3v2::ReadPopularimeter(TId3Stream& stream) {
  std::string email = stream.ReadText8();
  if (!keep_budget_.Take(email)) return;
  const uint8_t rating = stream.FrameBytesLeft() > 0 ? stream.ReadByte() : 0;
  const uint32_t counter = stream.FrameBytesLeft() == 4 ? stream.ReadUInt32BE() : 0;
  popularimeter_.Store(std::move(email), rating, counter);
}

void TId3v2::ReadOwner(TId3Stream& stream) {
  const uint8_t encoding = stream.ReadEncoding();
  std::string price = stream.ReadText8();
  const std::string date(stream.ReadUpTo(8));  // the view would not outlive the next read
  std::string seller = stream.ReadText(encoding);
  if (!keep_budget_.Take(price) || !keep_budget_.Take(seller)) return;
  owner_.Store(std::move(price), date, std::move(seller));
}

void TId3v2::ReadEventTiming(TId3Stream& stream) {
  event_list_ = TId3EventList();
  if (stream.FrameBytesLeft() == 0) return;
  event_list_.time_stamp_format = stream.ReadByte();
  // Events beyond the list's room are skipped; a piece of an event at the end is ignored.
  while (stream.FrameBytesLeft() >= 5 && event_list_.Count() < TId3EventList::kMaxEvents) {
    const uint8_t type = stream.ReadByte();
    const uint32_t time_stamp = stream.ReadUInt32BE();
    event_list_.events.push_back(TId3Event{EventTypeOf(type), time_stamp});
  }
}

void TId3v2::ReadCdIdentifier(TId3Stream& stream) {
  cd_identifier_ = TId3CdIdentifier();
  const std::string_view bytes = stream.ReadUpTo(TId3CdIdentifier::kMaxBytes);
  if (!bytes.empty()) std::memcpy(cd_identifier_.bytes.data(), bytes.data(), bytes.size());
  cd_identifier_.count = static_cast<int>(bytes.size());
}

}  // namespace plondex
