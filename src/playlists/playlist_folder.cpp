#include "playlists/playlist_folder.h"

#include "platform/ascii.h"
#include "platform/drives.h"

namespace plondex {

bool HasPlayerDrive(const PlaylistContext& context) {
  return NormalizeDriveLetter(context.drive_letter) != 0;
}

PlayerPath PlaylistFolderPath(const PlaylistContext& context) {
  std::string path(1, context.drive_letter);
  path += ":\\";
  path += context.folder_name;
  return PlayerPath(std::move(path));
}

PlayerPath PlaylistFilePath(const PlaylistContext& context, std::string_view name) {
  std::string path = PlaylistFolderPath(context).text();
  path += '\\';
  path.append(name);
  return PlayerPath(std::move(path));
}

bool IsPlaylistFileName(std::string_view name) {
  constexpr std::string_view kExtension = ".m3u";
  return name.size() >= kExtension.size() &&
         EqualsIgnoringAsciiCase(name.substr(name.size() - kExtension.size()), kExtension);
}

bool IsValidPlaylistName(std::string_view typed) {
  if (typed == "." || typed == "..") return false;
  for (const char ch : typed) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 0x20 || c == 0x7F) return false;
    switch (c) {
      case '\\':
      case '/':
      case ':':
      case '*':
      case '?':
      case '"':
      case '<':
      case '>':
      case '|':
        return false;
      default:
        break;
    }
  }
  return true;
}

}  // namespace plondex
