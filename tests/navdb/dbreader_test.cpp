#include "navdb/dbreader.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "navdb/irivdb.h"

namespace plondex {
namespace {

constexpr size_t kHeader = 41152;

std::vector<tsong> SampleSongs() {
  return {
      tsong{"\\Music\\Caf\xE9.mp3", "Title \x80", "Artist", "Album", "Rock"},  // 10+16+8+7+6+5
      tsong{"\\b.ogg", "", "", "", ""},                                        // 10+7+1+1+1+1
      tsong{"\\c.wma", "T", "A", "B", "G"},                                    // 10+7+2+2+2+2
  };
}
constexpr size_t kFirstRecord = 52, kSecondRecord = 21, kThirdRecord = 25;

std::string SampleFile() {
  tirivdb db;
  for (const tsong& s : SampleSongs()) db.AddSong(s);
  return db.Assemble();
}

void PutU32(std::string& file, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) file[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

// The offset of the first problem, or -1 for a sound file.
int64_t ProblemAt(const std::string& file) {
  const DbContents c = ReadDatabase(file);
  return c.problem ? static_cast<int64_t>(c.problem->offset) : -1;
}

TEST(DbReader, ReadsBackWhatWasWritten) {
  const DbContents c = ReadDatabase(SampleFile());
  ASSERT_FALSE(c.problem) << c.problem->Message();
  EXPECT_EQ(c.songs, SampleSongs());

  const DbContents empty = ReadDatabase(tirivdb().Assemble());
  EXPECT_FALSE(empty.problem);
  EXPECT_TRUE(empty.songs.empty());
}

TEST(DbReader, EveryTruncationIsAProblemAtTheEnd) {
  const std::string file = SampleFile();
  for (size_t length = 0; length < file.size(); ++length) {
    const DbContents c = ReadDatabase(std::string_view(file).substr(0, length));
    ASSERT_TRUE(c.problem) << "length " << length;
    EXPECT_TRUE(c.songs.empty());
    // Cut anywhere, the file is sound up to its end, so the problem is the end itself.
    ASSERT_EQ(c.problem->offset, length) << c.problem->Message();
    ASSERT_NE(c.problem->what.find("ends inside"), std::string::npos) << c.problem->Message();
  }
}

TEST(DbReader, HeaderDamageIsFoundWhereItIs) {
  const std::string good = SampleFile();
  // Every byte of the fixed header parts, changed, is found at its own offset.
  std::vector<size_t> fixed;
  for (size_t i = 0; i < 64; ++i) fixed.push_back(i);
  for (size_t i = 68; i < 128; ++i) fixed.push_back(i);
  for (size_t i = 41088; i < kHeader; ++i) fixed.push_back(i);
  for (size_t at : fixed) {
    std::string file = good;
    file[at] = static_cast<char>(file[at] ^ 0x20);
    ASSERT_EQ(ProblemAt(file), static_cast<int64_t>(at)) << "byte " << at;
  }
}

TEST(DbReader, CountAboveLimitIsRefused) {
  std::string file = tirivdb().Assemble();
  PutU32(file, 64, 10000);
  const DbContents c = ReadDatabase(file);
  ASSERT_TRUE(c.problem);
  EXPECT_EQ(c.problem->offset, 64u);
  EXPECT_EQ(c.problem->Message(), "song count 10000 is above 9999 (at byte 64)");
  // A count larger than the records present runs into the end of the file, not past it.
  file = SampleFile();
  PutU32(file, 64, 9999);
  EXPECT_EQ(ProblemAt(file), static_cast<int64_t>(128 + 4 * 3));
}

TEST(DbReader, OffsetTableMustMatchTheRecords) {
  const std::string good = SampleFile();
  std::string file = good;
  PutU32(file, 128 + 4 * 1, kFirstRecord + 1);
  EXPECT_EQ(ProblemAt(file), 132);
  file = good;
  PutU32(file, 128 + 4 * 10239, 1);  // last unused slot
  EXPECT_EQ(ProblemAt(file), 128 + 4 * 10239);
  file = good;
  PutU32(file, 128 + 4 * 3, kFirstRecord + kSecondRecord + kThirdRecord);  // first unused slot
  EXPECT_EQ(ProblemAt(file), 128 + 4 * 3);
}

TEST(DbReader, RecordDamageIsFoundWhereItIs) {
  const std::string good = SampleFile();
  const size_t second = kHeader + kFirstRecord;
  std::string file = good;
  file[second + 2] = 0;  // Title length 0 leaves no terminator
  file[second + 3] = 0;
  EXPECT_EQ(ProblemAt(file), static_cast<int64_t>(second + 2));

  file = good;
  file[kHeader + 10 + 3] = '\0';  // a zero inside the first Path
  EXPECT_EQ(ProblemAt(file), static_cast<int64_t>(kHeader + 13));

  file = good;
  file[kHeader + 10 + 15] = 'x';  // the first Path's terminator
  EXPECT_EQ(ProblemAt(file), static_cast<int64_t>(kHeader + 25));

  // A longer Path swallows its own terminator: the zero now sits inside the text.
  file = good;
  file[kHeader] = 17;
  EXPECT_EQ(ProblemAt(file), static_cast<int64_t>(kHeader + 25));
  // A shorter one ends on a byte that is not zero.
  file = good;
  file[kHeader] = 15;
  EXPECT_EQ(ProblemAt(file), static_cast<int64_t>(kHeader + 24));

  // A length pointing far past the end is a clean truncation, not a read past the buffer.
  file = good;
  file[second] = '\xFF';
  file[second + 1] = '\xFF';
  const DbContents c = ReadDatabase(file);
  ASSERT_TRUE(c.problem);
  EXPECT_EQ(c.problem->offset, file.size());
}

TEST(DbReader, TrailerMustBeZerosAndEndTheFile) {
  const std::string good = SampleFile();
  std::string file = good;
  file[good.size() - 1] = 1;
  EXPECT_EQ(ProblemAt(file), static_cast<int64_t>(good.size() - 1));
  file = good + "x";
  const DbContents c = ReadDatabase(file);
  ASSERT_TRUE(c.problem);
  EXPECT_EQ(c.problem->offset, good.size());
  EXPECT_EQ(c.problem->Message(),
            "1 byte follows the trailer (at byte " + std::to_string(good.size()) + ")");
}

TEST(DbReader, RandomDamageNeverReadsOutside) {
  // Run under the sanitizers this is where an over-read would show.
  const std::string good = SampleFile();
  std::mt19937 rng(12345);
  for (int round = 0; round < 3000; ++round) {
    std::string file = good;
    const int changes = 1 + static_cast<int>(rng() % 4);
    for (int k = 0; k < changes; ++k) {
      // Mostly the count, the first slots and the records, where lengths are read.
      const size_t at = rng() % 2 ? 64 + rng() % 80 : kHeader + rng() % (file.size() - kHeader);
      file[at] = static_cast<char>(rng());
    }
    file.resize(rng() % 4 ? file.size() : rng() % file.size());
    const DbContents c = ReadDatabase(file);
    if (c.problem) {
      ASSERT_LE(c.problem->offset, file.size());
    } else {
      ASSERT_LE(c.songs.size(), 9999u);
    }
  }
}

}  // namespace
}  // namespace plondex
