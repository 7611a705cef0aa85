#pragma once

// The player's character set is Windows-1252. 8-bit text in this program is a std::string of
// Windows-1252 bytes; UTF-16 text is a std::u16string. This is the one place that converts.

#include <optional>
#include <string>
#include <string_view>

namespace plondex {

// The UTF-16 code unit of one Windows-1252 byte. The five unassigned bytes 0x81, 0x8D, 0x8F,
// 0x90 and 0x9D stand for U+0081, U+008D, U+008F, U+0090 and U+009D.
char16_t AnsiCharToWide(unsigned char byte);

std::u16string AnsiToWide(std::string_view ansi);

// UTF-16 to Windows-1252. Every character the code page lacks becomes one '?', a surrogate pair
// included; an unpaired surrogate is one '?' too.
std::string WideToAnsi(std::u16string_view wide);

// Windows-1252 to UTF-8, for the terminal, the file system and Qt.
std::string AnsiToUtf8(std::string_view ansi);

// Strict UTF-8 decoding (no overlongs, no surrogates, nothing above U+10FFFF); nullopt when the
// bytes are not valid UTF-8.
std::optional<std::u16string> Utf8ToWide(std::string_view utf8);

// UTF-8 to Windows-1252 with '?' for what the code page lacks. Bytes that are not valid UTF-8
// are kept as they are (they are taken to be 8-bit text already).
std::string Utf8ToAnsi(std::string_view utf8);

// The bytes of a text that form valid UTF-8 (as Utf8ToWide takes it), every other byte dropped.
std::string ValidUtf8Part(std::string_view utf8);

// Where to cut a text to at most limit bytes: at limit, unless the text is valid UTF-8 up to a
// character that the limit would cut in two, which then goes whole. The text must hold the bytes
// past limit up to the end of such a character (3 are enough); 8-bit text keeps limit bytes.
size_t Utf8CutLength(std::string_view text, size_t limit);

// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string WideToUtf8(std::u16string_view wide);

// Tag texts for the player. The player shows only 93 byte values; a letter it cannot show takes
// a readable spelling instead, character by character: a character the player shows stays;
// else its compatibility decomposition without combining marks when the player shows all of
// that (e-acute -> e, "..." for the ellipsis, "TM"); else a small table (AE, O, L, D, Th, i,
// quotes -> ', dashes -> -, no-break space -> space); else a run of such characters goes through
// ICU's Any-Latin transliteration as a whole and its result is spelled the same way. What is
// left without a spelling is dropped. Paths and file names never go through these: they keep
// WideToAnsi and Utf8ToAnsi.

// True for the 93 byte values the player shows: printable ASCII but " $ % ; < = > @ \ ^ { | } ~,
// and the twelve bytes of the acute accent, A O U umlaut, sharp s, a-grave, a-acute, a umlaut,
// e-grave, e-acute, o umlaut and u umlaut.
bool IsShownByte(unsigned char byte);

// The spelling a character has on its own, by the first three steps above; nullopt when it has
// none. Characters without one gather in runs for the transliteration. A lone combining mark has
// none, so after a letter of another script it is transliterated together with that letter; a
// surrogate has none either.
std::optional<std::string> CharacterSpelling(char32_t c);

// Transliterating other scripts is by far the costliest step of the spelling. A reader that
// converts many texts of one file gives them one budget of characters that may take that step,
// and characters past it are dropped: a file made to be slow cannot hold a build up for long.
struct SpellingBudget {
  size_t characters = 0;
};

// The budget of one song's texts (or one tag's): far more than any song's titles and names hold.
inline constexpr size_t kSongSpellingBudget = 16384;

// UTF-16 tag text to 8-bit, for ID3v2 UTF-16 and WMA texts. The text is composed first (NFC), so
// a letter written as base letter and accent counts as the one letter. Then a character that
// Windows-1252 holds becomes its byte as in WideToAnsi (even one the player does not show); any
// other character takes its readable spelling, or is dropped when it has none (or when the
// budget, if one is given, is spent).
std::string WideToTagAnsi(std::u16string_view wide, SpellingBudget* budget = nullptr);

// UTF-8 tag text to 8-bit, for ID3v2 UTF-8 and Ogg texts: valid UTF-8 as WideToTagAnsi; bytes
// that are not valid UTF-8 are kept as they are (8-bit text already), as in Utf8ToAnsi.
std::string Utf8ToTagAnsi(std::string_view utf8, SpellingBudget* budget = nullptr);

// An 8-bit tag text as the player shows it: every byte the player shows stays, other bytes from
// 128 up take the readable spelling of their Windows-1252 character, and control characters
// and the ASCII bytes the player does not show are removed. A text of shown bytes comes back
// unchanged without touching ICU.
std::string AnsiToShownText(std::string_view ansi);

}  // namespace plondex
