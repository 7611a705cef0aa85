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

// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string WideToUtf8(std::u16string_view wide);

}  // namespace plondex
