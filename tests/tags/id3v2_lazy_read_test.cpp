// The tag body read from its source on demand: only the bytes a frame's handler uses are read,
// and the results are those of the same body held in memory.

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "platform/error.h"
#include "platform/files.h"
#include "support/id3v2_builder.h"
#include "support/temp_dir.h"
#include "tags/id3stream.h"
#include "tags/id3v2.h"

namespace plondex {
namespace {

using test::Id3v2Builder;
using test::Utf16Order;

// Claims more bytes than it holds, as a file cut short while it is read.
class ShortSource : public ByteSource {
 public:
  ShortSource(std::string_view data, uint64_t claimed) : data_(data), claimed_(claimed) {}
  uint64_t Size() const override { return claimed_; }
  size_t ReadAt(uint64_t offset, void* buffer, size_t n) const override {
    return data_.ReadAt(offset, buffer, n);
  }

 private:
  MemorySource data_;
  uint64_t claimed_;
};

// Every value a read sets, one line each, for comparing two reads.
std::string Describe(const TId3v2& tag) {
  std::string out;
  auto line = [&](std::string_view name, const std::string& value) {
    out.append(name).append("=").append(value).append("\n");
  };
  auto list = [&](std::string_view name, const std::vector<std::string>& values) {
    std::string joined;
    for (const std::string& v : values) joined += v + "|";
    line(name, joined);
  };
  const TId3Text& t = tag.Texts();
  line("TagPresent", std::to_string(tag.TagPresent()));
  for (const auto& [name, value] : std::vector<std::pair<const char*, const std::string*>>{
           {"Album", &t.Album()},
           {"Copyright", &t.Copyright()},
           {"Date", &t.Date()},
           {"EncodedBy", &t.EncodedBy()},
           {"Time", &t.Time()},
           {"ContentGroup", &t.ContentGroup()},
           {"Title", &t.ContentDescription()},
           {"SubTitle", &t.SubTitle()},
           {"InitialKey", &t.InitialKey()},
           {"Length", &t.Length()},
           {"OriginalTitle", &t.OriginalTitle()},
           {"Band", &t.Band()},
           {"TrackNumber", &t.TrackNumber()},
           {"Year", &t.Year()},
           {"Content", &t.Content()},
       }) {
    line(name, *value);
  }
  list("Composer", t.Composer());
  list("Lyricists", t.Lyricists());
  list("Languages", t.Languages());
  list("Performers", t.Performers());
  line("Numbers", std::to_string(t.BPM()) + "," + std::to_string(t.PlaylistDelay()) + "," +
                      std::to_string(t.Size()) + "," +
                      std::to_string(static_cast<int>(t.FileType())) + "," +
                      std::to_string(static_cast<int>(t.MediaType())));
  for (const auto& item : tag.UserDefinedText().Items())
    line("TXXX", item.description + "/" + item.value);
  for (const auto& item : tag.UserDefinedWeb().Items())
    line("WXXX", item.description + "/" + item.url);
  for (const auto& item : tag.InvolvedPeople().Items()) line("IPLS", item.job + "/" + item.person);
  line("Web", tag.Web().CommercialInfo() + "|" + tag.Web().Publishers());
  for (int type = 0; type < TId3Images::kPictureTypes; ++type) {
    const TId3Picture& p = tag.Images().Picture(type);
    line("Picture" + std::to_string(type), tag.Images().Info(type) + "/" +
                                               std::to_string(p.present) + "/" + p.mime_type + "/" +
                                               std::to_string(p.size));
  }
  line("PlayCounter", std::to_string(tag.PlayCounter()));
  line("Owner", tag.Owner().Price() + "/" + std::to_string(tag.Owner().DatePurchased()) + "/" +
                    tag.Owner().Seller());
  line("Popularimeter", tag.Popularimeter().UserEmail() + "/" +
                            std::to_string(tag.Popularimeter().Rating()) + "/" +
                            std::to_string(tag.Popularimeter().Counter()));
  std::string events = std::to_string(tag.EventList().time_stamp_format);
  for (const TId3Event& e : tag.EventList().events) {
    events += "," + std::to_string(static_cast<int>(e.type)) + ":" + std::to_string(e.time_stamp);
  }
  line("Events", events);
  const TId3CdIdentifier& cd = tag.CdIdentifier();
  line("CdIdentifier", std::string(reinterpret_cast<const char*>(cd.bytes.data()), cd.count));
  return out;
}

// The values after a read, then the error it ended with ("" for none).
std::string ReadAndDescribe(TId3v2& tag, const std::function<void()>& read) {
  std::string error;
  try {
    read();
  } catch (const Error& e) {
    error = e.what();
  }
  return Describe(tag) + "error=" + error + "\n";
}

std::string FromSource(TId3v2& tag, const ByteSource& source) {
  return ReadAndDescribe(tag, [&] { tag.ReadFromSource(source); });
}

std::string FromFile(TId3v2& tag, const std::string& path) {
  return ReadAndDescribe(tag, [&] { tag.SetFileName(FileLocation(path)); });
}

std::string PictureFrame(std::string_view mime, char type, std::string_view description,
                         size_t data_size) {
  return std::string(1, '\0') + std::string(mime) + '\0' + type + std::string(description) + '\0' +
         std::string(data_size, '\xD8');
}

TEST(Id3v2LazyRead, BigPictureCostsAFewKilobytes) {
  constexpr size_t kPicture = 200 * 1024;
  for (const uint8_t version : {3, 4}) {
    SCOPED_TRACE(int{version});
    const std::string bytes =
        Id3v2Builder()
            .Version(version, 0)
            .Text("TIT2", "Before")
            .Frame("APIC", PictureFrame("image/jpeg", '\x03', "Front", kPicture))
            .Frame("GEOB", std::string("\0app/x\0f.bin\0obj\0", 17) + std::string(50000, 'G'))
            .Frame("ZZZZ", std::string(50000, 'Z'))  // no handler
            .Text("TPE1", "After/Guest")
            .Padding(512)
            .Build() +
        std::string(4096, '\x55');  // audio
    test::TempDir dir;
    const std::string path = dir.Write("cover.mp3", bytes);

    TId3v2 from_file;
    const uint64_t before = InputFile::TotalBytesRead();
    const std::string lazy = FromFile(from_file, path);
    const uint64_t read = InputFile::TotalBytesRead() - before;
    // One buffer load for the start and one after each of the three skipped frames; in version
    // 2.4 also a look at the 4 bytes after each of them, whose size reads two ways.
    EXPECT_LE(read, 4 * TId3Stream::kReadAhead + (version == 4 ? 3 * 4 : 0))
        << "of " << bytes.size();

    TId3v2 from_buffer;
    EXPECT_EQ(lazy, FromSource(from_buffer, MemorySource(bytes)));
    EXPECT_EQ(from_file.TagSize(), from_buffer.TagSize());
    EXPECT_EQ(from_file.Texts().ContentDescription(), "Before");
    EXPECT_EQ(from_file.Texts().Performers(), (std::vector<std::string>{"After", "Guest"}));
    const TId3Picture& picture = from_file.Images().Picture(3);
    EXPECT_TRUE(picture.present);
    EXPECT_EQ(picture.mime_type, "image/jpeg");
    EXPECT_EQ(picture.size, kPicture);
    EXPECT_EQ(from_file.Images().Info(3), "Front");
  }
}

TEST(Id3v2LazyRead, BodyPastTheEndFailsBeforeReadingIt) {
  const std::string tag = Id3v2Builder().Text("TIT2", "Title").Padding(100).Build();
  test::TempDir dir;
  const std::string path = dir.Write("cut.mp3", tag.substr(0, tag.size() - 1));
  TId3v2 reader;
  const uint64_t before = InputFile::TotalBytesRead();
  EXPECT_THROW(
      try { reader.SetFileName(FileLocation(path)); } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "Stream read error");
        throw;
      },
      Error);
  // The header, nothing of the body.
  EXPECT_EQ(InputFile::TotalBytesRead() - before, 10u);
  EXPECT_EQ(reader.Texts().ContentDescription(), "");
}

TEST(Id3v2LazyRead, SourceThatDeliversLessThanItClaimsIsAReadError) {
  const std::string tag = Id3v2Builder()
                              .Text("TIT2", "Early")
                              .Frame("APIC", PictureFrame("image/png", '\x00', "", 9000))
                              .Text("TALB", "Late")
                              .Build();
  // Cut inside the skipped picture: the frame after it cannot be read.
  const ShortSource source(std::string_view(tag).substr(0, tag.size() - 20), tag.size());
  TId3v2 reader;
  EXPECT_THROW(reader.ReadFromSource(source), Error);
  EXPECT_EQ(reader.Texts().ContentDescription(), "Early");
  EXPECT_EQ(reader.Texts().Album(), "");
}

// Bytes rich in what the text readers look for: zero bytes, byte-order marks, 0xFF.
std::string TextLikeBytes(std::mt19937& rng, size_t n) {
  static const char kAlphabet[] = {'\0', '\0', '\xFF', '\xFE', 'a', 'b', '/', '\x80', 'z', '1'};
  std::string bytes(n, '\0');
  for (char& c : bytes) c = kAlphabet[rng() % sizeof(kAlphabet)];
  return bytes;
}

// Runs the same random script of calls on two streams and records what each gives.
std::string RunScript(TId3Stream& s, uint32_t seed) {
  std::mt19937 rng(seed);
  std::string log;
  for (int step = 0; step < 200; ++step) {
    try {
      switch (rng() % 9) {
        case 0:
          s.EnterFrame(rng() % 40);
          break;
        case 1:
          s.LeaveFrame();
          break;
        case 2:
          log.append(s.Read(rng() % 12));
          break;
        case 3:
          log.append(s.ReadUpTo(rng() % 30));
          break;
        case 4:
          log += s.ReadText8() + "#";
          break;
        case 5:
          log += s.ReadText16() + "#";
          break;
        case 6: {
          const uint8_t encoding = s.ReadEncoding();
          log += std::to_string(encoding) + ":" + std::to_string(s.ReadUInt32BE());
          break;
        }
        case 7:
          s.SetPosition(rng() % (s.Size() + 8));
          break;
        default:
          log.append(s.ReadRest());
          break;
      }
    } catch (const Error& e) {
      log += std::string("!") + e.what();
    }
    log += "@" + std::to_string(s.Position()) + "/" + std::to_string(s.FrameBytesLeft()) + ";";
  }
  return log;
}

TEST(Id3v2LazyRead, PositionStaysInsideTheOpenWindow) {
  for (size_t read_ahead : {1, 4096}) {
    const std::string body = "abcdefghij";
    const MemorySource source(body);
    TId3Stream s(source, 0, body.size(), read_ahead);
    s.EnterFrame(4);
    s.SetPosition(8);
    EXPECT_EQ(s.Position(), 4u);
    EXPECT_EQ(s.FrameBytesLeft(), 0u);
    EXPECT_EQ(s.ReadUpTo(100), "");
    EXPECT_THROW(s.Read(1), Error);
    s.SetPosition(1);
    EXPECT_EQ(s.ReadRest(), "bcd");
    s.LeaveFrame();
    s.SetPosition(99);
    EXPECT_EQ(s.Position(), 10u);
  }
}

TEST(Id3v2LazyRead, StreamOverASourceActsAsTheBodyInMemory) {
  std::mt19937 rng(7);
  for (int round = 0; round < 60; ++round) {
    const std::string body = TextLikeBytes(rng, 1 + rng() % 300);
    // The body sits inside a larger source, as a tag body does in a file.
    const std::string file = "HEADER" + body + "AUDIO";
    const MemorySource source(file);
    const uint32_t seed = rng();
    TId3Stream in_memory(body);
    const std::string expected = RunScript(in_memory, seed);
    for (size_t read_ahead : {1, 2, 3, 7, 64, 4096}) {
      TId3Stream lazy(source, 6, body.size(), read_ahead);
      EXPECT_EQ(RunScript(lazy, seed), expected) << "round " << round << " buffer " << read_ahead;
    }
  }
}

// A random frame of one of the kinds the reader handles, or of none.
void AddRandomFrame(Id3v2Builder& b, std::mt19937& rng) {
  static const char* kIds[] = {"TIT2", "TPE1", "TALB", "TCON", "TLAN", "TBPM", "TSIZ", "TXXX",
                               "WXXX", "WCOM", "IPLS", "APIC", "PCNT", "POPM", "OWNE", "ETCO",
                               "MCDI", "COMM", "USLT", "USER", "GEOB", "TT2",  "XYZW", "PRIV"};
  const std::string id = kIds[rng() % (sizeof(kIds) / sizeof(kIds[0]))];
  // Mostly short frames, now and then one larger than the read-ahead buffer.
  const size_t size = rng() % 10 == 0 ? 4000 + rng() % 20000 : rng() % 60;
  std::string content;
  switch (rng() % 4) {
    case 0:
      content = std::string(1, '\x01') +
                test::Utf16Text(u"Wide/Text", rng() % 2 == 0 ? Utf16Order::kBigEndian
                                                             : Utf16Order::kLittleEndian);
      break;
    case 1:
      content = id == "TSIZ" ? std::string(1, '\0') + (rng() % 2 ? "123" : "12x") : "";
      break;
    default:
      break;
  }
  content += TextLikeBytes(rng, size);
  if (rng() % 12 == 0) {
    // A size field that runs past the end of the tag.
    b.FrameWithSize(id, static_cast<uint32_t>(content.size() + 1 + rng() % 100000), content);
  } else {
    b.Frame(id, content);
  }
}

TEST(Id3v2LazyRead, GeneratedTagsReadAlikeFromFileBufferAndInMemoryCopy) {
  std::mt19937 rng(20240612);
  test::TempDir dir;
  int with_error = 0;
  int big = 0;
  for (int round = 0; round < 400; ++round) {
    // Every fourth tag of version 2.4, whose frames are unsynchronised one by one.
    const uint8_t version = round % 4 == 3 ? 4 : 3;
    Id3v2Builder b;
    b.Version(version, 0);
    if (rng() % 8 == 0) b.ExtendedHeader(rng() % 12);
    const int frames = 1 + static_cast<int>(rng() % 12);
    for (int i = 0; i < frames; ++i) AddRandomFrame(b, rng);
    if (rng() % 2 == 0) b.Padding(rng() % 5000);
    const std::string bytes = b.Build() + "AUDIO";
    big += bytes.size() > TId3Stream::kReadAhead;

    const std::string path = dir.Write("song.mp3", bytes);
    TId3v2 from_file, from_buffer, from_copy;
    const std::string lazy = FromFile(from_file, path);
    EXPECT_EQ(lazy, FromSource(from_buffer, MemorySource(bytes))) << "round " << round;
    EXPECT_EQ(from_file.TagSize(), from_buffer.TagSize());
    with_error += lazy.find("error=\n") == std::string::npos;
    // The unsynchronised form of the same version 2.3 frames is decoded into memory first.
    if (version == 4) continue;
    const std::string unsynchronised = b.Unsynchronised().Build();
    EXPECT_EQ(lazy, FromSource(from_copy, MemorySource(unsynchronised))) << "round " << round;
    EXPECT_TRUE(from_copy.Unsynchronisation());
  }
  // The generated tags reach both the error ends and tags beyond one buffer load.
  EXPECT_GT(with_error, 0);
  EXPECT_LT(with_error, 400);
  EXPECT_GT(big, 50);
}

}  // namespace
}  // namespace plondex
