#pragma once

// A fresh folder under the system's temporary folder, removed with everything in it at the end.

#include <string>
#include <string_view>

namespace plondex::test {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  // path() + "/" + relative
  std::string Path(std::string_view relative) const;
  // Writes a file (creating its folders) and returns its native path.
  std::string Write(std::string_view relative, std::string_view bytes) const;
  // Creates a folder (and its parents) and returns its native path.
  std::string MakeFolder(std::string_view relative) const;

 private:
  std::string path_;
};

// The whole content of a native file; empty when it cannot be read.
std::string ReadNative(const std::string& path);
bool NativeExists(const std::string& path);
// The names in a native folder, sorted.
std::string ListNames(const std::string& folder);
// Dates every file below the folder (links not followed) to one moment long past, as songs
// copied with their times keep them: the tag cache remembers only songs that settled.
void AgeFiles(const std::string& folder);

}  // namespace plondex::test
