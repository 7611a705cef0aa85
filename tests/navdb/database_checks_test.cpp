#include "navdb/database_checks.h"

#include <gtest/gtest.h>

#include "library/checkstates.h"
#include "library/scan.h"
#include "navdb/irivdb.h"
#include "support/player_drive.h"
#include "support/temp_dir.h"

namespace plondex {
namespace {

class DatabaseChecksTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* song : {"Rock/a.mp3", "Rock/b.ogg", "Jazz/c.wma", "top.mp3"}) {
      dir_.Write(std::string("player/") + song, "");
    }
    drive_.Use(dir_.Path("player"));
    RebuildSongTree(tree_, drive_.files, 'e', "", nullptr);
    RecomputeCheckStates(tree_);
  }
  SongNode* Find(const std::string& name) const {
    SongNode* found = nullptr;
    ForEachLeaf(*tree_.root(), [&](SongNode& leaf) {
      if (leaf.text == name) found = &leaf;
    });
    return found;
  }
  void Database(const std::vector<std::string>& paths) {
    tirivdb db;
    for (const std::string& path : paths) db.AddSong(tsong{path, "T", "A", "L", "G"});
    db.SaveDatabase(FileLocation(dir_.Path("player/iRivNavi.iDB")));
  }

  test::TempDir dir_;
  test::PlayerDrive drive_;
  SongTree tree_;
};

TEST_F(DatabaseChecksTest, TheDatabaseSongsAreExactlyTheCheckedOnes) {
  ToggleNode(Find("top.mp3"));  // checked before, not in the database
  Database({"\\Rock\\a.mp3", "\\ROCK\\B.OGG", "\\Rock\\gone.mp3", "\\Rock\\a.mp3"});
  const DatabaseChecks checks = CheckSongsOfDatabase(tree_, drive_.files, 'e');
  EXPECT_EQ(checks.outcome, DatabaseChecks::Outcome::kChecked);
  EXPECT_EQ(checks.checked, 2);
  EXPECT_EQ(checks.missing, 1);
  EXPECT_EQ(DatabaseChecksMessage(checks),
            "2 songs of the database are checked. 1 songs of the database are no longer on the "
            "player.");
  EXPECT_EQ(Find("a.mp3")->checked, 1);
  EXPECT_EQ(Find("b.ogg")->checked, 1);
  EXPECT_EQ(Find("c.wma")->checked, 0);
  EXPECT_EQ(Find("top.mp3")->checked, 0);
  EXPECT_EQ(Find("a.mp3")->parent->state, CheckState::kChecked);
  EXPECT_EQ(tree_.root()->state, CheckState::kPartlyChecked);
  Database({"\\top.mp3"});
  EXPECT_EQ(DatabaseChecksMessage(CheckSongsOfDatabase(tree_, drive_.files, 'e')),
            "1 songs of the database are checked.");
}

TEST_F(DatabaseChecksTest, WithoutAReadableDatabaseTheChecksStay) {
  ToggleNode(Find("c.wma"));
  DatabaseChecks checks = CheckSongsOfDatabase(tree_, drive_.files, 'e');
  EXPECT_EQ(DatabaseChecksMessage(checks), "The iHP has no database yet.");
  Database({"\\Rock\\a.mp3"});
  const std::string whole = test::ReadNative(dir_.Path("player/iRivNavi.iDB"));
  dir_.Write("player/iRivNavi.iDB", whole.substr(0, whole.size() - 1));
  checks = CheckSongsOfDatabase(tree_, drive_.files, 'e');
  EXPECT_EQ(checks.outcome, DatabaseChecks::Outcome::kDamaged);
  EXPECT_NE(checks.problem.find("(at byte "), std::string::npos) << checks.problem;
  EXPECT_EQ(Find("c.wma")->checked, 1);
  EXPECT_EQ(Find("a.mp3")->checked, 0);
}

}  // namespace
}  // namespace plondex
