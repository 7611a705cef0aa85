#include "support/bench_player.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "support/asf_builder.h"
#include "support/id3v1_builder.h"
#include "support/id3v2_builder.h"
#include "support/ogg_builder.h"
#include "support/temp_dir.h"

namespace plondex::test {
namespace {

namespace fs = std::filesystem;

void WriteFile(const fs::path& path, const std::string& a, const std::string& b = {}) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(a.data(), static_cast<std::streamsize>(a.size()));
  out.write(b.data(), static_cast<std::streamsize>(b.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

// Deterministic filler that does not compress to nothing and holds no frame sync by chance.
std::string Filler(size_t bytes, uint32_t seed) {
  std::string out(bytes, '\0');
  for (size_t i = 0; i < bytes; ++i) {
    seed = seed * 1664525u + 1013904223u;
    out[i] = static_cast<char>((seed >> 24) & 0x7F);
  }
  return out;
}

// Kind of the i-th song: 0 ID3v2, 1 ID3v2 with cover, 2 ID3v1, 3 Ogg, 4 WMA. Over 60 songs:
// 24 ID3v2 + 6 with cover (half), 10 ID3v1 (a sixth), 12 Ogg (a fifth), 8 WMA (the rest).
int KindOf(size_t i) {
  const size_t k = i % 60;
  if (k < 30) return k % 5 == 0 ? 1 : 0;
  if (k < 40) return 2;
  if (k < 52) return 3;
  return 4;
}

// About `bytes` of MPEG audio: frames back to back, each a frame header followed by filler. A
// song of one frame and then filler would look broken to a reader that checks that frames follow
// each other, and such a reader may then search the whole file for a tag.
std::string MpegAudio(size_t bytes) {
  const std::string frame = MakeMpegAudio(1);
  const std::string filler = Filler(bytes + frame.size(), 7);
  std::string audio;
  for (size_t at = 0; at + frame.size() <= filler.size(); at += frame.size()) {
    audio.append(frame, 0, 4);
    audio.append(filler, at + 4, frame.size() - 4);
  }
  return audio;
}

// A size between 3 and 8 MB that looks random but is the same every time for the same song.
uint64_t RealSongSize(size_t i) {
  uint32_t seed = static_cast<uint32_t>(i) * 2654435761u + 12345u;
  seed ^= seed >> 13;
  return 3'000'000 + seed % 5'000'001;
}

// Makes the file size bytes long by a hole before its last tail_bytes, which move to the end.
void Stretch(const fs::path& path, uint64_t size, size_t tail_bytes) {
  const std::string whole = [&] {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }();
  if (size <= whole.size()) return;
  const std::string tail = whole.substr(whole.size() - tail_bytes);
  fs::resize_file(path, whole.size() - tail_bytes);
  fs::resize_file(path, size - tail_bytes);
  std::ofstream out(path, std::ios::binary | std::ios::app);
  out.write(tail.data(), static_cast<std::streamsize>(tail.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

}  // namespace

BenchPlayerSummary MakeBenchPlayer(const std::string& folder, size_t songs, size_t audio_bytes,
                                   bool real_sizes) {
  BenchPlayerSummary s;
  const std::string audio = MpegAudio(audio_bytes);
  const std::string cover = "\xFF\xD8\xFF\xE0" + Filler(200 * 1024, 11);
  for (size_t i = 0; i < songs; ++i) {
    const size_t album = i / 10, artist = album / 10;
    const std::string artist_name = "Artist " + std::to_string(artist);
    const std::string album_name = "Album " + std::to_string(album);
    const fs::path dir = fs::path(folder) / "Music" / artist_name / album_name;
    if (i % 10 == 0) {
      fs::create_directories(dir);
      ++s.folders;
    }
    const std::string title =
        "Track " + std::to_string(i % 10 + 1) + " of album " + std::to_string(album);
    const std::string base = (dir / ("Track " + std::to_string(i % 10 + 1))).string();
    switch (KindOf(i)) {
      case 0:
      case 1: {
        Id3v2Builder tag;
        tag.Text("TIT2", title)
            .Text("TPE1", artist_name)
            .Text("TALB", album_name)
            .Text("TCON", "(17)")
            .Text("TYER", "2004")
            .Text("TRCK", std::to_string(i % 10 + 1));
        if (KindOf(i) == 1) {
          tag.Frame("APIC", std::string("\0image/jpeg\0\3\0", 14) + cover);
          ++s.covers;
        }
        WriteFile(base + ".mp3", tag.Padding(256).Build(), audio);
        if (real_sizes) Stretch(base + ".mp3", RealSongSize(i), 0);
        ++s.id3v2;
        break;
      }
      case 2:
        WriteFile(base + ".mp3", audio,
                  MakeId3v1Block(title, artist_name, album_name, "2004", "", 17));
        if (real_sizes) Stretch(base + ".mp3", RealSongSize(i), 128);
        ++s.id3v1;
        break;
      case 3:
        WriteFile(base + ".ogg",
                  MakeOggVorbisFile({"TITLE=" + title, "ARTIST=" + artist_name,
                                     "ALBUM=" + album_name, "GENRE=Rock"}),
                  audio);
        if (real_sizes) Stretch(base + ".ogg", RealSongSize(i), 0);
        ++s.ogg;
        break;
      default: {
        const std::u16string wide_title(title.begin(), title.end());
        const std::u16string wide_artist(artist_name.begin(), artist_name.end());
        const std::u16string wide_album(album_name.begin(), album_name.end());
        WriteFile(base + ".wma",
                  MakeWmaFile(wide_title, wide_artist,
                              {StringDescriptor(u"WM/AlbumTitle", wide_album),
                               StringDescriptor(u"WM/Genre", u"Rock")}),
                  audio);
        if (real_sizes) Stretch(base + ".wma", RealSongSize(i), 0);
        ++s.wma;
        break;
      }
    }
    ++s.songs;
  }
  AgeFiles(folder);
  for (const auto& e : fs::recursive_directory_iterator(folder)) {
    if (e.is_regular_file()) s.bytes += e.file_size();
  }
  return s;
}

std::string BenchCheckList(const std::string& folder) {
  std::string text;
  size_t n = 0;
  for (const auto& e : fs::recursive_directory_iterator(folder)) {
    if (!e.is_regular_file() || n++ % 2) continue;
    std::string relative = fs::relative(e.path(), folder).string();
    for (char& c : relative) {
      if (c == '/') c = '\\';
    }
    text += "e:\\" + relative + "\r\n";
  }
  return text;
}

}  // namespace plondex::test
