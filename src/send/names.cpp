#include "send/names.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "platform/ascii.h"
#include "platform/codepage.h"
#include "tags/songtags.h"

namespace plondex {
namespace {

bool IsForbidden(unsigned char c) {
  // The five bytes Windows-1252 leaves unassigned stand for control characters too.
  return c < 0x20 || c == 0x7F || c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D ||
         std::string_view("\"*/:<>?\\|").find(static_cast<char>(c)) != std::string_view::npos;
}

void TrimEnds(std::string& name) {
  const size_t first = name.find_first_not_of(' ');
  if (first == std::string::npos) {
    name.clear();
    return;
  }
  name.erase(0, first);
  name.erase(name.find_last_not_of(". ") + 1);
}

// DOS device names: a file whose name before its first dot is one of these cannot be made on
// Windows, whatever its extension.
bool IsReservedName(std::string_view name) {
  std::string_view base = name.substr(0, name.find('.'));
  while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
  static constexpr std::array<std::string_view, 4> kDevices = {"CON", "PRN", "AUX", "NUL"};
  for (const std::string_view device : kDevices) {
    if (EqualsIgnoringAsciiCase(base, device)) return true;
  }
  return base.size() == 4 &&
         (EqualsIgnoringAsciiCase(base.substr(0, 3), "COM") ||
          EqualsIgnoringAsciiCase(base.substr(0, 3), "LPT")) &&
         base[3] >= '1' && base[3] <= '9';
}

// "07 ", "2-07 " or nothing.
std::string NumberPrefix(const SourceTags& tags) {
  if (tags.track <= 0) return {};
  char text[32];
  if (tags.disc > 1 || tags.disc_total > 1) {
    std::snprintf(text, sizeof text, "%d-%02d ", std::max(tags.disc, 1), tags.track);
  } else {
    std::snprintf(text, sizeof text, "%02d ", tags.track);
  }
  return text;
}

}  // namespace

PlayerNameTexts SpellSongTexts(const SongNameTexts& texts, JapaneseReadings* readings) {
  SongTags tags;
  tags.source = TagSource::kOgg;  // one artist, taken whole
  tags.title = TagText::Utf8OrBytes(texts.title);
  tags.artists = {TagText::Utf8OrBytes(texts.artist)};
  tags.album = TagText::Utf8OrBytes(texts.album);
  tags.genre = TagText::Utf8OrBytes(texts.genre);
  PlayerTexts spelled = ToPlayerTexts(tags, readings);
  return {std::move(spelled.title), std::move(spelled.artist), std::move(spelled.album),
          std::move(spelled.genre)};
}

std::string FatSafeName(std::string_view name, size_t max_length) {
  std::string safe(name);
  for (char& c : safe) {
    if (IsForbidden(static_cast<unsigned char>(c))) c = '_';
  }
  TrimEnds(safe);
  if (safe.empty()) return safe;
  auto cut = [&safe, max_length] {
    if (safe.size() <= max_length) return;
    safe.resize(max_length);
    TrimEnds(safe);
    if (safe.empty()) safe = "_";
  };
  // A cut can leave a reserved name behind, and the "_" can make the name too long again.
  cut();
  if (IsReservedName(safe)) {
    safe.insert(std::min(safe.find('.'), safe.size()), "_");
    cut();
  }
  return safe;
}

std::string FoldNameCase(std::string_view name) {
  std::string folded(name);
  for (char& c : folded) {
    const auto b = static_cast<unsigned char>(c);
    if ((b >= 'a' && b <= 'z') || (b >= 0xE0 && b <= 0xFE && b != 0xF7)) {
      c = static_cast<char>(b - 0x20);
    } else if (b == 0x9A || b == 0x9C || b == 0x9E) {  // s caron, oe, z caron
      c = static_cast<char>(b - 0x10);
    } else if (b == 0xFF) {  // y diaeresis
      c = static_cast<char>(0x9F);
    }
  }
  return folded;
}

SongNamer::SongNamer(const PlayerFiles& files, char letter, std::string_view folder)
    : files_(files), root_{letter, ':'} {
  while (!folder.empty()) {
    const size_t end = folder.find('\\');
    if (end != 0) base_.emplace_back(folder.substr(0, end));
    folder.remove_prefix(end == std::string_view::npos ? folder.size() : end + 1);
  }
}

SongNamer::Listing& SongNamer::Folder(const std::string& path) {
  const auto [it, added] = folders_.try_emplace(FoldNameCase(path));
  if (added) {
    const std::string located = path.size() == 2 ? path + "\\" : path;
    if (const auto entries = ListFolder(files_.Locate(PlayerPath(located)))) {
      for (const DirEntry& entry : *entries) {
        it->second.try_emplace(FoldNameCase(entry.name), Entry{entry.name, entry.is_folder});
      }
    }
  }
  return it->second;
}

std::string SongNamer::FolderName(const std::string& parent, const std::string& name) {
  Listing& listing = Folder(parent);
  // A file that stands where the folder should makes the folder take another name.
  for (int copy = 1;; ++copy) {
    const std::string suffix = copy == 1 ? "" : " (" + std::to_string(copy) + ")";
    const std::string wanted = FatSafeName(name, kMaxSentNameLength - suffix.size()) + suffix;
    const auto [it, added] = listing.try_emplace(FoldNameCase(wanted), Entry{wanted, true});
    if (it->second.is_folder) return it->second.name;
  }
}

SongNamer::Name SongNamer::NameSong(const SongNameSource& song, std::string_view extension) {
  const SourceTags& tags = song.tags;
  const PlayerNameTexts spelled =
      SpellSongTexts({tags.title, tags.album_artist.empty() ? tags.artist : tags.album_artist,
                      tags.album, tags.genre},
                     &japanese_);
  std::string title = FatSafeName(spelled.title, kMaxTagTextBytes);
  std::string artist = FatSafeName(spelled.artist);
  std::string album = FatSafeName(spelled.album);
  if (title.empty() || artist.empty() || album.empty()) {
    const PlayerNameTexts own = SpellSongTexts(
        {song.file_stem, song.parent_folder_name, song.folder_name, tags.genre}, &japanese_);
    if (title.empty()) title = FatSafeName(own.title, kMaxTagTextBytes);
    if (artist.empty()) artist = FatSafeName(own.artist);
    if (album.empty()) album = FatSafeName(own.album);
  }
  if (title.empty()) title = "Untitled";
  if (artist.empty()) artist = "Unknown Artist";
  if (album.empty()) album = "Unknown Album";

  std::string folder = root_;
  for (const std::string& name : base_) folder += '\\' + FolderName(folder, name);
  folder += '\\' + FolderName(folder, artist);
  folder += '\\' + FolderName(folder, album);

  const std::string numbered = NumberPrefix(tags) + title;
  for (int copy = 1;; ++copy) {
    const std::string suffix = copy == 1 ? "" : " (" + std::to_string(copy) + ")";
    const std::string name =
        FatSafeName(numbered, kMaxSentNameLength - suffix.size() - extension.size()) + suffix +
        std::string(extension);
    const std::string path = folder + '\\' + name;
    if (!taken_.insert(FoldNameCase(path)).second) continue;
    const Listing& listing = Folder(folder);
    const auto it = listing.find(FoldNameCase(name));
    if (it == listing.end()) return {PlayerPath(path), false};
    if (!it->second.is_folder) return {PlayerPath(folder + '\\' + it->second.name), true};
  }
}

}  // namespace plondex
