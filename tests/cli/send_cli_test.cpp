#include <gtest/gtest.h>

#include "support/audio_maker.h"
#include "support/run_cli.h"
#include "support/temp_dir.h"

namespace plondex {
namespace {

using test::RunCli;

class SendCli : public ::testing::Test {
 protected:
  SendCli() : root_(dir_.MakeFolder("player")), src_(dir_.MakeFolder("src/Band/Album")) {
    test::MakeWithFfmpeg(src_ + "/one.mp3", 0.3, {"title=One", "track=1"});
    test::MakeFlac(src_ + "/two.flac", 0.3, {"TITLE=Two", "TRACKNUMBER=2"});
    dir_.Write("src/Band/Album/broken.flac", "fLaC and then nothing a decoder could use");
    dir_.Write("src/Band/Album/folder.jpg", "\xFF\xD8\xFF\xE0 not much of a picture");
  }
  test::TempDir dir_;
  std::string root_, src_;
};

TEST_F(SendCli, DryRunPrintsThePlanAndWritesNothing) {
  const auto run = RunCli(dir_, {"send", root_, dir_.Path("src"), "--letter", "F", "--dry-run"});
  EXPECT_EQ(run.status, 1);  // the broken FLAC
  EXPECT_EQ(run.out,
            "copy\t" + src_ + "/one.mp3\tf:\\Music\\Band\\Album\\01 One.mp3\n" + "convert\t" +
                src_ + "/two.flac\tf:\\Music\\Band\\Album\\02 Two.mp3\n" +
                "Songs to send: 2\nTo convert: 1\nAlready on the iHP: 0\nSkipped: 1\nFailed: 1\n"
                "Room needed: about 1 MB\n");
  EXPECT_EQ(run.err.rfind("Cannot convert \"" + src_ + "/broken.flac\": ", 0), 0u) << run.err;
  EXPECT_EQ(test::ListNames(root_), "");
}

TEST_F(SendCli, SendsConvertsAndSummarises) {
  const auto run = RunCli(dir_, {"send", root_, src_, "--to", "Neu/Ogg", "--format", "ogg",
                                 "--quality", "3", "--jobs", "1"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "Songs sent: 2\nConverted: 1\nAlready on the iHP: 0\nSkipped: 1\nFailed: 1\n");
  EXPECT_NE(run.err.find("broken.flac"), std::string::npos);
  EXPECT_EQ(test::ListNames(root_ + "/Neu/Ogg/Band/Album"), "01 One.mp3 02 Two.ogg");
  // A second time everything is there already, and nothing fails but the broken file.
  const auto again = RunCli(dir_, {"send", root_, src_ + "/one.mp3", src_ + "/two.flac", "--to",
                                   "Neu/Ogg", "--format", "ogg"});
  EXPECT_EQ(again.status, 0) << again.err;
  EXPECT_EQ(again.out,
            "Songs sent: 0\nConverted: 0\nAlready on the iHP: 2\nSkipped: 0\nFailed: 0\n");
}

TEST_F(SendCli, WrongUsageAndAMissingPlayer) {
  for (const std::vector<std::string>& args : {std::vector<std::string>{"send", root_},
                                               {"send", root_, src_, "--format", "wav"},
                                               {"send", root_, src_, "--quality", "12"},
                                               {"send", root_, src_, "--to", "a:b"},
                                               {"send", root_, src_, "--jobs", "0"}}) {
    EXPECT_EQ(RunCli(dir_, args).status, 2) << args.back();
  }
  const auto run = RunCli(dir_, {"send", dir_.Path("unplugged"), src_});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "IHP not connected!\n");
}

}  // namespace
}  // namespace plondex
