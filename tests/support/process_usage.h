#pragma once

// What a test can see of the resources its process uses: open descriptors, the peak resident
// size, and a child program run with its own peak size and a time limit.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace plondex::test {

// The number of descriptors the process holds open.
int OpenDescriptorCount();

// The peak resident size of the process so far, in KiB.
long PeakRssKiB();

#if defined(__SANITIZE_ADDRESS__)
#define PLONDEX_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PLONDEX_ADDRESS_SANITIZER 1
#endif
#endif

// True under AddressSanitizer, whose allocator keeps freed memory aside for a while and which
// reserves a vast address space of its own.
#ifdef PLONDEX_ADDRESS_SANITIZER
inline constexpr bool kAddressSanitizer = true;
#else
inline constexpr bool kAddressSanitizer = false;
#endif

// A bound on memory growth that holds in a plain build, widened where the allocator itself
// holds on to memory. It stays far below the sizes that hostile files claim.
inline constexpr long MemoryAllowanceKiB(long plain_kib) {
  return kAddressSanitizer ? 4 * plain_kib : plain_kib;
}

// How much the peak resident size rose while fn ran, in KiB. The peak is reset first where the
// system allows it, so an earlier, larger peak does not hide the growth.
long PeakRssGrowthKiB(const std::function<void()>& fn);

struct ProgramRun {
  int status = -1;         // exit status; -1 when the program did not exit normally
  bool timed_out = false;  // killed when the time limit ran out
  std::string out, err;
};

// Runs program with args, its output collected through files in scratch_folder. The program is
// killed when it runs longer than timeout_seconds. With a limit, the program's address space is
// capped at that many bytes, so an allocation beyond it fails in the program (a peak resident
// size would not do: the child's counts the pages it shared with this process before exec).
ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args,
                      const std::string& scratch_folder, unsigned timeout_seconds = 60,
                      uint64_t address_space_limit = 0);

}  // namespace plondex::test
