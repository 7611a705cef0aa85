#pragma once

// A player drive "e" over a temporary folder, a scripted prompter and the playlists on it.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/error.h"
#include "platform/files.h"
#include "playlists/playlists.h"
#include "support/player_drive.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"

namespace plondex::test {

using Lines = std::vector<std::string>;

class PlayerTest : public ::testing::Test {
 protected:
  PlayerTest()
      : drive_(dir_.path()), playlists_(&prompter_, &drive_.files, [this] { return context_; }) {
    playlists_.SetSeedSource([] { return 0u; });
  }
  ~PlayerTest() override { SetFileFaultHook(nullptr); }

  std::string Native(const std::string& name) const { return dir_.Path("playlists/" + name); }
  void Write(const std::string& name, const std::string& bytes) const {
    dir_.Write("playlists/" + name, bytes);
  }
  std::string Read(const std::string& name) const { return ReadNative(Native(name)); }
  Lines Entries() const { return playlists_.content().Texts(); }

  // Lists the folder, then selects and loads the named playlist.
  void Open(const std::string& name) {
    playlists_.ListPlaylists();
    const Lines& names = playlists_.names();
    for (size_t i = 0; i < names.size(); ++i) {
      if (names[i] == name) playlists_.SelectPlaylist(static_cast<int>(i));
    }
    playlists_.ShowSelectedPlaylist();
  }

  // Counts the whole-file writes started from now on.
  void CountWrites() {
    SetFileFaultHook([this](FileOp op) {
      writes_ += op == FileOp::kCreate;
      return false;
    });
  }

  TempDir dir_;
  PlayerDrive drive_;
  ScriptedPrompter prompter_;
  PlaylistContext context_{'e', "playlists", false};
  Playlists playlists_;
  int writes_ = 0;
};

}  // namespace plondex::test
