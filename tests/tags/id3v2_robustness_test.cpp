// Hostile tags: sizes that lie, truncated and scrambled bytes. The reader must end every read
// with its values or an Error, and never allocate more than the input can justify.

#include <gtest/gtest.h>
#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "platform/error.h"
#include "platform/files.h"
#include "support/id3v2_builder.h"
#include "support/temp_dir.h"
#include "tags/id3v2.h"

namespace {

// The largest single allocation made while tracking is on, and the bytes held at any time.
std::atomic<bool> g_tracking{false};
std::atomic<size_t> g_largest{0};
std::atomic<size_t> g_held{0};

}  // namespace

// GCC takes the malloc/free pair below for a new/free mismatch once it inlines them.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
void* operator new(std::size_t n) {
  if (g_tracking.load(std::memory_order_relaxed)) {
    size_t seen = g_largest.load(std::memory_order_relaxed);
    while (n > seen && !g_largest.compare_exchange_weak(seen, n)) {
    }
  }
  if (void* p = std::malloc(n ? n : 1)) {
    g_held += malloc_usable_size(p);
    return p;
  }
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
  g_held -= malloc_usable_size(p);
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept { operator delete(p); }
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

namespace plondex {
namespace {

using test::Id3v2Builder;
using test::Utf16Order;

class AllocationWatch {
 public:
  AllocationWatch() {
    g_largest = 0;
    g_tracking = true;
  }
  ~AllocationWatch() { g_tracking = false; }
  size_t Largest() const { return g_largest.load(); }
};

// Reads and tells whether the read ended in an Error; anything else thrown fails the test.
bool ReadFails(TId3v2& tag, const std::string& bytes) {
  MemorySource source(bytes);
  try {
    tag.ReadFromSource(source);
  } catch (const Error&) {
    return true;
  }
  return false;
}

TEST(Id3v2Robustness, WatchSeesAllocations) {
  AllocationWatch watch;
  std::string big(100000, 'x');
  EXPECT_GE(watch.Largest(), big.size());
}

TEST(Id3v2Robustness, HugeDeclaredSizeAllocatesNothingOfThatSize) {
  for (uint8_t flags : {uint8_t{0}, Id3v2Builder::kUnsynchronisation}) {
    const std::string bytes = std::string("ID3\x03\x00", 5) + static_cast<char>(flags) +
                              test::SynchsafeSize(0x0FFFFFFF) + std::string(10, '\xFF');
    TId3v2 tag;
    AllocationWatch watch;
    EXPECT_TRUE(ReadFails(tag, bytes));
    EXPECT_LT(watch.Largest(), 4096u);
  }
}

TEST(Id3v2Robustness, HugeDeclaredSizeInAFile) {
  test::TempDir dir;
  const std::string path =
      dir.Write("liar.mp3",
                std::string("ID3\x03\x00\x00", 6) + test::SynchsafeSize(0x0FFFFFFF) + "0123456789");
  TId3v2 tag;
  AllocationWatch watch;
  EXPECT_THROW(tag.SetFileName(FileLocation(path)), Error);
  EXPECT_LT(watch.Largest(), 4096u);
}

TEST(Id3v2Robustness, LargeFramesAreSkippedWithoutACopy) {
  const std::string big(1 << 20, '\x42');
  const std::string bytes = Id3v2Builder()
                                .Text("TIT2", "Title")
                                .Frame("APIC", std::string("\0image/png\0\x03"
                                                           "d\0",
                                                           14) +
                                                   big)
                                .Frame("GEOB", std::string("\0m\0f\0d\0", 8) + big)
                                .Frame("QQQQ", big)
                                .Text("TALB", "Album")
                                .Build();
  TId3v2 tag;
  AllocationWatch watch;
  ASSERT_FALSE(ReadFails(tag, bytes));
  EXPECT_LT(watch.Largest(), 65536u);
  EXPECT_EQ(tag.Texts().Album(), "Album");
  EXPECT_EQ(tag.Images().Picture(3).size, big.size());
}

// Every byte a reader holds after reading a tag: what it gives back when it goes.
size_t HeldAfterReading(const std::string& bytes) {
  auto tag = std::make_unique<TId3v2>();
  EXPECT_FALSE(ReadFails(*tag, bytes));
  const size_t held = g_held;
  tag.reset();
  return held - g_held;
}

TEST(Id3v2Robustness, ATagKeepsAtMostItsBudgetOfValues) {
  // Small tags that expand: a value per byte or two, compressed 1000 to 1, a megabyte-long text,
  // frames of a few bytes each; and all of them in one tag.
  const uint8_t kCompressed = Id3v2Builder::kCompressed;
  const std::string zeros(4 << 20, '\0');
  std::string values(1 << 20, 'a');
  for (size_t i = 1; i < values.size(); i += 2) values[i] = '\0';
  const auto v24 = [] { return Id3v2Builder().Version(4, 0); };
  const auto many_frames = [](Id3v2Builder builder) {
    for (int i = 0; i < 50000; ++i) builder.Frame("TXXX", std::string("\0d\0", 3));
    return builder;
  };
  const std::vector<std::string> tags = {
      v24().FlaggedFrame("IPLS", zeros, kCompressed).Build(),
      v24().FlaggedFrame("TPE1", "\0" + values, kCompressed).Build(),
      v24().FlaggedFrame("TCOM", "\0" + std::string(4 << 20, '/'), kCompressed).Build(),
      v24().FlaggedFrame("TIT2", "\0" + std::string(4 << 20, 't'), kCompressed).Build(),
      many_frames(Id3v2Builder()).Build(),
      many_frames(v24()
                      .FlaggedFrame("TIT2", "\0" + std::string(4 << 20, 't'), kCompressed)
                      .FlaggedFrame("TPE1", "\0" + values, kCompressed)
                      .FlaggedFrame("IPLS", zeros, kCompressed))
          .Build(),
  };
  // The texts, and a string and a share of its list for each value.
  constexpr size_t kMostHeld =
      Id3KeepBudget::kBytes + Id3KeepBudget::kValues * 4 * sizeof(std::string) + 65536;
  for (size_t i = 0; i < tags.size(); ++i) {
    EXPECT_LT(tags[i].size(), 700000u);
    EXPECT_LE(HeldAfterReading(tags[i]), kMostHeld) << "tag " << i;
  }
  // What fits is kept, in tag order.
  TId3v2 tag;
  ASSERT_FALSE(ReadFails(tag, tags.back()));
  EXPECT_EQ(tag.Texts().ContentDescription(), std::string(Id3KeepBudget::kBytes, 't'));
  EXPECT_TRUE(tag.Texts().Performers().empty());
  EXPECT_EQ(tag.InvolvedPeople().ItemCount(), 0);
  EXPECT_EQ(tag.UserDefinedText().ItemCount(), 0);
}

std::vector<std::string> Seeds() {
  std::string events = "\x01";
  for (uint32_t i = 0; i < 40; ++i) events += '\x05' + test::BigEndian32(i);
  return {
      Id3v2Builder()
          .Text("TIT2", "Title")
          .Text16("TPE1", u"A/B/C", Utf16Order::kBigEndian)
          .Text("TALB", "Album")
          .Text("TCON", "(17)")
          .Text("TLAN", "engger")
          .Text("TSIZ", "12")
          .Padding(64)
          .Build(),
      Id3v2Builder()
          .ExtendedHeader(6)
          .Frame("TXXX", std::string("\0desc\0value", 11))
          .Frame("WXXX", "\x01" + test::Utf16Text(u"d", Utf16Order::kLittleEndian) + "http://u")
          .Frame("IPLS", std::string("\0a\0b\0c\0d\0", 9))
          .Frame("APIC", std::string("\0image/png\0\x03"
                                     "d\0",
                                     14) +
                             std::string(300, '\xFF'))
          .Padding(16)
          .Unsynchronised()
          .Build(),
      Id3v2Builder()
          .Frame("ETCO", events)
          .Frame("MCDI", std::string(900, '\x11'))
          .Frame("OWNE", std::string("\0EUR1\0", 6) + "20010203Seller")
          .Frame("POPM", std::string("a@b\0\x05\0\0\0\x09", 9))
          .Frame("PCNT", test::BigEndian32(9))
          .Frame("COMM", std::string("\0engd\0text", 10))
          .Frame("GEOB", std::string("\0m\0f\0d\0data", 11))
          .Build(),
      Id3v2Builder()
          .Version(4, 0)
          .ExtendedHeader(10)
          .Frame("TPE1", std::string("\3One/\xC5\x81\0Two\0", 11))
          .FlaggedFrame("TIT2", "\1" + test::Utf16Text(u"Title \xFF", Utf16Order::kLittleEndian),
                        Id3v2Builder::kCompressed | Id3v2Builder::kDataLength |
                            Id3v2Builder::kFrameUnsynchronised)
          .FlaggedFrame("TALB", std::string("\2\0A\0l\xFF\xFE", 7),
                        Id3v2Builder::kGrouping | Id3v2Builder::kDataLength)
          .FlaggedFrame("TCON",
                        std::string("\0"
                                    "17",
                                    3),
                        Id3v2Builder::kCompressed)
          .Frame("COMM", std::string("\0eng\0", 5) + std::string(200, 'c'))
          .Padding(32)
          .Build(),
      Id3v2Builder()
          .Version(2, 0)
          .Text16("TT2", u"Title")
          .Text("TP1", "A/B")
          .Frame("PIC", std::string("\0PNG\x03"
                                    "d\0",
                                    7) +
                            std::string(40, '\xFF'))
          .Padding(16)
          .Unsynchronised()
          .Build(),
  };
}

TEST(Id3v2Robustness, ScrambledTagsEndCleanly) {
  std::mt19937 rng(20240611);
  TId3v2 tag;
  int failures = 0;
  for (const std::string& seed : Seeds()) {
    ASSERT_FALSE(ReadFails(tag, seed));
    for (int round = 0; round < 1500; ++round) {
      std::string bytes = seed;
      const int edits = 1 + static_cast<int>(rng() % 8);
      for (int e = 0; e < edits; ++e) {
        const size_t at = rng() % bytes.size();
        switch (rng() % 4) {
          case 0:  // any byte, frame sizes included
            bytes[at] = static_cast<char>(rng());
            break;
          case 1:  // a size field of four 0xFF
            for (size_t i = at; i < bytes.size() && i < at + 4; ++i) bytes[i] = '\xFF';
            break;
          case 2:  // cut the file
            bytes.resize(std::max<size_t>(at, 1));
            break;
          default:  // a byte 255 that may start an unsynchronisation pair
            bytes[at] = '\xFF';
            break;
        }
      }
      AllocationWatch watch;
      failures += ReadFails(tag, bytes);
      // Texts are copies of frame bytes; the fixed holders need a few kilobytes.
      EXPECT_LE(watch.Largest(), 2 * bytes.size() + 65536) << "round " << round;
    }
  }
  // Both outcomes happen, so the scrambling reaches the failure paths.
  EXPECT_GT(failures, 0);
  EXPECT_LT(failures, 1500 * static_cast<int>(Seeds().size()));
}

}  // namespace
}  // namespace plondex
