#include "platform/files.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <random>

#include "platform/error.h"
#include "support/player_drive.h"
#include "support/temp_dir.h"

namespace plondex {
namespace {

class FilesTest : public ::testing::Test {
 protected:
  void SetUp() override { drive_.Use(dir_.MakeFolder("player")); }
  void TearDown() override { SetFileFaultHook(nullptr); }
  FileLocation At(const std::string& player_path) const { return drive_.Locate(player_path); }
  bool CreateFolderPath(const std::string& player_path) const {
    return drive_.files.CreateFolderPath(PlayerPath(player_path));
  }

  test::TempDir dir_;
  test::PlayerDrive drive_;
};

TEST_F(FilesTest, PlayerPathsResolveNameByName) {
  dir_.Write(
      "player/Music/M\xc3\xa4"
      "dchen.mp3",
      "utf8");
  dir_.Write("player/Music/raw\xe4.mp3", "latin1");
  EXPECT_TRUE(
      FileExists(At("e:\\Music\\M\xe4"
                    "dchen.mp3")));
  EXPECT_EQ(ReadWholeFile(At("e:\\Music\\M\xe4"
                             "dchen.mp3")),
            "utf8");
  EXPECT_EQ(ReadWholeFile(At("E:\\Music\\raw\xe4.mp3")), "latin1");
  EXPECT_TRUE(FolderExists(At("e:\\Music")));
  EXPECT_TRUE(FolderExists(At("e:\\")));
  EXPECT_FALSE(
      FolderExists(At("e:\\Music\\M\xe4"
                      "dchen.mp3")));
  EXPECT_FALSE(FileExists(At("f:\\Music")));
  // A name can never leave the drive.
  EXPECT_TRUE(At("e:\\..\\player").native().empty());
  EXPECT_TRUE(At("e:\\a/b").native().empty());
}

TEST_F(FilesTest, NameThatBecameQuestionMarkIsFoundAgain) {
  dir_.Write("player/\xe4\xb8\xad.mp3", "cjk");
  auto entries = ListFolder(At("e:\\"));
  ASSERT_TRUE(entries);
  ASSERT_EQ(entries->size(), 1u);
  EXPECT_EQ((*entries)[0].name, "?.mp3");
  EXPECT_EQ(ReadWholeFile(At("e:\\?.mp3")), "cjk");
}

TEST_F(FilesTest, NameFoundAmongTheEntriesFollowsChangesOfTheFolder) {
  dir_.Write("player/\xe4\xb8\xad.mp3", "first");
  dir_.Write("player/\xe6\x97\xa5 old.mp3", "old");
  EXPECT_EQ(ReadWholeFile(At("e:\\?.mp3")), "first");
  // Replaced by another name of the same 8-bit form.
  ASSERT_EQ(::unlink(dir_.Path("player/\xe4\xb8\xad.mp3").c_str()), 0);
  dir_.Write("player/\xe6\x97\xa5.mp3", "second");
  EXPECT_EQ(ReadWholeFile(At("e:\\?.mp3")), "second");
  // Added after the folder was last looked through.
  dir_.Write("player/\xe6\x97\xa5 new.mp3", "new");
  EXPECT_EQ(ReadWholeFile(At("e:\\? new.mp3")), "new");
  EXPECT_EQ(ReadWholeFile(At("e:\\? old.mp3")), "old");
  ASSERT_EQ(::unlink(dir_.Path("player/\xe6\x97\xa5 new.mp3").c_str()), 0);
  EXPECT_FALSE(FileExists(At("e:\\? new.mp3")));
}

TEST_F(FilesTest, ListingLeavesOutFolderLinksAndBackslashNames) {
  dir_.MakeFolder("player/sub");
  dir_.Write("player/song.mp3", "x");
  dir_.Write("player/a\\b.mp3", "x");
  ASSERT_EQ(::symlink(dir_.Path("player").c_str(), dir_.Path("player/loop").c_str()), 0);
  ASSERT_EQ(::symlink(dir_.Path("player/song.mp3").c_str(), dir_.Path("player/link.mp3").c_str()),
            0);
  auto entries = ListFolder(At("e:\\"));
  ASSERT_TRUE(entries);
  std::map<std::string, bool> seen;
  for (const auto& e : *entries) seen[e.name] = e.is_folder;
  EXPECT_EQ(seen,
            (std::map<std::string, bool>{{"sub", true}, {"song.mp3", false}, {"link.mp3", false}}));
  EXPECT_FALSE(ListFolder(At("e:\\missing")).has_value());
}

TEST_F(FilesTest, CreateFolderPathMakesEveryMissingLevel) {
  EXPECT_TRUE(CreateFolderPath("e:\\a\\b\\c\\"));
  EXPECT_TRUE(FolderExists(At("e:\\a\\b\\c")));
  EXPECT_TRUE(CreateFolderPath("e:"));  // a drive root counts as there
  EXPECT_TRUE(CreateFolderPath("e:\\a"));
  dir_.Write("player/file", "x");
  EXPECT_FALSE(CreateFolderPath("e:\\file\\sub"));
  try {
    CreateFolderPath("");
    FAIL();
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "Unable to create directory");
  }
}

TEST_F(FilesTest, OpenRefusesWhatIsNotARegularFile) {
  ASSERT_EQ(::mkfifo(dir_.Path("player/pipe.mp3").c_str(), 0644), 0);
  try {
    InputFile::Open(At("e:\\pipe.mp3"));  // must not wait for a writer
    FAIL();
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "Cannot open file \"e:\\pipe.mp3\". Not a regular file");
  }
  try {
    InputFile::Open(At("e:\\none.mp3"));
    FAIL();
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "Cannot open file \"e:\\none.mp3\". No such file or directory");
  }
}

// A folder held open reaches its files by their names; a stamp is that of a regular file only.
TEST_F(FilesTest, OpenFolderGivesStampsAndFilesByName) {
  dir_.Write("player/A/song.mp3", "0123456789");
  const struct timespec times[2] = {{1072915200, 5}, {1072915200, 123456789}};
  ASSERT_EQ(::utimensat(AT_FDCWD, dir_.Path("player/A/song.mp3").c_str(), times, 0), 0);
  ASSERT_EQ(::mkfifo(dir_.Path("player/A/pipe.mp3").c_str(), 0644), 0);
  dir_.MakeFolder("player/A/folder.mp3");
  const auto folder = OpenFolder::Open(dir_.Path("player/A"));
  ASSERT_NE(folder, nullptr);
  const FileStamp expected{10, 1072915200123456789};
  EXPECT_EQ(folder->StampOf("song.mp3"), expected);
  for (const char* other : {"pipe.mp3", "folder.mp3", "missing.mp3"}) {
    EXPECT_EQ(folder->StampOf(other), std::nullopt) << other;
  }
  const auto file = folder->OpenFile("song.mp3", std::nullopt);
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(file->Stamp(), expected);
  char buf[4];
  EXPECT_EQ(file->ReadAt(8, buf, 4), 2u);
  EXPECT_EQ(folder->OpenFile("missing.mp3", std::nullopt), nullptr);
  EXPECT_EQ(folder->OpenFile("folder.mp3", std::nullopt)->Stamp(), std::nullopt);
  EXPECT_EQ(OpenFolder::Open(dir_.Path("player/none")), nullptr);
}

TEST_F(FilesTest, PositionedReadsStopAtTheEnd) {
  dir_.Write("player/f.bin", "0123456789");
  auto file = InputFile::Open(At("e:\\f.bin"));
  char buf[8];
  EXPECT_EQ(file->Size(), 10u);
  EXPECT_EQ(file->ReadAt(6, buf, 8), 4u);
  EXPECT_EQ(std::string(buf, 4), "6789");
  EXPECT_EQ(file->ReadAt(100, buf, 8), 0u);
  MemorySource mem("abc");
  EXPECT_EQ(mem.ReadAt(1, buf, 8), 2u);
  EXPECT_EQ(mem.ReadAt(5, buf, 8), 0u);
}

TEST_F(FilesTest, AtomicWriteKeepsTheOldFileOnEveryFailure) {
  const std::string target = dir_.Write("player/db", "old content");
  for (FileOp failing : {FileOp::kCreate, FileOp::kWrite, FileOp::kFlush, FileOp::kRename}) {
    SetFileFaultHook([failing](FileOp op) { return op == failing; });
    EXPECT_THROW(WriteWholeFile(At("e:\\db"), "new"), Error);
    EXPECT_EQ(test::ReadNative(target), "old content");
    EXPECT_EQ(test::ListNames(dir_.Path("player")), "db");  // no temporary file left
  }
  SetFileFaultHook(nullptr);
  WriteWholeFile(At("e:\\db"), "new");
  EXPECT_EQ(test::ReadNative(target), "new");
  EXPECT_EQ(test::ListNames(dir_.Path("player")), "db");
}

TEST_F(FilesTest, WriteIntoMissingFolderNamesThePath) {
  try {
    WriteWholeFile(At("e:\\nowhere\\x.m3u"), "a");
    FAIL();
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "Cannot create file \"e:\\nowhere\\x.m3u\". No such file or directory");
  }
}

TEST_F(FilesTest, OversizedTextFileIsRefused) {
  const std::string path = dir_.Write("big.ini", std::string(100, 'x'));
  EXPECT_THROW(ReadWholeFile(FileLocation(path), 50), Error);
  EXPECT_EQ(ReadWholeFile(FileLocation(path), 100).size(), 100u);
}

// Counts the reads that reach it.
class CountingSource : public MemorySource {
 public:
  using MemorySource::MemorySource;
  size_t ReadAt(uint64_t offset, void* buffer, size_t n) const override {
    ++reads;
    return MemorySource::ReadAt(offset, buffer, n);
  }
  mutable int reads = 0;
};

TEST(BufferedSource, GivesWhatTheSourceHoldsAndServesTheStartAndTheLastBlock) {
  std::mt19937 rng(7);
  std::string data(5000, '\0');
  for (char& c : data) c = static_cast<char>(rng());
  const MemorySource plain(data);
  const CountingSource counting(data);
  const BufferedSource buffered(counting, 1024);
  for (int i = 0; i < 3000; ++i) {
    const uint64_t offset = rng() % 5200;
    const size_t n = rng() % 1500;
    std::string want(n, 'w'), got(n, 'g');
    want.resize(plain.ReadAt(offset, want.data(), n));
    got.resize(buffered.ReadAt(offset, got.data(), n));
    ASSERT_EQ(got, want) << offset << " " << n;
  }
  EXPECT_EQ(buffered.Size(), 5000u);

  const CountingSource source(data);
  const BufferedSource song(source, 1024);
  char bytes[600];
  song.ReadAt(28, bytes, 30);  // fetches the start
  song.ReadAt(0, bytes, 10);
  song.ReadAt(10, bytes, 600);
  EXPECT_EQ(source.reads, 1);
  EXPECT_TRUE(song.Holds(4000));  // reads the block that ends there
  song.ReadAt(3500, bytes, 500);
  song.ReadAt(100, bytes, 100);
  EXPECT_EQ(source.reads, 2);
  EXPECT_FALSE(song.Holds(5001));
  EXPECT_TRUE(song.Holds(5000));
}

}  // namespace
}  // namespace plondex
