#include "navdb/database_build.h"

#include <memory>

#include "library/scan.h"
#include "library/textlines.h"
#include "platform/codepage.h"
#include "platform/collation.h"
#include "platform/error.h"
#include "platform/files.h"
#include "tags/id3v1.h"
#include "tags/id3v2.h"
#include "tags/oggreader.h"
#include "tags/wmareader.h"

namespace plondex {
namespace {

std::string Quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

// The file name's ending from its last '.' on, lower-cased; empty without a '.'.
std::string Extension(const std::string& name) {
  const size_t dot = name.rfind('.');
  return dot == std::string::npos ? std::string() : LowerText(name.substr(dot));
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
  Build(const BuildSettings& settings, TId3v1& idv1, TId3v2& idv2, BuildReporter& reporter)
      : settings_(settings), idv1_(idv1), idv2_(idv2), reporter_(reporter), counters_(reporter) {}

  void Run(const SongTree& tree) {
    reporter_.ClearLog();
    // The old database stays until the new one is whole: SaveDatabase replaces it atomically.
    reporter_.LogLine("Deleting old Database");
    reporter_.LogLine("Creating Database");
    // Each build reads its first ID3v1 file afresh, so no edited tag is carried over.
    idv1_.SetFileName("");
    if (const SongNode* root = tree.root()) Walk(*root);
    reporter_.LogLine("Saving Database");
    if (database_.Count() > irivdb_layout::kMaxSongs) {
      reporter_.LogLine("Warning, too many songs: " +
                        std::to_string(database_.Count() - irivdb_layout::kMaxSongs) +
                        " songs not written (the player holds at most 9999)");
    }
    if (!settings_.nowrite) {
      database_.SaveDatabase(std::string(1, settings_.drive_letter) + ":\\" + kDatabaseFileName);
    }
    reporter_.LogLine("Done");
    WriteList(kLongNameList, long_names_);
    WriteList(kNoTagList, no_tags_);
  }

 private:
  // Pre-order without recursion, so deep folders cost no stack.
  void Walk(const SongNode& root) {
    std::vector<const SongNode*> stack = {&root};
    while (!stack.empty()) {
      const SongNode* node = stack.back();
      stack.pop_back();
      if (node->HasChildren()) {
        for (auto it = node->children.rbegin(); it != node->children.rend(); ++it) {
          stack.push_back(it->get());
        }
      } else if (node->parent && node->checked == 1) {
        Song(*node);
      }
    }
  }

  void Song(const SongNode& node) {
    const std::string path = NodePath(node, settings_.drive_letter);
    const std::string record_path = path.substr(2);
    const std::string extension = Extension(node.text);
    if (node.text.size() > kMaxFileNameLength) {
      counters_.Raise(BuildCounter::kNameTooLong);
      reporter_.LogLine("Warning, name too long: " + path);
      long_names_.push_back(path);
    }
    try {
      std::unique_ptr<tsong> record;
      if (extension == ".mp3") {
        record = ReadMp3(path);
      } else if (extension == ".ogg") {
        if (ogg_.ReadOggFile(path)) {
          record = NewRecord(record_path, ForPlayer(ogg_.Title()), ForPlayer(ogg_.Artist()),
                             ForPlayer(ogg_.Album()), ForPlayer(ogg_.Genre()));
          counters_.Raise(BuildCounter::kOgg);
        }
      } else if (extension == ".wma") {
        if (wma_.ReadWmaFile(path)) {
          record = NewRecord(record_path, WideToAnsi(wma_.Title()), WideToAnsi(wma_.Artist()),
                             WideToAnsi(wma_.Album()), WideToAnsi(wma_.Genre()));
          counters_.Raise(BuildCounter::kWma);
        }
      } else {
        return;
      }
      if (record) {
        record->Path = record_path;
        CleanSongTexts(*record, settings_.cutat, settings_.verbose, reporter_);
        const tsong shown = *record;
        database_.AddSong(std::move(record));
        if (settings_.verbose) {
          reporter_.LogLine("Adding: " + path);
          reporter_.LogLine("Artist: " + shown.Artist);
          reporter_.LogLine("Album: " + shown.Album);
          reporter_.LogLine("Title: " + shown.Title);
          reporter_.LogLine("Genre: " + shown.Genre);
        }
      } else {
        counters_.Raise(BuildCounter::kNoTags);
        reporter_.LogLine("No tags found: " + path);
        no_tags_.push_back(path);
      }
    } catch (const std::exception& e) {
      counters_.Raise(BuildCounter::kNoTags);
      reporter_.LogLine("Exception reading data: " + path + " (" + e.what() + ")");
    }
  }

  std::unique_ptr<tsong> ReadMp3(const std::string& path) {
    idv2_.SetFileName(path);
    if (idv2_.TagPresent()) {
      std::string artist = CommaText(idv2_.Texts().Performers());
      if (artist.size() > 2 && artist.front() == '"' && artist.back() == '"') {
        artist = artist.substr(1, artist.size() - 2);
      }
      auto record = NewRecord("", idv2_.Texts().ContentDescription(), artist, idv2_.Texts().Album(),
                              idv2_.Texts().Content());
      const std::string mapped = MapId3v2Genre(record->Genre);
      if (mapped != record->Genre) {
        if (settings_.verbose) {
          reporter_.LogLine("Mapping id3v2 genre " + Quoted(record->Genre) + " to " +
                            Quoted(mapped));
        }
        record->Genre = mapped;
      }
      counters_.Raise(BuildCounter::kId3v2);
      return record;
    }
    if (Id3v1TagInFile(path)) {
      idv1_.SetFileName(path);
      auto record = NewRecord("", idv1_.SongName(), idv1_.Artist(), idv1_.Album(),
                              GenreName(static_cast<int>(idv1_.Genre())));
      counters_.Raise(BuildCounter::kId3v1);
      return record;
    }
    return nullptr;
  }

  // Vorbis comments are UTF-8: in the player's character set where they decode, else as stored.
  static std::string ForPlayer(const std::string& text) { return Utf8ToAnsi(text); }

  static std::unique_ptr<tsong> NewRecord(std::string path, std::string title, std::string artist,
                                          std::string album, std::string genre) {
    auto song = std::make_unique<tsong>();
    song->Path = std::move(path);
    song->Title = std::move(title);
    song->Artist = std::move(artist);
    song->Album = std::move(album);
    song->Genre = std::move(genre);
    return song;
  }

  void WriteList(const char* name, const std::vector<std::string>& paths) {
    if (paths.empty()) return;
    WriteWholeFile(settings_.lists_folder + "/" + name, JoinTextLines(paths));
  }

  const BuildSettings& settings_;
  TId3v1& idv1_;
  TId3v2& idv2_;
  BuildReporter& reporter_;
  Counters counters_;
  TOggReader ogg_;
  TWmaReader wma_;
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

std::string CommaText(const std::vector<std::string>& names) {
  if (names.size() == 1 && names[0].empty()) return "\"\"";
  std::string out;
  for (size_t i = 0; i < names.size(); ++i) {
    if (i > 0) out.push_back(',');
    const std::string& name = names[i];
    bool quote = false;
    for (char c : name) {
      if (static_cast<unsigned char>(c) <= 32 || c == '"' || c == ',') quote = true;
    }
    if (!quote) {
      out += name;
      continue;
    }
    out.push_back('"');
    for (char c : name) {
      if (c == '"') out.push_back('"');
      out.push_back(c);
    }
    out.push_back('"');
  }
  return out;
}

bool ParseGenreNumber(std::string_view text, long long& value) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int base = 10;
  if (i < text.size() && text[i] == '$') {
    base = 16;
    ++i;
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i == text.size()) return false;
  long long v = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    int d;
    if (c >= '0' && c <= '9') {
      d = c - '0';
    } else if (base == 16 && c >= 'a' && c <= 'f') {
      d = c - 'a' + 10;
    } else if (base == 16 && c >= 'A' && c <= 'F') {
      d = c - 'A' + 10;
    } else {
      return false;
    }
    v = v * base + d;
    if (v > 0xFFFFFFFFll) return false;  // beyond a 32-bit number
  }
  value = negative ? -v : v;
  return true;
}

std::string MapId3v2Genre(const std::string& genre) {
  if (genre.size() <= 2 || genre.front() != '(' || genre.back() != ')') return genre;
  long long n = 0;
  if (!ParseGenreNumber(std::string_view(genre).substr(1, genre.size() - 2), n)) return genre;
  if (n < 0 || n > 125) return genre;
  return GenreName(static_cast<int>(n));
}

void BuildDatabase(const SongTree& tree, const BuildSettings& settings, TId3v1& idv1, TId3v2& idv2,
                   BuildReporter& reporter) {
  Build(settings, idv1, idv2, reporter).Run(tree);
}

}  // namespace plondex
