#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "support/asf_builder.h"
#include "support/id3v2_builder.h"
#include "support/ogg_builder.h"
#include "support/temp_dir.h"

namespace plondex {
namespace {

struct CliRun {
  int status = -1;
  std::string out, err;
};

CliRun RunCli(const test::TempDir& dir, const std::vector<std::string>& args) {
  std::string command = "'" PLONDEX_CLI "'";
  for (const std::string& a : args) command += " '" + a + "'";
  const std::string out = dir.Path("cli.out"), err = dir.Path("cli.err");
  command += " >'" + out + "' 2>'" + err + "'";
  CliRun run;
  const int raw = std::system(command.c_str());
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  run.out = test::ReadNative(out);
  run.err = test::ReadNative(err);
  return run;
}

const std::string kData = std::string(PLONDEX_TEST_DATA) + "/id3v2/";
const std::string kNoV1 =
    "\"id3v1\": {\"present\": false, \"title\": \"\", \"artist\": \"\", \"album\": \"\", "
    "\"genre\": 126}}\n";

class TagsCli : public ::testing::Test {
 protected:
  test::TempDir dir_;
};

TEST_F(TagsCli, JsonGivesWhatTwoTaggersWrote) {
  const std::string tool = kData + "id3v2tool_v23.mp3";
  const std::string eyed3 = kData + "eyed3_v23_utf16.mp3";
  const CliRun run = RunCli(dir_, {"tags", "--json", tool, eyed3});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.out,
            "{\"file\": \"" + tool +
                "\", \"id3v2\": {\"present\": true, \"major\": 3, \"revision\": 0, "
                "\"title\": \"Tool Title\", \"album\": \"Tool Album\", \"genre\": \"(17)\", "
                "\"performers\": [\"First Artist\", \"Second Artist\"]}, "
                "\"id3v1\": {\"present\": true, \"title\": \"Tool Title\", "
                "\"artist\": \"First Artist/Second Artist\", \"album\": \"Tool Album\", "
                "\"genre\": 17}}\n"
                // Windows-1252 bytes as their characters: 0xE4 is U+00E4, 0x80 the euro sign.
                "{\"file\": \"" +
                eyed3 +
                "\", \"id3v2\": {\"present\": true, \"major\": 3, \"revision\": 0, "
                "\"title\": \"M\xC3\xA4"
                "dchen  Caf\xC3\xA9\", "
                "\"album\": \"Cr\xC3\xA8me Br\xC3\xBBl\xC3\xA9"
                "e \xE2\x82\xAC\", "
                "\"genre\": \"Folk\", \"performers\": [\"\xC3\x9Cnal\", \"Zo\xC3\xAB\"]}, " +
                kNoV1);
}

TEST_F(TagsCli, JsonEscapesWhatItMustAndShowsBytesAsWindows1252) {
  const std::string path = dir_.Write("esc.mp3", test::Id3v2Builder()
                                                     .Text("TIT2",
                                                           "a\"b\\c\nd\x01"
                                                           "e\x7F")
                                                     .Text("TPE1", "\t/\x1F")
                                                     .Text("TALB", "\x96\x81\x8D\x8F\x90\x9D")
                                                     .Padding(16)
                                                     .Build());
  const CliRun run = RunCli(dir_, {"tags", "--json", path});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "{\"file\": \"" + path +
                         "\", \"id3v2\": {\"present\": true, \"major\": 3, \"revision\": 0, "
                         "\"title\": \"a\\\"b\\\\c\\nd\\u0001e\x7F\", "
                         // The en dash, and the unassigned bytes as U+0081, U+008D, ...
                         "\"album\": \"\xE2\x80\x93\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D\", "
                         "\"genre\": \"\", \"performers\": [\"\\t\", \"\\u001f\"]}, " +
                         kNoV1);
}

TEST_F(TagsCli, ReadErrorsAreReportedPerFile) {
  const std::string bad_size =
      dir_.Write("size.mp3", test::Id3v2Builder().Text("TSIZ", "9x").Padding(16).Build());
  const std::string short_file = dir_.Write("short.MP3", "ID3\x03");
  const std::string folder = dir_.MakeFolder("folder.mp3");
  const CliRun run = RunCli(dir_, {"tags", "--json", bad_size, short_file, folder});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "{\"file\": \"" + bad_size +
                         "\", \"id3v2\": {\"error\": \"'9x' is not a valid integer value\"}, " +
                         kNoV1 + "{\"file\": \"" + short_file +
                         "\", \"id3v2\": {\"error\": \"Stream read error\"}, " + kNoV1 +
                         "{\"file\": \"" + folder +
                         "\", \"id3v2\": {\"error\": \"Cannot open file \\\"" + folder +
                         "\\\". Not a regular file\"}, " + kNoV1);
}

TEST_F(TagsCli, FilesAreChosenByExtension) {
  // 60 bytes that are neither Ogg nor ASF: both readers succeed with empty texts.
  const std::string junk(60, 'j');
  const std::string ogg = dir_.Write("a.OGG", junk);
  const std::string wma = dir_.Write("b.wma", junk);
  const std::string txt = dir_.Write("c.txt", junk);
  const std::string none = dir_.Write("noext", junk);
  const CliRun run = RunCli(dir_, {"tags", "--json", ogg, wma, txt, none});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "{\"file\": \"" + ogg +
                         "\", \"ogg\": {\"ok\": true, \"title\": \"\", \"artist\": \"\", "
                         "\"album\": \"\", \"genre\": \"\"}}\n"
                         "{\"file\": \"" +
                         wma +
                         "\", \"wma\": {\"ok\": true, \"valid\": false, \"title\": \"\", "
                         "\"artist\": \"\", \"album\": \"\", \"genre\": \"\"}}\n"
                         "{\"file\": \"" +
                         txt + "\"}\n{\"file\": \"" + none + "\"}\n");
}

TEST_F(TagsCli, PathIsGivenBackAsWritten) {
  const std::string path = dir_.Write("Caf\xC3\xA9 \"q\".txt", "x");
  const CliRun run = RunCli(dir_, {"tags", "--json", path});
  const std::string folder = dir_.path();
  EXPECT_EQ(run.out, "{\"file\": \"" + folder + "/Caf\xC3\xA9 \\\"q\\\".txt\"}\n");
}

TEST_F(TagsCli, ReadableListing) {
  const CliRun run = RunCli(dir_, {"tags", kData + "ffmpeg_v23.mp3", kData + "ffmpeg_v24.mp3"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, kData +
                         "ffmpeg_v23.mp3\n"
                         "  id3v2: version 2.3.0, 108 bytes\n"
                         "    title: Ffmpeg Title\n"
                         "    album: \xC3\x85lbum O\n"
                         "    genre: (17)Rock\n"
                         "    performer: Ffmpeg Artist\n"
                         "  id3v1: none\n" +
                         kData +
                         "ffmpeg_v24.mp3\n"
                         "  id3v2: version 2.4.0, 53 bytes\n"
                         "    title: V24 Title\n"
                         "    album: \n"
                         "    genre: \n"
                         "    performer: V24 Artist\n"
                         "  id3v1: none\n");
}

TEST_F(TagsCli, OggAndWmaTextsAreShownAsTheBuildReceivesThem) {
  // "Łódź" in UTF-8 and "Москва" in UTF-16: o-acute is a Windows-1252 byte, the rest is spelled.
  const std::string ogg = dir_.Write("a.ogg", test::MakeOggVorbisFile({"TITLE=\xC5\x81\xC3\xB3"
                                                                       "d\xC5\xBA"}));
  const std::string wma = dir_.Write(
      "b.wma", test::MakeWmaFile(u"\u041C\u043E\u0441\u043A\u0432\u0430", u"Author", {}));
  const CliRun run = RunCli(dir_, {"tags", ogg, wma});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, ogg +
                         "\n  ogg: read\n    title: L\xC3\xB3"
                         "dz\n    artist: \n    album: \n    genre: \n" +
                         wma +
                         "\n  wma: read, valid\n    title: Moskva\n    artist: Author\n"
                         "    album: \n    genre: \n");
}

TEST_F(TagsCli, WrongUsage) {
  EXPECT_EQ(RunCli(dir_, {"tags"}).status, 2);
  EXPECT_EQ(RunCli(dir_, {"tags", "--json"}).status, 2);
  const CliRun run = RunCli(dir_, {"tags", "--xml", "a.mp3"});
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("tags [--json] FILE..."), std::string::npos);
  EXPECT_EQ(run.out, "");
}

// A song whose texts hold kana is read as Japanese, the performers of an ID3v2 tag too.
TEST_F(TagsCli, JapaneseSongsShowTheirReadings) {
  const std::string song =
      dir_.Write("j.mp3", test::Id3v2Builder()
                              .Text16("TIT2", u"\u6708\u306e\u5149")         // 月の光
                              .Text16("TPE1", u"\u6771\u4eac/\u4e8b\u5909")  // 東京/事変
                              .Build());
  const CliRun run = RunCli(dir_, {"tags", song});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("    title: tsuki no hikari\n"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("    performer: toukyou\n    performer: jihen\n"), std::string::npos)
      << run.out;
}

}  // namespace
}  // namespace plondex
