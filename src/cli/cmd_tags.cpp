// plondex-cli tags [--json] FILE...: runs the tag readers on files, chosen by extension as the
// database build chooses them, and shows what they give, each reader's texts turned into the
// player's text as the build turns a song's texts.

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "cli/command.h"
#include "platform/codepage.h"
#include "platform/error.h"
#include "platform/japanese.h"
#include "tags/id3v1.h"
#include "tags/id3v2.h"
#include "tags/oggreader.h"
#include "tags/songformat.h"
#include "tags/songtags.h"
#include "tags/wmareader.h"

namespace plondex::cli {
namespace {

constexpr char kUsage[] = "tags [--json] FILE...";

// Escapes what JSON requires; every other byte is left to the caller's encoding.
bool AppendEscaped(unsigned char b, std::string& out) {
  static constexpr char kHex[] = "0123456789abcdef";
  switch (b) {
    case '"':
      out += "\\\"";
      return true;
    case '\\':
      out += "\\\\";
      return true;
    case '\b':
      out += "\\b";
      return true;
    case '\f':
      out += "\\f";
      return true;
    case '\n':
      out += "\\n";
      return true;
    case '\r':
      out += "\\r";
      return true;
    case '\t':
      out += "\\t";
      return true;
    default:
      if (b >= 0x20) return false;
      out += "\\u00";
      out.push_back(kHex[b >> 4]);
      out.push_back(kHex[b & 15]);
      return true;
  }
}

// An 8-bit text as a JSON string of one character per byte, the byte's Windows-1252 character
// (which gives every byte back). What JSON escapes is ASCII, the same in both.
std::string Json8(std::string_view bytes) {
  std::string escaped;
  for (char c : bytes) {
    if (!AppendEscaped(static_cast<unsigned char>(c), escaped)) escaped.push_back(c);
  }
  return "\"" + AnsiToUtf8(escaped) + "\"";
}

// A path as given: its characters when it is UTF-8, as the shell passed it; else its bytes.
std::string JsonPath(std::string_view path) {
  if (!Utf8ToWide(path)) return Json8(path);
  std::string out = "\"";
  for (char c : path) {
    if (!AppendEscaped(static_cast<unsigned char>(c), out)) out.push_back(c);
  }
  return out + "\"";
}

std::string JsonBool(bool b) { return b ? "true" : "false"; }

std::string JsonList8(const std::vector<std::string>& items) {
  std::string out = "[";
  for (size_t i = 0; i < items.size(); ++i) out += (i ? ", " : "") + Json8(items[i]);
  return out + "]";
}

// The readers live for the whole run, as the window's components do.
struct Readers {
  TId3v2 idv2;
  TId3v1 idv1;
  TOggReader ogg;
  TWmaReader wma;
  JapaneseReadings japanese;

  // A reader's texts as the database build turns them into the player's text, song by song.
  PlayerTexts Texts(const SongTags& tags) { return ToPlayerTexts(tags, &japanese); }
};

std::string JsonMp3(Readers& r, const FileLocation& file) {
  std::string id3v2;
  try {
    r.idv2.SetFileName(file);
    SongTags tags = Id3v2Tags(r.idv2);
    tags.source = TagSource::kId3v2;  // a missing tag shows its empty texts all the same
    const PlayerTexts t = r.Texts(tags);
    id3v2 = "{\"present\": " + JsonBool(r.idv2.TagPresent()) +
            ", \"major\": " + std::to_string(r.idv2.MajorVersion()) +
            ", \"revision\": " + std::to_string(r.idv2.Revision()) +
            ", \"title\": " + Json8(t.title) + ", \"album\": " + Json8(t.album) +
            ", \"genre\": " + Json8(t.genre) + ", \"performers\": " + JsonList8(t.artists) + "}";
  } catch (const Error& e) {
    id3v2 = "{\"error\": " + Json8(e.what()) + "}";
  }
  const bool v1_present = Id3v1TagInFile(file);
  r.idv1.SetFileName(file);
  const std::string id3v1 =
      "{\"present\": " + JsonBool(v1_present) + ", \"title\": " + Json8(r.idv1.SongName()) +
      ", \"artist\": " + Json8(r.idv1.Artist()) + ", \"album\": " + Json8(r.idv1.Album()) +
      ", \"genre\": " + std::to_string(static_cast<int>(r.idv1.Genre())) + "}";
  return "\"id3v2\": " + id3v2 + ", \"id3v1\": " + id3v1;
}

std::string JsonOgg(Readers& r, const FileLocation& file) {
  const bool ok = r.ogg.ReadOggFile(file);
  const PlayerTexts t = r.Texts(OggTags(r.ogg));
  return "\"ogg\": {\"ok\": " + JsonBool(ok) + ", \"title\": " + Json8(t.title) +
         ", \"artist\": " + Json8(t.artist) + ", \"album\": " + Json8(t.album) +
         ", \"genre\": " + Json8(t.genre) + "}";
}

std::string JsonWma(Readers& r, const FileLocation& file) {
  const bool ok = r.wma.ReadWmaFile(file);
  const PlayerTexts t = r.Texts(WmaTags(r.wma));
  return "\"wma\": {\"ok\": " + JsonBool(ok) + ", \"valid\": " + JsonBool(r.wma.Valid()) +
         ", \"title\": " + Json8(t.title) + ", \"artist\": " + Json8(t.artist) +
         ", \"album\": " + Json8(t.album) + ", \"genre\": " + Json8(t.genre) + "}";
}

std::string JsonFile(Readers& r, const std::string& path) {
  std::string out = "{\"file\": " + JsonPath(path);
  const FileLocation file(path);
  // An extension never holds a '/', so the whole path tells the reader as its name does.
  switch (SongFormatOf(path)) {
    case SongFormat::kMp3:
      out += ", " + JsonMp3(r, file);
      break;
    case SongFormat::kOgg:
      out += ", " + JsonOgg(r, file);
      break;
    case SongFormat::kWma:
      out += ", " + JsonWma(r, file);
      break;
    case SongFormat::kNone:
      break;
  }
  return out + "}\n";
}

// The readable listing shows every text as the database build receives it, 8-bit text.
std::string Line(std::string_view label, std::string_view text) {
  return "    " + std::string(label) + ": " + AnsiToUtf8(text) + "\n";
}

std::string TextMp3(Readers& r, const FileLocation& file) {
  std::string out;
  try {
    r.idv2.SetFileName(file);
    if (!r.idv2.TagPresent()) {
      out += "  id3v2: none\n";
    } else {
      const PlayerTexts t = r.Texts(Id3v2Tags(r.idv2));
      out += "  id3v2: version 2." + std::to_string(r.idv2.MajorVersion()) + "." +
             std::to_string(r.idv2.Revision()) + ", " + std::to_string(r.idv2.TagSize()) +
             " bytes\n";
      out += Line("title", t.title) + Line("album", t.album) + Line("genre", t.genre);
      for (const std::string& performer : t.artists) out += Line("performer", performer);
    }
  } catch (const Error& e) {
    out += "  id3v2: error: " + AnsiToUtf8(e.what()) + "\n";
  }
  if (Id3v1TagInFile(file)) {
    r.idv1.SetFileName(file);
    const int genre = static_cast<int>(r.idv1.Genre());
    out += "  id3v1: present\n" + Line("title", r.idv1.SongName()) +
           Line("artist", r.idv1.Artist()) + Line("album", r.idv1.Album()) +
           Line("genre", std::to_string(genre) + " " + GenreName(genre));
  } else {
    out += "  id3v1: none\n";
  }
  return out;
}

std::string TextOgg(Readers& r, const FileLocation& file) {
  if (!r.ogg.ReadOggFile(file)) return "  ogg: cannot be read\n";
  const PlayerTexts t = r.Texts(OggTags(r.ogg));
  return "  ogg: read\n" + Line("title", t.title) + Line("artist", t.artist) +
         Line("album", t.album) + Line("genre", t.genre);
}

std::string TextWma(Readers& r, const FileLocation& file) {
  if (!r.wma.ReadWmaFile(file)) return "  wma: cannot be read\n";
  if (!r.wma.Valid()) return "  wma: read, no valid audio values\n";
  const PlayerTexts t = r.Texts(WmaTags(r.wma));
  return "  wma: read, valid\n" + Line("title", t.title) + Line("artist", t.artist) +
         Line("album", t.album) + Line("genre", t.genre);
}

std::string TextFile(Readers& r, const std::string& path) {
  std::string out = path + "\n";
  const FileLocation file(path);
  switch (SongFormatOf(path)) {
    case SongFormat::kMp3:
      return out + TextMp3(r, file);
    case SongFormat::kOgg:
      return out + TextOgg(r, file);
    case SongFormat::kWma:
      return out + TextWma(r, file);
    case SongFormat::kNone:
      break;
  }
  return out + "  no tag reader for this file type\n";
}

int Tags(const std::vector<std::string>& args) {
  bool json = false;
  size_t first = 0;
  if (first < args.size() && args[first] == "--json") {
    json = true;
    ++first;
  }
  if (first < args.size() && args[first] == "--") {
    ++first;
  } else if (first < args.size() && args[first].rfind("--", 0) == 0) {
    std::fprintf(stderr, "usage: plondex-cli %s\n", kUsage);
    return 2;
  }
  if (first == args.size()) {
    std::fprintf(stderr, "usage: plondex-cli %s\n", kUsage);
    return 2;
  }
  Readers readers;
  for (size_t i = first; i < args.size(); ++i) {
    const std::string out = json ? JsonFile(readers, args[i]) : TextFile(readers, args[i]);
    if (std::fwrite(out.data(), 1, out.size(), stdout) != out.size()) {
      std::fprintf(stderr, "tags: cannot write the listing\n");
      return 1;
    }
  }
  if (std::fflush(stdout) != 0) {
    std::fprintf(stderr, "tags: cannot write the listing\n");
    return 1;
  }
  return 0;
}

const Registration kTags("tags", kUsage, Tags);

}  // namespace
}  // namespace plondex::cli
