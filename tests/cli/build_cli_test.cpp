#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include "navdb/dbreader.h"
#include "support/id3v1_builder.h"
#include "support/id3v2_builder.h"
#include "support/ogg_builder.h"
#include "support/run_cli.h"
#include "support/temp_dir.h"

namespace plondex {
namespace {

using test::RunCli;
using namespace std::string_literals;

class BuildCli : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = dir_.MakeFolder("player");
    lists_ = dir_.MakeFolder("lists");
  }
  std::vector<tsong> Records() const {
    const DbContents db = ReadDatabase(test::ReadNative(root_ + "/iRivNavi.iDB"));
    EXPECT_FALSE(db.problem.has_value());
    return db.songs;
  }
  test::TempDir dir_;
  std::string root_, lists_;
};

TEST_F(BuildCli, BuildsTheCheckedSongsAndPrintsLogAndCounters) {
  dir_.Write("player/A/song.mp3",
             test::Id3v2Builder().Text("TIT2", "Title").Text("TCON", "(17)").Build());
  dir_.Write("player/B/old.mp3",
             test::MakeMpegAudio(1) + test::MakeId3v1Block("Old", "Band", "LP", "1999", "", 0));
  dir_.Write("player/B/none.mp3", test::MakeMpegAudio(1));
  dir_.Write("player/B/skip.ogg", test::MakeOggVorbisFile({"TITLE=x"}));
  dir_.Write("checked.dat", "f:\\A\\SONG.MP3\r\nf:\\B\\old.mp3\nf:\\B\\none.mp3\r\n");
  const auto run =
      RunCli(dir_, {"build", root_, "--letter", "F", "--checked", dir_.Path("checked.dat"),
                    "--sort", "--lists-dir", lists_, "--verbose", "--cutat", "5"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out,
            "Deleting old Database\n"
            "Creating Database\n"
            "Mapping id3v2 genre \"(17)\" to \"Rock\"\n"
            "Adjusting tag: \"Title\" -> \"Titl\"\n"
            "Adjusting tag: \"\" -> \"???\"\n"
            "Adjusting tag: \"\" -> \"???\"\n"
            "Adding: f:\\A\\song.mp3\n"
            "Artist: ???\n"
            "Album: ???\n"
            "Title: Titl\n"
            "Genre: Rock\n"
            "No tags found: f:\\B\\none.mp3\n"
            "Adjusting tag: \"Blues\" -> \"Blue\"\n"
            "Adding: f:\\B\\old.mp3\n"
            "Artist: Band\n"
            "Album: LP\n"
            "Title: Old\n"
            "Genre: Blue\n"
            "Saving Database\n"
            "Done\n"
            "MP3 with id3v1 tags: 1\n"
            "MP3 with id3v2 tags: 1\n"
            "OGG with tags: 0\n"
            "WMA with tags: 0\n"
            "Songs without tags: 1\n"
            "Name too long: 0\n");
  const auto records = Records();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].Path, "\\A\\song.mp3");
  EXPECT_EQ(records[1].Genre, "Blue");
  EXPECT_EQ(test::ReadNative(lists_ + "/notag.m3u"), "f:\\B\\none.mp3\r\n");
  EXPECT_FALSE(test::NativeExists(lists_ + "/longfilename.m3u"));
}

TEST_F(BuildCli, WithoutACheckListEverySongIsChecked) {
  dir_.Write("player/x.ogg", test::MakeOggVorbisFile({"TITLE=Caf\xc3\xa9", "ARTIST=A"}));
  const auto run = RunCli(dir_, {"build", root_, "--lists-dir", lists_});
  ASSERT_EQ(run.status, 0) << run.err;
  const auto records = Records();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].Title, "Caf\xe9");
  EXPECT_NE(run.out.find("OGG with tags: 1\n"), std::string::npos);
}

TEST_F(BuildCli, NowriteLeavesTheDatabaseAlone) {
  dir_.Write("player/x.mp3", test::MakeMpegAudio(1));
  const auto run = RunCli(dir_, {"build", root_, "--nowrite", "--lists-dir", lists_});
  EXPECT_EQ(run.status, 0);
  EXPECT_FALSE(test::NativeExists(root_ + "/iRivNavi.iDB"));
  EXPECT_EQ(test::ReadNative(lists_ + "/notag.m3u"), "e:\\x.mp3\r\n");  // lists are written anyway
}

TEST_F(BuildCli, ASideListThatCannotBeWrittenFailsAfterDone) {
  dir_.Write("player/x.mp3", test::MakeMpegAudio(1));
  const auto run = RunCli(dir_, {"build", root_, "--lists-dir", dir_.Path("missing")});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.out.find("Done\n"), std::string::npos);
  EXPECT_EQ(run.err.rfind("Cannot create file \"", 0), 0u) << run.err;
  EXPECT_TRUE(test::NativeExists(root_ + "/iRivNavi.iDB"));
}

// Runs plondex-cli with standard error on a terminal and standard output into out_file; gives
// what the terminal received.
std::string RunOnATerminal(std::vector<std::string> args, const std::string& out_file) {
  int terminal = -1;
  const pid_t pid = ::forkpty(&terminal, nullptr, nullptr, nullptr);
  if (pid == 0) {
    const int out = ::open(out_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ::dup2(out, STDOUT_FILENO);
    args.insert(args.begin(), PLONDEX_CLI);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    ::execv(PLONDEX_CLI, argv.data());
    ::_exit(127);
  }
  std::string seen;
  char buffer[4096];
  for (ssize_t n; (n = ::read(terminal, buffer, sizeof buffer)) > 0;) seen.append(buffer, n);
  int status = 0;
  ::waitpid(pid, &status, 0);
  ::close(terminal);
  return seen;
}

TEST_F(BuildCli, ProgressOnATerminalOnlyAndEveryByteOfALine) {
  dir_.Write("player/x.mp3", test::MakeMpegAudio(1));
  dir_.Write("player/y.ogg", test::MakeOggVorbisFile({"TITLE=A\0B"s}));
  const std::vector<std::string> args = {"build",       root_,  "--sort",  "--verbose",
                                         "--lists-dir", lists_, "--cache", dir_.Path("tags")};
  const auto piped = RunCli(dir_, args);
  ASSERT_EQ(piped.status, 0) << piped.err;
  EXPECT_EQ(piped.err, "");
  EXPECT_NE(piped.out.find("Adjusting tag: \"A\0B\" -> \"AB\"\n"s), std::string::npos);

  const std::string shown = RunOnATerminal(args, dir_.Path("terminal.out"));
  EXPECT_NE(shown.find("\r1 / 2 songs"), std::string::npos) << shown;
  EXPECT_NE(shown.find("\r2 / 2 songs"), std::string::npos) << shown;
  // The line is taken away at the end, and standard output is what it is without a terminal.
  EXPECT_TRUE(shown.ends_with("\r\x1b[K")) << shown;
  EXPECT_EQ(test::ReadNative(dir_.Path("terminal.out")), piped.out);
}

TEST_F(BuildCli, TagCacheInTheUserCacheFolderOrWhereNamedAndReadAllWithNoCache) {
  dir_.Write("player/a.mp3", test::Id3v2Builder().Text("TIT2", "Old title").Build());
  test::AgeFiles(root_);
  const std::vector<std::string> args = {"build", root_, "--verbose", "--lists-dir", lists_};
  ASSERT_EQ(RunCli(dir_, args).status, 0);
  EXPECT_TRUE(test::NativeExists(dir_.Path("cache/plondex/tags.sqlite")));
  // A tagger that keeps the file's size and time.
  dir_.Write("player/a.mp3", test::Id3v2Builder().Text("TIT2", "New title").Build());
  test::AgeFiles(root_);
  EXPECT_NE(RunCli(dir_, args).out.find("Title: Old title\n"), std::string::npos);
  auto with = [&](std::vector<std::string> more) {
    more.insert(more.begin(), args.begin(), args.end());
    return RunCli(dir_, more).out;
  };
  EXPECT_NE(with({"--no-cache"}).find("Title: New title\n"), std::string::npos);
  EXPECT_NE(with({}).find("Title: New title\n"), std::string::npos);
  EXPECT_NE(with({"--cache", dir_.Path("other.sqlite")}).find("Title: New title\n"),
            std::string::npos);
  EXPECT_TRUE(test::NativeExists(dir_.Path("other.sqlite")));
}

TEST_F(BuildCli, WrongUsage) {
  EXPECT_EQ(RunCli(dir_, {"build"}).status, 2);
  EXPECT_EQ(RunCli(dir_, {"build", root_, "--letter", "1"}).status, 2);
  EXPECT_EQ(RunCli(dir_, {"build", root_, "--cutat", "many"}).status, 2);
  EXPECT_EQ(RunCli(dir_, {"build", root_, "--bogus"}).status, 2);
  EXPECT_EQ(RunCli(dir_, {"build", dir_.Path("nope")}).status, 1);
}

}  // namespace
}  // namespace plondex
