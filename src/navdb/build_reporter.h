#pragma once

// How the database build reports: the log pane, the six counters and its progress, and how it is
// asked to stop.

#include <string>

namespace plondex {

// The six counters, in the window's order from top to bottom.
enum class BuildCounter { kId3v1 = 0, kId3v2, kOgg, kWma, kNoTags, kNameTooLong };
inline constexpr int kBuildCounterCount = 6;

// The counters' captions, in the same order.
inline constexpr const char* kBuildCounterCaptions[kBuildCounterCount] = {
    "MP3 with id3v1 tags:", "MP3 with id3v2 tags:", "OGG with tags:",
    "WMA with tags:",       "Songs without tags:",  "Name too long:"};

class BuildReporter {
 public:
  virtual ~BuildReporter() = default;
  // Empties the log pane.
  virtual void ClearLog() = 0;
  // Appends one line (8-bit text) to the log pane.
  virtual void LogLine(const std::string& text) = 0;
  // A counter rose to value; the window shows the number at once.
  virtual void CounterRaised(BuildCounter counter, int value) = 0;
  // done of the build's total songs have been read: once with 0 before the first song, then
  // after each one.
  virtual void SongRead(int /*done*/, int /*total*/) {}
  // Asked before each song; true stops the build there with nothing written.
  virtual bool CancelRequested() { return false; }
};

}  // namespace plondex
