// plondex-taglib-walk [--print] [--path-fileref] FOLDER: the peer that bench/compare measures
// plondex-cli build against. It walks FOLDER recursively as the scan does (every .mp3, .ogg and
// .wma, in any case) and reads title, artist, album and genre of every song with TagLib, audio
// properties not read. Each file is opened read-only; --path-fileref hands TagLib the path
// instead, which tries a read-write open first (a second path walk on a read-only mount).
// Prints the number of songs and of songs with all four fields; --print also prints the fields.

#include <taglib/fileref.h>
#include <taglib/tag.h>
#include <taglib/tfilestream.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

namespace {

namespace fs = std::filesystem;

bool IsSong(const fs::path& path) {
  std::string ext = path.extension().string();
  if (ext.size() != 4) return false;
  for (char& c : ext) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  return ext == ".mp3" || ext == ".ogg" || ext == ".wma";
}

struct Counts {
  unsigned long songs = 0, complete = 0, unreadable = 0, field_bytes = 0;
};

void ReadSong(const fs::path& path, bool print, bool path_fileref, Counts& counts) {
  ++counts.songs;
  std::unique_ptr<TagLib::FileStream> stream;  // outlives ref, which reads through it
  TagLib::FileRef ref;
  if (path_fileref) {
    ref = TagLib::FileRef(path.c_str(), false);
  } else {
    stream = std::make_unique<TagLib::FileStream>(path.c_str(), true);
    ref = TagLib::FileRef(stream.get(), false);
  }
  const TagLib::Tag* tag = ref.isNull() ? nullptr : ref.tag();
  if (!tag) {
    ++counts.unreadable;
    if (print) std::printf("%s\t(no tag)\n", path.c_str());
    return;
  }
  const std::string fields[] = {tag->title().to8Bit(true), tag->artist().to8Bit(true),
                                tag->album().to8Bit(true), tag->genre().to8Bit(true)};
  bool complete = true;
  for (const std::string& f : fields) {
    counts.field_bytes += f.size();
    complete = complete && !f.empty();
  }
  counts.complete += complete;
  if (print) {
    std::printf("%s\t%s\t%s\t%s\t%s\n", path.c_str(), fields[0].c_str(), fields[1].c_str(),
                fields[2].c_str(), fields[3].c_str());
  }
}

}  // namespace

int main(int argc, char** argv) {
  bool print = false, path_fileref = false;
  const char* folder = nullptr;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--print") == 0) {
      print = true;
    } else if (std::strcmp(argv[i], "--path-fileref") == 0) {
      path_fileref = true;
    } else if (!folder && argv[i][0] != '-') {
      folder = argv[i];
    } else {
      folder = nullptr;
      break;
    }
  }
  if (!folder) {
    std::fprintf(stderr, "usage: plondex-taglib-walk [--print] [--path-fileref] FOLDER\n");
    return 2;
  }
  Counts counts;
  std::error_code error;
  fs::recursive_directory_iterator it(folder, error), end;
  for (; !error && it != end; it.increment(error)) {
    if (it->is_regular_file(error) && IsSong(it->path())) {
      ReadSong(it->path(), print, path_fileref, counts);
    }
  }
  if (error) {
    std::fprintf(stderr, "plondex-taglib-walk: %s: %s\n", folder, error.message().c_str());
    return 1;
  }
  std::printf(
      "%lu songs, %lu with title, artist, album and genre, %lu unreadable, %lu bytes of "
      "fields\n",
      counts.songs, counts.complete, counts.unreadable, counts.field_bytes);
  return 0;
}
