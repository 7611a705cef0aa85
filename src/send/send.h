#pragma once

// Sending songs to the player: a plan first (the sources found, each song's name on the player,
// copy or convert, the room it needs), then the work (conversions on a pool of child processes,
// one writer that fills the player in target order). The window runs both on its worker thread;
// plondex-cli send runs them for scripts.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/player_files.h"
#include "send/convert.h"
#include "send/songfacts.h"

namespace plondex {

struct SendOptions {
  char drive_letter = 'e';
  // The player folder below the root that songs go into: 8-bit text, '\' between names.
  std::string folder = "Music";
  ConvertSettings convert;
  // Conversions and probes at the same time; 0 for one per processor.
  int jobs = 0;
  std::string ffmpeg = "ffmpeg";
  std::string ffprobe = "ffprobe";
  // Where converted songs wait for their turn to be written (native); empty for $TMPDIR or /tmp.
  std::string scratch_folder;
  // The room on the player in bytes; unset asks the file system. Tests set it.
  std::function<std::optional<uint64_t>()> free_space;
};

class SendReporter {
 public:
  virtual ~SendReporter() = default;
  // done of total files looked at while planning: once with 0, then after each one.
  virtual void FilesLooked(int /*done*/, int /*total*/) {}
  // The song of index done (of total songs to write) is being sent to player_path (8-bit).
  virtual void SongStarted(int /*done*/, int /*total*/, const std::string& /*player_path*/) {}
  // done of total songs have been sent or have failed.
  virtual void SongFinished(int /*done*/, int /*total*/) {}
  // A song failed while being sent and the send goes on (8-bit text: "Cannot convert "x.flac":
  // ..."). Those that failed while being looked at are the plan's failures.
  virtual void SongFailed(const std::string& /*message*/) {}
  // Asked between steps; true stops the send after the file being written, which is removed.
  virtual bool CancelRequested() { return false; }
};

// "Songs sent: n of N"
std::string SongsSentText(int done, int total);

enum class SendAction { kCopy, kConvert, kAlreadyThere };

struct SendItem {
  std::string source;  // native path
  SendAction action = SendAction::kCopy;
  PlayerPath target;
  SongFacts facts;
  uint64_t bytes = 0;  // on the player: exact for a copy, an estimate for a conversion
};

struct SendPlan {
  SendOptions options;
  std::vector<SendItem> items;        // in target order
  std::vector<std::string> failures;  // sources that failed while being looked at (8-bit text)
  int skipped = 0;                    // files that are no songs
  uint64_t bytes_needed = 0;          // of the copies and conversions
  bool cancelled = false;
  int ToWrite() const;
};

struct SendSummary {
  int sent = 0;       // written to the player, converted ones included
  int converted = 0;  // of those
  int already_there = 0;
  int skipped = 0;
  int failed = 0;
  bool cancelled = false;
  int to_write = 0;  // the songs there were to write
  // The songs written, and those that were there already, as player paths.
  std::vector<PlayerPath> sent_paths, present_paths;
  // The reasons of the songs that failed (8-bit text).
  std::vector<std::string> failures;
  // What stopped the send before its end (the player could not be written), or empty.
  std::string error;
};

// The summary for the log: one line each for sent, converted, already there, skipped and failed,
// and after a cancel one that says how many songs were sent.
std::vector<std::string> SummaryLines(const SendSummary& summary);

// "The iHP has X MB free; these songs need about Y MB."
std::string NoRoomMessage(uint64_t free_bytes, uint64_t needed_bytes);

// Looks at every file below the sources (native paths of files or folders; folders are searched
// without following links to folders). A file is a song by its content; a song the player plays
// is copied, any other converted; a song whose name is on the player already is not sent again.
// Throws Error "IHP not connected!" when the drive is not there, and Error for a source that does
// not exist or a probe that cannot be started. Nothing is written.
SendPlan PlanSend(const std::vector<std::string>& sources, const PlayerFiles& files,
                  const SendOptions& options, SendReporter& reporter);

// Sends the plan's songs. Throws Error "IHP not connected!" when the drive is not there, and
// NoRoomMessage when the songs do not fit, both before anything is written; leftovers of an
// interrupted send below the folder are removed first. A song that cannot be read or converted
// fails alone. When the player cannot be written the send stops there with the summary's error
// set, after removing the file being written: the songs sent before stay.
SendSummary RunSend(const SendPlan& plan, const PlayerFiles& files, SendReporter& reporter);

// The name a file being written takes in its folder until it is whole, and whether a name is
// one of those.
std::string PartFileName(uint32_t number);
bool IsPartFileName(std::string_view name);

}  // namespace plondex
