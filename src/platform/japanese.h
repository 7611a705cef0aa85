#pragma once

// Japanese texts read as Japanese: words written in Han characters take their readings from
// MeCab's dictionary, so that the player-text spelling spells Japanese, not Chinese, sounds.

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace plondex {

// True when the text holds a kana character (Hiragana, Katakana, their phonetic extensions or
// halfwidth Katakana): a song with such a text is Japanese.
bool HoldsKana(std::u16string_view text);

// True for the Han characters whose readings are looked up (CJK ideographs, extension A, the
// compatibility ideographs and the iteration mark).
bool IsHanCharacter(char32_t c);

class JapaneseReadings {
 public:
  // dictionary: the folder of a MeCab dictionary; empty for the system's default one.
  explicit JapaneseReadings(std::string dictionary = {});
  ~JapaneseReadings();
  JapaneseReadings(const JapaneseReadings&) = delete;
  JapaneseReadings& operator=(const JapaneseReadings&) = delete;

  // The text with each word that holds a Han character replaced by its reading in Katakana,
  // the particles は, へ and を written as they sound (ワ, エ, オ), and a particle (but a
  // conjunctive or sentence-ending one) set apart by one space from Japanese words right next to
  // it; everything else, spaces included, as written. nullopt when the dictionary cannot be
  // opened (Failure tells why). The dictionary is opened on the first call; calls from several
  // threads take turns.
  std::optional<std::u16string> Read(std::u16string_view text);
  // Why the dictionary cannot be opened; empty while it can, or before the first call.
  std::string Failure() const;

 private:
  struct Tagger;
  mutable std::mutex mutex_;
  std::string dictionary_;
  bool tried_ = false;
  std::unique_ptr<Tagger> tagger_;
  std::string failure_;
};

}  // namespace plondex
