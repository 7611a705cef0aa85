#include "navdb/irivdb.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "platform/error.h"
#include "platform/files.h"
#include "support/temp_dir.h"

namespace plondex {
namespace {

constexpr size_t kHeader = 41152;

uint32_t U32At(const std::string& file, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(file[at + i]);
  return v;
}

uint32_t Slot(const std::string& file, size_t i) { return U32At(file, 128 + 4 * i); }

tsong Song(std::string path, std::string title = "", std::string artist = "",
           std::string album = "", std::string genre = "") {
  return tsong{std::move(path), std::move(title), std::move(artist), std::move(album),
               std::move(genre)};
}

// The header as the player expects it, built from the byte positions alone.
std::string ExpectedHeader(uint32_t count) {
  std::string h(kHeader, '\0');
  std::memcpy(&h[0], "iRivDB Ver 0.12", 15);
  std::memcpy(&h[32], "iRiver iHP-100 DB File", 22);
  for (int i = 0; i < 4; ++i) h[64 + i] = static_cast<char>((count >> (8 * i)) & 0xFF);
  std::memcpy(&h[41088], "Designed by iRiver", 18);
  return h;
}

TEST(IrivdbLayout, EmptyDatabaseIsHeaderAndTrailerOnly) {
  tirivdb db;
  EXPECT_EQ(db.Count(), 0u);
  EXPECT_EQ(db.Assemble(), ExpectedHeader(0) + std::string(64, '\0'));
}

TEST(IrivdbLayout, OneSongRecordBytes) {
  tirivdb db;
  db.AddSong(std::make_unique<tsong>(Song("\\a.mp3", "???", "???", "???", "???")));
  const std::string file = db.Assemble();
  ASSERT_EQ(file.size(), 41249u);
  EXPECT_EQ(file.substr(0, kHeader), ExpectedHeader(1));  // slot 0 holds offset 0
  const std::string record(
      "\x07\x00\x04\x00\x04\x00\x04\x00\x04\x00"
      "\x5C\x61\x2E\x6D\x70\x33\x00"
      "\x3F\x3F\x3F\x00\x3F\x3F\x3F\x00\x3F\x3F\x3F\x00\x3F\x3F\x3F\x00",
      33);
  EXPECT_EQ(file.substr(kHeader, 33), record);
  EXPECT_EQ(file.substr(kHeader + 33), std::string(64, '\0'));
}

TEST(IrivdbLayout, OffsetsFollowRecordSizesAndUnusedSlotsStayZero) {
  tirivdb db;
  db.AddSong(Song("\\Music\\x.mp3", "Title", "", "Album", "Rock"));  // 10+13+6+1+6+5 = 41
  db.AddSong(Song("\\b.ogg", "T2", "Art", "", ""));                  // 10+7+3+4+1+1 = 26
  db.AddSong(Song("\\c.wma"));                                       // 10+7+4 = 21
  const std::string file = db.Assemble();
  EXPECT_EQ(U32At(file, 64), 3u);
  EXPECT_EQ(Slot(file, 0), 0u);
  EXPECT_EQ(Slot(file, 1), 41u);
  EXPECT_EQ(Slot(file, 2), 67u);
  for (size_t i = 3; i < 10240; ++i) ASSERT_EQ(Slot(file, i), 0u) << "slot " << i;
  EXPECT_EQ(file.size(), kHeader + 41 + 26 + 21 + 64);
  // Each slot points at a record whose first length is its Path's.
  EXPECT_EQ(file[kHeader + 41], 7);
  EXPECT_EQ(file.substr(kHeader + 41 + 10, 7), std::string("\\b.ogg\0", 7));
  // Empty texts are a length of 1 and a single zero byte.
  EXPECT_EQ(file.substr(kHeader + 67, 21),
            std::string("\7\0\1\0\1\0\1\0\1\0\\c.wma\0\0\0\0\0", 21));
}

TEST(IrivdbLayout, HighBytesAreStoredAsGiven) {
  tirivdb db;
  db.AddSong(Song("\\Caf\xE9.mp3", "\x80\x9F\xFF", "\x81", "", ""));
  const std::string file = db.Assemble();
  EXPECT_EQ(file.substr(kHeader, 4), std::string("\x0A\0\x04\0", 4));
  EXPECT_EQ(file.substr(kHeader + 10, 10), std::string("\\Caf\xE9.mp3\0", 10));
  EXPECT_EQ(file.substr(kHeader + 20, 6), std::string("\x80\x9F\xFF\0\x81\0", 6));
}

TEST(IrivdbLimits, TenThousandSongsKeepTheFirst9999AndNoTraceOfTheRest) {
  tirivdb db;
  for (int i = 0; i < 9999; ++i) db.AddSong(Song("\\s.mp3", "t"));  // 10+7+2+1+1+1 = 22
  db.AddSong(Song("\\LAST-ONE.mp3", "ZZZZZZZZ"));
  // Not written, so not checked either.
  db.AddSong(Song("\\bad", std::string(70000, 'x')));
  EXPECT_EQ(db.Count(), 10001u);
  const std::string file = db.Assemble();
  EXPECT_EQ(U32At(file, 64), 9999u);
  EXPECT_EQ(Slot(file, 9998), 9998u * 22);
  for (size_t i = 9999; i < 10240; ++i) ASSERT_EQ(Slot(file, i), 0u) << "slot " << i;
  EXPECT_EQ(file.size(), kHeader + 9999u * 22 + 64);
  EXPECT_EQ(file.find("LAST-ONE"), std::string::npos);
  EXPECT_EQ(file.find("ZZZ"), std::string::npos);
}

TEST(IrivdbLimits, LongestTextFitsAndOneMoreByteIsRefused) {
  tirivdb ok;
  ok.AddSong(Song("\\a.mp3", std::string(65534, 'x')));
  const std::string file = ok.Assemble();
  EXPECT_EQ(file.substr(kHeader + 2, 2), std::string("\xFF\xFF"));
  EXPECT_EQ(file.size(), kHeader + 10 + 7 + 65535 + 3 + 64);

  tirivdb bad;
  bad.AddSong(Song("\\a.mp3"));
  bad.AddSong(Song("\\Music\\long.mp3", "", "", std::string(65535, 'x')));
  try {
    bad.Assemble();
    FAIL() << "a 65535-byte text was accepted";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("\\Music\\long.mp3"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("Album"), std::string::npos) << e.what();
  }
}

TEST(IrivdbLimits, ZeroByteInATextIsRefused) {
  for (int field = 0; field < 5; ++field) {
    tsong song = Song("\\z.mp3", "t", "a", "b", "g");
    std::string* texts[] = {&song.Path, &song.Title, &song.Artist, &song.Album, &song.Genre};
    texts[field]->insert(1, 1, '\0');
    tirivdb db;
    db.AddSong(std::move(song));
    try {
      db.Assemble();
      ADD_FAILURE() << "zero byte accepted in field " << field;
    } catch (const Error& e) {
      // The path is named, its own zero byte shown rather than cutting the message short.
      const std::string path_shown = field == 0 ? "\\\\x00z.mp3" : "\\z.mp3";
      EXPECT_NE(std::string(e.what()).find(path_shown), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find("zero byte"), std::string::npos) << e.what();
    }
  }
}

TEST(IrivdbRecords, NullSongIsIgnoredAndOrderIsKept) {
  tirivdb db;
  db.AddSong(std::unique_ptr<tsong>());
  db.AddSong(Song("\\b"));
  db.AddSong(Song("\\a"));
  db.AddSong(Song("\\a"));  // duplicates are both kept
  ASSERT_EQ(db.Count(), 3u);
  EXPECT_EQ(db.Song(0).Path, "\\b");
  EXPECT_EQ(db.Song(2).Path, "\\a");
  EXPECT_EQ(U32At(db.Assemble(), 64), 3u);
}

class IrivdbSave : public ::testing::Test {
 protected:
  void TearDown() override { SetFileFaultHook(nullptr); }
  test::TempDir dir_;
};

TEST_F(IrivdbSave, WritesTheAssembledFileAndReplacesALongerOne) {
  const std::string path = dir_.Write("iRivNavi.iDB", std::string(200000, '\x55'));
  tirivdb db;
  db.AddSong(Song("\\a.mp3", "???", "???", "???", "???"));
  db.SaveDatabase(FileLocation(path));
  EXPECT_EQ(test::ReadNative(path), db.Assemble());
  EXPECT_EQ(test::ReadNative(path).size(), 41152u + 33 + 64);
  EXPECT_EQ(test::ListNames(dir_.path()), "iRivNavi.iDB");
}

TEST_F(IrivdbSave, MissingFolderNamesPathAndReason) {
  const std::string path = dir_.Path("gone/iRivNavi.iDB");
  tirivdb db;
  try {
    db.SaveDatabase(FileLocation(path));
    FAIL() << "saved into a missing folder";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()),
              "Cannot create file \"" + path + "\". No such file or directory");
  }
}

TEST_F(IrivdbSave, FailedWriteKeepsTheOldFileAndLeavesNoTemporary) {
  const std::string path = dir_.Write("iRivNavi.iDB", "old database");
  tirivdb db;
  db.AddSong(Song("\\a.mp3"));
  for (FileOp failing : {FileOp::kCreate, FileOp::kWrite, FileOp::kFlush, FileOp::kRename}) {
    SetFileFaultHook([failing](FileOp op) { return op == failing; });
    EXPECT_THROW(db.SaveDatabase(FileLocation(path)), Error) << static_cast<int>(failing);
    EXPECT_EQ(test::ReadNative(path), "old database");
    EXPECT_EQ(test::ListNames(dir_.path()), "iRivNavi.iDB");
  }
  SetFileFaultHook([](FileOp op) { return op == FileOp::kWrite; });
  try {
    db.SaveDatabase(FileLocation(path));
    ADD_FAILURE() << "a failed write passed";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()).rfind("Cannot write file \"" + path + "\". ", 0), 0u)
        << e.what();
  }
}

TEST_F(IrivdbSave, BadTextFailsBeforeAnythingIsWritten) {
  const std::string path = dir_.Write("iRivNavi.iDB", "old database");
  bool touched = false;
  SetFileFaultHook([&touched](FileOp) {
    touched = true;
    return false;
  });
  tirivdb db;
  db.AddSong(Song("\\a.mp3", std::string("x\0y", 3)));
  EXPECT_THROW(db.SaveDatabase(FileLocation(path)), Error);
  EXPECT_FALSE(touched);
  EXPECT_EQ(test::ReadNative(path), "old database");
}

}  // namespace
}  // namespace plondex
