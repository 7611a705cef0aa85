#pragma once

// A test suite against one mock udisks2, started once for the suite. A test skips when
// python3-dbusmock is not installed; player_ is mounted at a fresh folder of dir_, named as the
// kernel names mount points (no symbolic links on the way).

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>

#include "support/temp_dir.h"
#include "support/udisks2_mock.h"

namespace plondex::test {

class Udisks2Test : public ::testing::Test {
 protected:
  explicit Udisks2Test(std::string mount_folder) : mount_folder_(std::move(mount_folder)) {}
  static void SetUpTestSuite() { mock_ = new Udisks2Mock; }
  static void TearDownTestSuite() {
    delete mock_;
    mock_ = nullptr;
  }
  void SetUp() override {
    if (!mock_->skip_reason().empty()) GTEST_SKIP() << mock_->skip_reason();
    player_.mount_point = std::filesystem::canonical(dir_.MakeFolder(mount_folder_)).string();
  }

  static inline Udisks2Mock* mock_ = nullptr;
  TempDir dir_;
  Udisks2Mock::Player player_;

 private:
  std::string mount_folder_;
};

}  // namespace plondex::test
