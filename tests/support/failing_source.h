#pragma once

// A byte source that fails every read reaching past a given offset, like a disk that stops
// answering.

#include <string>

#include "platform/error.h"
#include "platform/files.h"

namespace plondex::test {

class FailingSource : public ByteSource {
 public:
  FailingSource(std::string data, uint64_t fail_at) : data_(std::move(data)), fail_at_(fail_at) {}
  uint64_t Size() const override { return data_.size(); }
  size_t ReadAt(uint64_t offset, void* buffer, size_t n) const override {
    if (offset + n > fail_at_) throw Error("Stream read error");
    return MemorySource(data_).ReadAt(offset, buffer, n);
  }

 private:
  std::string data_;
  uint64_t fail_at_;
};

}  // namespace plondex::test
