// The cost of turning one song's four texts into the player's text: Latin, Russian, Chinese, and
// Japanese with and without the readings of its Han characters.

#include <benchmark/benchmark.h>

#include <string>

#include "platform/codepage.h"
#include "platform/japanese.h"
#include "tags/songtags.h"

namespace {

using plondex::JapaneseReadings;
using plondex::SongTags;
using plondex::TagSource;
using plondex::TagText;

SongTags Song(const char* title, const char* artist, const char* album, const char* genre) {
  SongTags tags;
  tags.source = TagSource::kId3v2;
  tags.title = TagText::Utf8OrBytes(title);
  tags.artists = {TagText::Utf8OrBytes(artist)};
  tags.album = TagText::Utf8OrBytes(album);
  tags.genre = TagText::Utf8OrBytes(genre);
  return tags;
}

const SongTags kSongs[] = {
    Song("Café Lumière", "Élodie Marchand", "Chansons d'été", "Chanson"),
    Song("Белые ночи", "Ветер", "Волга", "Rock"),
    Song("月亮代表我的心", "邓丽君", "淡淡幽情", "Pop"),
    Song("千と千尋の神隠し", "森田葉月", "東京の空", "J-Pop"),
};

void BM_SongTexts(benchmark::State& state) {
  const SongTags& song = kSongs[state.range(0)];
  JapaneseReadings readings;
  for (auto _ : state) {
    benchmark::DoNotOptimize(plondex::ToPlayerTexts(song, state.range(1) ? &readings : nullptr));
  }
  state.SetLabel(std::string(state.range(0) == 0   ? "latin"
                             : state.range(0) == 1 ? "russian"
                             : state.range(0) == 2 ? "chinese"
                                                   : "japanese") +
                 (state.range(1) ? " with readings" : " spelled only"));
}
BENCHMARK(BM_SongTexts)
    ->Args({0, 1})
    ->Args({1, 1})
    ->Args({2, 1})
    ->Args({3, 0})
    ->Args({3, 1})
    ->Unit(benchmark::kMicrosecond);

// The first Japanese song of a build also opens the dictionary.
void BM_OpenDictionaryAndReadOneSong(benchmark::State& state) {
  for (auto _ : state) {
    JapaneseReadings readings;
    benchmark::DoNotOptimize(plondex::ToPlayerTexts(kSongs[3], &readings));
  }
}
BENCHMARK(BM_OpenDictionaryAndReadOneSong)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
