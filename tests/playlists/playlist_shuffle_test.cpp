#include "playlists/playlist_shuffle.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace plondex {
namespace {

using Lines = std::vector<std::string>;

TEST(RandomGenerator, StepsTheSeedAndScalesTheDraw) {
  RandomGenerator generator(12345);
  // 12345 * 134775813 + 1 mod 2^32 = 1655067934; 1655067934 * 10 / 2^32 = 3.85
  EXPECT_EQ(generator.Next(10), 3u);
  EXPECT_EQ(generator.seed(), 1655067934u);
  EXPECT_EQ(generator.Next(10), 2u);
  EXPECT_EQ(generator.Next(10), 0u);
  EXPECT_EQ(generator.Next(1000), 553u);
  EXPECT_EQ(generator.Next(7), 4u);
  EXPECT_EQ(generator.Next(0xFFFFFFFFu), 1467157058u);
  EXPECT_EQ(generator.seed(), 1467157059u);
  RandomGenerator wrapping(0xFFFFFFFFu);
  wrapping.Next(1);
  EXPECT_EQ(wrapping.seed(), 0u - 134775812u);
}

// The shuffle drawn from a list that shifts after every draw.
Lines ReferenceShuffle(Lines source, uint32_t seed) {
  RandomGenerator generator(seed);
  Lines result;
  while (!source.empty()) {
    const uint32_t k = generator.Next(static_cast<uint32_t>(source.size()));
    result.push_back(source[k]);
    source.erase(source.begin() + k);
  }
  return result;
}

TEST(ShuffleEntries, DrawsAndRemovesInTurn) {
  RandomGenerator generator(0);
  EXPECT_EQ(ShuffleEntries({"A", "B", "C", "D"}, generator), (Lines{"A", "B", "D", "C"}));
  for (uint32_t n : {0u, 1u, 2u, 3u, 7u, 16u, 31u, 64u, 100u, 257u, 1000u}) {
    Lines entries;
    for (uint32_t i = 0; i < n; ++i) entries.push_back("\\song" + std::to_string(i % 50) + ".mp3");
    for (uint32_t seed : {0u, 1u, 12345u, 0x80000000u, 0xFFFFFFFFu, 2463534242u}) {
      RandomGenerator generator(seed);
      EXPECT_EQ(ShuffleEntries(entries, generator), ReferenceShuffle(entries, seed))
          << n << " entries, seed " << seed;
    }
  }
}

}  // namespace
}  // namespace plondex
