#include "navdb/remembered_songs.h"

#include <gtest/gtest.h>

#include "platform/error.h"

namespace plondex {
namespace {

using namespace std::string_literals;

SongTags Tags(TagSource source, const std::string& title) {
  SongTags tags;
  tags.source = source;
  tags.title = TagText::Ansi(title);
  return tags;
}

constexpr FileStamp kStamp{4'000'000, 1'072'915'200'123'456'789};

TEST(RememberedSongs, GiveBackWhatTheReadersGaveOnce) {
  SongTags wma = Tags(TagSource::kWma, "");
  wma.title = TagText::Unicode(u"\u6771\u4EAC \U0001F3B5");
  wma.artists = {TagText::Unicode(u"")};
  wma.album = TagText::Ansi("zero\0byte"s);
  SongTags id3 = Tags(TagSource::kId3v2, "T\xe9");
  id3.artists = {TagText::Ansi("AC"), TagText::Ansi("DC"), TagText::Ansi("")};
  RememberedSongsWriter writer;
  writer.Add("Music/a.wma", kStamp, wma);
  writer.Add("c\xe4.mp3", FileStamp{0, -1}, Tags(TagSource::kNone, ""));
  // Too large to keep: read at every build instead.
  EXPECT_EQ(writer.Add("huge.mp3", kStamp, Tags(TagSource::kOgg, std::string(2 << 20, 'x'))), "");
  writer.Add("Music/b.mp3", kStamp, id3);
  std::string bytes = writer.Finish();
  RememberedSongs songs(bytes);
  ASSERT_EQ(songs.size(), 3u);
  const std::optional<size_t> b = songs.Take("Music/b.mp3");  // out of order
  ASSERT_TRUE(b);
  EXPECT_EQ(songs.Tags(*b), id3);
  EXPECT_EQ(songs.Stamp(*b), kStamp);
  EXPECT_EQ(songs.Tags(*songs.Take("Music/a.wma")), wma);
  EXPECT_EQ(songs.Take("Music/b.mp3"), std::nullopt);
  EXPECT_EQ(songs.Take("huge.mp3"), std::nullopt);
  EXPECT_EQ(songs.NotTaken(), std::vector<size_t>{1});
  // A song stored again as it was is the same song.
  RememberedSongsWriter copy;
  copy.AddStored(songs.Stored(*b));
  RememberedSongs copied(copy.Finish());
  EXPECT_EQ(copied.Tags(*copied.Take("Music/b.mp3")), id3);
  // Readers of another version: nothing of theirs is used.
  bytes[8] = static_cast<char>(kReaderAnswersVersion + 1);
  const RememberedSongs other(bytes);
  EXPECT_TRUE(other.outdated());
  EXPECT_EQ(other.size(), 0u);
}

// No byte of the stored songs is trusted: every damage is found before a song is given.
TEST(RememberedSongs, DamageIsFound) {
  RememberedSongsWriter writer;
  for (int i = 0; i < 20; ++i) {
    writer.Add("Music/" + std::to_string(i) + ".mp3", kStamp, Tags(TagSource::kId3v1, "Title"));
  }
  const std::string good = writer.Finish();
  std::vector<std::string> bad = {"PLDX", std::string(40, 'x'), good.substr(0, good.size() - 9),
                                  good + "x"};
  for (size_t at = 0; at < good.size(); at += 7) {
    if (at == 8) continue;  // the version: another version is no damage
    bad.push_back(good);
    bad.back()[at] = static_cast<char>(good[at] ^ 0x10);
  }
  for (const std::string& bytes : bad) EXPECT_THROW(RememberedSongs{bytes}, Error) << bytes.size();
}

}  // namespace
}  // namespace plondex
