// Time and bytes read per file for the four tag readers, on songs shaped like real ones.

#include <benchmark/benchmark.h>

#include <map>
#include <string>

#include "platform/files.h"
#include "support/asf_builder.h"
#include "support/id3v1_builder.h"
#include "support/id3v2_builder.h"
#include "support/ogg_builder.h"
#include "support/temp_dir.h"
#include "tags/id3v1.h"
#include "tags/id3v2.h"
#include "tags/oggreader.h"
#include "tags/wmareader.h"

namespace {

using plondex::InputFile;
namespace test = plondex::test;

// About 5 s of 128 kbit/s audio.
const std::string& Audio() {
  static const std::string audio = test::MakeMpegAudio(200);
  return audio;
}

test::Id3v2Builder TypicalTag() {
  test::Id3v2Builder b;
  b.Text("TIT2", "Song Title Number 17")
      .Text("TPE1", "Artist Name/Guest Singer")
      .Text("TALB", "Album Title 3")
      .Text("TCON", "(17)")
      .Text("TYER", "2003")
      .Text("TRCK", "7/12");
  return b;
}

std::string Id3v1Block() {
  return test::MakeId3v1Block("Song Title Number 17", "Artist Name", "Album Title 3", "2003", "",
                              17);
}

// The sample files, written once into a folder that lives as long as the program.
const std::string& Sample(const std::string& name) {
  static test::TempDir dir;
  static std::map<std::string, std::string> paths;
  auto it = paths.find(name);
  if (it != paths.end()) return it->second;
  std::string bytes;
  if (name == "id3v2_typical.mp3") {
    bytes = TypicalTag().Padding(2048).Build() + Audio() + Id3v1Block();
  } else if (name == "id3v2_picture.mp3") {
    bytes = TypicalTag()
                .Frame("APIC",
                       std::string("\0image/jpeg\0\x03\0", 14) + std::string(256 * 1024, '\x5A'))
                .Padding(1024)
                .Build() +
            Audio();
  } else if (name == "id3v2_unsync.mp3") {
    bytes =
        TypicalTag()
            .Frame("APIC", std::string("\0image/jpeg\0\x03\0", 14) + std::string(64 * 1024, '\xFF'))
            .Unsynchronised()
            .Build() +
        Audio();
  } else if (name == "id3v2_v24.mp3") {
    bytes = TypicalTag().Version(4, 0).Padding(1024).Build() + Audio();
  } else if (name == "no_id3v2.mp3" || name == "id3v1_a.mp3" || name == "id3v1_b.mp3") {
    bytes = Audio() + Id3v1Block();
  } else if (name == "comments.ogg") {
    bytes = test::MakeOggVorbisFile({"TITLE=Song Title Number 17", "ARTIST=Artist Name",
                                     "ALBUM=Album Title 3", "GENRE=Rock", "DATE=2003"}) +
            std::string(64 * 1024, '\0');
  } else if (name == "content.wma") {
    bytes = test::MakeWmaFile(u"Song Title Number 17", u"Artist Name",
                              {test::StringDescriptor(u"WM/AlbumTitle", u"Album Title 3"),
                               test::StringDescriptor(u"WM/Genre", u"Rock"),
                               test::StringDescriptor(u"WM/Year", u"2003")});
  }
  return paths.emplace(name, dir.Write(name, bytes)).first->second;
}

// Bytes read per file and the file's size, beside the time per file.
class ReadCounter {
 public:
  explicit ReadCounter(const std::string& path)
      : size_(InputFile::Open(plondex::FileLocation(path))->Size()),
        start_(InputFile::TotalBytesRead()) {}
  void Report(benchmark::State& state) const {
    const double files = static_cast<double>(state.iterations());
    state.counters["bytes_read"] =
        static_cast<double>(InputFile::TotalBytesRead() - start_) / (files > 0 ? files : 1);
    state.counters["file_bytes"] = static_cast<double>(size_);
  }

 private:
  uint64_t size_;
  uint64_t start_;
};

void BM_Id3v2(benchmark::State& state, const char* name) {
  const std::string& path = Sample(name);
  plondex::TId3v2 idv2;
  ReadCounter counter(path);
  for (auto _ : state) {
    idv2.SetFileName(plondex::FileLocation(path));
    benchmark::DoNotOptimize(idv2.Texts().ContentDescription().data());
  }
  counter.Report(state);
}
BENCHMARK_CAPTURE(BM_Id3v2, typical, "id3v2_typical.mp3");
BENCHMARK_CAPTURE(BM_Id3v2, picture_256k, "id3v2_picture.mp3");
BENCHMARK_CAPTURE(BM_Id3v2, unsync_64k, "id3v2_unsync.mp3");
BENCHMARK_CAPTURE(BM_Id3v2, version_2_4, "id3v2_v24.mp3");
BENCHMARK_CAPTURE(BM_Id3v2, no_tag, "no_id3v2.mp3");

// As the build reads an MP3 without ID3v2: the test, then the component. Two names take turns,
// since the component does not read a name it already holds.
void BM_Id3v1(benchmark::State& state) {
  const std::string paths[] = {Sample("id3v1_a.mp3"), Sample("id3v1_b.mp3")};
  plondex::TId3v1 idv1;
  ReadCounter counter(paths[0]);
  size_t i = 0;
  for (auto _ : state) {
    const std::string& path = paths[i++ & 1];
    const plondex::FileLocation file(path);
    if (plondex::Id3v1TagInFile(file)) idv1.SetFileName(file);
    benchmark::DoNotOptimize(idv1.SongName().data());
  }
  counter.Report(state);
}
BENCHMARK(BM_Id3v1);

void BM_Ogg(benchmark::State& state) {
  const std::string& path = Sample("comments.ogg");
  plondex::TOggReader reader;
  ReadCounter counter(path);
  for (auto _ : state) {
    benchmark::DoNotOptimize(reader.ReadOggFile(plondex::FileLocation(path)));
    benchmark::DoNotOptimize(reader.Title().data());
  }
  counter.Report(state);
}
BENCHMARK(BM_Ogg);

void BM_Wma(benchmark::State& state) {
  const std::string& path = Sample("content.wma");
  plondex::TWmaReader reader;
  ReadCounter counter(path);
  for (auto _ : state) {
    benchmark::DoNotOptimize(reader.ReadWmaFile(plondex::FileLocation(path)));
    benchmark::DoNotOptimize(reader.Title().data());
  }
  counter.Report(state);
}
BENCHMARK(BM_Wma);

}  // namespace

BENCHMARK_MAIN();
