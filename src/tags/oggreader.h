#pragma once

// The descriptive texts of an Ogg Vorbis song: title, artist, album and genre, taken from the
// Vorbis comment header. The reader does not walk Ogg pages: the identification header is
// expected right behind the first page's header, and the comment header within the first 250
// bytes of the file, as every encoder lays them out.

#include <string>
#include <string_view>

#include "platform/files.h"

namespace plondex {

class TOggReader {
 public:
  // False when the file cannot be opened or is too short to hold an identification header. True
  // otherwise, also for a file that holds no Vorbis stream (its texts stay empty).
  bool ReadOggFile(const FileLocation& file);
  // The same on bytes already at hand.
  bool ReadOggSource(const ByteSource& source);

  // The comment values as stored (UTF-8 in a well-formed file), byte for byte: their first
  // bytes, without a UTF-8 character that the cut after 250 bytes of the comment falls in.
  const std::string& Title() const { return title_; }
  const std::string& Artist() const { return artist_; }
  const std::string& Album() const { return album_; }
  const std::string& Genre() const { return genre_; }

 private:
  void ReadComments(const ByteSource& source);
  void Examine(std::string_view comment);

  std::string title_;
  std::string artist_;
  std::string album_;
  std::string genre_;
};

}  // namespace plondex
