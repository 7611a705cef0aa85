// The ID3v2 reader on any bytes. Failures are only the reader's own two messages; the values
// depend only on the bytes read (nothing stays from the tag read before); only versions 2.2 to
// 2.4 give values; texts never hold a zero byte nor outgrow what they were read from; the
// holders keep to their room, and all texts together to the tag's budget.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "check.h"
#include "platform/ascii.h"
#include "platform/error.h"
#include "platform/files.h"
#include "tags/id3terms.h"
#include "tags/id3v2.h"

namespace {

// Every value a read sets, but for the header's own fields. The texts are views into the reader.
class Summary {
 public:
  explicit Summary(const plondex::TId3v2& tag) {
    texts_.reserve(160);
    numbers_.reserve(160);
    const plondex::TId3Text& t = tag.Texts();
    const std::string* const texts[] = {&t.Album(),
                                        &t.Copyright(),
                                        &t.Date(),
                                        &t.EncodedBy(),
                                        &t.Time(),
                                        &t.ContentGroup(),
                                        &t.ContentDescription(),
                                        &t.SubTitle(),
                                        &t.InitialKey(),
                                        &t.Length(),
                                        &t.OriginalTitle(),
                                        &t.OriginalFileName(),
                                        &t.OriginalReleaseYear(),
                                        &t.FileOwner(),
                                        &t.Band(),
                                        &t.Conductor(),
                                        &t.ModifiedBy(),
                                        &t.PartOf(),
                                        &t.Publisher(),
                                        &t.TrackNumber(),
                                        &t.RecordingDate(),
                                        &t.InternetRadioName(),
                                        &t.InternetRadioOwner(),
                                        &t.ISRC(),
                                        &t.EncodingSoftware(),
                                        &t.Year(),
                                        &t.Content()};
    for (const std::string* text : texts) {
      Text(*text);
    }
    for (const std::vector<std::string>* list :
         {&t.Composer(), &t.Lyricists(), &t.Languages(), &t.OriginalLyricists(),
          &t.OriginalArtists(), &t.Performers()}) {
      Number(list->size());
      values_ += list->size();
      for (const std::string& text : *list) Text(text);
    }
    Number(t.BPM());
    Number(t.PlaylistDelay());
    Number(t.Size());
    Number(static_cast<int>(t.FileType()));
    Number(static_cast<int>(t.MediaType()));

    Number(tag.UserDefinedText().ItemCount());
    values_ += 2 * tag.UserDefinedText().Items().size() + 2 * tag.UserDefinedWeb().Items().size() +
               2 * tag.InvolvedPeople().Items().size();
    for (const auto& item : tag.UserDefinedText().Items()) {
      Text(item.description);
      Text(item.value);
    }
    Number(tag.UserDefinedWeb().ItemCount());
    for (const auto& item : tag.UserDefinedWeb().Items()) {
      Text(item.description);
      Text(item.url);
    }
    Number(tag.InvolvedPeople().ItemCount());
    for (const auto& item : tag.InvolvedPeople().Items()) {
      Text(item.job);
      Text(item.person);
    }
    const plondex::TId3Web& web = tag.Web();
    for (const std::string* url :
         {&web.CommercialInfo(), &web.LegalInfo(), &web.OfficialAudio(), &web.OfficialArtist(),
          &web.OfficialAudioSource(), &web.InternetRadioStation(), &web.Payment(),
          &web.Publishers()}) {
      Text(*url);
    }
    for (int type = 0; type < plondex::TId3Images::kPictureTypes; ++type) {
      const plondex::TId3Picture& picture = tag.Images().Picture(type);
      Text(tag.Images().Info(type));
      Number(picture.present);
      Text(picture.mime_type);
      Number(picture.size);
      max_picture_ = std::max(max_picture_, picture.size);
    }
    Number(tag.PlayCounter());
    Text(tag.Owner().Price());
    Number(static_cast<int64_t>(tag.Owner().DatePurchased()));
    Text(tag.Owner().Seller());
    Text(tag.Popularimeter().UserEmail());
    Number(tag.Popularimeter().Rating());
    Number(tag.Popularimeter().Counter());

    const plondex::TId3EventList& events = tag.EventList();
    FUZZ_CHECK(events.Count() <= plondex::TId3EventList::kMaxEvents);
    Number(events.time_stamp_format);
    Number(events.Count());
    for (const plondex::TId3Event& event : events.events) {
      Number(static_cast<int>(event.type));
      Number(event.time_stamp);
    }
    const plondex::TId3CdIdentifier& cd = tag.CdIdentifier();
    FUZZ_CHECK(cd.count >= 0 && cd.count <= plondex::TId3CdIdentifier::kMaxBytes);
    Number(cd.count);
    texts_.emplace_back(reinterpret_cast<const char*>(cd.bytes.data()), cd.bytes.size());
  }

  bool operator==(const Summary& other) const {
    return numbers_ == other.numbers_ && texts_ == other.texts_;
  }
  size_t longest() const { return longest_; }
  size_t text_bytes() const { return text_bytes_; }
  size_t values() const { return values_; }
  uint64_t max_picture() const { return max_picture_; }

 private:
  void Text(const std::string& text) {
    FUZZ_CHECK(text.find('\0') == std::string::npos);
    longest_ = std::max(longest_, text.size());
    text_bytes_ += text.size();
    texts_.push_back(text);
  }
  void Number(int64_t n) { numbers_.push_back(n); }

  std::vector<std::string_view> texts_;
  std::vector<int64_t> numbers_;
  size_t longest_ = 0;
  size_t text_bytes_ = 0;
  size_t values_ = 0;  // in lists and item holders
  uint64_t max_picture_ = 0;
};

// A frame of a version 2.3.0 tag.
std::string Frame(std::string_view id, std::string_view content) {
  std::string f(id);
  const auto n = static_cast<uint32_t>(content.size());
  for (int shift = 24; shift >= 0; shift -= 8) f += static_cast<char>((n >> shift) & 0xFF);
  return f + std::string(2, '\0') + std::string(content);
}

// A tag filling every holder.
std::string RichTag() {
  using namespace std::string_view_literals;
  std::string body;
  for (std::string_view id : {"TIT2", "TALB", "TCON", "TYER", "TRCK", "TPE2", "TCOP", "TIT1"}) {
    body += Frame(id, std::string("\0old "sv) + std::string(id));
  }
  for (std::string_view id : {"TPE1", "TCOM", "TEXT", "TOLY", "TOPE"}) {
    body += Frame(id, std::string("\0a/b/"sv) + std::string(id));
  }
  body += Frame("TBPM",
                "\0"
                "120"sv) +
          Frame("TDLY",
                "\0"
                "5"sv) +
          Frame("TSIZ",
                "\0"
                "99"sv) +
          Frame("TFLT", "\0MPG/3"sv) +
          Frame("TMED",
                "\0"
                "CD"sv) +
          Frame("TLAN", "\0engdeu"sv);
  body += Frame("TXXX", "\0key\0value"sv) + Frame("WXXX", "\0site\0http://x"sv) +
          Frame("IPLS", "\0job\0person\0"sv) + Frame("WCOM", "http://c") +
          Frame("WPUB", "http://p") +
          Frame("APIC",
                "\0image/png\0\x03"
                "cover\0PNGDATA"sv) +
          Frame("PCNT", "\0\0\x01\x02"sv) + Frame("POPM", "a@b\0\x80\0\0\0\x09"sv) +
          Frame("OWNE",
                "\0"
                "EUR1\0"
                "20010911seller"sv) +
          Frame("ETCO", "\x02\x03\0\0\0\x10\xFD\0\0\x01\0"sv) + Frame("MCDI", "table of contents");
  body += std::string(20, '\0');
  std::string tag(std::string_view("ID3\x03\0\0", 6));
  const auto n = static_cast<uint32_t>(body.size());
  for (int shift = 21; shift >= 0; shift -= 7) tag += static_cast<char>((n >> shift) & 0x7F);
  return tag + body;
}

// A reader that has just read that tag, to show that nothing of it stays.
plondex::TId3v2& UsedReader() {
  static plondex::TId3v2 reader;
  static const std::string kTag = RichTag();
  reader.ReadFromSource(plondex::MemorySource(kTag));
  FUZZ_CHECK(reader.Texts().ContentDescription() == "old TIT2");
  FUZZ_CHECK(reader.CdIdentifier().count == 17 && reader.EventList().Count() == 2);
  FUZZ_CHECK(reader.Images().Picture(3).present && reader.Owner().DatePurchased() > 0);
  return reader;
}

// Reads, and checks that a failure carries one of the reader's own messages.
bool Read(plondex::TId3v2& tag, const plondex::ByteSource& source) {
  try {
    tag.ReadFromSource(source);
    return true;
  } catch (const plondex::Error& e) {
    const std::string_view what = e.what();
    constexpr std::string_view kNotInteger = "' is not a valid integer value";
    FUZZ_CHECK(what == "Stream read error" ||
               (what.size() >= kNotInteger.size() + 1 && what.front() == '\'' &&
                what.substr(what.size() - kNotInteger.size()) == kNotInteger));
    return false;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const plondex::MemorySource source(bytes);
  plondex::TId3v2 tag;
  const bool read = Read(tag, source);
  if (size < 10) FUZZ_CHECK(!read);
  const Summary summary(tag);

  const bool present = size >= 3 && bytes.substr(0, 3) == "ID3";
  if (size >= 10) FUZZ_CHECK(tag.TagPresent() == present);
  FUZZ_CHECK(tag.TagSize() >= 0 && tag.TagSize() <= 268435455);
  // Version 2.2 uses flag bit 6 for a compression that leaves nothing readable.
  const bool parsed = tag.TagPresent() && tag.MajorVersion() >= 2 && tag.MajorVersion() <= 4 &&
                      !(tag.MajorVersion() == 2 && tag.ExtendedHeader());
  static const plondex::TId3v2 kEmptyReader;
  static const Summary kEmpty(kEmptyReader);
  if (!parsed) FUZZ_CHECK(summary == kEmpty);
  // Texts and pictures come from the input, except that a compressed frame of version 2.4 may
  // inflate to 16 MiB; a character spelled out for the player takes at most 17 bytes.
  const uint64_t source_bytes =
      tag.MajorVersion() == 4 ? std::max<uint64_t>(size, uint64_t{16} << 20) : size;
  FUZZ_CHECK(summary.longest() <= 17 * source_bytes);
  FUZZ_CHECK(summary.max_picture() <= source_bytes);
  // And one tag keeps no more than its budget, whatever the frames.
  FUZZ_CHECK(summary.text_bytes() <= plondex::Id3KeepBudget::kBytes);
  FUZZ_CHECK(summary.values() <= plondex::Id3KeepBudget::kValues);

  plondex::TId3v2& used = UsedReader();
  FUZZ_CHECK(Read(used, source) == read);
  FUZZ_CHECK(Summary(used) == summary);
  FUZZ_CHECK(used.TagPresent() == tag.TagPresent() && used.TagSize() == tag.TagSize());

  // Identifier lookup ignores letter case and finds only the identifier asked for.
  if (size >= 4) {
    plondex::TId3TermFinder& finder = plondex::TId3TermFinder::Instance();
    for (size_t length : {3, 4}) {
      const std::string_view id = bytes.substr(0, length);
      const plondex::Id3FrameKind kind = length == 4 ? finder.Find4(id) : finder.Find3(id);
      if (kind == plondex::Id3FrameKind::kNone) continue;
      const plondex::Id3Term& term = plondex::TId3TermFinder::Terms()[static_cast<int>(kind)];
      const std::string_view expected = length == 4 ? term.id4 : term.id3;
      FUZZ_CHECK(expected.size() == length);
      for (size_t i = 0; i < length; ++i) FUZZ_CHECK(plondex::AsciiUpper(id[i]) == expected[i]);
    }
  }
  return 0;
}
