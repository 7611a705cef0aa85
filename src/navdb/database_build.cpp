#include "navdb/database_build.h"

#include <chrono>
#include <memory>
#include <new>
#include <optional>
#include <stdexcept>
#include <system_error>
#include <unordered_set>

#include "library/scan.h"
#include "library/textlines.h"
#include "navdb/remembered_songs.h"
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

// A song changed this shortly before the build is not remembered: a file system that keeps times
// in steps of two seconds (FAT) would give a second change within the same step the same time.
constexpr int64_t kUnsettledNs = 3'000'000'000;

int64_t NowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

std::string Quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

// The counter of the songs a reader answered for (never kNone: such a song has no record).
BuildCounter CounterOf(TagSource source) {
  switch (source) {
    case TagSource::kId3v2:
      return BuildCounter::kId3v2;
    case TagSource::kId3v1:
      return BuildCounter::kId3v1;
    case TagSource::kOgg:
      return BuildCounter::kOgg;
    case TagSource::kWma:
      return BuildCounter::kWma;
    case TagSource::kNone:
      break;
  }
  return BuildCounter::kNoTags;
}

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
        TId3v2& idv2, BuildReporter& reporter, TagCache* cache)
      : tree_(tree),
        files_(files),
        settings_(settings),
        idv1_(idv1),
        idv2_(idv2),
        reporter_(reporter),
        counters_(reporter),
        drive_root_(files.DriveRoot(settings.drive_letter)),
        cache_(cache) {}

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
    LoadCache();
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
    StoreCache();
    return BuildOutcome::kDone;
  }

  // The songs the cache remembers of this player; without them the build reads every song.
  void LoadCache() {
    if (!cache_) return;
    const std::string serial = files_.drives().VolumeSerialText(settings_.drive_letter);
    // A folder that stands for a player has no serial: its place names it.
    player_ = serial.empty() ? RealNativePath(*drive_root_) : serial;
    settled_before_ns_ = NowNs() - kUnsettledNs;
    std::string stored;
    try {
      stored = cache_->Load(player_);
    } catch (const Error& e) {
      CacheFailed(e.what());
      return;
    } catch (const std::bad_alloc&) {
      CacheFailed("Out of memory");
      return;
    }
    try {
      remembered_ = RememberedSongs(std::move(stored));
      cache_changed_ = remembered_.outdated();
    } catch (const Error& e) {
      // The file is sound, what it holds of this player is not: this build stores it afresh.
      reporter_.LogLine(std::string("Tag cache not used: ") + e.what());
      cache_changed_ = true;
    }
  }

  // At the end of a build that went well: what the cache holds of the player becomes the songs of
  // this build, and the songs remembered that the build did not come to while the tree still
  // shows them. Nothing is written when nothing changed.
  void StoreCache() {
    if (!cache_) return;
    try {
      const std::vector<size_t> not_taken = remembered_.NotTaken();
      if (!not_taken.empty()) {
        const std::unordered_set<std::string> on_player = SongsOfTree();
        for (const size_t song : not_taken) {
          if (on_player.contains(std::string(remembered_.Path(song)))) {
            kept_.AddStored(remembered_.Stored(song));
          } else {
            cache_changed_ = true;
          }
        }
      }
      if (cache_changed_) cache_->Store(player_, kept_.Finish());
    } catch (const Error& e) {
      CacheFailed(e.what());
    } catch (const std::bad_alloc&) {
      CacheFailed("Out of memory");
    }
  }

  void CacheFailed(const std::string& reason) {
    reporter_.LogLine("Tag cache not used: " + reason);
    cache_ = nullptr;
  }

  std::unordered_set<std::string> SongsOfTree() const {
    std::unordered_set<std::string> paths;
    if (!tree_.root()) return paths;
    ForEachLeaf(*tree_.root(), [&paths](const SongNode& leaf) {
      if (!IsSongNode(leaf)) return;
      if (std::optional<std::string> path = ScannedRelativePath(leaf)) paths.insert(*path);
    });
    return paths;
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
      const SongTags tags = TagsOf(format, node, player_path);
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
    // The open folder it lies in and its name there, when the scan listed it as a regular file.
    const OpenFolder* folder = nullptr;
    std::string_view name = {};
  };

  // The tags of a song: those remembered when its size and time are unchanged, else read.
  SongTags TagsOf(SongFormat format, const SongNode& node, const PlayerPath& path) {
    if (!node.regular_file || !node.parent || !EnterFolder(*node.parent)) {
      return ReadTags(format, Where(node, path), nullptr);
    }
    const std::string relative =
        folder_relative_.empty() ? node.native_name : folder_relative_ + '/' + node.native_name;
    std::optional<size_t> known;
    if (cache_) known = remembered_.Take(relative);
    std::optional<FileStamp> stamp;
    if (known && !settings_.read_all_tags) {
      stamp = folder_->StampOf(node.native_name);
      if (stamp == remembered_.Stamp(*known)) {
        kept_.AddStored(remembered_.Stored(*known));
        return remembered_.Tags(*known);
      }
    }
    const SongFile file{FileLocation(JoinNative(folder_native_, node.native_name), path.text()),
                        true, folder_.get(), node.native_name};
    SongTags tags = ReadTags(format, file, cache_ ? &stamp : nullptr);
    if (cache_) Remember(relative, stamp, tags, known);
    return tags;
  }

  // Keeps what was read of a song whose file settled; a song read again that gives anything else
  // than what was remembered, or that cannot be remembered, changes what the cache holds.
  void Remember(const std::string& path, const std::optional<FileStamp>& stamp,
                const SongTags& tags, std::optional<size_t> known) {
    std::string_view stored;
    if (stamp && stamp->mtime_ns <= settled_before_ns_) stored = kept_.Add(path, *stamp, tags);
    if (stored.empty() ? known.has_value() : !known || stored != remembered_.Stored(*known)) {
      cache_changed_ = true;
    }
  }

  // Holds the folder open while the build reads the songs in it; false when the songs of this
  // folder are to be reached by their paths.
  bool EnterFolder(const SongNode& folder) {
    if (&folder == folder_node_) return folder_ != nullptr;
    folder_node_ = &folder;
    folder_.reset();
    std::optional<std::string> relative = ScannedRelativePath(folder);
    if (!relative) return false;
    folder_relative_ = std::move(*relative);
    folder_native_ =
        folder_relative_.empty() ? *drive_root_ : JoinNative(*drive_root_, folder_relative_);
    folder_ = OpenFolder::Open(folder_native_);
    return folder_ != nullptr;
  }

  // A song of this scan is reached through the names the scan listed; any other by looking its
  // names up.
  SongFile Where(const SongNode& node, const PlayerPath& path) const {
    if (std::optional<std::string> native = ScannedNativePath(tree_, node, *drive_root_)) {
      return {FileLocation(std::move(*native), path.text()), node.regular_file};
    }
    return {files_.Locate(path)};
  }

  // The song opened once; nullptr when nothing exists there. Throws Error on any other failure.
  // With stamp, the stamp of the regular file that was opened in its folder is there afterwards
  // (one known already is trusted); it stays empty when the song was reached otherwise.
  static std::unique_ptr<InputFile> Open(const SongFile& file, std::optional<FileStamp>* stamp) {
    if (file.folder) {
      std::optional<uint64_t> size;
      if (stamp && *stamp) size = (*stamp)->size;
      std::unique_ptr<InputFile> input = file.folder->OpenFile(std::string(file.name), size);
      if (input && stamp && !*stamp) *stamp = input->Stamp();
      if (input && (!stamp || *stamp)) return input;
      // Whatever went wrong, the song is opened by its path, which says what it is.
      if (stamp) stamp->reset();
    }
    return file.listed_regular ? InputFile::OpenListedFile(file.location)
                               : InputFile::OpenIfExists(file.location);
  }

  // What the readers give for the song: ID3v2, else ID3v1, for MP3; the comments of Ogg and
  // WMA, where a song that cannot be opened counts as one without tags. A stamp is given back
  // only for a song that was opened and read to the end.
  SongTags ReadTags(SongFormat format, const SongFile& file, std::optional<FileStamp>* stamp) {
    SongTags tags;
    if (format == SongFormat::kMp3) {
      const std::unique_ptr<InputFile> input = Open(file, stamp);
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
      input = Open(file, stamp);
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
    if (tags.source == TagSource::kId3v2) {
      const std::string mapped = MapId3v2Genre(record.Genre);
      if (mapped != record.Genre) {
        if (settings_.verbose) {
          reporter_.LogLine("Mapping id3v2 genre " + Quoted(record.Genre) + " to " +
                            Quoted(mapped));
        }
        record.Genre = mapped;
      }
    }
    counters_.Raise(CounterOf(tags.source));
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
  // The drive's root as it is now, from which Run makes sure the tree was scanned: the songs are
  // reached by the native names the scan listed.
  const std::optional<std::string> drive_root_;
  // The tag cache while it serves this build; nullptr without one, or once it failed.
  TagCache* cache_;
  std::string player_;  // the player's name in the cache
  int64_t settled_before_ns_ = 0;
  // What the cache remembers of the player, and what it will remember after this build.
  RememberedSongs remembered_;
  RememberedSongsWriter kept_;
  bool cache_changed_ = false;
  // The folder whose songs are being read, held open.
  const SongNode* folder_node_ = nullptr;
  std::unique_ptr<OpenFolder> folder_;
  std::string folder_native_;
  std::string folder_relative_;  // below the drive's root; empty for the root
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
                           BuildReporter& reporter, TagCache* cache) {
  return Build(tree, files, settings, idv1, idv2, reporter, cache).Run();
}

}  // namespace plondex
