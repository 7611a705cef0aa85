#include "navdb/database_build.h"

#include <memory>
#include <new>
#include <optional>
#include <stdexcept>
#include <system_error>

#include "library/scan.h"
#include "library/textlines.h"
#include "platform/codepage.h"
#include "platform/error.h"
#include "platform/files.h"
#include "platform/japanese.h"
#include "tags/id3stream.h"
#include "tags/id3v1.h"
#include "tags/id3v2.h"
#include "tags/oggreader.h"
#include "tags/songformat.h"
#include "tags/songtags.h"
#include "tags/wmareader.h"

namespace plondex {
namespace {

// Songs are read through a buffer of this many bytes from their start: it holds a typical tag
// whole, the ID3v2 header and the body's first load included, so such a song costs one read.
constexpr size_t kSongBlock = 10 + TId3Stream::kReadAhead;

std::string Quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

int CountSongs(const std::vector<const SongNode*>& leaves) {
  int songs = 0;
  for (const SongNode* leaf : leaves) songs += IsSongFileName(leaf->text);
  return songs;
}

// The counters of one build; a counter's label is touched only when it rises.
class Counters {
 public:
  explicit Counters(BuildReporter& reporter) : reporter_(reporter) {}
  void Raise(BuildCounter counter) {
    reporter_.CounterRaised(counter, ++values_[static_cast<int>(counter)]);
  }

 private:
  BuildReporter& reporter_;
  int values_[kBuildCounterCount] = {};
};

class Build {
 public:
  Build(const SongTree& tree, const PlayerFiles& files, const BuildSettings& settings, TId3v1& idv1,
        TId3v2& idv2, BuildReporter& reporter)
      : tree_(tree),
        files_(files),
        settings_(settings),
        idv1_(idv1),
        idv2_(idv2),
        reporter_(reporter),
        counters_(reporter),
        drive_root_(files.DriveRoot(settings.drive_letter)) {}

  BuildOutcome Run() {
    // Refused before anything is logged or written.
    RequireSongListOfPlayer(tree_, files_, settings_.drive_letter);
    reporter_.ClearLog();
    // The old database stays until the new one is whole: it is replaced atomically.
    reporter_.LogLine("Deleting old Database");
    reporter_.LogLine("Creating Database");
    try {
      return Walk();
    } catch (const Error& e) {
      reporter_.LogLine(std::string("Failed: ") + e.what());
      throw;
    }
  }

 private:
  BuildOutcome Walk() {
    // A player that cannot take the new file (read-only, full) fails here, before any song is
    // read; a cancelled build removes the file again.
    std::optional<ReplacementFile> output;
    if (!settings_.nowrite) {
      output.emplace(files_.Locate(
          PlayerPath(std::string{settings_.drive_letter, ':', '\\'} + kDatabaseFileName)));
    }
    // Each build reads its first ID3v1 file afresh, so no edited tag is carried over.
    idv1_.SetFileName(FileLocation(std::string()));
    const std::vector<const SongNode*> leaves = CheckedLeaves(tree_);
    const int total = CountSongs(leaves);
    int done = 0;
    reporter_.SongRead(0, total);
    for (const SongNode* leaf : leaves) {
      if (reporter_.CancelRequested()) {
        reporter_.LogLine("Cancelled");
        return BuildOutcome::kCancelled;
      }
      Song(*leaf);
      if (IsSongFileName(leaf->text)) reporter_.SongRead(++done, total);
    }
    reporter_.LogLine("Saving Database");
    if (database_.Count() > irivdb_layout::kMaxSongs) {
      const size_t left_out = database_.Count() - irivdb_layout::kMaxSongs;
      reporter_.LogLine("Warning, too many songs: " + std::to_string(left_out) +
                        (left_out == 1 ? " song" : " songs") +
                        " not written (the player holds at most 9999)");
    }
    if (output) database_.SaveDatabase(*output);
    reporter_.LogLine("Done");
    WriteList(kLongNameList, long_names_);
    WriteList(kNoTagList, no_tags_);
    return BuildOutcome::kDone;
  }

  void Song(const SongNode& node) {
    const PlayerPath player_path = NodePath(node, settings_.drive_letter);
    const std::string& path = player_path.text();
    if (node.text.size() > kMaxFileNameLength) {
      counters_.Raise(BuildCounter::kNameTooLong);
      reporter_.LogLine("Warning, name too long: " + path);
      long_names_.push_back(path);
    }
    const SongFormat format = SongFormatOf(node.text);
    if (format == SongFormat::kNone) return;
    try {
      const SongTags tags = ReadTags(format, Where(node, player_path));
      if (tags.source == TagSource::kNone) {
        counters_.Raise(BuildCounter::kNoTags);
        reporter_.LogLine("No tags found: " + path);
        no_tags_.push_back(path);
        return;
      }
      tsong record = RecordOf(tags);
      record.Path = path.substr(2);
      CleanSongTexts(record, settings_.cutat, settings_.verbose, reporter_);
      if (settings_.verbose) {
        reporter_.LogLine("Adding: " + path);
        reporter_.LogLine("Artist: " + record.Artist);
        reporter_.LogLine("Album: " + record.Album);
        reporter_.LogLine("Title: " + record.Title);
        reporter_.LogLine("Genre: " + record.Genre);
      }
      database_.AddSong(std::move(record));
    } catch (const Error& e) {
      SongFailed(path, e.what());
    } catch (const std::system_error& e) {
      SongFailed(path, e.what());
    } catch (const std::bad_alloc&) {
      // Whatever one song holds, it costs that song only, never the build.
      SongFailed(path, "Out of memory");
    } catch (const std::length_error&) {
      SongFailed(path, "Out of memory");
    }
  }

  void SongFailed(const std::string& path, std::string_view reason) {
    counters_.Raise(BuildCounter::kNoTags);
    reporter_.LogLine("Exception reading data: " + path + " (" + std::string(reason) + ")");
  }

  struct SongFile {
    FileLocation location;
    bool listed_regular = false;  // the scan listed a regular file there
  };

  // A song of this scan is reached through the names the scan listed; any other by looking its
  // names up.
  SongFile Where(const SongNode& node, const PlayerPath& path) const {
    if (drive_root_) {
      if (std::optional<std::string> native = ScannedNativePath(tree_, node, *drive_root_)) {
        return {FileLocation(std::move(*native), path.text()), node.regular_file};
      }
    }
    return {files_.Locate(path)};
  }

  // The song opened once; nullptr when nothing exists there. Throws Error on any other failure.
  static std::unique_ptr<InputFile> Open(const SongFile& file) {
    return file.listed_regular ? InputFile::OpenListedFile(file.location)
                               : InputFile::OpenIfExists(file.location);
  }

  // What the readers give for the song: ID3v2, else ID3v1, for MP3; the comments of Ogg and
  // WMA, where a song that cannot be opened counts as one without tags.
  SongTags ReadTags(SongFormat format, const SongFile& file) {
    SongTags tags;
    if (format == SongFormat::kMp3) {
      const std::unique_ptr<InputFile> input = Open(file);
      std::optional<BufferedSource> source;
      if (input) source.emplace(*input, kSongBlock);
      idv2_.SetFile(file.location, source ? &*source : nullptr);
      if (idv2_.TagPresent()) return Id3v2Tags(idv2_);
      if (source && Id3v1TagInSource(*source)) {
        idv1_.SetFile(file.location, *source);
        return Id3v1Tags(idv1_);
      }
      return tags;
    }
    std::unique_ptr<InputFile> input;
    try {
      input = Open(file);
    } catch (const Error&) {
    }
    if (!input) return tags;
    const BufferedSource source(*input, kSongBlock);
    if (format == SongFormat::kOgg && ogg_.ReadOggSource(source)) return OggTags(ogg_);
    if (format == SongFormat::kWma && wma_.ReadWmaSource(source)) return WmaTags(wma_);
    return tags;
  }

  // The record of a song with tags (its path aside), before its texts are cleaned; raises the
  // counter of its reader.
  tsong RecordOf(const SongTags& tags) {
    PlayerTexts texts = ToPlayerTexts(tags, &japanese_);
    if (texts.without_readings && !readings_failure_logged_) {
      readings_failure_logged_ = true;
      reporter_.LogLine("Japanese readings not available: " + Utf8ToAnsi(japanese_.Failure()));
    }
    tsong record;
    record.Title = std::move(texts.title);
    record.Artist = std::move(texts.artist);
    record.Album = std::move(texts.album);
    record.Genre = std::move(texts.genre);
    switch (tags.source) {
      case TagSource::kId3v2: {
        const std::string mapped = MapId3v2Genre(record.Genre);
        if (mapped != record.Genre) {
          if (settings_.verbose) {
            reporter_.LogLine("Mapping id3v2 genre " + Quoted(record.Genre) + " to " +
                              Quoted(mapped));
          }
          record.Genre = mapped;
        }
        counters_.Raise(BuildCounter::kId3v2);
        break;
      }
      case TagSource::kId3v1:
        counters_.Raise(BuildCounter::kId3v1);
        break;
      case TagSource::kOgg:
        counters_.Raise(BuildCounter::kOgg);
        break;
      case TagSource::kWma:
        counters_.Raise(BuildCounter::kWma);
        break;
      case TagSource::kNone:
        break;
    }
    return record;
  }

  void WriteList(const char* name, const std::vector<std::string>& paths) {
    if (paths.empty()) return;
    WriteWholeFile(FileLocation(settings_.lists_folder + "/" + name), JoinTextLines(paths));
  }

  const SongTree& tree_;
  const PlayerFiles& files_;
  const BuildSettings& settings_;
  TId3v1& idv1_;
  TId3v2& idv2_;
  BuildReporter& reporter_;
  Counters counters_;
  // The drive's root as it is now; a tree scanned from it reaches its songs by their native names.
  const std::optional<std::string> drive_root_;
  TOggReader ogg_;
  TWmaReader wma_;
  // Opened on the first Japanese song, if there is one.
  JapaneseReadings japanese_{settings_.mecab_dictionary};
  bool readings_failure_logged_ = false;
  tirivdb database_;
  std::vector<std::string> long_names_;
  std::vector<std::string> no_tags_;
};

}  // namespace

bool IsAllowedTagByte(unsigned char b) { return IsShownByte(b); }

std::string CleanTagText(std::string_view text, int limit, bool verbose, BuildReporter& reporter) {
  std::string result = AnsiToShownText(text);
  if (result.empty()) result = "???";
  if (limit >= 1 && result.size() > static_cast<size_t>(limit - 1)) result.resize(limit - 1);
  // Whatever the limit, a text must fit in its record.
  if (result.size() > irivdb_layout::kMaxTextSize) result.resize(irivdb_layout::kMaxTextSize);
  if (verbose && result != text) {
    reporter.LogLine("Adjusting tag: " + Quoted(text) + " -> " + Quoted(result));
  }
  return result;
}

void CleanSongTexts(tsong& song, int limit, bool verbose, BuildReporter& reporter) {
  song.Title = CleanTagText(song.Title, limit, verbose, reporter);
  song.Artist = CleanTagText(song.Artist, limit, verbose, reporter);
  song.Album = CleanTagText(song.Album, limit, verbose, reporter);
  song.Genre = CleanTagText(song.Genre, limit, verbose, reporter);
}

std::vector<const SongNode*> CheckedLeaves(const SongTree& tree) {
  std::vector<const SongNode*> leaves;
  if (const SongNode* root = tree.root()) {
    ForEachLeaf(*root, [&leaves](const SongNode& leaf) {
      if (leaf.parent && leaf.checked == 1) leaves.push_back(&leaf);
    });
  }
  return leaves;
}

int CountCheckedSongs(const SongTree& tree) { return CountSongs(CheckedLeaves(tree)); }

BuildOutcome BuildDatabase(const SongTree& tree, const PlayerFiles& files,
                           const BuildSettings& settings, TId3v1& idv1, TId3v2& idv2,
                           BuildReporter& reporter) {
  return Build(tree, files, settings, idv1, idv2, reporter).Run();
}

}  // namespace plondex
