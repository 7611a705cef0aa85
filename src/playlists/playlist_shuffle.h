#pragma once

// The shuffle of the "Random" command: a 32-bit linear congruential generator and the draw-and-
// remove order that it drives.

#include <cstdint>
#include <string>
#include <vector>

namespace plondex {

class RandomGenerator {
 public:
  explicit RandomGenerator(uint32_t seed) : seed_(seed) {}
  // A whole number from 0 to range - 1 (0 when range is 0): the seed steps to
  // seed * 134775813 + 1 (mod 2^32), and the draw is floor(seed * range / 2^32).
  uint32_t Next(uint32_t range);
  uint32_t seed() const { return seed_; }

 private:
  uint32_t seed_;
};

// The low 32 bits of a high-resolution counter.
uint32_t CounterSeed();

// Repeatedly draws k = random(entries left) and moves the k-th remaining entry to the end of the
// result, until none is left.
std::vector<std::string> ShuffleEntries(std::vector<std::string> entries,
                                        RandomGenerator& generator);

}  // namespace plondex
