#include "support/demo_player.h"

#include <array>
#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <vector>

#include "platform/codepage.h"
#include "platform/japanese.h"
#include "support/asf_builder.h"
#include "support/id3v1_builder.h"
#include "support/id3v2_builder.h"
#include "support/ogg_builder.h"

namespace plondex::test {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

struct Artist {
  const char* name;  // UTF-8
  std::array<const char*, 2> albums;
  int genre;                            // ID3v1 genre number
  const char* const* titles = nullptr;  // seven titles of its own, else made of kTitleWords
};

// Titles in Japanese, Polish and Russian.
constexpr const char* kScriptTitles[] = {"桜の花",     "夜明け", "月の光", "Łódź nocną",
                                         "Żółty liść", "Берёза", "Волга"};
// Japanese titles: words in Han characters among kana, which the player shows read as Japanese.
constexpr const char* kJapaneseTitles[] = {"月の光",     "君の名は", "雨の日曜日", "冬の星座",
                                           "海へ行こう", "東京の夜", "花を見て"};

// Made-up artists and albums; some names need more than ASCII, one artist's texts are in
// Polish, Russian and Japanese, another's in Japanese alone; the player shows them in readable
// spellings.
constexpr Artist kArtists[] = {
    {"Amber Coast", {"Low Tide", "Salt Roads"}, 13},
    {"Björk Haldersen", {"Nordlys", "Über den Fjord"}, 52},
    {"The Copper Kettles", {"Steam", "Whistle Stop"}, 17},
    {"Dune Parade", {"Mirage", "Caravan Nights"}, 26},
    {"Élodie Marchand", {"Chansons d'été", "Café Lumière"}, 102},
    {"Frost & Fern", {"Winter Garden", "Greenhouse"}, 80},
    {"Glass Harbor", {"Lighthouse", "Undertow"}, 20},
    {"Hollow Pines", {"Timberline", "Resin"}, 2},
    {"Iron Meridian", {"Latitude", "Dead Reckoning"}, 9},
    {"Jürgen Weiß Trio", {"Nachtmusik", "Straßenbahn"}, 8},
    {"Kestrel Flight", {"Updraft", "Hover"}, 31},
    {"Lumen Drift", {"Photon", "Afterglow"}, 18},
    {"Wiatr – Ветер – 風", {"Złota jesień", "Белые ночи"}, 13, kScriptTitles},
    {"森田葉月", {"夜の歌", "東京の空"}, 98, kJapaneseTitles},
};

constexpr const char* kTitleWords[] = {"Morning", "River",  "Echo",   "Lantern", "Paper",
                                       "Signal",  "Orbit",  "Harbor", "Velvet",  "Ember",
                                       "Meadow",  "Static", "Cobalt", "Willow",  "Spiral"};

// Windows-1252 from the UTF-8 of the tables above.
std::string Ansi(const std::string& utf8) { return Utf8ToAnsi(utf8); }

// Folder and file names keep to letters of Windows-1252, as the player's paths must, so a name
// in another script is written in its readable spelling (read as Japanese for a Japanese
// artist); the tags keep the original.
std::string NameOf(const std::string& utf8, JapaneseReadings* japanese = nullptr) {
  const std::u16string wide = *Utf8ToWide(utf8);
  std::optional<std::u16string> read;
  if (japanese) read = japanese->Read(wide);
  return AnsiToUtf8(WideToTagAnsi(read ? *read : wide));
}

void WriteFile(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

std::string TitleOf(const Artist& artist, int album_index, int track) {
  if (artist.titles) return artist.titles[(album_index + track) % 7];
  return std::string(kTitleWords[(album_index * 7 + track * 3) % 15]) + " " +
         kTitleWords[(album_index + track * 5) % 15];
}

}  // namespace

DemoPlayerSummary MakeDemoPlayer(const std::string& folder) {
  const fs::path root(folder);
  DemoPlayerSummary summary;
  std::vector<std::string> first_list, second_list;
  int album_index = 0;
  JapaneseReadings japanese;
  for (const Artist& artist : kArtists) {
    for (const char* album : artist.albums) {
      const int tracks = 12 + album_index % 3;
      for (int t = 1; t <= tracks; ++t) {
        const std::string title = TitleOf(artist, album_index, t);
        char number[16];
        std::snprintf(number, sizeof number, "%02d", t);
        JapaneseReadings* reading = artist.titles == kJapaneseTitles ? &japanese : nullptr;
        const std::string base = std::string(number) + " " + NameOf(title, reading);
        const fs::path dir = root / "Music" / NameOf(artist.name, reading) / NameOf(album, reading);
        const std::string audio = MakeMpegAudio(3);
        std::string file_name;
        // Every kind of song the readers handle, spread over the albums; texts in other scripts
        // only in tags that can hold them.
        int kind = (album_index + t) % 8;
        if (artist.titles && (kind == 0 || kind == 1 || kind == 3)) kind = kind == 3 ? 2 : kind + 6;
        switch (kind) {
          case 0:
          case 1: {  // ID3v2.3 with Latin-1 texts and a numeric genre
            file_name = base + ".mp3";
            WriteFile(dir / file_name,
                      Id3v2Builder()
                              .Text("TIT2", Ansi(title))
                              .Text("TPE1", Ansi(artist.name))
                              .Text("TALB", Ansi(album))
                              .Text("TCON", "(" + std::to_string(artist.genre) + ")")
                              .Text("TRCK", std::to_string(t))
                              .Padding(64)
                              .Build() +
                          audio);
            ++summary.id3v2;
            break;
          }
          case 2: {  // ID3v2.3 with UTF-16 texts and a genre name
            file_name = base + ".mp3";
            const auto wide = [](const std::string& utf8) { return *Utf8ToWide(utf8); };
            WriteFile(dir / file_name, Id3v2Builder()
                                               .Text16("TIT2", wide(title))
                                               .Text16("TPE1", wide(artist.name))
                                               .Text16("TALB", wide(album))
                                               .Text16("TCON", u"Pop")
                                               .Build() +
                                           audio);
            ++summary.id3v2;
            break;
          }
          case 6: {  // ID3v2.4 with UTF-8 texts, two performers and a genre number alone
            file_name = base + ".mp3";
            WriteFile(dir / file_name,
                      Id3v2Builder()
                              .Version(4, 0)
                              .Text("TIT2", title, 3)
                              .Frame("TPE1", "\x03"s + artist.name + '\0' + "Guest")
                              .Text("TALB", album, 3)
                              .Text("TCON", std::to_string(artist.genre), 3)
                              .Padding(64)
                              .Build() +
                          audio);
            ++summary.id3v2;
            break;
          }
          case 7: {  // ID3v2.2 with UTF-16 texts, as older taggers wrote
            file_name = base + ".mp3";
            const auto wide = [](const std::string& utf8) { return *Utf8ToWide(utf8); };
            WriteFile(dir / file_name,
                      Id3v2Builder()
                              .Version(2, 0)
                              .Text16("TT2", wide(title))
                              .Text16("TP1", wide(artist.name))
                              .Text16("TAL", wide(album))
                              .Text("TCO", "(" + std::to_string(artist.genre) + ")")
                              .Padding(32)
                              .Build() +
                          audio);
            ++summary.id3v2;
            break;
          }
          case 3: {  // ID3v1 only
            file_name = base + ".mp3";
            WriteFile(dir / file_name,
                      audio + MakeId3v1Block(title, Ansi(artist.name), Ansi(album), "2004", "",
                                             static_cast<uint8_t>(artist.genre), ' '));
            ++summary.id3v1;
            break;
          }
          case 4: {  // Ogg Vorbis, UTF-8 comments
            file_name = base + ".ogg";
            WriteFile(dir / file_name,
                      MakeOggVorbisFile({"TITLE=" + title, std::string("ARTIST=") + artist.name,
                                         std::string("ALBUM=") + album, "GENRE=Folk"}));
            ++summary.ogg;
            break;
          }
          default: {  // WMA
            file_name = base + ".wma";
            WriteFile(dir / file_name,
                      MakeWmaFile(*Utf8ToWide(title), *Utf8ToWide(artist.name),
                                  {StringDescriptor(u"WM/AlbumTitle", *Utf8ToWide(album)),
                                   StringDescriptor(u"WM/Genre", u"Jazz"),
                                   StringDescriptor(u"WM/TrackNumber", u"1")}));
            ++summary.wma;
            break;
          }
        }
        ++summary.songs;
        const std::string entry = "\\Music\\" + Ansi(NameOf(artist.name, reading)) + "\\" +
                                  Ansi(NameOf(album, reading)) + "\\" + Ansi(file_name);
        if (album_index < 2 && t <= 4) first_list.push_back(entry);
        if (album_index % 5 == 3 && t % 4 == 1) second_list.push_back(entry);
      }
      ++album_index;
    }
  }
  // Problem songs and other files a real player holds.
  WriteFile(root / "Music" / "Unsorted" / "intro without any tag.mp3", MakeMpegAudio(2));
  ++summary.songs;
  ++summary.untagged;
  WriteFile(
      root / "Music" / "Unsorted" / "A remarkably long file name that the player cannot show.mp3",
      MakeMpegAudio(2) + MakeId3v1Block("Long Name", "Various", "Unsorted", "2006", "", 12));
  ++summary.songs;
  ++summary.id3v1;
  WriteFile(root / "Recycled" / "deleted song.mp3", MakeMpegAudio(1));
  ++summary.songs;
  WriteFile(root / "Music" / "Unsorted" / "cover.jpg", std::string("\xFF\xD8\xFF\xE0", 4));
  WriteFile(root / "Music" / "readme.txt", "Songs for the demo player.\r\n");
  WriteFile(root / "Podcasts" / ".keep", "");
  fs::create_directories(root / "Podcasts" / "Empty folder");

  auto lines = [](const std::vector<std::string>& entries) {
    std::string text;
    for (const auto& e : entries) text += e + "\r\n";
    return text;
  };
  WriteFile(root / "playlists" / "Road Trip.m3u", lines(first_list));
  WriteFile(root / "playlists" / "Evening.m3u", lines(second_list));
  return summary;
}

}  // namespace plondex::test
