#pragma once

// The descriptive texts of a WMA song, taken from the objects of its ASF header: the Content
// Description Object and the Extended Content Description Object. Texts are handed out only when
// the header's audio values look like a real WMA audio stream.

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/files.h"

namespace plondex {

class TWmaReader {
 public:
  // True when the file could be opened and its header walked, whether or not it is an ASF file
  // and whether or not its audio values are plausible; false when opening or reading failed.
  bool ReadWmaFile(const FileLocation& file);
  // The same on bytes already at hand.
  bool ReadWmaSource(const ByteSource& source);

  // True when the last read found plausible audio values; only then are the texts filled.
  bool Valid() const { return valid_; }
  const std::u16string& Title() const { return title_; }
  const std::u16string& Artist() const { return artist_; }
  const std::u16string& Album() const { return album_; }
  const std::u16string& Year() const { return year_; }
  const std::u16string& Genre() const { return genre_; }
  const std::u16string& Comment() const { return comment_; }
  int32_t Track() const { return track_; }

 private:
  void Reset();

  bool valid_ = false;
  std::u16string title_;
  std::u16string artist_;
  std::u16string album_;
  std::u16string year_;
  std::u16string genre_;
  std::u16string comment_;
  int32_t track_ = 0;
};

// Reads a whole integer: optional leading blanks and sign, then decimal digits, or hexadecimal
// digits after "$", "x" or "0x" (up to 32 bits, taken as a signed bit pattern); nothing may
// follow. False when the text is no such integer or it does not fit.
bool ParseWholeInteger(std::u16string_view text, int32_t* value);

}  // namespace plondex
