#include "playlists/playlist_shuffle.h"

#include <chrono>

namespace plondex {
namespace {

// Counts of the entries still in the source list, so that "the k-th remaining entry" costs a
// logarithmic search instead of shifting the list on every draw.
class RemainingEntries {
 public:
  explicit RemainingEntries(size_t n) : tree_(n + 1, 0) {
    for (size_t i = 1; i <= n; ++i) {
      tree_[i] += 1;
      const size_t up = i + (i & (~i + 1));
      if (up <= n) tree_[up] += tree_[i];
    }
    top_bit_ = 1;
    while (top_bit_ * 2 <= n) top_bit_ *= 2;
  }

  // Index of the k-th (0-based) remaining entry; it no longer counts afterwards.
  size_t Take(uint32_t k) {
    size_t pos = 0;
    uint32_t left = k;
    for (size_t step = top_bit_; step > 0; step /= 2) {
      const size_t next = pos + step;
      if (next < tree_.size() && tree_[next] <= left) {
        pos = next;
        left -= tree_[next];
      }
    }
    for (size_t i = pos + 1; i < tree_.size(); i += i & (~i + 1)) --tree_[i];
    return pos;
  }

 private:
  std::vector<uint32_t> tree_;
  size_t top_bit_;
};

}  // namespace

uint32_t RandomGenerator::Next(uint32_t range) {
  seed_ = seed_ * 134775813u + 1u;
  return static_cast<uint32_t>((static_cast<uint64_t>(seed_) * range) >> 32);
}

uint32_t CounterSeed() {
  const auto ticks = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(ticks).count());
}

std::vector<std::string> ShuffleEntries(std::vector<std::string> entries,
                                        RandomGenerator& generator) {
  std::vector<std::string> result;
  result.reserve(entries.size());
  RemainingEntries remaining(entries.size());
  for (size_t left = entries.size(); left > 0; --left) {
    const uint32_t k = generator.Next(static_cast<uint32_t>(left));
    result.push_back(std::move(entries[remaining.Take(k)]));
  }
  return result;
}

}  // namespace plondex
