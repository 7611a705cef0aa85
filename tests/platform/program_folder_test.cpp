#include "platform/program_folder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "support/temp_dir.h"

namespace plondex {
namespace {

// Sets or clears one environment variable for the test's lifetime.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value) {
      ::setenv(name, value, 1);
    } else {
      ::unsetenv(name);
    }
  }
  ~ScopedEnv() {
    if (old_) {
      ::setenv(name_, old_->c_str(), 1);
    } else {
      ::unsetenv(name_);
    }
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

bool IsFolder(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

TEST(ChooseProgramFolderTest, WritableExecutableFolderIsUsedAsItStands) {
  test::TempDir dir;
  const std::string build = dir.MakeFolder("build");
  ScopedEnv xdg("XDG_CONFIG_HOME", dir.Path("config").c_str());
  EXPECT_EQ(ChooseProgramFolder(build), build);
  EXPECT_FALSE(IsFolder(dir.Path("config/plondex")));
}

TEST(ChooseProgramFolderTest, SystemProgramFoldersNeverHoldTheFiles) {
  // The installed program, even when run by root who may write to /usr/bin.
  test::TempDir dir;
  ScopedEnv xdg("XDG_CONFIG_HOME", dir.Path("config").c_str());
  const std::string expected = dir.Path("config/plondex");
  for (const char* system : {"/usr/bin", "/usr/bin/", "/bin", "/usr/local/bin", "/usr/sbin"}) {
    EXPECT_EQ(ChooseProgramFolder(system), expected) << system;
  }
  EXPECT_TRUE(IsFolder(expected));
}

TEST(ChooseProgramFolderTest, MissingOrEmptyExecutableFolderFallsBackToConfiguration) {
  test::TempDir dir;
  ScopedEnv xdg("XDG_CONFIG_HOME", dir.Path("config").c_str());
  EXPECT_EQ(ChooseProgramFolder(dir.Path("gone")), dir.Path("config/plondex"));
  EXPECT_EQ(ChooseProgramFolder(""), dir.Path("config/plondex"));
}

TEST(ChooseProgramFolderTest, ConfigurationFolderIsCreatedWithItsParents) {
  test::TempDir dir;
  ScopedEnv xdg("XDG_CONFIG_HOME", dir.Path("a/b/c").c_str());
  const std::string folder = ChooseProgramFolder("/usr/bin");
  EXPECT_EQ(folder, dir.Path("a/b/c/plondex"));
  ASSERT_TRUE(IsFolder(folder));
  struct stat st {};
  ASSERT_EQ(::stat(folder.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST(ChooseProgramFolderTest, RelativeOrEmptyXdgConfigHomeIsIgnored) {
  test::TempDir dir;
  ScopedEnv home("HOME", dir.path().c_str());
  for (const char* value : {"relative/config", ""}) {
    ScopedEnv xdg("XDG_CONFIG_HOME", value);
    EXPECT_EQ(ChooseProgramFolder("/usr/bin"), dir.Path(".config/plondex")) << '"' << value << '"';
  }
  ScopedEnv xdg("XDG_CONFIG_HOME", nullptr);
  EXPECT_EQ(ChooseProgramFolder("/usr/bin"), dir.Path(".config/plondex"));
  EXPECT_TRUE(IsFolder(dir.Path(".config/plondex")));
}

TEST(DefaultTagCacheFileTest, PerUserCacheFolderAndNothingMade) {
  test::TempDir dir;
  ScopedEnv home("HOME", dir.path().c_str());
  {
    ScopedEnv xdg("XDG_CACHE_HOME", dir.Path("cache").c_str());
    EXPECT_EQ(DefaultTagCacheFile(), dir.Path("cache/plondex/tags.sqlite"));
  }
  ScopedEnv xdg("XDG_CACHE_HOME", "relative");
  EXPECT_EQ(DefaultTagCacheFile(), dir.Path(".cache/plondex/tags.sqlite"));
  EXPECT_EQ(test::ListNames(dir.path()), "");
}

}  // namespace
}  // namespace plondex
