#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "navdb/irivdb.h"
#include "support/run_cli.h"
#include "support/temp_dir.h"

namespace plondex {
namespace {

using test::CliRun;
using test::RunCli;

class DumpCli : public ::testing::Test {
 protected:
  std::string WriteDb(const tirivdb& db) {
    const std::string path = dir_.Path("iRivNavi.iDB");
    db.SaveDatabase(FileLocation(path));
    return path;
  }
  test::TempDir dir_;
};

TEST_F(DumpCli, ListsExactlyTheRecordsAdded) {
  tirivdb db;
  db.AddSong(tsong{"\\Music\\Caf\xE9.mp3", "\x80uro", "Art", "Alb", "Rock"});
  db.AddSong(tsong{"\\b.ogg", "", "", "", ""});
  db.AddSong(tsong{"\\b.ogg", "", "", "", ""});
  const CliRun run = RunCli(dir_, {"dump", WriteDb(db)});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out,
            "songs: 3\n"
            "0\t\\Music\\Caf\xC3\xA9.mp3\t\xE2\x82\xACuro\tArt\tAlb\tRock\n"
            "1\t\\b.ogg\t\t\t\t\n"
            "2\t\\b.ogg\t\t\t\t\n");
  EXPECT_EQ(run.err, "");
}

TEST_F(DumpCli, EmptyAndFullDatabases) {
  CliRun run = RunCli(dir_, {"dump", WriteDb(tirivdb())});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "songs: 0\n");

  tirivdb full;
  for (int i = 0; i < 10000; ++i) full.AddSong(tsong{"\\" + std::to_string(i), "t", "", "", ""});
  run = RunCli(dir_, {"dump", WriteDb(full)});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out.rfind("songs: 9999\n0\t\\0\tt\t\t\t\n", 0), 0u);
  EXPECT_NE(run.out.find("\n9998\t\\9998\tt\t\t\t\n"), std::string::npos);
  EXPECT_EQ(run.out.find("\\9999"), std::string::npos);
}

TEST_F(DumpCli, BrokenFilesGiveOneLineAndStatus1) {
  tirivdb db;
  db.AddSong(tsong{"\\a.mp3", "???", "???", "???", "???"});
  const std::string good = db.Assemble();
  struct Case {
    std::string bytes;
    std::string offset;
  };
  std::string bad_string = good;
  bad_string[3] = 'X';
  std::string extra = good + "!";
  const std::vector<Case> cases = {
      {"", "at byte 0"},
      {good.substr(0, 100), "at byte 100"},
      {good.substr(0, 41152), "at byte 41152"},
      {good.substr(0, good.size() - 1), "at byte " + std::to_string(good.size() - 1)},
      {bad_string, "at byte 3"},
      {extra, "at byte " + std::to_string(good.size())},
  };
  for (const Case& c : cases) {
    const std::string path = dir_.Write("broken.iDB", c.bytes);
    const CliRun run = RunCli(dir_, {"dump", path});
    EXPECT_EQ(run.status, 1) << c.offset;
    EXPECT_EQ(run.out, "") << c.offset;
    ASSERT_FALSE(run.err.empty()) << c.offset;
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
    EXPECT_EQ(run.err.rfind(path + ": ", 0), 0u) << run.err;
    EXPECT_NE(run.err.find(c.offset), std::string::npos) << run.err;
  }
}

TEST_F(DumpCli, MissingFileAndWrongUsage) {
  const std::string missing = dir_.Path("none.iDB");
  CliRun run = RunCli(dir_, {"dump", missing});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "Cannot open file \"" + missing + "\". No such file or directory\n");

  run = RunCli(dir_, {"dump"});
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("dump FILE"), std::string::npos);
  run = RunCli(dir_, {"dump", missing, missing});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.out, "");
}

}  // namespace
}  // namespace plondex
