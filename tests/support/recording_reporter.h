#pragma once

// A BuildReporter for tests: keeps the log lines and every rise of a counter.

#include <string>
#include <vector>

#include "navdb/build_reporter.h"

namespace plondex::test {

class RecordingReporter : public BuildReporter {
 public:
  void ClearLog() override { log.clear(); }
  void LogLine(const std::string& text) override { log.push_back(text); }
  void CounterRaised(BuildCounter counter, int value) override {
    values[static_cast<int>(counter)] = value;
    ++rises;
  }
  int Value(BuildCounter counter) const { return values[static_cast<int>(counter)]; }

  std::vector<std::string> log;
  int values[kBuildCounterCount] = {};
  int rises = 0;
};

}  // namespace plondex::test
